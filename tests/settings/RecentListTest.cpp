#include "SettingsTestSupport.h"

#include "cRegistry.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <algorithm>

using namespace RegistryTypes;
using mdlState::AppSettings;

namespace {

const std::string FilesKey = std::string(mdlState::BaseKey) + "\\RecentFiles";
const std::string DirsKey = std::string(mdlState::BaseKey) + "\\RecentDirs";

// The key's value names, sorted: the registry's own order is creation order in
// the SQLite store and in Windows' hives, but by name in Wine's.
std::vector<std::string> ValueNames(const std::string &key)
{
    cRegistry reg;
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(key);
    std::vector<std::string> names;
    int32_t count = 0;
    reg.EnumerateValues(names, count);
    names.erase(names.begin());
    std::sort(names.begin(), names.end());
    return names;
}

Variant Get(const std::string &key, const std::string &name)
{
    cRegistry reg;
    return reg.ValueEx(HKEY_CURRENT_USER, key, name, REG_SZ, Variant("<none>"));
}

void Put(const std::string &key, const std::string &name, const std::string &path)
{
    cRegistry reg;
    reg.SetValueEx(HKEY_CURRENT_USER, key, name, REG_SZ, Variant(), Variant(path));
}

class RecentListTest : public StoreTest
{
  protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        AppSettings = AppSettingsRecord{};
        AppSettings.RecentFilesMax = 10;
        AppSettings.RecentDirsMax = 10;
    }
    // Every state must keep the list and the count together.
    void ExpectConsistent(const FakeList &list)
    {
        EXPECT_EQ(list.ItemCount(), AppSettings.RecentFilesCount);
        EXPECT_EQ(list.m_Visible, list.ItemCount() > 0);
    }
    FakeList m_Menu;
};

} // namespace

TEST_F(RecentListTest, SamePathInOtherCaseMovesToTopInTheLatestCase)
{
    mdlState::AddRecentFile(m_Menu, "/data/X.pak");
    mdlState::AddRecentFile(m_Menu, "/data/y.pak");
    mdlState::AddRecentFile(m_Menu, "/data/z.pak");
    EXPECT_EQ(mdlState::FindRecentFile(m_Menu, "/DATA/x.PAK"), 2);
    EXPECT_EQ(mdlState::FindRecentFile(m_Menu, "/data/x.pak/"), -1); // no other normalisation
    mdlState::AddRecentFile(m_Menu, "/DATA/x.Pak");
    EXPECT_EQ(m_Menu.m_Items,
              (std::vector<std::string>{"/DATA/x.Pak", "/data/z.pak", "/data/y.pak"}));
    ExpectConsistent(m_Menu);
    // Umlauts compare without case too.
    mdlState::AddRecentFile(m_Menu, "/data/Übung.pak");
    mdlState::AddRecentFile(m_Menu, "/data/übung.pak");
    EXPECT_EQ(m_Menu.ItemCount(), 4);
    EXPECT_EQ(m_Menu.m_Items[0], "/data/übung.pak");
}

TEST_F(RecentListTest, CapacityDropsTheOldest)
{
    for (int i = 0; i < 11; ++i)
        mdlState::AddRecentFile(m_Menu, "/a/" + std::to_string(i) + ".pak");
    EXPECT_EQ(m_Menu.ItemCount(), 10);
    EXPECT_EQ(m_Menu.m_Items.front(), "/a/10.pak");
    EXPECT_EQ(m_Menu.m_Items.back(), "/a/1.pak");
    ExpectConsistent(m_Menu);

    AppSettings = AppSettingsRecord{}; // capacity 0: the list stays empty and hidden
    FakeList off;
    mdlState::AddRecentFile(off, "/a/x.pak");
    EXPECT_EQ(off.ItemCount(), 0);
    EXPECT_FALSE(off.m_Visible);
    EXPECT_EQ(AppSettings.RecentFilesCount, 0);
    EXPECT_TRUE(mdlState::SaveRecentFiles(off));
    EXPECT_EQ(ValueNames(FilesKey), (std::vector<std::string>{"Count"}));
}

TEST_F(RecentListTest, LoweringTheCapacityKeepsTheNewest)
{
    for (int i = 0; i < 10; ++i)
        mdlState::AddRecentFile(m_Menu, "/a/" + std::to_string(i) + ".pak");
    ASSERT_TRUE(mdlState::SaveRecentFiles(m_Menu));
    // What the options dialog does with a new size.
    AppSettings.RecentFilesMax = 3;
    mdlState::SaveRecentFiles(m_Menu);
    mdlState::ClearRecentFiles(m_Menu);
    EXPECT_EQ(m_Menu.ItemCount(), 0);
    EXPECT_FALSE(m_Menu.m_Visible);
    mdlState::LoadRecentFiles(m_Menu);
    EXPECT_EQ(m_Menu.m_Items, (std::vector<std::string>{"/a/9.pak", "/a/8.pak", "/a/7.pak"}));
    EXPECT_EQ(ValueNames(FilesKey), (std::vector<std::string>{"0", "1", "2", "Count"}));
    cRegistry reg;
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, FilesKey, "Count", REG_DWORD, Variant()), Variant(3));
    ExpectConsistent(m_Menu);

    AppSettings.RecentFilesMax = 10;
    mdlState::SaveRecentFiles(m_Menu);
    mdlState::ClearRecentFiles(m_Menu);
    mdlState::LoadRecentFiles(m_Menu);
    EXPECT_EQ(m_Menu.ItemCount(), 3);
    ExpectConsistent(m_Menu);
}

TEST_F(RecentListTest, RemovingEntries)
{
    mdlState::AddRecentFile(m_Menu, "/a/only.pak");
    EXPECT_TRUE(m_Menu.m_Visible);
    mdlState::RemoveRecentFile(m_Menu, "/a/missing.pak"); // not listed: nothing happens
    EXPECT_EQ(m_Menu.ItemCount(), 1);
    mdlState::RemoveRecentFile(m_Menu, "/A/ONLY.PAK");
    EXPECT_EQ(m_Menu.ItemCount(), 0);
    ExpectConsistent(m_Menu);

    for (const char *path : {"/a/1.pak", "/a/2.pak", "/a/3.pak"})
        mdlState::AddRecentFile(m_Menu, path);
    mdlState::RemoveRecentFile(m_Menu, "/a/2.pak");
    mdlState::AddRecentFile(m_Menu, "/a/4.pak");
    EXPECT_EQ(m_Menu.m_Items, (std::vector<std::string>{"/a/4.pak", "/a/3.pak", "/a/1.pak"}));
    ExpectConsistent(m_Menu);
}

TEST_F(RecentListTest, LoadingSkipsGapsIgnoresExtraNamesAndDeletesThemOnSave)
{
    Put(FilesKey, "7", "/a/seven.pak");
    Put(FilesKey, "1", "/a/one.pak");
    Put(FilesKey, "0", "/a/zero.pak");
    Put(FilesKey, "12", "/a/twelve.pak");
    Put(FilesKey, "3", "/A/ONE.PAK"); // a second copy shows once, where "1" is
    Put(FilesKey, "Stray", "/a/stray.pak");
    m_Menu.m_Items = {"left over"};
    mdlState::LoadRecentFiles(m_Menu);
    EXPECT_EQ(m_Menu.m_Items,
              (std::vector<std::string>{"/a/zero.pak", "/a/one.pak", "/a/seven.pak"}));
    ExpectConsistent(m_Menu);
    ASSERT_TRUE(mdlState::SaveRecentFiles(m_Menu));
    EXPECT_EQ(ValueNames(FilesKey), (std::vector<std::string>{"0", "1", "2", "Count"}));
    EXPECT_EQ(Get(FilesKey, "2"), Variant("/a/seven.pak"));
}

TEST_F(RecentListTest, PathsWithPercentSignsComeBackAsOpened)
{
    SetEnv("VANNERBY_RECENT", "/elsewhere");
    const std::string path = "/data/%VANNERBY_RECENT%/50%.pak";
    mdlState::AddRecentFile(m_Menu, path);
    ASSERT_TRUE(mdlState::SaveRecentFiles(m_Menu));
    mdlState::ClearRecentFiles(m_Menu);
    mdlState::LoadRecentFiles(m_Menu);
    EXPECT_EQ(m_Menu.m_Items, (std::vector<std::string>{path}));
}

TEST_F(RecentListTest, FolderListMovesConfirmedFoldersToTheTop)
{
    FakeList combo;
    mdlState::LoadRecentDirs(combo);
    EXPECT_EQ(combo.ItemCount(), 0);
    for (const char *folder : {"/x/one", "/x/two", "/x/three"}) {
        mdlState::AddRecentDir(combo, folder);
        ASSERT_TRUE(mdlState::SaveRecentDirs(combo));
    }
    mdlState::AddRecentDir(combo, "/X/ONE");
    ASSERT_TRUE(mdlState::SaveRecentDirs(combo));
    EXPECT_EQ(combo.m_Items, (std::vector<std::string>{"/X/ONE", "/x/three", "/x/two"}));
    EXPECT_EQ(Get(DirsKey, "0"), Variant("/X/ONE"));
    EXPECT_EQ(AppSettings.RecentDirsCount, 3);

    AppSettings.RecentDirsMax = 2;
    FakeList next;
    mdlState::LoadRecentDirs(next);
    EXPECT_EQ(next.m_Items, (std::vector<std::string>{"/X/ONE", "/x/three"}));
    mdlState::AddRecentDir(next, "/x/four");
    EXPECT_EQ(next.m_Items, (std::vector<std::string>{"/x/four", "/X/ONE"}));
    EXPECT_EQ(AppSettings.RecentDirsCount, 2);

    AppSettings.RecentDirsMax = 0;
    FakeList off;
    mdlState::LoadRecentDirs(off);
    mdlState::AddRecentDir(off, "/x/five");
    EXPECT_EQ(off.ItemCount(), 0);
    EXPECT_TRUE(mdlState::SaveRecentDirs(off));
    EXPECT_EQ(ValueNames(DirsKey), (std::vector<std::string>{"Count"}));
}

TEST_F(RecentListTest, SaveFailureIsQuiet)
{
    mdlState::AddRecentFile(m_Menu, "/a/x.pak");
    if (!MakeStoreUnwritable())
        GTEST_SKIP() << "the registry cannot be made unwritable here";
    EXPECT_FALSE(mdlState::SaveRecentFiles(m_Menu));
    mdlState::LoadRecentFiles(m_Menu);
    EXPECT_EQ(m_Menu.ItemCount(), 0);
    ExpectConsistent(m_Menu);
}
