// cpack -G DEB builds the package that Debian installs: its file list, its
// computed dependencies, and that what it holds runs.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
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

} // namespace

TEST(PackageTest, DebianPackageHoldsTheInstalledProgram)
{
    if (!Found(CPACK_COMMAND) || !Found(DPKG_DEB_COMMAND))
        GTEST_SKIP() << "cpack or dpkg-deb is not installed";
    TempDir out;
    auto r = ::Run(CPACK_COMMAND, {"--config", CPACK_CONFIG, "-G", "DEB", "-B", out.path()});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const auto deb = FindDeb(out.path());
    ASSERT_NE(deb.find("/vannerby_"), std::string::npos) << deb;

    r = ::Run(DPKG_DEB_COMMAND, {"-c", deb});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string listing = r.out;
    for (const char *path :
         {" ./usr/bin/vannerby -> ../lib/vannerby/vannerby\n", " ./usr/lib/vannerby/vannerby\n",
          " ./usr/lib/vannerby/vannerby.lng\n", " ./usr/bin/vannerby-cli\n",
          " ./usr/share/applications/vannerby.desktop\n",
          " ./usr/share/mime/packages/vannerby.xml\n",
          " ./usr/share/icons/hicolor/scalable/apps/vannerby.svg\n",
          " ./usr/share/icons/hicolor/16x16/apps/vannerby.png\n",
          " ./usr/share/icons/hicolor/32x32/apps/vannerby.png\n",
          " ./usr/share/icons/hicolor/48x48/apps/vannerby.png\n",
          " ./usr/share/icons/hicolor/256x256/apps/vannerby.png\n",
          " ./usr/share/man/man1/vannerby.1.gz\n", " ./usr/share/man/man1/vannerby-cli.1.gz\n",
          " ./usr/share/vannerby/vannerby.en.lng\n"})
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
    EXPECT_EQ(::Run(root / "usr/bin/vannerby-cli", {"--help"}).exitCode, 0);
    r = ::Run(root / "usr/bin/vannerby", {"--write-language-file", out / "again.lng"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(out / "again.lng"), ReadFile(GERMAN_LANGUAGE_FILE));
}
