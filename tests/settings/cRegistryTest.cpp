#include "SettingsTestSupport.h"

#include "cRegistry.h"
#include "mdlTools.h"

#include <sqlite3.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace RegistryTypes;

namespace {

const std::string Section = "Software\\Brindlecote\\Test";

cRegistry At(const std::string &section, const std::string &name, int32_t type = REG_SZ)
{
    cRegistry reg;
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(section);
    reg.SetValueKey(name);
    reg.SetValueType(type);
    return reg;
}

RegistryRawValue Raw(const std::string &section, const std::string &name)
{
    const auto value =
        RegistryStore(RegistryStore::DefaultPath()).QueryValue(HKEY_CURRENT_USER, section, name);
    EXPECT_TRUE(value.has_value()) << name;
    return value.value_or(RegistryRawValue{});
}

void PutRaw(const std::string &name, int32_t type, std::vector<uint8_t> data)
{
    ASSERT_EQ(RegistryStore(RegistryStore::DefaultPath())
                  .SetValue(HKEY_CURRENT_USER, Section, name, type, data),
              RegistryStatus::Ok);
}

std::string FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

template <class F> RegistryError Raised(F &&f)
{
    try {
        f();
    } catch (const RegistryError &e) {
        return e;
    }
    ADD_FAILURE() << "nothing raised";
    return RegistryError(0, "", "");
}

} // namespace

using cRegistryTest = StoreTest;

TEST_F(cRegistryTest, MissingValueReturnsDefaultWithItsOwnTag)
{
    auto reg = At(Section, "Missing", REG_BINARY);
    reg.SetDefault(Variant(1.25f));
    const auto value = reg.Value();
    EXPECT_EQ(value.GetTag(), Variant::Tag::Single);
    EXPECT_EQ(value, Variant(1.25f));
    EXPECT_EQ(reg.ValueType(), REG_BINARY);
    EXPECT_FALSE(mdlTools::FileExists(StorePath())) << "a read created the store";
}

TEST_F(cRegistryTest, PercentRuleDecidesBetweenSzAndExpandSz)
{
    ::setenv("VANNERBY_TEST_DIR", "/srv/kmxp", 1);
    struct Case
    {
        const char *Text;
        int32_t AskedType;
        int32_t StoredType;
        const char *ReadBack;
    };
    const Case cases[] = {
        {"%VANNERBY_TEST_DIR%/a.pak", REG_SZ, REG_EXPAND_SZ, "/srv/kmxp/a.pak"},
        {"50%", REG_EXPAND_SZ, REG_SZ, "50%"},
        {"%%", REG_EXPAND_SZ, REG_SZ, "%%"},
        {"a%b%", REG_SZ, REG_EXPAND_SZ, "a%b%"}, // unknown name stays as written
        {"%NO_SUCH_VANNERBY_VAR%%VANNERBY_TEST_DIR%", REG_SZ, REG_EXPAND_SZ,
         "%NO_SUCH_VANNERBY_VAR%/srv/kmxp"},
        {"plain", REG_EXPAND_SZ, REG_SZ, "plain"},
    };
    for (const auto &c : cases) {
        auto reg = At(Section, "Path", c.AskedType);
        reg.SetValue(Variant(c.Text));
        EXPECT_EQ(Raw(Section, "Path").Type, c.StoredType) << c.Text;
        EXPECT_EQ(reg.Value().ToString(), c.ReadBack) << c.Text;
        EXPECT_EQ(reg.ValueType(), c.StoredType) << c.Text;
        reg.SetExpandStrings(false);
        EXPECT_EQ(reg.Value().ToString(), c.Text);
    }
    const auto raw = Raw(Section, "Path");
    EXPECT_EQ(raw.Data, (std::vector<uint8_t>{'p', 'l', 'a', 'i', 'n', 0}));
}

TEST_F(cRegistryTest, DwordWritesStoreOnlyIntegers)
{
    auto reg = At(Section, "Flag", REG_DWORD);
    reg.SetValue(Variant(true)); // stores nothing, raises nothing
    reg.SetValue(Variant(2.0));
    reg.SetValue(Variant("1"));
    EXPECT_TRUE(reg.KeyExists());
    EXPECT_EQ(reg.Value(), Variant());

    reg.SetValue(Variant(int16_t{1}));
    EXPECT_EQ(Raw(Section, "Flag").Type, REG_DWORD);
    EXPECT_EQ(Raw(Section, "Flag").Data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(reg.Value(), Variant(1));

    reg.SetValueType(REG_DWORD_BIG_ENDIAN); // written as a plain little-endian DWORD
    reg.SetValue(Variant(-1));
    EXPECT_EQ(Raw(Section, "Flag").Type, REG_DWORD);
    EXPECT_EQ(reg.Value(), Variant(-1));
}

TEST_F(cRegistryTest, ReadsEveryStoredType)
{
    PutRaw("Big", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 2});
    PutRaw("EmptySz", REG_SZ, {});
    PutRaw("NoNul", REG_SZ, {'a', 'b'});
    PutRaw("Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    PutRaw("Short", REG_DWORD, {7});
    PutRaw("Long", REG_DWORD, {1, 2, 3, 4, 5});
    PutRaw("None", REG_NONE, {});
    PutRaw("Link", REG_LINK, {9, 8});
    const struct
    {
        const char *Name;
        Variant Expected;
    } cases[] = {
        {"Big", Variant(258)},
        {"EmptySz", Variant("")},
        {"NoNul", Variant("ab")},
        {"Multi", Variant(std::string("a\0b\0", 4))},
        {"Short", Variant(7)},
        {"Long", Variant("default")},
        {"None", Variant(Variant::Bytes{})},
        {"Link", Variant(Variant::Bytes{9, 8})},
    };
    for (const auto &c : cases) {
        auto reg = At(Section, c.Name);
        reg.SetDefault(Variant("default"));
        EXPECT_EQ(reg.Value(), c.Expected) << c.Name;
    }
}

TEST_F(cRegistryTest, BinaryRoundTripsAndRefusesOtherVariants)
{
    const Variant::Bytes bytes = {0, 1, 0, 255, 0};
    auto reg = At(Section, "Blob", REG_BINARY);
    reg.SetValue(Variant(bytes));
    const auto read = reg.Value();
    EXPECT_EQ(read.ToBytes(), bytes);
    reg.SetValue(read);
    EXPECT_EQ(Raw(Section, "Blob").Data, bytes);

    const auto e = Raised([&] { reg.SetValue(Variant("text")); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Source(), "vannerby");
    EXPECT_EQ(e.Description(), "Application-defined or object-defined error");
}

TEST_F(cRegistryTest, UnsupportedWriteTypeRaisesTheSetFailure)
{
    for (const int32_t type : {REG_MULTI_SZ, REG_NONE, REG_LINK, 8}) {
        auto reg = At(Section, "Multi", type);
        const auto e = Raised([&] { reg.SetValue(Variant("a")); });
        EXPECT_EQ(e.Number(), -2147194455);
        EXPECT_EQ(e.Source(), "vannerby.cRegistry");
        EXPECT_EQ(e.Description(), "Failed to set registry value Key: '-2147483647',Section: '" +
                                       Section + "',Key: 'Multi' to value: 'a'");
    }
}

TEST_F(cRegistryTest, KeyOperationsRaiseTheirErrors)
{
    auto reg = At("Software\\Missing", "V");
    auto e = Raised([&] { reg.DeleteKey(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Source(), "vannerby.cRegistry");
    EXPECT_EQ(e.Description(),
              "Failed to delete registry Key: '-2147483647',Section: 'Software\\Missing");

    e = Raised([&] { reg.DeleteValue(); });
    EXPECT_EQ(e.Description(), "Failed to open key '-2147483647',Section: 'Software\\Missing' "
                               "for delete access");
    reg.CreateKey();
    e = Raised([&] { reg.DeleteValue(); });
    EXPECT_EQ(e.Description(), "Failed to delete registry Key: '-2147483647',Section: "
                               "'Software\\Missing',Key: 'V");

    reg.SetClassKey(HKEY_LOCAL_MACHINE);
    reg.SetSectionKey("A\\\\B");
    e = Raised([&] { reg.CreateKey(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Description(), "Failed to create registry Key: 'A\\\\B");
    e = Raised([&] { reg.DeleteKey(); });
    EXPECT_EQ(e.Description(), "Failed to delete registry Key: '-2147483646',Section: 'A\\\\B");

    reg.SetClassKey(0); // no root: nothing can be written
    reg.SetSectionKey("X");
    e = Raised([&] { reg.SetValue(Variant("v")); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Description(),
              "Failed to set registry value Key: '0',Section: 'X',Key: 'V' to value: 'v'");
}

TEST_F(cRegistryTest, KeysWithSubkeysCannotBeDeletedAndValuesGoWithTheirKey)
{
    auto reg = At("Software\\Tree\\Leaf", "V");
    reg.SetValue(Variant("x"));
    reg.SetSectionKey("Software\\Tree");
    reg.SetValue(Variant("y"));
    EXPECT_THROW(reg.DeleteKey(), RegistryError);
    reg.SetSectionKey("Software\\Tree\\Leaf");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.KeyExists());
    reg.SetSectionKey("Software\\Tree");
    EXPECT_TRUE(reg.DeleteKey());
    reg.CreateKey(); // a new key of the same name starts without values
    reg.SetDefault(Variant("gone"));
    EXPECT_EQ(reg.Value(), Variant("gone"));
}

TEST_F(cRegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstCase)
{
    auto reg = At("Software\\Ärger\\Mixed", "ValueÖ");
    reg.SetValue(Variant("1"));
    auto other = At("SOFTWARE\\ärger\\mIXED", "VALUEö");
    EXPECT_EQ(other.Value(), Variant("1"));
    other.SetValue(Variant("2"));
    EXPECT_EQ(reg.Value(), Variant("2"));

    std::vector<std::string> names;
    int32_t count = -1;
    reg.EnumerateValues(names, count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(names[1], "ValueÖ");
    reg.SetSectionKey("software\\ÄRGER");
    reg.EnumerateSections(names, count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(names[1], "Mixed");
}

TEST_F(cRegistryTest, EnumerationsAreIndexedFromOne)
{
    auto reg = At("Software\\Enum", "");
    std::vector<std::string> names = {"stale"};
    int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);

    for (const char *name : {"c", "a", "b"}) {
        reg.SetValueKey(name);
        reg.SetValue(Variant(name));
    }
    for (const char *key :
         {"Software\\Enum\\zeta", "Software\\Enum\\Alpha", "Software\\Enum\\beta"}) {
        reg.SetSectionKey(key);
        reg.CreateKey();
    }
    reg.SetSectionKey("Software\\Enum");
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (std::vector<std::string>{"", "c", "a", "b"})); // in order of creation
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (std::vector<std::string>{"", "Alpha", "beta", "zeta"}));
}

TEST_F(cRegistryTest, MachineNamesAndRemoteAccess)
{
    cRegistry reg;
    const struct
    {
        const char *Set;
        const char *Get;
    } cases[] = {{"ab", ""}, {"abc", "\\\\abc"}, {"\\\\srv", "\\\\srv"}, {"", ""}};
    for (const auto &c : cases) {
        reg.SetMachine(c.Set);
        EXPECT_EQ(reg.Machine(), c.Get) << c.Set;
    }
    auto local = At(Section, "Remote");
    local.SetValue(Variant("local"));
    auto remote = At(Section, "Remote");
    remote.SetMachine("server");
    remote.SetDefault(Variant(5));
    EXPECT_EQ(remote.Value(), Variant(5)); // never connects
    remote.SetValue(Variant("remote"));    // writes nothing
    EXPECT_EQ(local.Value(), Variant("local"));
    EXPECT_TRUE(remote.KeyExists()); // key operations stay local
}

TEST_F(cRegistryTest, ValueExSetsThePropertiesAndReplacesEmptyTexts)
{
    cRegistry reg;
    reg.SetValueEx(HKEY_CURRENT_USER, Section, "Ex", REG_SZ, Variant("fallback"), Variant(""));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, Section, "Ex", REG_DWORD, Variant()),
              Variant("fallback"));
    EXPECT_EQ(reg.ClassKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(reg.SectionKey(), Section);
    EXPECT_EQ(reg.ValueKey(), "Ex");
    EXPECT_EQ(reg.ValueType(), REG_SZ); // the type found
    reg.SetValueEx(HKEY_CURRENT_USER, Section, "Ex", REG_DWORD, Variant(9), Variant(0));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, Section, "Ex", REG_DWORD, Variant()), Variant(0));
    EXPECT_EQ(reg.Default(), Variant());
}

TEST_F(cRegistryTest, StoreCarriesItsVersion)
{
    At(Section, "V").SetValue(Variant("x"));
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
    auto reg = At(Section, "V");
    reg.SetDefault(Variant("default"));
    EXPECT_EQ(reg.Value(), Variant("default"));
    EXPECT_THROW(reg.SetValue(Variant("y")), RegistryError);
    EXPECT_EQ(FileBytes(StorePath()), before);
}

TEST_F(cRegistryTest, DamagedOrUnopenableStoreReadsDefaultsAndRefusesWrites)
{
    ASSERT_TRUE(mdlTools::CreatePath(ConfigHome() + "/vannerby"));
    const std::string garbage(4096, 'x');
    {
        std::ofstream out(StorePath(), std::ios::binary);
        out << "SQLite format 3" << garbage;
    }
    auto reg = At(Section, "V", REG_DWORD);
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

TEST_F(cRegistryTest, ReadOnlyFolderStillReads)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    auto reg = At(Section, "V", REG_DWORD);
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
