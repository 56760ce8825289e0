#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlPakFile.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

struct CollectRows final : PakRowSink
{
    std::vector<PakRow> rows;
    void AddRow(const PakRow &row) override { rows.push_back(row); }
};

constexpr FileTime kWinter = 133418448000000000ULL; // 2023-10-15 12:00:00 UTC
constexpr FileTime kSpring = 133563222000000000ULL; // 2024-03-31 01:30:00 UTC

std::string put32(int32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

} // namespace

TEST(ReadPakFile, SignatureTest)
{
    TempDir dir;
    const struct
    {
        std::string bytes;
        bool pak;
    } cases[] = {{std::string("PAK\0", 4), true},
                 {std::string("pak\0rest", 8), true},
                 {std::string("Pak\0", 4), true},
                 {"PAKX", false},
                 {"PA", false},
                 {"", false},
                 {std::string("ZIP\0", 4), false}};
    for (const auto &c : cases) {
        WriteFile(dir / "f", c.bytes);
        EXPECT_EQ(IsPakFile(dir / "f"), c.pak) << c.bytes;
    }
    EXPECT_FALSE(IsPakFile(dir / "missing"));
    EXPECT_FALSE(IsPakFile(dir.path()));
}

TEST(ReadPakFile, TimeTableAtIndexZeroIsHiddenAndFeedsTheRows)
{
    TempDir dir;
    for (const std::string tableName : {"FILELIST.BIN", "filelist.bin"}) {
        PakWriterOptions options;
        options.WithTimeTable = true;
        options.TimeTableName = tableName;
        ASSERT_TRUE(WritePak(dir / "a.pak",
                             {{"textures\\wall.dds", "abc", {}, {}, kWinter, kSpring, kWinter},
                              {"tools.old\\readme", "", {}, {}, kSpring, kSpring, kSpring}},
                             options));
        PakArchive archive;
        CollectRows sink;
        ASSERT_TRUE(ReadPakFile(dir / "a.pak", archive, &sink));
        EXPECT_TRUE(archive.HasTimes);
        EXPECT_EQ(archive.Header.EntryCount, 3);
        ASSERT_EQ(sink.rows.size(), 2u);
        EXPECT_EQ(sink.rows[0].Key, "ID1");
        EXPECT_EQ(sink.rows[0].Index, 1);
        EXPECT_EQ(sink.rows[0].Name, "textures\\wall.dds");
        EXPECT_EQ(sink.rows[0].Extension, "dds");
        EXPECT_EQ(sink.rows[0].Size, 3);
        EXPECT_TRUE(sink.rows[0].HasTimes);
        EXPECT_EQ(sink.rows[0].CreationTime, kWinter);
        EXPECT_EQ(sink.rows[0].LastAccessTime, kSpring);
        EXPECT_EQ(sink.rows[1].Extension, "");
        EXPECT_EQ(sink.rows[1].Size, 0);
        EXPECT_TRUE(IsTimeTableEntry(archive, 0));
    }
}

TEST(ReadPakFile, WithoutTimeTableEveryEntryIsListedUndated)
{
    TempDir dir;
    // A time table name at index 1 is an ordinary entry.
    ASSERT_TRUE(WritePak(dir / "a.pak", {{"a.txt", "1"},
                                         {"FILELIST.BIN", std::string(64, '\x7f')},
                                         {std::string(128, 'n'), "x"},
                                         {"x/y.z\\w", "", 0}}));
    PakArchive archive;
    CollectRows sink;
    ASSERT_TRUE(ReadPakFile(dir / "a.pak", archive, &sink));
    EXPECT_FALSE(archive.HasTimes);
    ASSERT_EQ(sink.rows.size(), 4u);
    EXPECT_EQ(sink.rows[0].Key, "ID0");
    EXPECT_EQ(sink.rows[1].Name, "FILELIST.BIN");
    EXPECT_EQ(sink.rows[2].Name, std::string(128, 'n')); // no NUL: all 128 bytes
    EXPECT_EQ(sink.rows[3].Start, 0);
    EXPECT_EQ(sink.rows[3].Extension, ""); // the dot stands before a separator
    for (const auto &row : sink.rows)
        EXPECT_FALSE(row.HasTimes);
    EXPECT_NE(archive.FileLastWriteTime, 0u); // the file's own times stand in
}

TEST(ReadPakFile, NamesAreWindows1252)
{
    TempDir dir;
    ASSERT_TRUE(WritePak(dir / "a.pak", {{"Gr\xF6\xDF"
                                          "e\\\x80.txt",
                                          ""}}));
    PakArchive archive;
    CollectRows sink;
    ASSERT_TRUE(ReadPakFile(dir / "a.pak", archive, &sink));
    EXPECT_EQ(sink.rows.at(0).Name, "Größe\\€.txt");
    EXPECT_EQ(PakEntryRawName(archive.Entries[0]), "Gr\xF6\xDF"
                                                   "e\\\x80.txt");
}

TEST(ReadPakFile, DamagedArchivesFailWithoutTouchingTheModel)
{
    TempDir dir;
    const std::string good = BuildPak({{"a", "1"}});
    PakArchive archive;
    WriteFile(dir / "good.pak", good);
    ASSERT_TRUE(ReadPakFile(dir / "good.pak", archive));

    std::string negative = good;
    negative.replace(4, 4, put32(-1));
    std::string huge = good;
    huge.replace(4, 4, put32(0x7FFFFFFF));
    std::string shortDir = good.substr(0, 16 + 100);
    PakWriterOptions timed;
    timed.WithTimeTable = true;
    std::string tablePastEnd = BuildPak({{"a", "1"}}, timed);
    tablePastEnd.replace(16, 4, put32(static_cast<int32_t>(tablePastEnd.size()) - 10));
    std::string tableNegative = BuildPak({{"a", "1"}}, timed);
    tableNegative.replace(16, 4, put32(-5));

    const struct
    {
        const char *what;
        std::string bytes;
        int32_t code;
    } cases[] = {{"negative count", negative, 62},
                 {"count beyond the file", huge, 62},
                 {"directory cut short", shortDir, 62},
                 {"header cut short", std::string("PAK\0\1\0", 6), 62},
                 {"time table past the end", tablePastEnd, 62},
                 {"time table at a negative offset", tableNegative, 62},
                 {"no signature", "hello world, this is text", 321}};
    for (const auto &c : cases) {
        WriteFile(dir / "bad.pak", c.bytes);
        CollectRows sink;
        const auto loaded = ReadPakFile(dir / "bad.pak", archive, &sink);
        ASSERT_FALSE(loaded) << c.what;
        EXPECT_EQ(loaded.error().Code, c.code) << c.what;
        EXPECT_NE(loaded.error().Description.find(dir / "bad.pak"), std::string::npos);
        EXPECT_TRUE(sink.rows.empty());
        EXPECT_EQ(archive.PakPath, mdlTools::GetFullPath(dir / "good.pak")) << c.what;
        EXPECT_EQ(archive.Entries.size(), 1u);
        // Listing without loading makes the same checks before any row.
        const auto listed = ListPakFile(dir / "bad.pak", sink);
        ASSERT_FALSE(listed) << c.what;
        EXPECT_EQ(listed.error().Code, c.code) << c.what;
        EXPECT_TRUE(sink.rows.empty()) << c.what;
    }
    const auto missing = ReadPakFile(dir / "missing.pak", archive);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().Code, 53);
    EXPECT_EQ(PakErrorMessage(missing.error()),
              "Datei nicht gefunden: " + (dir / "missing.pak") + "\r\n(Runtime-Error: 53)");
}

TEST(ListPakFile, GivesTheRowsOfReadPakFile)
{
    TempDir dir;
    // More entries than one piece of the directory holds, with and without a time table.
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < 5000; ++i)
        entries.push_back({"f\\n" + std::to_string(i) + ".x" + std::to_string(i % 3),
                           std::string(static_cast<size_t>(i % 5), 'q'),
                           {},
                           {},
                           kWinter + static_cast<FileTime>(i),
                           kSpring,
                           kWinter});
    const auto describe = [](const PakRow &r) {
        return r.Key + "|" + r.Name + "|" + r.Extension + "|" + std::to_string(r.Start) + "|" +
               std::to_string(r.Size) + "|" + std::to_string(r.HasTimes) + "|" +
               std::to_string(r.CreationTime) + "|" + std::to_string(r.LastAccessTime) + "|" +
               std::to_string(r.LastWriteTime);
    };
    for (const bool withTimes : {true, false}) {
        PakWriterOptions options;
        options.WithTimeTable = withTimes;
        ASSERT_TRUE(WritePak(dir / "a.pak", entries, options));
        PakArchive archive;
        CollectRows loaded, listed;
        ASSERT_TRUE(ReadPakFile(dir / "a.pak", archive, &loaded));
        const auto hasTimes = ListPakFile(dir / "a.pak", listed);
        ASSERT_TRUE(hasTimes);
        EXPECT_EQ(*hasTimes, withTimes);
        ASSERT_EQ(listed.rows.size(), 5000u);
        for (size_t i = 0; i < loaded.rows.size(); ++i)
            ASSERT_EQ(describe(listed.rows[i]), describe(loaded.rows[i])) << i;
    }
    WriteFile(dir / "e.pak", BuildPak({}));
    CollectRows none;
    EXPECT_TRUE(ListPakFile(dir / "e.pak", none));
    EXPECT_TRUE(none.rows.empty());
}

TEST(ReadPakFile, EmptyArchiveLoadsAndKeepsItsFullPath)
{
    TempDir dir;
    WriteFile(dir / "e.pak", BuildPak({}));
    PakArchive archive;
    CollectRows sink;
    std::filesystem::current_path(std::filesystem::u8path(dir.path()));
    ASSERT_TRUE(ReadPakFile("./e.pak", archive, &sink));
    EXPECT_EQ(archive.PakPath, mdlTools::GetFullPath(dir / "e.pak"));
    EXPECT_TRUE(sink.rows.empty());
    EXPECT_FALSE(archive.HasTimes);
}

TEST(ReadPakFile, RowKeys)
{
    EXPECT_EQ(PakRowKey(0), "ID0");
    EXPECT_EQ(PakKeyIndex("ID12"), 12);
    for (const char *bad : {"ID", "ID-1", "IDx", "XX1", "ID1x", "ID99999999999", ""})
        EXPECT_EQ(PakKeyIndex(bad), -1) << bad;
}

TEST(FileTimeToDate, UsesTheZoneRulesOfTheInstantAndDropsFractions)
{
    // The test runs in Europe/Berlin: winter is UTC+1, summer UTC+2.
    EXPECT_EQ(FileTimeToDate(kSpring), (DateTime{2024, 3, 31, 3, 30, 0}));
    EXPECT_EQ(FileTimeToDate(kWinter), (DateTime{2023, 10, 15, 14, 0, 0}));
    const FileTime january = 133493184000000000ULL; // 2024-01-10 00:00:00 UTC
    EXPECT_EQ(FileTimeToDate(january + 9999999), (DateTime{2024, 1, 10, 1, 0, 0}));
    EXPECT_EQ(FileTimeToDate(january + 9999999), FileTimeToDate(january));
    EXPECT_LT(FileTimeToDate(january), FileTimeToDate(january + 10000000));
}
