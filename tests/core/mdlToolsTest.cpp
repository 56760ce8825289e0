#include "mdlTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace mdlTools;

TEST(mdlTools, ExistenceCreationAndDeletion)
{
    TempDir dir;
    WriteFile(dir / "file", "x");
    EXPECT_TRUE(FileExists(dir / "file"));
    EXPECT_FALSE(DirExists(dir / "file"));
    EXPECT_TRUE(DirExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(""));

    EXPECT_TRUE(CreatePath(dir / "a/b/c"));
    EXPECT_TRUE(DirExists(dir / "a/b"));
    EXPECT_TRUE(CreatePath(dir / "a/b/c/")); // trailing separator is harmless
    EXPECT_FALSE(CreatePath(dir / "file/sub"));

    WriteFile(dir / "a/b/c/data", "gone");
    EXPECT_TRUE(DeletePath(dir / "a/"));
    EXPECT_FALSE(DirExists(dir / "a"));
    EXPECT_TRUE(FileExists(dir / "file"));
    EXPECT_TRUE(DeletePath(dir / "file"));
    EXPECT_FALSE(DeletePath(dir / "file"));
}

TEST(mdlTools, FileSizeTexts)
{
    const NumberFormat german{".", ","};
    EXPECT_EQ(FormatFileSize(0, german), "0 Bytes");
    EXPECT_EQ(FormatFileSize(1023, german), "1.023 Bytes");
    EXPECT_EQ(FormatFileSize(1024, german), "1,00 KB");
    EXPECT_EQ(FormatFileSize(1536, german), "1,50 KB");
    EXPECT_EQ(FormatFileSize(1048575, german), "1.024,00 KB");
    EXPECT_EQ(FormatFileSize(1048576, german), "1,00 MB");
    EXPECT_EQ(FormatFileSize(5.5 * 1073741824.0, german), "5,50 GB");
    EXPECT_EQ(FormatNumber(1234567, german), "1.234.567");
    EXPECT_EQ(FormatNumber(-1000, german), "-1.000");
}

TEST(mdlTools, SplitCommandLine)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine(""), V{""});
    EXPECT_EQ(SplitCommandLine("\"/my files/a.pak\""), (V{"/my files/a.pak", ""}));
    EXPECT_EQ(SplitCommandLine("  a \t  b  "), (V{"a", "b"}));
    EXPECT_EQ(SplitCommandLine("a\"b c"), (V{"a\"b", "c"}));
    EXPECT_EQ(SplitCommandLine("x \"open end"), (V{"x", "open end"}));
    EXPECT_EQ(SplitCommandLine("1 2 3 4 5 6 7 8"), (V{"1", "2", "3", "4", "5", "6", "7", "8"}));
}

TEST(mdlTools, AppendToBufferBuildsTextInPlace)
{
    std::string buffer;
    int32_t used = 0;
    for (int i = 0; i < 3000; ++i)
        AppendToBuffer(buffer, "row\t" + std::to_string(i) + "\r\n", used);
    const std::string big(20000, 'x');
    AppendToBuffer(buffer, big, used);
    EXPECT_GE(buffer.size(), static_cast<size_t>(used));
    const std::string text = buffer.substr(0, static_cast<size_t>(used));
    EXPECT_EQ(text.substr(0, 7), "row\t0\r\n");
    EXPECT_EQ(text.substr(text.size() - big.size() - 10), "row\t2999\r\n" + big);
}

TEST(mdlTools, Cp1252RoundTripsEveryByte)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Cp1252ToUtf8("Gr\xF6\xDF"
                           "e \x80"),
              "Größe €");
    EXPECT_EQ(Cp1252ToUtf8("\x81\x9D"), "\u0081\u009D");
    EXPECT_EQ(Utf8ToCp1252("Ü&bernehmen"), "\xDC&bernehmen");
    EXPECT_EQ(Utf8ToCp1252("日本\xFF"), "???");
}

TEST(mdlTools, FileTimesConvertExactly)
{
    // 2024-03-31 01:30:00.1234567 UTC
    const FileTime ft = 133563222001234567ULL;
    const timespec ts = FileTimeToTimespec(ft);
    EXPECT_EQ(ts.tv_sec, 1711848600);
    EXPECT_EQ(ts.tv_nsec, 123456700);
    EXPECT_EQ(FileTimeFromTimespec(ts), ft);
    EXPECT_EQ(FileTimeToUnixSeconds(0), -11644473600LL);
    EXPECT_EQ(FileTimeToTimespec(0).tv_sec, -11644473600LL);
}
