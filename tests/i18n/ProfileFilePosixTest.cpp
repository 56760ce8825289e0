// What a rewrite keeps of a file on POSIX systems.
#include "ProfileFile.h"

#include "I18nTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace I18nTest;
using ProfileFile::WriteString;

TEST(ProfileFilePosixTest, RewriteKeepsModeAndSymbolicLinks)
{
    const std::string folder = MakeTempFolder();
    const std::string target = folder + "real.ini";
    WriteFile(target, "[A]\r\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.ini", (folder + "link.ini").c_str()), 0);
    EXPECT_NE(WriteString("A", "x", "1", folder + "link.ini"), 0);

    struct stat info
    {
    };
    ASSERT_EQ(::lstat((folder + "link.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile(target), "[A]\r\nx=1\r\n");
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}
