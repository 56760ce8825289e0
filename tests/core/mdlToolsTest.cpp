#include "mdlTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mdlTools;

TEST(mdlTools, PathSplittingAndJoining)
{
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("/tmp"), "/tmp/");
    EXPECT_EQ(AddBackslash("/tmp/"), "/tmp/");
    EXPECT_EQ(RemoveBackslash("/"), "/");
    EXPECT_EQ(RemoveBackslash("/tmp/"), "/tmp");
    EXPECT_EQ(RemoveBackslash(""), "");
    EXPECT_EQ(GetFolderPart("/file.txt"), "");
    EXPECT_EQ(GetFolderPart("/a/file.txt"), "/a");
    EXPECT_EQ(GetFolderPart("file.txt"), "");
    EXPECT_EQ(GetFileName("/a/b.txt"), "b.txt");
    EXPECT_EQ(GetFileName("b.txt"), "b.txt");
    EXPECT_EQ(GetFileExtension("/dir.d/file"), "");
    EXPECT_EQ(GetFileExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(GetFileExtension("name."), "");
    EXPECT_EQ(StripNulls(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(StripNulls("abc"), "abc");
}

TEST(mdlTools, FullLongShortAndTempPaths)
{
    EXPECT_EQ(GetFullPath("/a/./b/../c//d/"), "/a/c/d/");
    EXPECT_EQ(GetFullPath("/.."), "/");
    EXPECT_EQ(GetFullPath(""), "");
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    EXPECT_EQ(GetFullPath("x/y"), std::string(cwd) + "/x/y");
    EXPECT_EQ(GetLongPath("/no/such/file"), "");
    EXPECT_EQ(GetLongPath("/tmp/../tmp"), "/tmp");
    EXPECT_EQ(GetShortPath("/some/path"), "/some/path");
    const std::string tmp = getenv("TMPDIR");
    EXPECT_EQ(GetTempFolder(), AddBackslash(tmp));
    const std::string folder = GetAppFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(DirExists(folder));
    EXPECT_EQ(GetAppExePath(), folder + "mdlToolsTest");
    EXPECT_TRUE(FileExists(GetAppExePath()));
}

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

    // Deleting a tree removes a link inside it, never what the link points at.
    WriteFile(dir / "a/b/c/data", "keep");
    ASSERT_EQ(symlink((dir / "file").c_str(), (dir / "a/b/link").c_str()), 0);
    EXPECT_TRUE(DeletePath(dir / "a/"));
    EXPECT_FALSE(DirExists(dir / "a"));
    EXPECT_TRUE(FileExists(dir / "file"));
    EXPECT_TRUE(DeletePath(dir / "file"));
    EXPECT_FALSE(DeletePath(dir / "file"));
}

TEST(mdlTools, PrivateTempFolderRefusesOthersAndLinks)
{
    TempDir dir;
    const std::string old = getenv("TMPDIR");
    setenv("TMPDIR", dir.path().c_str(), 1);
    const std::string expected = dir / ("vannerby-" + std::to_string(getuid())) + "/";
    EXPECT_EQ(GetPrivateTempFolder(), expected);
    struct stat st
    {
    };
    ASSERT_EQ(stat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    rmdir(expected.c_str());
    ASSERT_EQ(symlink(dir.path().c_str(), expected.substr(0, expected.size() - 1).c_str()), 0);
    EXPECT_EQ(GetPrivateTempFolder(), "");
    setenv("TMPDIR", old.c_str(), 1);
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
