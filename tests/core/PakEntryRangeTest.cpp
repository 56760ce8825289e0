#include "PakEntryRange.h"
#include "CoreTestFiles.h"
#include "PakWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

PakWriterEntry Entry(const std::string &name, const std::string &data)
{
    PakWriterEntry entry;
    entry.Name = name;
    entry.Data = data;
    return entry;
}

std::string Digits(size_t size)
{
    std::string data(size, '0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>('0' + i % 10);
    return data;
}

TEST(PakEntryRangeTest, ReadsOnlyTheRangeAskedForWithItsOffsets)
{
    TempDir dir;
    const std::string path = dir / "a.pak";
    ASSERT_TRUE(WritePak(path, {Entry("first.txt", "hello"), Entry("second.bin", Digits(1000))}));
    PakArchive archive;
    ASSERT_TRUE(ReadPakFile(path, archive));
    const int64_t start = archive.Entries[1].Start;

    auto whole = ReadPakEntryRange(archive, 1, 0, 1 << 20);
    ASSERT_TRUE(whole) << whole.error().Description;
    EXPECT_EQ(whole->Data, Digits(1000));
    EXPECT_EQ(whole->EntrySize, 1000);
    EXPECT_EQ(whole->EntryOffset, 0);
    EXPECT_EQ(whole->ArchiveOffset, start);

    auto middle = ReadPakEntryRange(archive, 1, 995, 3);
    ASSERT_TRUE(middle);
    EXPECT_EQ(middle->Data, "567");
    EXPECT_EQ(middle->EntryOffset, 995);
    EXPECT_EQ(middle->ArchiveOffset, start + 995);

    // A range beyond the entry's end is cut at it, never read into the next entry.
    auto tail = ReadPakEntryRange(archive, 0, 3, 100);
    ASSERT_TRUE(tail);
    EXPECT_EQ(tail->Data, "lo");
    auto past = ReadPakEntryRange(archive, 0, 50, 10);
    ASSERT_TRUE(past);
    EXPECT_EQ(past->Data, "");
    EXPECT_EQ(past->EntryOffset, 5);
    auto none = ReadPakEntryRange(archive, 1, 0, 0);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->Data, "");
    auto negative = ReadPakEntryRange(archive, 1, -10, 2);
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->Data, "01");
}

TEST(PakEntryRangeTest, RefusesEntriesOutsideTheFileAndIndicesOutsideTheDirectory)
{
    TempDir dir;
    const std::string path = dir / "bad.pak";
    PakWriterEntry beyond = Entry("beyond.dds", "abc");
    beyond.Size = 1 << 30; // far past the end of the file
    PakWriterEntry negativeStart = Entry("negstart.txt", "abc");
    negativeStart.Start = -16;
    PakWriterEntry negativeSize = Entry("negsize.txt", "abc");
    negativeSize.Size = -1;
    PakWriterEntry huge = Entry("wrap.txt", "abc");
    huge.Start = INT32_MAX;
    huge.Size = INT32_MAX; // start + size does not fit 32 bits
    ASSERT_TRUE(WritePak(path, {beyond, negativeStart, negativeSize, huge, Entry("ok.txt", "ok")}));
    PakArchive archive;
    ASSERT_TRUE(ReadPakFile(path, archive));

    for (int32_t index = 0; index < 4; ++index) {
        auto read = ReadPakEntryRange(archive, index, 0, 16);
        ASSERT_FALSE(read) << index;
        EXPECT_EQ(read.error().Code, PakErrorCode::InputPastEnd) << index;
        EXPECT_NE(read.error().Description.find(PakEntryName(archive.Entries[index])),
                  std::string::npos)
            << read.error().Description;
    }
    EXPECT_TRUE(ReadPakEntryRange(archive, 4, 0, 16));
    EXPECT_EQ(ReadPakEntryRange(archive, 5, 0, 16).error().Code, PakErrorCode::InputPastEnd);
    EXPECT_EQ(ReadPakEntryRange(archive, -1, 0, 16).error().Code, PakErrorCode::InputPastEnd);

    // The file as it is now counts, not as it was loaded.
    WriteFile(path, ReadFile(path).substr(0, static_cast<size_t>(archive.Entries[4].Start) + 1));
    EXPECT_EQ(ReadPakEntryRange(archive, 4, 0, 16).error().Code, PakErrorCode::InputPastEnd);
    ASSERT_TRUE(RemoveFile(path));
    EXPECT_EQ(ReadPakEntryRange(archive, 4, 0, 16).error().Code, PakErrorCode::FileNotFound);
    // Something that is no file in its place is refused at once, not waited on.
    if (MakeFifo(path)) {
        EXPECT_FALSE(ReadPakEntryRange(archive, 4, 0, 16));
        ASSERT_TRUE(RemoveFile(path));
    }
    ASSERT_TRUE(mdlTools::CreatePath(path));
    EXPECT_FALSE(ReadPakEntryRange(archive, 4, 0, 16));
}

} // namespace
