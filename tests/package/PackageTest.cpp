// cpack -G DEB builds the package that Debian installs: its file list, its
// computed dependencies, that what it holds runs, and that lintian finds no fault.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace {

bool Found(const std::string &program)
{
    return !program.empty() && program.find("NOTFOUND") == std::string::npos;
}

std::string FindDeb(const std::string &folder)
{
    DIR *dir = ::opendir(folder.c_str());
    std::string deb;
    while (dir && !deb.size())
        if (const dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".deb") == 0)
                deb = folder + "/" + name;
        } else {
            break;
        }
    if (dir)
        ::closedir(dir);
    return deb;
}

// The package is built once for all tests of the suite.
class PackageTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        if (!Found(CPACK_COMMAND) || !Found(DPKG_DEB_COMMAND))
            return;
        s_out = std::make_unique<TempDir>();
        s_cpack =
            ::Run(CPACK_COMMAND, {"--config", CPACK_CONFIG, "-G", "DEB", "-B", s_out->path()});
        if (s_cpack.exitCode == 0)
            s_deb = FindDeb(s_out->path());
    }
    static void TearDownTestSuite() { s_out.reset(); }

    void SetUp() override
    {
        if (!s_out)
            GTEST_SKIP() << "cpack or dpkg-deb is not installed";
        ASSERT_EQ(s_cpack.exitCode, 0) << s_cpack.out << s_cpack.err;
        ASSERT_NE(s_deb.find("/vannerby_"), std::string::npos) << s_deb;
    }

    static std::unique_ptr<TempDir> s_out;
    static RunResult s_cpack;
    static std::string s_deb;
};

std::unique_ptr<TempDir> PackageTest::s_out;
RunResult PackageTest::s_cpack;
std::string PackageTest::s_deb;

} // namespace

TEST_F(PackageTest, DebianPackageHoldsTheInstalledProgram)
{
    const TempDir out;
    const std::string &deb = s_deb;
    auto r = ::Run(DPKG_DEB_COMMAND, {"-c", deb});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string listing = r.out;
    for (const char *path :
         {" ./usr/bin/vannerby -> ../lib/vannerby/vannerby\n", " ./usr/lib/vannerby/vannerby\n",
          " ./usr/lib/vannerby/vannerby.lng\n", " ./usr/bin/vannerby-cli\n",
          " ./usr/lib/vannerby/plugins/vannerby-pictures.so\n",
          " ./usr/share/applications/vannerby.desktop\n",
          " ./usr/share/mime/packages/vannerby.xml\n",
          " ./usr/share/icons/hicolor/scalable/apps/vannerby.svg\n",
          " ./usr/share/icons/hicolor/16x16/apps/vannerby.png\n",
          " ./usr/share/icons/hicolor/32x32/apps/vannerby.png\n",
          " ./usr/share/icons/hicolor/48x48/apps/vannerby.png\n",
          " ./usr/share/icons/hicolor/256x256/apps/vannerby.png\n",
          " ./usr/share/man/man1/vannerby.1.gz\n", " ./usr/share/man/man1/vannerby-cli.1.gz\n",
          " ./usr/share/vannerby/vannerby.en.lng\n", " ./usr/share/doc/vannerby/copyright\n",
          " ./usr/share/doc/vannerby/changelog.gz\n"})
        EXPECT_NE(listing.find(path), std::string::npos) << path << listing;
    // Nothing of the build's own (tests, tools, the demo) and nothing outside /usr.
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_NE(line.find(" ./usr/"), std::string::npos) << line;
        for (const char *stray : {"Test", "demo", "pakwriter", "iconrender", "desktopfiles"})
            EXPECT_EQ(line.find(stray), std::string::npos) << line;
    }

    // Dependencies computed from the binaries.
    r = ::Run(DPKG_DEB_COMMAND, {"-f", deb, "Depends"});
    for (const char *library : {"libqt6widgets6", "libsqlite3-0", "libc6"})
        EXPECT_NE(r.out.find(library), std::string::npos) << r.out;

    // What it holds: the language file the build wrote, and programs that run.
    TempDir root;
    ASSERT_EQ(::Run(DPKG_DEB_COMMAND, {"-x", deb, root.path()}).exitCode, 0);
    EXPECT_EQ(ReadFile(root / "usr/lib/vannerby/vannerby.lng"), ReadFile(GERMAN_LANGUAGE_FILE));
    EXPECT_NE(
        ReadFile(root / "usr/share/applications/vannerby.desktop").find("\nExec=vannerby %f\n"),
        std::string::npos);
    EXPECT_NE(ReadFile(root / "usr/share/applications/vannerby.desktop").find("\nKeywords=PAK;"),
              std::string::npos);
    EXPECT_EQ(::Run(root / "usr/bin/vannerby-cli", {"--help"}).exitCode, 0);
    // The installed tool finds its picture library.
    r = ::Run(root / "usr/bin/vannerby-cli",
              {"extract", "--convert", "png", "-C", out / "converted", DEMO_ARCHIVE, "*.dds"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(out / "converted/texturen/wand.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    r = ::Run(root / "usr/bin/vannerby", {"--write-language-file", out / "again.lng"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(out / "again.lng"), ReadFile(GERMAN_LANGUAGE_FILE));
}

// The changelog's newest entry is the package's version, and the copyright file
// names the program's copyright holder.
TEST_F(PackageTest, ChangelogAndCopyrightMatchTheProgram)
{
    const auto version = ::Run(DPKG_DEB_COMMAND, {"-f", s_deb, "Version"}).out;
    ASSERT_EQ(version, VANNERBY_VERSION "\n");
    TempDir root;
    ASSERT_EQ(::Run(DPKG_DEB_COMMAND, {"-x", s_deb, root.path()}).exitCode, 0);
    const auto changelog =
        ::Run(GZIP_COMMAND, {"-dc", root / "usr/share/doc/vannerby/changelog.gz"});
    ASSERT_EQ(changelog.exitCode, 0) << changelog.err;
    EXPECT_EQ(changelog.out.rfind("vannerby (" VANNERBY_VERSION ") ", 0), 0u) << changelog.out;
    const auto copyright = ReadFile(root / "usr/share/doc/vannerby/copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/"
                              "copyright-format/1.0/\n",
                              0),
              0u)
        << copyright;
    EXPECT_NE(copyright.find("\nCopyright: 2026 Brindlecote\n"), std::string::npos) << copyright;
}

// lintian, Debian's package checker, reports no error and no warning. What it
// still notes (pedantic and informational tags) is printed.
TEST_F(PackageTest, LintianFindsNoFault)
{
    if (!Found(LINTIAN_COMMAND))
        GTEST_SKIP() << "lintian is not installed";
    const auto r = ::Run(LINTIAN_COMMAND, {"--pedantic", "--info", "--fail-on", "error,warning",
                                           "--tag-display-limit", "0", s_deb});
    std::istringstream lines(r.out);
    std::string faults;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0)
            faults += line + "\n";
    EXPECT_EQ(faults, "");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    std::cout << r.out;
}
