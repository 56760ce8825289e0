#include "SettingsTestSupport.h"

#include "cRegistry.h"
#include "mdlTools.h"

#include <algorithm>

using namespace RegistryTypes;

namespace {

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
                  .SetValue(HKEY_CURRENT_USER, TestSection, name, type, data),
              RegistryStatus::Ok);
}

} // namespace

using cRegistryTest = StoreTest;

TEST_F(cRegistryTest, MissingValueReturnsDefaultWithItsOwnTag)
{
    auto reg = At(TestSection, "Missing", REG_BINARY);
    reg.SetDefault(Variant(1.25f));
    const auto value = reg.Value();
    EXPECT_EQ(value.GetTag(), Variant::Tag::Single);
    EXPECT_EQ(value, Variant(1.25f));
    EXPECT_EQ(reg.ValueType(), REG_BINARY);
    EXPECT_TRUE(NothingStored()) << "a read created a key";
}

TEST_F(cRegistryTest, PercentRuleDecidesBetweenSzAndExpandSz)
{
    SetEnv("VANNERBY_TEST_DIR", "/srv/kmxp");
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
        auto reg = At(TestSection, "Path", c.AskedType);
        reg.SetValue(Variant(c.Text));
        EXPECT_EQ(Raw(TestSection, "Path").Type, c.StoredType) << c.Text;
        EXPECT_EQ(reg.Value().ToString(), c.ReadBack) << c.Text;
        EXPECT_EQ(reg.ValueType(), c.StoredType) << c.Text;
        reg.SetExpandStrings(false);
        EXPECT_EQ(reg.Value().ToString(), c.Text);
    }
    const auto raw = Raw(TestSection, "Path");
    EXPECT_EQ(raw.Data, (std::vector<uint8_t>{'p', 'l', 'a', 'i', 'n', 0}));
}

TEST_F(cRegistryTest, DwordWritesStoreOnlyIntegers)
{
    auto reg = At(TestSection, "Flag", REG_DWORD);
    reg.SetValue(Variant(true)); // stores nothing, raises nothing
    reg.SetValue(Variant(2.0));
    reg.SetValue(Variant("1"));
    EXPECT_TRUE(reg.KeyExists());
    EXPECT_EQ(reg.Value(), Variant());

    reg.SetValue(Variant(int16_t{1}));
    EXPECT_EQ(Raw(TestSection, "Flag").Type, REG_DWORD);
    EXPECT_EQ(Raw(TestSection, "Flag").Data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(reg.Value(), Variant(1));

    reg.SetValueType(REG_DWORD_BIG_ENDIAN); // written as a plain little-endian DWORD
    reg.SetValue(Variant(-1));
    EXPECT_EQ(Raw(TestSection, "Flag").Type, REG_DWORD);
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
        auto reg = At(TestSection, c.Name);
        reg.SetDefault(Variant("default"));
        EXPECT_EQ(reg.Value(), c.Expected) << c.Name;
    }
}

TEST_F(cRegistryTest, BinaryRoundTripsAndRefusesOtherVariants)
{
    const Variant::Bytes bytes = {0, 1, 0, 255, 0};
    auto reg = At(TestSection, "Blob", REG_BINARY);
    reg.SetValue(Variant(bytes));
    const auto read = reg.Value();
    EXPECT_EQ(read.ToBytes(), bytes);
    reg.SetValue(read);
    EXPECT_EQ(Raw(TestSection, "Blob").Data, bytes);

    const auto e = Raised([&] { reg.SetValue(Variant("text")); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Source(), "vannerby");
    EXPECT_EQ(e.Description(), "Application-defined or object-defined error");
}

TEST_F(cRegistryTest, UnsupportedWriteTypeRaisesTheSetFailure)
{
    for (const int32_t type : {REG_MULTI_SZ, REG_NONE, REG_LINK, 8}) {
        auto reg = At(TestSection, "Multi", type);
        const auto e = Raised([&] { reg.SetValue(Variant("a")); });
        EXPECT_EQ(e.Number(), -2147194455);
        EXPECT_EQ(e.Source(), "vannerby.cRegistry");
        EXPECT_EQ(e.Description(), "Failed to set registry value Key: '-2147483647',Section: '" +
                                       TestSection + "',Key: 'Multi' to value: 'a'");
    }
}

TEST_F(cRegistryTest, KeyOperationsRaiseTheirErrors)
{
    auto reg = At("Software\\Brindlecote\\Missing", "V");
    auto e = Raised([&] { reg.DeleteKey(); });
    EXPECT_EQ(e.Number(), 26001);
    EXPECT_EQ(e.Source(), "vannerby.cRegistry");
    EXPECT_EQ(e.Description(), "Failed to delete registry Key: '-2147483647',Section: "
                               "'Software\\Brindlecote\\Missing");

    e = Raised([&] { reg.DeleteValue(); });
    EXPECT_EQ(e.Description(),
              "Failed to open key '-2147483647',Section: 'Software\\Brindlecote\\Missing' "
              "for delete access");
    reg.CreateKey();
    e = Raised([&] { reg.DeleteValue(); });
    EXPECT_EQ(e.Description(), "Failed to delete registry Key: '-2147483647',Section: "
                               "'Software\\Brindlecote\\Missing',Key: 'V");

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
    auto reg = At("Software\\Brindlecote\\Tree\\Leaf", "V");
    reg.SetValue(Variant("x"));
    reg.SetSectionKey("Software\\Brindlecote\\Tree");
    reg.SetValue(Variant("y"));
    EXPECT_THROW(reg.DeleteKey(), RegistryError);
    reg.SetSectionKey("Software\\Brindlecote\\Tree\\Leaf");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.KeyExists());
    reg.SetSectionKey("Software\\Brindlecote\\Tree");
    EXPECT_TRUE(reg.DeleteKey());
    reg.CreateKey(); // a new key of the same name starts without values
    reg.SetDefault(Variant("gone"));
    EXPECT_EQ(reg.Value(), Variant("gone"));
}

TEST_F(cRegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstCase)
{
    auto reg = At("Software\\Brindlecote\\Ärger\\Mixed", "ValueÖ");
    reg.SetValue(Variant("1"));
    auto other = At("SOFTWARE\\brindlecote\\ärger\\mIXED", "VALUEö");
    EXPECT_EQ(other.Value(), Variant("1"));
    other.SetValue(Variant("2"));
    EXPECT_EQ(reg.Value(), Variant("2"));

    std::vector<std::string> names;
    int32_t count = -1;
    reg.EnumerateValues(names, count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(names[1], "ValueÖ");
    reg.SetSectionKey("software\\BRINDLECOTE\\ÄRGER");
    reg.EnumerateSections(names, count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(names[1], "Mixed");
}

TEST_F(cRegistryTest, EnumerationsAreIndexedFromOne)
{
    auto reg = At("Software\\Brindlecote\\Enum", "");
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
         {"Software\\Brindlecote\\Enum\\zeta", "Software\\Brindlecote\\Enum\\Alpha",
          "Software\\Brindlecote\\Enum\\beta"}) {
        reg.SetSectionKey(key);
        reg.CreateKey();
    }
    reg.SetSectionKey("Software\\Brindlecote\\Enum");
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names[0], "");
    // Values come in the registry's order: creation order in the SQLite store
    // and in Windows' hives, by name in Wine's.
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"", "a", "b", "c"}));
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
    auto local = At(TestSection, "Remote");
    local.SetValue(Variant("local"));
    auto remote = At(TestSection, "Remote");
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
    reg.SetValueEx(HKEY_CURRENT_USER, TestSection, "Ex", REG_SZ, Variant("fallback"), Variant(""));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, TestSection, "Ex", REG_DWORD, Variant()),
              Variant("fallback"));
    EXPECT_EQ(reg.ClassKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(reg.SectionKey(), TestSection);
    EXPECT_EQ(reg.ValueKey(), "Ex");
    EXPECT_EQ(reg.ValueType(), REG_SZ); // the type found
    reg.SetValueEx(HKEY_CURRENT_USER, TestSection, "Ex", REG_DWORD, Variant(9), Variant(0));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, TestSection, "Ex", REG_DWORD, Variant()), Variant(0));
    EXPECT_EQ(reg.Default(), Variant());
}
