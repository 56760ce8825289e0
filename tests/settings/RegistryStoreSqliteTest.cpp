#include "SettingsTestSupport.h"

#include "cRegistry.h"
#include "mdlTools.h"

#include <sqlite3.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace RegistryTypes;

// The SQLite store of Linux: its layout version, a damaged or unopenable file
// and a read-only folder.
namespace {

std::string FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

using RegistryStoreSqliteTest = StoreTest;

TEST_F(RegistryStoreSqliteTest, ReadsNeverCreateTheFile)
{
    auto reg = At(TestSection, "Missing", REG_BINARY);
    reg.SetDefault(Variant(1));
    EXPECT_EQ(reg.Value(), Variant(1));
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_FALSE(mdlTools::FileExists(StorePath()));
}

TEST_F(RegistryStoreSqliteTest, StoreCarriesItsVersion)
{
    At(TestSection, "V").SetValue(Variant("x"));
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(StorePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), RegistryStore::SchemaVersion);
    sqlite3_finalize(st);
    // A later program's layout is neither read nor written.
    ASSERT_EQ(sqlite3_close(db), SQLITE_OK);
    ASSERT_EQ(sqlite3_open_v2(StorePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=2", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const auto before = FileBytes(StorePath());
    auto reg = At(TestSection, "V");
    reg.SetDefault(Variant("default"));
    EXPECT_EQ(reg.Value(), Variant("default"));
    EXPECT_THROW(reg.SetValue(Variant("y")), RegistryError);
    EXPECT_EQ(FileBytes(StorePath()), before);
}

TEST_F(RegistryStoreSqliteTest, DamagedOrUnopenableStoreReadsDefaultsAndRefusesWrites)
{
    ASSERT_TRUE(mdlTools::CreatePath(ConfigHome() + "/vannerby"));
    const std::string garbage(4096, 'x');
    {
        std::ofstream out(StorePath(), std::ios::binary);
        out << "SQLite format 3" << garbage;
    }
    auto reg = At(TestSection, "V", REG_DWORD);
    reg.SetDefault(Variant(7));
    EXPECT_EQ(reg.Value(), Variant(7));
    EXPECT_FALSE(reg.KeyExists());
    std::vector<std::string> names;
    int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 0);
    const auto e = Raised([&] { reg.SetValue(Variant(1)); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_THROW(reg.CreateKey(), RegistryError);
    EXPECT_THROW(reg.DeleteValue(), RegistryError);
    EXPECT_EQ(FileBytes(StorePath()), "SQLite format 3" + garbage)
        << "the damaged file was changed";

    // A folder where the file should be: it cannot be opened at all.
    ASSERT_EQ(::unlink(StorePath().c_str()), 0);
    ASSERT_TRUE(mdlTools::CreatePath(StorePath()));
    EXPECT_EQ(reg.Value(), Variant(7));
    EXPECT_THROW(reg.SetValue(Variant(1)), RegistryError);
    EXPECT_TRUE(mdlTools::DirExists(StorePath()));
}

TEST_F(RegistryStoreSqliteTest, ReadOnlyFolderStillReads)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    auto reg = At(TestSection, "V", REG_DWORD);
    reg.SetValue(Variant(3));
    const auto folder = ConfigHome() + "/vannerby";
    ASSERT_EQ(::chmod(StorePath().c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_EQ(reg.Value(), Variant(3));
    const auto e = Raised([&] { reg.SetValue(Variant(4)); });
    EXPECT_TRUE(e.Number() == 26001 || e.Number() == -2147194455);
    ::chmod(folder.c_str(), 0755);
    ::chmod(StorePath().c_str(), 0644);
    EXPECT_EQ(reg.Value(), Variant(3));
}
