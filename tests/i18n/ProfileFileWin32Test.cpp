// What a rewrite keeps and refuses on Windows.
#include "ProfileFile.h"

#include "I18nTestSupport.h"
#include "WideText.h"

#include <windows.h>

using namespace I18nTest;
using ProfileFile::GetString;
using ProfileFile::WriteString;

namespace {

DWORD Attributes(const std::string &path)
{
    return ::GetFileAttributesW(WideText::FromUtf8(path).c_str());
}

} // namespace

TEST(ProfileFileWin32Test, RewriteKeepsAttributesAndRefusesReadOnlyFiles)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "hidden.ini";
    WriteFile(path, "[A]\r\n");
    ASSERT_TRUE(::SetFileAttributesW(WideText::FromUtf8(path).c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_NE(WriteString("A", "x", "1", path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r\n");
    EXPECT_NE(Attributes(path) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(Folder(folder), std::vector<std::string>{"hidden.ini"});

    ASSERT_TRUE(::SetFileAttributesW(WideText::FromUtf8(path).c_str(),
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(WriteString("A", "x", "2", path), 0);
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r\n");
    ::SetFileAttributesW(WideText::FromUtf8(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ProfileFileWin32Test, FileHeldByAnotherProgramFailsQuietly)
{
    const std::string folder = MakeTempFolder();
    const std::string path = folder + "locked.ini";
    WriteFile(path, "[A]\r\nx=1\r\n");
    // Another program that opened the file without letting anyone delete or
    // write it: the rename over it fails, nothing is lost, nothing stays behind.
    HANDLE held = ::CreateFileW(WideText::FromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetString("A", "x", "DEF", 255, path), "1");
    EXPECT_EQ(WriteString("A", "x", "2", path), 0);
    ::CloseHandle(held);
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r\n");
    EXPECT_EQ(Folder(folder), std::vector<std::string>{"locked.ini"});
    EXPECT_NE(WriteString("A", "x", "2", path), 0);
    EXPECT_EQ(GetString("A", "x", "DEF", 255, path), "2");
}

TEST(ProfileFileWin32Test, PathsBeyondTheAnsiCodePage)
{
    // The path goes to the system as UTF-16, so any name works.
    const std::string folder = MakeTempFolder() + "Ключ €/";
    ASSERT_TRUE(::CreateDirectoryW(WideText::FromUtf8(folder).c_str(), nullptr));
    const std::string path = folder + "Größe.lng";
    EXPECT_NE(WriteString("frmMain", "Caption", "Vannerby", path), 0);
    EXPECT_EQ(GetString("frmMain", "Caption", "DEF", 255, path), "Vannerby");
    EXPECT_EQ(ReadFile(path), "[frmMain]\r\nCaption=Vannerby\r\n");
}
