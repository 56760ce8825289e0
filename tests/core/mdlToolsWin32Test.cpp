// mdlTools on Windows: "\" paths with drive roots and network roots, the
// module path, the temporary folders.
#include "TestSupport.h"
#include "mdlTools.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace mdlTools;

TEST(mdlToolsWin32, PathSplittingAndJoining)
{
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("C:\\Temp"), "C:\\Temp\\");
    EXPECT_EQ(AddBackslash("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(AddBackslash("C:/Temp/"), "C:/Temp/");
    EXPECT_EQ(RemoveBackslash("C:\\"), "C:\\");
    EXPECT_EQ(RemoveBackslash("C:\\Temp\\"), "C:\\Temp");
    EXPECT_EQ(RemoveBackslash("\\"), "");
    EXPECT_EQ(RemoveBackslash(""), "");
    EXPECT_EQ(GetFolderPart("C:\\file.txt"), "C:");
    EXPECT_EQ(GetFolderPart("C:\\a\\file.txt"), "C:\\a");
    EXPECT_EQ(GetFolderPart("\\\\server\\share\\f.txt"), "\\\\server\\share");
    EXPECT_EQ(GetFolderPart("file.txt"), "");
    EXPECT_EQ(GetFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(GetFileName("C:/a/b.txt"), "b.txt");
    EXPECT_EQ(GetFileName("b.txt"), "b.txt");
    EXPECT_EQ(GetFileExtension("C:\\dir.d\\file"), "");
    EXPECT_EQ(GetFileExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(GetFileExtension("name."), "");
}

TEST(mdlToolsWin32, FullLongShortTempAndProgramPaths)
{
    EXPECT_EQ(GetFullPath("C:\\a\\.\\b\\..\\c\\d\\"), "C:\\a\\c\\d\\");
    EXPECT_EQ(GetFullPath("C:/a/b"), "C:\\a\\b");
    EXPECT_EQ(GetFullPath(""), "");
    EXPECT_EQ(GetLongPath("C:\\no\\such\\file"), "");
    const std::string temp = GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(DirExists(temp));
    EXPECT_FALSE(GetLongPath(temp).empty());
    EXPECT_FALSE(GetShortPath(temp).empty());
    EXPECT_EQ(GetShortPath("C:\\no\\such\\file"), "");

    const std::string folder = GetAppFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(DirExists(folder));
    EXPECT_EQ(GetAppExePath(), folder + "mdlToolsWin32Test.exe");
    EXPECT_TRUE(FileExists(GetAppExePath()));

    // One folder of its own for each running copy, below the user's temporary folder.
    const std::string own = GetPrivateTempFolder();
    EXPECT_EQ(own, temp + "vannerby-" + std::to_string(::GetCurrentProcessId()) + "\\");
    EXPECT_TRUE(DirExists(own));
    EXPECT_TRUE(DeletePath(own));
}

TEST(mdlToolsWin32, CreateAndDeleteBeyond260Characters)
{
    TempDir dir;
    std::string deep = dir.path();
    for (int i = 0; i < 5; ++i)
        deep += "\\" + std::string(80, static_cast<char>('a' + i));
    ASSERT_GT(deep.size(), 400u);
    EXPECT_TRUE(CreatePath(deep));
    EXPECT_TRUE(DirExists(deep));
    EXPECT_FALSE(FileExists(deep));
    EXPECT_TRUE(DeletePath(dir.path() + "\\" + std::string(80, 'a')));
    EXPECT_FALSE(DirExists(deep));
}
