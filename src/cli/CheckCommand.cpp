// vannerby-cli check: the structure check of an archive, one finding per line.
#include "CliCommon.h"

#include "mdlPakCheck.h"
#include "mdlPakFile.h"

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

int runCheck(const Options &options)
{
    PakArchive archive;
    if (!LoadArchive(options.archivePath, archive))
        return ExitUsage;
    const auto checked = CheckPakArchive(archive);
    if (!checked) {
        PrintError(checked.error().Description, checked.error().Code);
        return ExitUsage;
    }
    const PakCheckReport &report = *checked;
    const mdlTools::NumberFormat format = mdlTools::NumberFormat::FromCLocale();
    std::string out;
    if (options.json) {
        out += "{\n  \"archive\": " + JsonString(archive.PakPath) +
               ",\n  \"entries\": " + std::to_string(archive.Entries.size()) +
               ",\n  \"file_size\": " + std::to_string(report.FileSize) +
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
                       PakFindingText(finding, archive, PakFindingTemplate(finding.Kind), format)) +
                   "}";
        }
        out += first ? "],\n" : "\n  ],\n";
        out += "  \"summary\": " +
               JsonString(PakCheckSummary(report, PakCheckSummaryTemplate(), format)) + "\n}\n";
    } else {
        for (const PakFinding &finding : report.Findings) {
            out += PakRowKey(finding.Index);
            out += '\t';
            AppendEscaped(out, EntryName(archive, finding.Index));
            out += '\t';
            AppendEscaped(
                out, PakFindingText(finding, archive, PakFindingTemplate(finding.Kind), format));
            out += '\n';
        }
        out += PakCheckSummary(report, PakCheckSummaryTemplate(), format) + '\n';
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
