// vannerby-cli check: the structure check of an archive, one finding per line.
#include "CliCommon.h"

#include "mdlPakCheck.h"
#include "mdlPakFile.h"

#include <algorithm>
#include <cstdio>

namespace cli {
namespace {

struct Options
{
    std::string archivePath;
    bool json = false;
};

std::string EntryName(const PakArchive &archive, int32_t index)
{
    return PakEntryName(archive.Entries[static_cast<size_t>(index)]);
}

// The English text of a finding, with the placeholders of PakFindingTemplate;
// the core's texts are the viewer's German ones.
const char *FindingTemplate(PakFindingKind kind)
{
    switch (kind) {
    case PakFindingKind::PastEnd:
        return "Data reaches %3 bytes past the end of the file";
    case PakFindingKind::NegativeStart:
        return "Negative start offset %3";
    case PakFindingKind::NegativeSize:
        return "Negative size %3";
    case PakFindingKind::OverlapsHeader:
        return "Data overlaps the file header";
    case PakFindingKind::OverlapsDirectory:
        return "Data overlaps the directory";
    case PakFindingKind::OverlapsTimeTable:
        return "Data overlaps the time table";
    case PakFindingKind::OverlapsEntry:
        return "Data overlaps %3 bytes of %1 (%2)";
    case PakFindingKind::DuplicateName:
        return "Same name as %1 (%2)";
    case PakFindingKind::RefusedName:
        return "Name is refused on extraction (\"..\", drive prefix or no name)";
    case PakFindingKind::RefusedFlatName:
        return "Name is refused on extraction without folder names (no file name)";
    case PakFindingKind::ControlCharacters:
        return "Name contains control characters";
    case PakFindingKind::UnterminatedName:
        return "Name field without a terminating NUL";
    case PakFindingKind::TimeTableSize:
        return "Time table is %4 bytes, the directory needs %3 bytes";
    }
    return "";
}

constexpr const char *SummaryTemplate = "Findings: %1; unused: %2 of %3 bytes";

int runCheck(const Options &options)
{
    PakArchive archive;
    if (!LoadArchive(options.archivePath, archive))
        return ExitUsage;
    const auto checked = CheckPakArchive(archive);
    if (!checked) {
        PrintError(checked.error());
        return ExitUsage;
    }
    const PakCheckReport &report = *checked;
    const mdlTools::NumberFormat format = mdlTools::NumberFormat::FromCLocale();
    std::string out;
    if (options.json) {
        // The entries as the listing shows them; the hidden time table apart.
        const size_t listed = archive.Entries.size() - (archive.HasTimes ? 1 : 0);
        out += "{\n  \"archive\": " + JsonString(archive.PakPath) +
               ",\n  \"entries\": " + std::to_string(listed) + ",\n  \"time_table\": ";
        if (archive.HasTimes) {
            const PakEntry &table = archive.Entries.front();
            out += "{\"key\": " + JsonString(PakRowKey(0)) +
                   ", \"name\": " + JsonString(EntryName(archive, 0)) +
                   ", \"start\": " + std::to_string(table.Start) +
                   ", \"size\": " + std::to_string(table.Size) +
                   ", \"records\": " + std::to_string(std::max(table.Size, 0) / PakTimesSize) + "}";
        } else {
            out += "null";
        }
        out += ",\n  \"file_size\": " + std::to_string(report.FileSize) +
               ",\n  \"unused_bytes\": " + std::to_string(report.UnusedBytes) +
               ",\n  \"findings\": [";
        bool first = true;
        for (const PakFinding &finding : report.Findings) {
            out += first ? "\n    " : ",\n    ";
            first = false;
            out += "{\"key\": " + JsonString(PakRowKey(finding.Index)) +
                   ", \"index\": " + std::to_string(finding.Index) +
                   ", \"name\": " + JsonString(EntryName(archive, finding.Index)) +
                   ", \"code\": " + JsonString(PakFindingCode(finding.Kind)) + ", \"other\": " +
                   (finding.Other >= 0 ? JsonString(PakRowKey(finding.Other)) : "null") +
                   ", \"finding\": " +
                   JsonString(
                       PakFindingText(finding, archive, FindingTemplate(finding.Kind), format)) +
                   "}";
        }
        out += first ? "],\n" : "\n  ],\n";
        out += "  \"summary\": " + JsonString(PakCheckSummary(report, SummaryTemplate, format)) +
               "\n}\n";
    } else {
        for (const PakFinding &finding : report.Findings) {
            out += PakRowKey(finding.Index);
            out += '\t';
            AppendEscaped(out, EntryName(archive, finding.Index));
            out += '\t';
            AppendEscaped(out,
                          PakFindingText(finding, archive, FindingTemplate(finding.Kind), format));
            out += '\n';
        }
        out += PakCheckSummary(report, SummaryTemplate, format) + '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return report.Findings.empty() ? ExitOk : ExitEntryFailed;
}

} // namespace

void AddCheckCommand(CLI::App &app, int &exitCode)
{
    auto *cmd = app.add_subcommand(
        "check", "Check an archive's structure: exit 0 when sound, 1 with findings, 2 unreadable.");
    const auto options = std::make_shared<Options>();
    cmd->add_flag("--json", options->json, "The findings as a JSON object");
    cmd->add_option("ARCHIVE", options->archivePath, "The archive")->required();
    cmd->callback([options, &exitCode] { exitCode = runCheck(*options); });
}

} // namespace cli
