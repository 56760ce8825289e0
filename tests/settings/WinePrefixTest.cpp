#include "SettingsTestSupport.h"

#include "WinePrefix.h"
#include "cRegistry.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace RegistryTypes;
using mdlState::AppSettings;

namespace {

constexpr const char *Header = "WINE REGISTRY Version 2\n"
                               ";; All keys relative to \\\\Machine\n"
                               "\n"
                               "#arch=win32\n"
                               "\n";

// A Wine prefix as winecfg leaves it: drive_c, the dosdevices links c: and z:,
// and the simulator installed below C:\Programme\Modellwelt Professional.
class WinePrefixTest : public StoreTest
{
  protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        // Found paths have their links resolved: compare with the real path.
        char real[PATH_MAX];
        ASSERT_TRUE(::realpath(m_Prefix.path().c_str(), real));
        m_Root = real;
        m_Sim = m_Root + "/drive_c/Programme/Modellwelt Professional";
        ASSERT_TRUE(mdlTools::CreatePath(m_Sim));
        ASSERT_TRUE(mdlTools::CreatePath(m_Prefix / "dosdevices"));
        ASSERT_EQ(::symlink("../drive_c", (m_Prefix / "dosdevices/c:").c_str()), 0);
        ASSERT_EQ(::symlink("/", (m_Prefix / "dosdevices/z:").c_str()), 0);
        const char *old = std::getenv("WINEPREFIX");
        m_OldPrefix = old ? old : "";
        m_HadPrefix = old != nullptr;
        ::setenv("WINEPREFIX", m_Prefix.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (m_HadPrefix)
            ::setenv("WINEPREFIX", m_OldPrefix.c_str(), 1);
        else
            ::unsetenv("WINEPREFIX");
        StoreTest::TearDown();
    }
    void WriteSystemReg(const std::string &body) const
    {
        WriteFile(m_Prefix / "system.reg", Header + body);
    }
    static std::string LoadedHostFolder()
    {
        AppSettings = AppSettingsRecord{};
        FakeWindow frm;
        mdlState::LoadSettings(frm);
        return AppSettings.HostFolder;
    }

    TempDir m_Prefix;
    std::string m_Root; // m_Prefix's real path
    std::string m_Sim;
    std::string m_OldPrefix;
    bool m_HadPrefix = false;
};

} // namespace

TEST_F(WinePrefixTest, SimulatorIsFoundWithoutSetup)
{
    // Wine's key names and the path's parts differ in case from the disk's;
    // another key with the same value name comes first and is not taken.
    WriteSystemReg("[Software\\\\Classes\\\\Software\\\\Dunkelfeld\\\\KMXP\\\\Old] 1700000000\n"
                   "\"AppPath\"=\"C:\\\\Windows\\\\kmxp.exe\"\n"
                   "\n"
                   "[Software\\\\Classes\\\\software\\\\DUNKELFELD\\\\kmxp] 1700000000\n"
                   "#time=1da1b2c3d4e5f60\n"
                   "@=\"Modellwelt\"\n"
                   "\"AppPathOld\"=\"C:\\\\Windows\\\\kmxp.exe\"\n"
                   "\"appPath\"=\"c:\\\\PROGRAMME\\\\modellwelt professional\\\\KMXP.EXE\"\n"
                   "\n");
    EXPECT_EQ(LoadedHostFolder(), m_Sim);

    // The store's AppPath wins while its folder exists; a stale one falls back to Wine.
    TempDir elsewhere; // GetLongPath keeps the store's path as written
    cRegistry reg;
    reg.SetValueEx(HKEY_CLASSES_ROOT, "Software\\Dunkelfeld\\KMXP", "AppPath", REG_SZ, Variant(),
                   Variant(elsewhere / "kmxp.exe"));
    EXPECT_EQ(LoadedHostFolder(), elsewhere.path());
    reg.SetValueEx(HKEY_CLASSES_ROOT, "Software\\Dunkelfeld\\KMXP", "AppPath", REG_SZ, Variant(),
                   Variant(elsewhere / "gone/kmxp.exe"));
    EXPECT_EQ(LoadedHostFolder(), m_Sim);

    // Without $WINEPREFIX the prefix is ~/.wine.
    ::unsetenv("WINEPREFIX");
    TempDir home;
    const char *oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", home.path().c_str(), 1);
    EXPECT_EQ(WinePrefix::PrefixFolder(), home / ".wine");
    ASSERT_EQ(::symlink(m_Prefix.path().c_str(), (home / ".wine").c_str()), 0);
    EXPECT_EQ(WinePrefix::FindSimulatorFolder(WinePrefix::PrefixFolder()), m_Sim);
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(WinePrefixTest, WineEscapesAreUndone)
{
    const std::string key = "[Software\\\\Classes\\\\Software\\\\Dunkelfeld\\\\KMXP] 1700000000\n";
    const auto read = [&](const std::string &line) {
        WriteSystemReg(key + line + "\n");
        return WinePrefix::ReadRegistryString(m_Prefix / "system.reg", WinePrefix::SimulatorKey,
                                              "AppPath");
    };
    // \x with up to four hex digits is one UTF-16 unit (a pair of them one
    // character); \" and \\ stand for themselves; octal and C escapes.
    EXPECT_EQ(read("\"AppPath\"=\"C:\\\\M\\xf6rz\\x00e4ab\\\\\\\"q\\\"\\\\\\xd83d\\xde82\""),
              "C:\\Mörzäab\\\"q\"\\\xF0\x9F\x9A\x82");
    EXPECT_EQ(read("\"AppPath\"=\"a\\tb\\101\\x\\]\""), "a\tbAx]");
    EXPECT_EQ(read("\"AppPath\"=str(2):\"%ProgramFiles%\\\\KMXP\\\\kmxp.exe\""),
              "%ProgramFiles%\\KMXP\\kmxp.exe");
    EXPECT_EQ(read("\"AppPath\"=\"\""), "");
    EXPECT_EQ(read("\"App\\x0050ath\"=\"escaped name\""), "escaped name");
    EXPECT_EQ(read("\"AppPath\"=dword:00000001"), std::nullopt);
    EXPECT_EQ(read("\"AppPath\"=hex(2):43,00,3a,00,00,00"), std::nullopt);
    EXPECT_EQ(read("\"AppPath\"=\"unterminated"), std::nullopt);

    // A folder name with an umlaut, written as Wine writes it, is found on disk.
    ASSERT_TRUE(mdlTools::CreatePath(m_Prefix / "drive_c/Spiele/Modellwelt Ä"));
    WriteSystemReg(key + "\"AppPath\"=\"C:\\\\spiele\\\\modellwelt \\xe4\\\\kmxp.exe\"\n");
    EXPECT_EQ(LoadedHostFolder(), m_Root + "/drive_c/Spiele/Modellwelt Ä");
}

TEST_F(WinePrefixTest, DriveLinksAndLetterCase)
{
    const std::string prefix = m_Prefix.path();
    EXPECT_EQ(WinePrefix::ToLinuxPath(prefix, "C:\\PROGRAMME\\Modellwelt PROFESSIONAL"), m_Sim);
    EXPECT_EQ(WinePrefix::ToLinuxPath(prefix, "c:/programme/./x/../modellwelt professional\\"),
              m_Sim);
    EXPECT_EQ(WinePrefix::ToLinuxPath(prefix, "C:"), m_Root + "/drive_c");
    EXPECT_EQ(WinePrefix::ToLinuxPath(prefix, "C:\\..\\.."), m_Root + "/drive_c");
    // z: is the Linux root; an exact name wins over one that differs in case.
    ASSERT_TRUE(mdlTools::CreatePath(prefix + "/drive_c/Case/Sim"));
    ASSERT_TRUE(mdlTools::CreatePath(prefix + "/drive_c/Case/SIM"));
    EXPECT_EQ(WinePrefix::ToLinuxPath(prefix, "Z:" + m_Root + "/drive_c/case/SIM"),
              m_Root + "/drive_c/Case/SIM");
    // A drive linked to a folder outside the prefix.
    TempDir games;
    ASSERT_TRUE(mdlTools::CreatePath(games / "KMXP"));
    ASSERT_EQ(::symlink(games.path().c_str(), (prefix + "/dosdevices/d:").c_str()), 0);
    char real[PATH_MAX];
    ASSERT_TRUE(::realpath(games.path().c_str(), real));
    EXPECT_EQ(WinePrefix::ToLinuxPath(prefix, "D:\\kmxp"), std::string(real) + "/KMXP");
    for (const char *missing : {"E:\\KMXP", "C:\\Programme\\Fehlt", "\\\\server\\share\\KMXP",
                                "Programme\\KMXP", "", "1:\\x"})
        EXPECT_EQ(WinePrefix::ToLinuxPath(prefix, missing), "") << missing;
    EXPECT_EQ(WinePrefix::ToLinuxPath("", "C:\\Programme"), "");
}

TEST_F(WinePrefixTest, MissingOrDamagedSystemRegIsNoError)
{
    const std::string good =
        "[Software\\\\Classes\\\\Software\\\\Dunkelfeld\\\\KMXP] 1700000000\n"
        "\"AppPath\"=\"C:\\\\Programme\\\\Modellwelt Professional\\\\kmxp.exe\"\n";
    WriteSystemReg(good);
    ASSERT_EQ(LoadedHostFolder(), m_Sim);
    // A line longer than any Wine writes before the key is skipped, not kept.
    WriteSystemReg("\"Long\"=\"" + std::string(200000, 'x') + "\"\n" + good);
    EXPECT_EQ(LoadedHostFolder(), m_Sim);

    const std::string reg = m_Prefix / "system.reg";
    const std::vector<std::pair<const char *, std::string>> damaged = {
        {"no header", good},
        {"binary", std::string("\0\xff\x01[\x80\"", 6) + std::string(1000, '\0')},
        {"header only", "WINE REGISTRY Version 2"},
        {"key not closed", std::string(Header) +
                               "[Software\\\\Classes\\\\Software\\\\Dunkelfeld\\\\KMXP\n"
                               "\"AppPath\"=\"C:\\\\Programme\\\\Modellwelt Professional\\\\k\"\n"},
        {"no backslash", std::string(Header) +
                             "[Software\\\\Classes\\\\Software\\\\Dunkelfeld\\\\KMXP]\n"
                             "\"AppPath\"=\"kmxp.exe\"\n"},
        {"path cut off", std::string(Header) +
                             "[Software\\\\Classes\\\\Software\\\\Dunkelfeld\\\\KMXP]\n"
                             "\"AppPath\"=\"C:\\\\Programme\\\\Model"},
    };
    for (const auto &[what, text] : damaged) {
        WriteFile(reg, text);
        EXPECT_EQ(LoadedHostFolder(), "") << what;
    }

    // Huge: a file larger than Wine ever writes is not read at all.
    WriteSystemReg(good);
    ASSERT_EQ(::truncate(reg.c_str(), WinePrefix::MaxRegistryFileSize + 1), 0);
    EXPECT_EQ(LoadedHostFolder(), "");

    // A folder or a FIFO in its place, and no file at all: nothing hangs.
    ASSERT_EQ(::unlink(reg.c_str()), 0);
    EXPECT_EQ(LoadedHostFolder(), "");
    ASSERT_EQ(::mkfifo(reg.c_str(), 0600), 0);
    EXPECT_EQ(LoadedHostFolder(), "");
    ASSERT_EQ(::unlink(reg.c_str()), 0);
    ASSERT_TRUE(mdlTools::CreatePath(reg));
    EXPECT_EQ(LoadedHostFolder(), "");
    ::setenv("WINEPREFIX", (m_Prefix / "nowhere").c_str(), 1);
    EXPECT_EQ(LoadedHostFolder(), "");
}
