// mdlTools on Linux: "/" paths, /proc/self/exe, $TMPDIR, modes and links.
#include "TestSupport.h"
#include "mdlTools.h"

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
    EXPECT_EQ(GetAppExePath(), folder + "mdlToolsPosixTest");
    EXPECT_TRUE(FileExists(GetAppExePath()));
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

TEST(mdlTools, DeletingATreeNeverFollowsALink)
{
    TempDir dir;
    WriteFile(dir / "file", "x");
    ASSERT_TRUE(CreatePath(dir / "a/b/c"));
    WriteFile(dir / "a/b/c/data", "keep");
    ASSERT_EQ(symlink((dir / "file").c_str(), (dir / "a/b/link").c_str()), 0);
    EXPECT_TRUE(DeletePath(dir / "a/"));
    EXPECT_FALSE(DirExists(dir / "a"));
    EXPECT_EQ(ReadFile(dir / "file"), "x");
}
