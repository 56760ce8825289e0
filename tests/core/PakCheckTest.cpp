#include "CoreTestFiles.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlPakCheck.h"
#include "mdlPakFile.h"

#include <gtest/gtest.h>

namespace {

struct Seen
{
    PakFindingKind Kind;
    int32_t Index;
    int32_t Other = -1;
    int64_t Value = 0;
    bool operator==(const Seen &) const = default;
};

void PrintTo(const Seen &seen, std::ostream *out)
{
    *out << PakFindingCode(seen.Kind) << " ID" << seen.Index << " other " << seen.Other << " value "
         << seen.Value;
}

struct Checked
{
    std::vector<Seen> Findings;
    int64_t Unused = 0;
    int64_t FileSize = 0;
};

Checked Check(const TempDir &dir, const std::string &bytes)
{
    const std::string path = dir / "check.pak";
    WriteFile(path, bytes);
    PakArchive archive;
    const auto loaded = ReadPakFile(path, archive);
    EXPECT_TRUE(loaded) << (loaded ? "" : loaded.error().Description);
    const auto report = CheckPakArchive(archive);
    EXPECT_TRUE(report);
    Checked checked;
    if (!report)
        return checked;
    for (const PakFinding &f : report->Findings)
        checked.Findings.push_back({f.Kind, f.Index, f.Other, f.Value});
    checked.Unused = report->UnusedBytes;
    checked.FileSize = report->FileSize;
    return checked;
}

Checked Check(const TempDir &dir, const std::vector<PakWriterEntry> &entries, bool times = false)
{
    PakWriterOptions options;
    options.WithTimeTable = times;
    return Check(dir, BuildPak(entries, options));
}

PakWriterEntry At(const std::string &name, const std::string &data, std::optional<int32_t> start,
                  std::optional<int32_t> size = {})
{
    return PakWriterEntry{name, data, start, size};
}

// Where the data of an archive of count directory records begins.
int32_t DataStart(int32_t count)
{
    return PakHeaderSize + count * PakEntrySize;
}

} // namespace

TEST(PakCheck, SoundArchivesHaveNoFindings)
{
    TempDir dir;
    for (const bool times : {false, true}) {
        const Checked checked =
            Check(dir, {{"a.txt", "abc"}, {"maps\\b.dat", "defg"}, {"leer", ""}}, times);
        EXPECT_TRUE(checked.Findings.empty()) << times;
        EXPECT_EQ(checked.Unused, 0) << times;
    }
    EXPECT_TRUE(Check(dir, std::vector<PakWriterEntry>{}).Findings.empty()); // no entries at all
    // Bytes that no entry uses are a summary, not a finding.
    const Checked gap = Check(dir, {At("a", "abcdef", {}, 2)});
    EXPECT_TRUE(gap.Findings.empty());
    EXPECT_EQ(gap.Unused, 4);
    EXPECT_EQ(gap.FileSize, DataStart(1) + 6);
}

TEST(PakCheck, EachFindingWithItsEntry)
{
    TempDir dir;
    using K = PakFindingKind;
    const int32_t data2 = DataStart(2);
    const struct Case
    {
        const char *what;
        std::vector<PakWriterEntry> entries;
        bool times;
        std::vector<Seen> findings;
        int64_t unused;
    } cases[] = {
        {"past end", {{"a", "abc"}, At("b", "xyz", {}, 10)}, false, {{K::PastEnd, 1, -1, 7}}, 0},
        {"negative start", {At("a", "abc", -5)}, false, {{K::NegativeStart, 0, -1, -5}}, 3},
        {"negative size", {At("a", "abc", {}, -1)}, false, {{K::NegativeSize, 0, -1, -1}}, 3},
        {"header", {At("a", "abc", 0)}, false, {{K::OverlapsHeader, 0}}, 3},
        {"header and directory",
         {At("a", "abc", 10, 20)},
         false,
         {{K::OverlapsHeader, 0}, {K::OverlapsDirectory, 0}},
         3},
        {"directory", {{"a", "abc"}, At("b", "xyz", 20)}, false, {{K::OverlapsDirectory, 1}}, 3},
        // The time table of two records lies behind a directory of two.
        {"time table", {At("a", "abc", data2 + 40)}, true, {{K::OverlapsTimeTable, 1}}, 3},
        // The second entry starts inside the first and shares 2 bytes with it; the
        // last 2 of its own stored bytes are used by nobody.
        {"entries",
         {{"a", "abc"}, At("b", "xyz", data2 + 1)},
         false,
         {{K::OverlapsEntry, 1, 0, 2}},
         2},
        {"same data",
         {{"a", "abc"}, At("b", "", data2, 3)},
         false,
         {{K::OverlapsEntry, 1, 0, 3}},
         0},
        {"duplicate name",
         {{"Maps\\Wand.DDS", "a"}, {"x", "b"}, {"maps/wand.dds", "c"}},
         false,
         {{K::DuplicateName, 2, 0}},
         0},
        {"three alike",
         {{"a\\x", "1"}, {"A/X", "2"}, {"b", "3"}, {"a/x", "4"}},
         false,
         {{K::DuplicateName, 1, 0}, {K::DuplicateName, 3, 0}},
         0},
        {"parent folder", {{"maps\\..\\..\\evil", "a"}}, false, {{K::RefusedName, 0}}, 0},
        {"drive", {{"C:\\autoexec.bat", "a"}}, false, {{K::RefusedName, 0}}, 0},
        {"no name", {{"\\.\\", "a"}}, false, {{K::RefusedName, 0}}, 0},
        {"folder only", {{"maps\\", "a"}}, false, {{K::RefusedFlatName, 0}}, 0},
        {"control characters", {{"a\tb\x7F", "a"}}, false, {{K::ControlCharacters, 0}}, 0},
        {"no NUL", {{std::string(128, 'n'), "a"}}, false, {{K::UnterminatedName, 0}}, 0},
        // An empty entry has no bytes and so overlaps nothing, wherever it starts.
        {"empty entries", {At("a", "", 0), At("b", "", 20)}, false, {}, 0},
    };
    for (const Case &c : cases) {
        const Checked checked = Check(dir, c.entries, c.times);
        EXPECT_EQ(checked.Findings, c.findings) << c.what;
        EXPECT_EQ(checked.Unused, c.unused) << c.what;
    }
}

TEST(PakCheck, TimeTableOfTheWrongSize)
{
    TempDir dir;
    PakWriterOptions options;
    options.WithTimeTable = true;
    std::string bytes = BuildPak({{"a", "abc"}, {"b", "de"}}, options);
    // The table entry's stored size: 3 records are read, 2 stored.
    bytes[16 + 4] = 64;
    const Checked checked = Check(dir, bytes);
    ASSERT_EQ(checked.Findings.size(), 1u);
    EXPECT_EQ(checked.Findings[0], (Seen{PakFindingKind::TimeTableSize, 0, -1, 96}));

    // The table itself lying in the directory is found too.
    bytes = BuildPak({{"a", "abc"}}, options);
    bytes[16] = 20; // the table starts inside the directory
    const Checked inside = Check(dir, bytes);
    EXPECT_EQ(inside.Findings, (std::vector<Seen>{{PakFindingKind::OverlapsDirectory, 0}}));
}

TEST(PakCheck, FindingsInWordsAndTheSummary)
{
    TempDir dir;
    const std::string path = dir / "words.pak";
    ASSERT_TRUE(WritePak(path, {{"Gr\xF6\xDF"
                                 "e.txt",
                                 "abc"},
                                At("b", "", DataStart(2), 1234567)}));
    PakArchive archive;
    ASSERT_TRUE(ReadPakFile(path, archive));
    const auto report = CheckPakArchive(archive);
    ASSERT_TRUE(report);
    ASSERT_EQ(report->Findings.size(), 2u);
    mdlTools::NumberFormat format;
    format.ThousandsSeparator = ".";
    const PakFinding &past = report->Findings[0];
    EXPECT_EQ(past.Kind, PakFindingKind::PastEnd);
    EXPECT_EQ(PakFindingText(past, archive, PakFindingTemplate(past.Kind), format),
              "Daten reichen 1.234.564 Bytes über das Dateiende hinaus");
    const PakFinding &overlap = report->Findings[1];
    EXPECT_EQ(overlap.Kind, PakFindingKind::OverlapsEntry);
    EXPECT_EQ(PakFindingText(overlap, archive, PakFindingTemplate(overlap.Kind), format),
              "Daten überlappen 3 Bytes von ID0 (Größe.txt)");
    EXPECT_EQ(PakFindingText(overlap, archive, "%1/%2/%3/%4/%9/%x/%", format),
              "ID0/Größe.txt/3/0/%9/%x/%");
    EXPECT_EQ(PakCheckSummary(*report, PakCheckSummaryTemplate(), format),
              "Befunde: 2; ungenutzt: 0 von 291 Bytes");
    for (int kind = 0; kind < PakFindingKindCount; ++kind) {
        EXPECT_STRNE(PakFindingCode(static_cast<PakFindingKind>(kind)), "");
        EXPECT_EQ(std::string(PakFindingKey(static_cast<PakFindingKind>(kind))).substr(0, 3),
                  "str");
    }

    // A file that has gone since loading cannot be checked.
    ASSERT_TRUE(RemoveFile(path));
    const auto gone = CheckPakArchive(archive);
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().Code, PakErrorCode::FileNotFound);
}
