#include "SettingsTestSupport.h"

#include "DesktopAssociation.h"
#include "FileAssociation.h"
#include "ProcessRunner.h"
#include "cRegistry.h"
#include "mdlTools.h"

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace RegistryTypes;

namespace {

const std::string Exe = "/opt/vannerby/vannerby";
const std::string OtherEntry = "[Desktop Entry]\nType=Application\nName=Other\nExec=sh %f\n"
                               "MimeType=application/x-modellwelt-pak;\n";

bool Installed(const char *tool)
{
    return ProcessRunner::Run({"sh", "-c", std::string("command -v ") + tool}, 5000)->ExitCode == 0;
}

// What the options dialog does when its association box is ticked or cleared.
void Tick(const std::string &exe)
{
    cRegistry reg;
    for (const char *ext : FileAssociation::Extensions)
        reg.CreateEXEAssociation(exe, FileAssociation::ClassName, FileAssociation::ClassDescription,
                                 ext, "&Open", false, "&Print", false, "&New", false, "", 1);
}

void Clear(const std::string &exe)
{
    cRegistry reg;
    for (const char *ext : FileAssociation::Extensions)
        reg.DeleteEXEAssociation(exe, FileAssociation::ClassName, FileAssociation::ClassDescription,
                                 ext);
}

class DesktopAssociationTest : public StoreTest
{
  protected:
    std::string MimePackage() const { return DataHome() + "/mime/packages/vannerby.xml"; }
    std::string DesktopFile() const { return DataHome() + "/applications/vannerby.desktop"; }
    std::string MimeApps() const { return ConfigHome() + "/mimeapps.list"; }
    static std::string QueryDefault()
    {
        const auto r = ProcessRunner::Run(
            {"xdg-mime", "query", "default", DesktopAssociation::MimeType}, 10000);
        return r ? r->Output : "(no xdg-mime)";
    }
};

} // namespace

TEST_F(DesktopAssociationTest, TickingWritesWhatTheDesktopReadsAndClearingRemovesIt)
{
    // xdg-mime answers only entries whose program exists; another application
    // for the type is installed.
    TempDir bin;
    const std::string exe = bin / "vannerby";
    WriteFile(exe, "#!/bin/sh\n");
    ASSERT_EQ(::chmod(exe.c_str(), 0755), 0);
    ASSERT_TRUE(mdlTools::CreatePath(DataHome() + "/applications"));
    WriteFile(DataHome() + "/applications/other.desktop", OtherEntry);
    WriteFile(MimeApps(), "[Default Applications]\n"
                          "text/plain=editor.desktop\n"
                          "application/x-modellwelt-pak=other.desktop\n"
                          "\n"
                          "[Added Associations]\n"
                          "application/x-modellwelt-pak=other.desktop;\n");
    Tick(exe);
    EXPECT_EQ(ReadFile(MimePackage()), DesktopAssociation::MimePackageXml(true));
    const auto entry = ReadFile(DesktopFile());
    EXPECT_NE(entry.find("\nExec=" + exe + " %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/x-modellwelt-pak;\n"), std::string::npos);
    EXPECT_EQ(ReadFile(MimeApps()),
              "[Default Applications]\n"
              "text/plain=editor.desktop\n"
              "application/x-modellwelt-pak=vannerby.desktop\n"
              "\n"
              "[Added Associations]\n"
              "application/x-modellwelt-pak=vannerby.desktop;other.desktop;\n");
    if (Installed("update-mime-database")) {
        const auto globs = ReadFile(DataHome() + "/mime/globs2");
        EXPECT_NE(globs.find("50:application/x-modellwelt-pak:*.pa-"), std::string::npos) << globs;
        EXPECT_NE(globs.find("50:application/x-modellwelt-pak:*.pak"), std::string::npos);
    }
    if (Installed("xdg-mime")) {
        EXPECT_EQ(QueryDefault(), "vannerby.desktop\n");
    }
    EXPECT_EQ(FileAssociation::GetAssociationState(exe), 1);

    // The archive signature decides against the shared database's other *.pak type.
    if (Installed("gio") && Installed("update-mime-database")) {
        TempDir files;
        WriteFile(files / "ours.pak", std::string("PAK\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
        WriteFile(files / "quake.pak", "PACK\0\0\0\0\0\0\0\0");
        WriteFile(files / "ours.pa-", "anything");
        const auto type = [&](const std::string &name) {
            const auto r = ProcessRunner::Run(
                {"gio", "info", "-a", "standard::content-type", files / name}, 10000);
            return r->Output.substr(r->Output.rfind(' ') + 1);
        };
        EXPECT_EQ(type("ours.pak"), "application/x-modellwelt-pak\n");
        EXPECT_EQ(type("ours.pa-"), "application/x-modellwelt-pak\n");
        EXPECT_NE(type("quake.pak"), "application/x-modellwelt-pak\n");
    }

    Clear(exe);
    EXPECT_FALSE(mdlTools::FileExists(MimePackage()));
    EXPECT_FALSE(mdlTools::FileExists(DesktopFile()));
    EXPECT_EQ(ReadFile(MimeApps()), "[Default Applications]\n"
                                    "text/plain=editor.desktop\n"
                                    "\n"
                                    "[Added Associations]\n"
                                    "application/x-modellwelt-pak=other.desktop;\n");
    if (Installed("xdg-mime")) {
        EXPECT_EQ(QueryDefault(), "other.desktop\n");
    }
    if (Installed("update-mime-database")) {
        EXPECT_EQ(ReadFile(DataHome() + "/mime/globs2").find("modellwelt"), std::string::npos);
    }
    EXPECT_EQ(FileAssociation::GetAssociationState(exe), 0);

    // Clearing again, with nothing to remove, changes nothing.
    Clear(exe);
    EXPECT_EQ(ReadFile(MimeApps()).find("vannerby"), std::string::npos);
}

TEST_F(DesktopAssociationTest, MimeAppsListIsCreatedAndWrittenThroughALink)
{
    Tick(Exe);
    EXPECT_EQ(ReadFile(MimeApps()), "[Default Applications]\n"
                                    "application/x-modellwelt-pak=vannerby.desktop\n"
                                    "\n"
                                    "[Added Associations]\n"
                                    "application/x-modellwelt-pak=vannerby.desktop;\n");
    Clear(Exe);
    EXPECT_EQ(ReadFile(MimeApps()), "[Default Applications]\n\n[Added Associations]\n");

    // A list kept elsewhere (a dotfiles folder) stays a link.
    TempDir dotfiles;
    WriteFile(dotfiles / "mimeapps.list",
              "[Added Associations]\n"
              "application/x-modellwelt-pak = a.desktop;vannerby.desktop\n"
              "[Removed Associations]\n"
              "application/x-modellwelt-pak=b.desktop;\n");
    ASSERT_EQ(::unlink(MimeApps().c_str()), 0);
    ASSERT_EQ(::symlink((dotfiles / "mimeapps.list").c_str(), MimeApps().c_str()), 0);
    Tick(Exe);
    EXPECT_EQ(ReadFile(dotfiles / "mimeapps.list"),
              "[Added Associations]\n"
              "application/x-modellwelt-pak=vannerby.desktop;a.desktop;\n"
              "[Removed Associations]\n"
              "application/x-modellwelt-pak=b.desktop;\n"
              "\n"
              "[Default Applications]\n"
              "application/x-modellwelt-pak=vannerby.desktop\n");
    char target[4096] = {};
    EXPECT_GT(::readlink(MimeApps().c_str(), target, sizeof target - 1), 0);
}

TEST_F(DesktopAssociationTest, ExecKeyQuotesThePath)
{
    EXPECT_EQ(DesktopAssociation::QuoteExec("/usr/lib/vannerby/vannerby"),
              "/usr/lib/vannerby/vannerby");
    // Quoted as one argument; the string escapes double the backslashes again.
    EXPECT_EQ(DesktopAssociation::QuoteExec("/home/a b/100%/\"$x`\\/vannerby"),
              "\"/home/a b/100%%/\\\\\"\\\\$x\\\\`\\\\\\\\/vannerby\"");
    EXPECT_EQ(DesktopAssociation::QuoteExec("/tmp/new\nline"), "");

    // A path that no desktop entry can hold: the store still has the association.
    Tick("/tmp/new\nline/vannerby");
    EXPECT_FALSE(mdlTools::FileExists(DesktopFile()));
    EXPECT_TRUE(mdlTools::FileExists(MimePackage()));

    Tick("/opt/my app/vannerby");
    EXPECT_NE(ReadFile(DesktopFile()).find("\nExec=\"/opt/my app/vannerby\" %f\n"),
              std::string::npos);
}

TEST_F(DesktopAssociationTest, OtherClassesLeaveTheDesktopAlone)
{
    cRegistry reg;
    reg.CreateEXEAssociation(Exe, "Other.Class", "Other", "oth", "&Open", false, "", false, "",
                             false, "", 0);
    EXPECT_FALSE(mdlTools::FileExists(DesktopFile()));
    EXPECT_FALSE(mdlTools::FileExists(MimePackage()));
    Tick(Exe);
    reg.DeleteEXEAssociation(Exe, "Other.Class", "Other", "oth");
    EXPECT_TRUE(mdlTools::FileExists(DesktopFile()));
}

TEST_F(DesktopAssociationTest, CheckedOnlyWhenEverythingPointsHere)
{
    EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 0);
    Tick(Exe);
    ASSERT_EQ(FileAssociation::GetAssociationState(Exe), 1);

    // The program moved: neither its new folder nor a longer name is taken.
    EXPECT_EQ(FileAssociation::GetAssociationState("/home/u/vannerby"), 0);
    EXPECT_EQ(FileAssociation::GetAssociationState("/opt/vannerby/vannerb"), 0);
    EXPECT_EQ(FileAssociation::GetAssociationState("/opt/Vannerby/vannerby"), 0);
    Tick("/home/u/vannerby");
    EXPECT_EQ(FileAssociation::GetAssociationState("/home/u/vannerby"), 1);
    EXPECT_NE(ReadFile(DesktopFile()).find("\nExec=/home/u/vannerby %f\n"), std::string::npos);
    Tick(Exe);

    // Each of the five store conditions on its own; class texts ignore case.
    const std::string classes = "SOFTWARE\\Classes\\";
    const struct
    {
        std::string Key;
        std::string Value;
        int16_t State;
    } cases[] = {
        {".pak", "kmx.resourcen", 1},
        {".pak", "KMX.Other", 0},
        {".pa-", "", 0},
        {"KMX.Resourcen", "MODELLWELT PROFESSIONAL RESOURCEN", 1},
        {"KMX.Resourcen", "Modellwelt", 0},
        {"KMX.Resourcen\\shell\\open\\command", "\"/usr/bin/other\" \"%1\"", 0},
        {"KMX.Resourcen\\DefaultIcon", "\"/usr/bin/other\",1", 0},
    };
    for (const auto &c : cases) {
        cRegistry reg;
        reg.SetValueEx(HKEY_LOCAL_MACHINE, classes + c.Key, "", REG_SZ, Variant(),
                       Variant(c.Value));
        EXPECT_EQ(FileAssociation::GetAssociationState(Exe), c.State) << c.Key << "=" << c.Value;
        Tick(Exe);
    }
    // A missing key, and a value that is no text.
    {
        cRegistry reg;
        reg.SetClassKey(HKEY_LOCAL_MACHINE);
        reg.SetSectionKey(classes + "KMX.Resourcen\\DefaultIcon");
        reg.DeleteKey();
        EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 0);
        reg.SetValueEx(HKEY_LOCAL_MACHINE, classes + ".pak", "", REG_BINARY, Variant(),
                       Variant(Variant::Bytes{0xFF}));
        EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 0);
        Tick(Exe);
    }

    // The desktop has another default application: unchecked where xdg-mime can tell.
    ASSERT_EQ(FileAssociation::GetAssociationState(Exe), 1);
    WriteFile(MimeApps(), "[Default Applications]\napplication/x-modellwelt-pak=other.desktop\n");
    WriteFile(DataHome() + "/applications/other.desktop", OtherEntry);
    EXPECT_EQ(FileAssociation::GetAssociationState(Exe), Installed("xdg-mime") ? 0 : 1);
    // Without xdg-mime the store alone decides.
    const std::string path = std::getenv("PATH");
    TempDir empty;
    ::setenv("PATH", empty.path().c_str(), 1);
    EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 1);
    ::setenv("PATH", path.c_str(), 1);
}

TEST_F(DesktopAssociationTest, HelperProgramsNeverHang)
{
    auto r = ProcessRunner::Run({"sh", "-c", "echo out; echo err >&2; exit 3"}, 5000);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->ExitCode, 3);
    EXPECT_EQ(r->Output, "out\n");
    EXPECT_FALSE(ProcessRunner::Run({"no-such-program-anywhere"}, 5000));
    EXPECT_FALSE(ProcessRunner::Run({}, 5000));

    // One that waits for input gets none; one that never ends is killed.
    r = ProcessRunner::Run({"cat"}, 5000);
    EXPECT_EQ(r->ExitCode, 0);
    const auto start = std::chrono::steady_clock::now();
    r = ProcessRunner::Run({"sleep", "20"}, 300);
    EXPECT_EQ(r->ExitCode, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    // Output beyond the cap is dropped, not collected.
    r = ProcessRunner::Run({"head", "-c", "200000", "/dev/zero"}, 5000);
    EXPECT_EQ(r->Output.size(), ProcessRunner::MaxOutput);
}
