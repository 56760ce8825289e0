#include "SettingsTestSupport.h"

#include "cRegistry.h"
#include "mdlState.h"
#include "mdlTools.h"

using namespace RegistryTypes;
using mdlState::AppSettings;

namespace {

std::string Key(const char *sub)
{
    return std::string(mdlState::BaseKey) + "\\" + sub;
}

void Put(const char *sub, const char *name, const Variant &value, int32_t type = REG_DWORD)
{
    cRegistry reg;
    reg.SetValueEx(HKEY_CURRENT_USER, Key(sub), name, type, Variant(), value);
}

Variant Get(const char *sub, const char *name)
{
    cRegistry reg;
    return reg.ValueEx(HKEY_CURRENT_USER, Key(sub), name, REG_DWORD, Variant("<none>"));
}

class SettingsStoreTest : public StoreTest
{
  protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        AppSettings = AppSettingsRecord{};
    }
};

} // namespace

TEST_F(SettingsStoreTest, FirstStartGivesTheDefaults)
{
    FakeWindow frm;
    mdlState::LoadSettings(frm);
    EXPECT_TRUE(frm.m_StatusBar);
    EXPECT_TRUE(frm.m_Toolbar);
    EXPECT_FALSE(frm.m_Preview); // the preview pane starts hidden
    EXPECT_EQ(AppSettings.RecentFilesMax, 10);
    EXPECT_EQ(AppSettings.RecentDirsMax, 10);
    EXPECT_EQ(AppSettings.OverWrite, 0);
    EXPECT_EQ(AppSettings.SkipOldFiles, 0);
    EXPECT_EQ(AppSettings.UsePathNames, 1);
    EXPECT_EQ(AppSettings.HostFolder, "");
    mdlState::LoadWindowPlacement(frm);
    EXPECT_EQ(frm.m_Left, 1000);
    EXPECT_EQ(frm.m_Top, 800);
    EXPECT_EQ(frm.m_Width, 9000);
    EXPECT_EQ(frm.m_Height, 7000);
    EXPECT_EQ(frm.m_State, FormWindow::Normal);
    EXPECT_TRUE(NothingStored());
}

TEST_F(SettingsStoreTest, SettingsRoundTrip)
{
    FakeWindow frm;
    frm.m_StatusBar = false;
    frm.m_Toolbar = true;
    AppSettings.RecentFilesMax = 4;
    AppSettings.RecentDirsMax = 0;
    AppSettings.OverWrite = 1;
    AppSettings.SkipOldFiles = 1;
    AppSettings.UsePathNames = 0;
    EXPECT_TRUE(mdlState::SaveSettings(frm));
    EXPECT_EQ(Get("MainWindow", "StatusBar"), Variant(0));
    EXPECT_EQ(Get("MainWindow", "ToolBar"), Variant(1));
    EXPECT_EQ(Get("MainWindow", "Preview"), Variant(1));

    AppSettings = AppSettingsRecord{};
    FakeWindow next;
    next.m_StatusBar = true;
    next.m_Preview = false;
    mdlState::LoadSettings(next);
    EXPECT_FALSE(next.m_StatusBar);
    EXPECT_TRUE(next.m_Toolbar);
    EXPECT_TRUE(next.m_Preview);
    next.m_Preview = false;
    mdlState::SaveSettings(next);
    EXPECT_EQ(Get("MainWindow", "Preview"), Variant(0));
    EXPECT_EQ(AppSettings.RecentFilesMax, 4);
    EXPECT_EQ(AppSettings.RecentDirsMax, 0);
    EXPECT_EQ(AppSettings.OverWrite, 1);
    EXPECT_EQ(AppSettings.SkipOldFiles, 1);
    EXPECT_EQ(AppSettings.UsePathNames, 0);

    Put("MainWindow", "StatusBar", Variant(5)); // any non-zero value checks
    mdlState::LoadSettings(next);
    EXPECT_TRUE(next.m_StatusBar);
    mdlState::SaveSettings(next);
    EXPECT_EQ(Get("MainWindow", "StatusBar"), Variant(1));
}

TEST_F(SettingsStoreTest, UnreadableValuesFallBackOneByOne)
{
    Put("MainWindow", "StatusBar", Variant("garbage"), REG_SZ);
    Put("RecentFiles", "Count", Variant("7"), REG_SZ); // a numeric text is a number
    Put("RecentDirs", "Count", Variant(Variant::Bytes{1, 2}), REG_BINARY);
    Put("Options", "OverWrite", Variant("yes"), REG_SZ);
    Put("Options", "SkipOldFiles", Variant(1));
    Put("Options", "UsePathNames", Variant(0));
    FakeWindow frm;
    mdlState::LoadSettings(frm);
    EXPECT_TRUE(frm.m_StatusBar);
    EXPECT_TRUE(frm.m_Toolbar);
    EXPECT_EQ(AppSettings.RecentFilesMax, 7);
    EXPECT_EQ(AppSettings.RecentDirsMax, 10);
    EXPECT_EQ(AppSettings.OverWrite, 0);
    EXPECT_EQ(AppSettings.SkipOldFiles, 1);
    EXPECT_EQ(AppSettings.UsePathNames, 0);
}

TEST_F(SettingsStoreTest, ListSizesStayWithinWhatTheOptionsAccept)
{
    const struct
    {
        int32_t Stored;
        int32_t Loaded;
    } cases[] = {{0, 0}, {50, 50}, {51, 50}, {2000000000, 50}, {-3, 0}};
    for (const auto &c : cases) {
        Put("RecentFiles", "Count", Variant(c.Stored));
        FakeWindow frm;
        mdlState::LoadSettings(frm);
        EXPECT_EQ(AppSettings.RecentFilesMax, c.Loaded) << c.Stored;
    }
}

TEST_F(SettingsStoreTest, HostFolderComesFromTheSimulatorsAppPath)
{
    TempDir sim;
    const auto exe = NativePath(sim.path() + "/KMXP/kmxp.exe");
    ASSERT_TRUE(mdlTools::CreatePath(sim.path() + "/KMXP"));
    cRegistry reg;
    // Below HKEY_LOCAL_MACHINE the value is not looked at.
    reg.SetValueEx(HKEY_LOCAL_MACHINE, "Software\\Dunkelfeld\\KMXP", "AppPath", REG_SZ, Variant(),
                   Variant(exe));
    FakeWindow frm;
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.HostFolder, "");

    reg.SetValueEx(HKEY_CLASSES_ROOT, "Software\\Dunkelfeld\\KMXP", "AppPath", REG_SZ, Variant(),
                   Variant(exe));
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.HostFolder, mdlTools::GetLongPath(NativePath(sim.path() + "/KMXP")));
    EXPECT_FALSE(AppSettings.HostFolder.empty());

    reg.SetValueEx(HKEY_CLASSES_ROOT, "Software\\Dunkelfeld\\KMXP", "AppPath", REG_SZ, Variant(),
                   Variant(NativePath(sim.path() + "/Gone/kmxp.exe")));
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.HostFolder, "");
    reg.SetValueEx(HKEY_CLASSES_ROOT, "Software\\Dunkelfeld\\KMXP", "AppPath", REG_SZ, Variant(),
                   Variant("kmxp.exe"));
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.HostFolder, "");
}

TEST_F(SettingsStoreTest, PlacementRules)
{
    struct Case
    {
        const char *Name;
        Variant Stored;
        double Left, Top, Width, Height;
    };
    const Case cases[] = {
        {"Width 3000 snaps to the minimum", Variant(3000), 1000, 800, 4000, 7000},
        {"Width 9000 is taken", Variant(9000), 1000, 800, 9000, 7000},
        {"Width 4000 is the minimum", Variant(4000), 1000, 800, 4000, 7000},
        {"Left 0 is refused", Variant(0), 1000, 800, 9000, 7000},
        {"Left -200 is refused", Variant(-200), 1000, 800, 9000, 7000},
        {"Left 20 is taken", Variant(20), 20, 800, 9000, 7000},
        {"Height 2 snaps", Variant(2), 1000, 800, 9000, 4000},
        {"Width as text stays", Variant("wide"), 1000, 800, 9000, 7000},
    };
    for (const auto &c : cases) {
        StoreTest::TearDown();
        StoreTest::SetUp();
        const std::string name = c.Name;
        const char *value = name.rfind("Width", 0) == 0  ? "Width"
                            : name.rfind("Left", 0) == 0 ? "Left"
                                                         : "Height";
        Put("MainWindow", value, c.Stored,
            c.Stored.GetTag() == Variant::Tag::String ? REG_SZ : REG_DWORD);
        FakeWindow frm;
        mdlState::LoadWindowPlacement(frm);
        EXPECT_EQ(frm.m_Left, c.Left) << c.Name;
        EXPECT_EQ(frm.m_Top, c.Top) << c.Name;
        EXPECT_EQ(frm.m_Width, c.Width) << c.Name;
        EXPECT_EQ(frm.m_Height, c.Height) << c.Name;
        EXPECT_EQ(frm.m_State, FormWindow::Normal) << c.Name;
    }
}

TEST_F(SettingsStoreTest, MaximizedWindowSavesItsNormalBounds)
{
    FakeWindow frm;
    frm.m_Left = 1000.5; // halves go to the even neighbour
    frm.m_Top = 1001.5;
    frm.m_Width = 12000.4;
    frm.m_Height = 8000.6;
    frm.m_State = FormWindow::Maximized;
    EXPECT_TRUE(mdlState::SaveWindowPlacement(frm));
    EXPECT_EQ(frm.m_State, FormWindow::Normal);
    const auto raw = RegistryStore(RegistryStore::DefaultPath())
                         .QueryValue(HKEY_CURRENT_USER, Key("MainWindow"), "Maximized");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->Type, REG_DWORD);
    EXPECT_EQ(raw->Data, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Get("MainWindow", "Left"), Variant(1000));
    EXPECT_EQ(Get("MainWindow", "Top"), Variant(1002));
    EXPECT_EQ(Get("MainWindow", "Width"), Variant(12000));
    EXPECT_EQ(Get("MainWindow", "Height"), Variant(8001));

    FakeWindow next;
    mdlState::LoadWindowPlacement(next);
    EXPECT_EQ(next.m_Left, 1000);
    EXPECT_EQ(next.m_Top, 1002);
    EXPECT_EQ(next.m_Width, 12000);
    EXPECT_EQ(next.m_Height, 8001);
    EXPECT_EQ(next.m_State, FormWindow::Maximized);

    next.m_State = FormWindow::Minimized; // a minimized window counts as not maximized
    EXPECT_TRUE(mdlState::SaveWindowPlacement(next));
    EXPECT_EQ(Get("MainWindow", "Maximized"), Variant(0));
}

TEST_F(SettingsStoreTest, UnwritableStoreFailsQuietly)
{
    if (!MakeStoreUnwritable())
        GTEST_SKIP() << "the registry cannot be made unwritable here";
    FakeWindow frm;
    frm.m_State = FormWindow::Maximized;
    EXPECT_FALSE(mdlState::SaveSettings(frm));
    EXPECT_FALSE(mdlState::SaveWindowPlacement(frm));
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.UsePathNames, 1);
}

TEST_F(SettingsStoreTest, ThePngBoxIsStoredOnlyOnceTicked)
{
    FakeWindow frm;
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.ConvertPictures, 0);
    EXPECT_TRUE(mdlState::SaveSettings(frm));
    EXPECT_EQ(Get("Options", "ConvertPictures"), Variant("<none>"));

    AppSettings.ConvertPictures = 1;
    EXPECT_TRUE(mdlState::SaveSettings(frm));
    EXPECT_EQ(Get("Options", "ConvertPictures"), Variant(1));
    AppSettings = AppSettingsRecord{};
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.ConvertPictures, 1);
    // Once stored, unticking is stored too.
    AppSettings.ConvertPictures = 0;
    EXPECT_TRUE(mdlState::SaveSettings(frm));
    AppSettings = AppSettingsRecord{};
    mdlState::LoadSettings(frm);
    EXPECT_EQ(AppSettings.ConvertPictures, 0);
    EXPECT_EQ(Get("Options", "ConvertPictures"), Variant(0));
}
