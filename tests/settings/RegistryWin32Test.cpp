#include "SettingsTestSupport.h"

#include "FileAssociation.h"
#include "RegistryStore.h"
#include "cRegistry.h"
#include "mdlState.h"

// Windows: the settings and the file classes in the real registry, as Wine's
// own reg command sees them, and the per-user file association.
using namespace RegistryTypes;

namespace {

const std::string WineReg = "C:\\windows\\system32\\reg.exe";
const std::string Exe = "C:\\Program Files\\Vannerby\\vannerby.exe";

RunResult Reg(const std::vector<std::string> &args)
{
    return Run(WineReg, args);
}

RunResult Cli(std::vector<std::string> args)
{
    args.insert(args.begin(), "reg");
    auto result = Run(BinPath("vannerby-cli"), args);
    for (size_t at; (at = result.out.find("\r\n")) != std::string::npos;)
        result.out.erase(at, 1);
    return result;
}

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

using RegistryWin32Test = StoreTest;

TEST_F(RegistryWin32Test, SettingsAreVisibleToWinesReg)
{
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    ASSERT_EQ(
        Cli({"add", key + "\\Options", "/v", "OverWrite", "/t", "REG_DWORD", "/d", "1"}).exitCode,
        0);
    auto r = Reg({"query", key + "\\Options", "/v", "OverWrite"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Contains(r.out, "REG_DWORD")) << r.out;
    EXPECT_TRUE(Contains(r.out, "0x1")) << r.out;

    // What the program saves is there too; what reg writes, the program reads,
    // letters beyond ASCII included (UTF-16 in the registry, UTF-8 inside).
    FakeWindow frm;
    mdlState::AppSettings = AppSettingsRecord{};
    mdlState::AppSettings.RecentFilesMax = 7;
    ASSERT_TRUE(mdlState::SaveSettings(frm));
    r = Reg({"query", key + "\\RecentFiles", "/v", "Count"});
    EXPECT_TRUE(Contains(r.out, "0x7")) << r.out;
    ASSERT_EQ(
        Reg({"add", key + "\\RecentFiles", "/v", "0", "/d", "C:\\Grüße\\ä.pak", "/f"}).exitCode, 0);
    cRegistry reg;
    EXPECT_EQ(
        reg.ValueEx(HKEY_CURRENT_USER, key.substr(5) + "\\RecentFiles", "0", REG_SZ, Variant()),
        Variant("C:\\Grüße\\ä.pak"));
    r = Cli({"query", key + "\\RecentFiles", "/v", "0"});
    EXPECT_EQ(r.out, "0\tREG_SZ\tC:\\Grüße\\ä.pak\n");
    reg.SetValueEx(HKEY_CURRENT_USER, key.substr(5) + "\\RecentFiles", "1", REG_SZ, Variant(),
                   Variant("C:\\Straße.pak"));
    r = Reg({"query", key + "\\RecentFiles", "/v", "1"});
    EXPECT_TRUE(Contains(r.out, ".pak")) << r.out;

    ASSERT_EQ(Cli({"delete", key, "/f"}).exitCode, 0);
    EXPECT_EQ(Reg({"query", key}).exitCode, 1);
}

TEST_F(RegistryWin32Test, AssociationIsThePerUsersOwn)
{
    cRegistry reg;
    for (const char *extension : FileAssociation::Extensions)
        reg.CreateEXEAssociation(Exe, FileAssociation::ClassName, FileAssociation::ClassDescription,
                                 extension, "&Open", false, "&Print", false, "&New", false, "", 1);
    auto r = Reg({"query", "HKCU\\Software\\Classes\\.pak", "/ve"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Contains(r.out, "KMX.Resourcen")) << r.out;
    r = Reg({"query", "HKCU\\Software\\Classes\\KMX.Resourcen\\shell\\open\\command", "/ve"});
    EXPECT_TRUE(Contains(r.out, "\"" + Exe + "\" \"%1\"")) << r.out;
    r = Reg({"query", "HKCU\\Software\\Classes\\KMX.Resourcen\\DefaultIcon", "/ve"});
    EXPECT_TRUE(Contains(r.out, "\"" + Exe + "\",1")) << r.out;
    // Nothing machine-wide: a user without administrator rights could not write it.
    EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Classes\\.pak"}).exitCode, 1);
    EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 1);
    EXPECT_EQ(FileAssociation::GetAssociationState("C:\\Other\\vannerby.exe"), 0);

    // The user's own choice in Explorer names another program: not ours.
    const std::string choice =
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pa-\\UserChoice";
    ASSERT_EQ(Reg({"add", choice, "/v", "ProgId", "/d", "Other.Viewer", "/f"}).exitCode, 0);
    EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 0);
    ASSERT_EQ(Reg({"add", choice, "/v", "ProgId", "/d", "kmx.resourcen", "/f"}).exitCode, 0);
    EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 1);

    for (const char *extension : FileAssociation::Extensions)
        reg.DeleteEXEAssociation(Exe, FileAssociation::ClassName, FileAssociation::ClassDescription,
                                 extension);
    EXPECT_EQ(Reg({"query", "HKCU\\Software\\Classes\\.pak"}).exitCode, 1);
    EXPECT_EQ(Reg({"query", "HKCU\\Software\\Classes\\.pa-"}).exitCode, 1);
    EXPECT_EQ(Reg({"query", "HKCU\\Software\\Classes\\KMX.Resourcen"}).exitCode, 1);
    EXPECT_EQ(Reg({"query", "HKCU\\Software\\Classes"}).exitCode, 0);
    EXPECT_EQ(FileAssociation::GetAssociationState(Exe), 0);
}

TEST_F(RegistryWin32Test, SimulatorIsFoundThroughTheRegistryOnly)
{
    TempDir sim;
    ASSERT_EQ(Reg({"add", "HKCR\\Software\\Dunkelfeld\\KMXP", "/v", "AppPath", "/d",
                   NativePath(sim.path() + "\\kmxp.exe"), "/f"})
                  .exitCode,
              0);
    FakeWindow frm;
    mdlState::AppSettings = AppSettingsRecord{};
    mdlState::LoadSettings(frm);
    EXPECT_FALSE(mdlState::AppSettings.HostFolder.empty());
    ASSERT_EQ(Reg({"delete", "HKCR\\Software\\Dunkelfeld", "/f"}).exitCode, 0);
    mdlState::LoadSettings(frm);
    EXPECT_EQ(mdlState::AppSettings.HostFolder, "");
}
