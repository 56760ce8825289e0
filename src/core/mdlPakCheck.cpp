#include "mdlPakCheck.h"

#include "PlatformFiles.h"
#include "mdlPakMatch.h"

#include <algorithm>
#include <cerrno>

namespace {

struct Extent
{
    int64_t Start = 0;
    int64_t End = 0; // one past the last byte
    int32_t Index = 0;
};

// What one pass over a stored name tells.
struct NameScan
{
    uint64_t Hash = 14695981039346656037ULL; // FNV-1a of the name folded as PakFoldChar does
    bool Control = false;                    // a control character
    // The extractor surely takes the name, with folder names or without: no
    // "..", no ":" and a last component with more than dots. Only other names
    // need PakTargetComponents' own verdict, which costs allocations.
    bool SurelyExtractable = false;
};

NameScan ScanName(std::string_view raw)
{
    NameScan scan;
    bool risky = false;    // ".." or ":"
    bool leafName = false; // the last component holds more than dots
    char previous = '\0';
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        scan.Hash = (scan.Hash ^ PakFoldChar(b)) * 1099511628211ULL;
        scan.Control = scan.Control || b < 0x20 || b == 0x7F;
        risky = risky || c == ':' || (c == '.' && previous == '.');
        if (c == '\\' || c == '/')
            leafName = false;
        else if (c != '.')
            leafName = true;
        previous = c;
    }
    scan.SurelyExtractable = !risky && leafName;
    return scan;
}

bool FoldedEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return PakFoldChar(static_cast<unsigned char>(x)) ==
                      PakFoldChar(static_cast<unsigned char>(y));
           });
}

bool Overlaps(int64_t start, int64_t end, int64_t otherStart, int64_t otherEnd)
{
    return start < otherEnd && otherStart < end;
}

struct KindInfo
{
    const char *Code;
    const char *Key;
    const char *Text;
};

const KindInfo Kinds[PakFindingKindCount] = {
    {"past-end", "strPastEnd", "Daten reichen %3 Bytes über das Dateiende hinaus"},
    {"negative-start", "strNegativeStart", "Negative Startadresse %3"},
    {"negative-size", "strNegativeSize", "Negative Größe %3"},
    {"overlaps-header", "strOverlapsHeader", "Daten überlappen den Dateikopf"},
    {"overlaps-directory", "strOverlapsDirectory", "Daten überlappen das Verzeichnis"},
    {"overlaps-time-table", "strOverlapsTimeTable", "Daten überlappen die Zeittabelle"},
    {"overlaps-entry", "strOverlapsEntry", "Daten überlappen %3 Bytes von %1 (%2)"},
    {"duplicate-name", "strDuplicateName", "Gleicher Name wie %1 (%2)"},
    {"refused-name", "strRefusedName",
     "Name wird beim Extrahieren abgelehnt (\"..\", Laufwerksangabe oder kein Name)"},
    {"refused-flat-name", "strRefusedFlatName",
     "Name wird beim Extrahieren ohne Ordnernamen abgelehnt (kein Dateiname)"},
    {"control-characters", "strControlCharacters", "Name enthält Steuerzeichen"},
    {"unterminated-name", "strUnterminatedName", "Namensfeld ohne abschließendes NUL-Zeichen"},
    {"time-table-size", "strTimeTableSize",
     "Zeittabelle ist %4 Bytes groß, das Verzeichnis verlangt %3 Bytes"},
};

const KindInfo &Info(PakFindingKind kind)
{
    return Kinds[static_cast<int>(kind)];
}

// text with every %1 .. %9 replaced by values[0] .. values[8].
std::string Fill(std::string_view text, const std::vector<std::string> &values)
{
    std::string out;
    out.reserve(text.size() + 32);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto k = static_cast<size_t>(text[i + 1] - '1');
            if (k < values.size()) {
                out += values[k];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

PakCheckReport CheckPakDirectory(const PakArchive &archive, int64_t fileSize)
{
    PakCheckReport report;
    report.FileSize = fileSize;
    auto &findings = report.Findings;
    const auto count = static_cast<int32_t>(archive.Entries.size());
    const int64_t directoryEnd = PakHeaderSize + int64_t{count} * PakEntrySize;
    const bool hasTable = archive.HasTimes && count > 0;
    const int64_t tableStart = hasTable ? archive.Entries[0].Start : 0;
    const int64_t tableEnd = tableStart + int64_t{count} * PakTimesSize;
    const auto add = [&findings](PakFindingKind kind, int32_t index, int32_t other = -1,
                                 int64_t value = 0, int64_t value2 = 0) {
        findings.push_back(PakFinding{kind, index, other, value, value2});
    };

    // The fixed parts of the file in use: header, directory and time table.
    std::vector<Extent> used;
    used.push_back({0, PakHeaderSize, -1});
    used.push_back({PakHeaderSize, directoryEnd, -1});
    if (hasTable) {
        used.push_back({tableStart, tableEnd, 0});
        // The table is read for the whole directory; its own size is not.
        const int64_t stored = archive.Entries[0].Size;
        if (stored != tableEnd - tableStart)
            add(PakFindingKind::TimeTableSize, 0, -1, tableEnd - tableStart, stored);
        if (Overlaps(tableStart, tableEnd, 0, PakHeaderSize))
            add(PakFindingKind::OverlapsHeader, 0);
        if (Overlaps(tableStart, tableEnd, PakHeaderSize, directoryEnd))
            add(PakFindingKind::OverlapsDirectory, 0);
    }

    std::vector<Extent, PakAllocator<Extent>> data;
    data.reserve(static_cast<size_t>(count));
    // Duplicate names, by the hash of the folded name in an open-addressed table
    // of the first entry of each name; entries are met in directory order, so a
    // duplicate is reported against the first entry of its name.
    size_t slots = 16;
    while (slots < static_cast<size_t>(count) * 2)
        slots *= 2;
    std::vector<int32_t, PakAllocator<int32_t>> firstOfName(slots, -1);
    std::vector<uint64_t, PakAllocator<uint64_t>> hashes(static_cast<size_t>(count), 0);
    for (int32_t index = hasTable ? 1 : 0; index < count; ++index) {
        const PakEntry &entry = archive.Entries[static_cast<size_t>(index)];
        const int64_t start = entry.Start;
        const int64_t size = entry.Size;
        if (start < 0)
            add(PakFindingKind::NegativeStart, index, -1, start);
        if (size < 0)
            add(PakFindingKind::NegativeSize, index, -1, size);
        if (start >= 0 && size >= 0) {
            const int64_t end = start + size;
            if (end > fileSize)
                add(PakFindingKind::PastEnd, index, -1, end - fileSize);
            // An empty entry has no bytes that could lie anywhere.
            if (size > 0) {
                if (Overlaps(start, end, 0, PakHeaderSize))
                    add(PakFindingKind::OverlapsHeader, index);
                if (Overlaps(start, end, PakHeaderSize, directoryEnd))
                    add(PakFindingKind::OverlapsDirectory, index);
                if (hasTable && Overlaps(start, end, tableStart, tableEnd))
                    add(PakFindingKind::OverlapsTimeTable, index);
                data.push_back({start, end, index});
            }
        }

        const std::string_view raw = PakEntryRawName(entry);
        const NameScan scan = ScanName(raw);
        hashes[static_cast<size_t>(index)] = scan.Hash;
        for (size_t slot = scan.Hash & (slots - 1);; slot = (slot + 1) & (slots - 1)) {
            const int32_t other = firstOfName[slot];
            if (other < 0) {
                firstOfName[slot] = index;
                break;
            }
            if (hashes[static_cast<size_t>(other)] == scan.Hash &&
                FoldedEqual(PakEntryRawName(archive.Entries[static_cast<size_t>(other)]), raw)) {
                add(PakFindingKind::DuplicateName, index, other);
                break;
            }
        }
        if (!scan.SurelyExtractable) {
            if (!PakTargetComponents(raw, true, {}))
                add(PakFindingKind::RefusedName, index);
            else if (!PakTargetComponents(raw, false, {}))
                add(PakFindingKind::RefusedFlatName, index);
        }
        if (scan.Control)
            add(PakFindingKind::ControlCharacters, index);
        if (raw.size() == entry.Name.size())
            add(PakFindingKind::UnterminatedName, index);
    }

    // Overlapping data, found by start offset: each entry against the one before
    // it that reaches furthest.
    std::sort(data.begin(), data.end(), [](const Extent &a, const Extent &b) {
        return a.Start != b.Start ? a.Start < b.Start : a.Index < b.Index;
    });
    int64_t reach = 0;
    int32_t reacher = -1;
    for (const Extent &extent : data) {
        if (reacher >= 0 && extent.Start < reach)
            add(PakFindingKind::OverlapsEntry, extent.Index, reacher,
                std::min(extent.End, reach) - extent.Start);
        if (extent.End > reach) {
            reach = extent.End;
            reacher = extent.Index;
        }
    }

    // The bytes no part covers, within the file.
    // The data is sorted by start already; the few fixed parts join it in step.
    std::sort(used.begin(), used.end(),
              [](const Extent &a, const Extent &b) { return a.Start < b.Start; });
    int64_t covered = 0;
    int64_t coveredTo = 0;
    const auto cover = [&](const Extent &extent) {
        const int64_t start = std::max(extent.Start, coveredTo);
        const int64_t end = std::min(extent.End, fileSize);
        if (end > start) {
            covered += end - start;
            coveredTo = end;
        }
    };
    size_t fixed = 0;
    for (const Extent &extent : data) {
        for (; fixed < used.size() && used[fixed].Start <= extent.Start; ++fixed)
            cover(used[fixed]);
        cover(extent);
    }
    for (; fixed < used.size(); ++fixed)
        cover(used[fixed]);
    report.UnusedBytes = std::max<int64_t>(fileSize - covered, 0);

    std::stable_sort(findings.begin(), findings.end(),
                     [](const PakFinding &a, const PakFinding &b) {
                         return a.Index != b.Index ? a.Index < b.Index : a.Kind < b.Kind;
                     });
    return report;
}

Expected<PakCheckReport> CheckPakArchive(const PakArchive &archive)
{
    PlatformFiles::FileInfo info;
    if (!PlatformFiles::InfoAt(archive.PakPath, info))
        return PakErrorFromErrno(errno, archive.PakPath);
    try {
        return CheckPakDirectory(archive, info.Size);
    } catch (const std::bad_alloc &) {
        return MakePakError(PakErrorCode::OutOfMemory, archive.PakPath);
    }
}

const char *PakFindingCode(PakFindingKind kind)
{
    return Info(kind).Code;
}

const char *PakFindingKey(PakFindingKind kind)
{
    return Info(kind).Key;
}

const char *PakFindingTemplate(PakFindingKind kind)
{
    return Info(kind).Text;
}

std::string PakFindingText(const PakFinding &finding, const PakArchive &archive,
                           std::string_view text, const mdlTools::NumberFormat &format)
{
    std::string otherKey, otherName;
    if (finding.Other >= 0 && static_cast<size_t>(finding.Other) < archive.Entries.size()) {
        otherKey = PakRowKey(finding.Other);
        otherName = PakEntryName(archive.Entries[static_cast<size_t>(finding.Other)]);
    }
    return Fill(text, {otherKey, otherName, mdlTools::FormatNumber(finding.Value, format),
                       mdlTools::FormatNumber(finding.Value2, format)});
}

const char *PakCheckSummaryTemplate()
{
    return "Befunde: %1; ungenutzt: %2 von %3 Bytes";
}

std::string PakCheckSummary(const PakCheckReport &report, std::string_view text,
                            const mdlTools::NumberFormat &format)
{
    return Fill(text, {mdlTools::FormatNumber(static_cast<int64_t>(report.Findings.size()), format),
                       mdlTools::FormatNumber(report.UnusedBytes, format),
                       mdlTools::FormatNumber(report.FileSize, format)});
}
