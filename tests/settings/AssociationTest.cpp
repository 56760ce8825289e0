#include "SettingsTestSupport.h"

#include "ShellAssociation.h"
#include "cRegistry.h"

using namespace RegistryTypes;

namespace {

const std::string Exe = "/opt/vannerby/vannerby";
const std::string Class = "KMX.Resourcen";
const std::string Description = "Modellwelt Professional Resourcen";

// The default value of a key below a root; "<none>" when the value is missing.
std::string DefaultOf(int32_t root, const std::string &section)
{
    cRegistry reg;
    reg.SetClassKey(root);
    reg.SetSectionKey(section);
    reg.SetValueType(REG_SZ);
    reg.SetDefault(Variant("<none>"));
    return reg.Value().ToString();
}

bool Exists(int32_t root, const std::string &section)
{
    cRegistry reg;
    reg.SetClassKey(root);
    reg.SetSectionKey(section);
    return reg.KeyExists();
}

// Expects the key's default value below every class root (Linux:
// HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE "SOFTWARE\Classes"; Windows:
// HKEY_CURRENT_USER "Software\Classes").
void ExpectBoth(const std::string &key, const std::string &value)
{
    for (const auto &root : ShellAssociation::WriteRoots())
        EXPECT_EQ(DefaultOf(root.Root, root.Prefix + key), value) << root.Prefix << key;
}

// Whether the key exists below the class root the delete works on.
bool OwnExists(const std::string &key)
{
    const auto own = ShellAssociation::OwnRoot();
    return Exists(own.Root, own.Prefix + key);
}

void Associate(cRegistry &reg, const std::string &exe, const std::string &ext,
               const std::string &open = "&Open", bool print = false, bool isNew = false,
               bool install = false, const std::string &installText = "", int32_t icon = 1)
{
    reg.CreateEXEAssociation(exe, Class, Description, ext, open, print, "&Print", isNew, "&New",
                             install, installText, icon);
}

} // namespace

using AssociationTest = StoreTest;

TEST_F(AssociationTest, OptionsDialogRegistrationWritesBothRoots)
{
    cRegistry reg;
    Associate(reg, Exe, "pak");
    Associate(reg, Exe, "pa-");
    EXPECT_EQ(reg.ClassKey(), ShellAssociation::OwnRoot().Root);
    ExpectBoth(".pak", Class);
    ExpectBoth(".pa-", Class);
    ExpectBoth(Class, Description);
    ExpectBoth(Class + "\\shell\\open", "&Open");
    ExpectBoth(Class + "\\shell\\open\\command", "\"" + Exe + "\" \"%1\"");
    ExpectBoth(Class + "\\DefaultIcon", "\"" + Exe + "\",1");
    for (const char *verb : {"print", "new", "add"})
        EXPECT_FALSE(OwnExists(Class + "\\shell\\" + verb)) << verb;
    // The command line holds one "%": it stays a plain string.
    const auto own = ShellAssociation::OwnRoot();
    cRegistry read;
    read.ValueEx(own.Root, own.Prefix + Class + "\\shell\\open\\command", "", REG_SZ, Variant());
    EXPECT_EQ(read.ValueType(), REG_SZ);
}

TEST_F(AssociationTest, ProgramPathIsQuotedOnce)
{
    const struct
    {
        const char *Given;
        const char *Quoted;
    } cases[] = {
        {"/opt/v/vannerby", "\"/opt/v/vannerby\""},
        {"\"/opt/my app/vannerby\"", "\"/opt/my app/vannerby\""},
        {"\"/opt/v/vannerby", "\"/opt/v/vannerby\""},
        {"/opt/v/vannerby\"", "\"/opt/v/vannerby\""},
        {"  /opt/v/vannerby  ", "\"/opt/v/vannerby\""},
    };
    for (const auto &c : cases) {
        cRegistry reg;
        Associate(reg, c.Given, "pak");
        ExpectBoth(Class + "\\shell\\open\\command", std::string(c.Quoted) + " \"%1\"");
        ExpectBoth(Class + "\\DefaultIcon", std::string(c.Quoted) + ",1");
    }
}

TEST_F(AssociationTest, OptionalVerbsTextsAndIcon)
{
    cRegistry reg;
    Associate(reg, Exe, "pak", "", true, true, true, "", 0);
    const std::string p = "\"" + Exe + "\"";
    EXPECT_TRUE(OwnExists(Class + "\\shell\\open"));
    const auto own = ShellAssociation::OwnRoot();
    EXPECT_EQ(DefaultOf(own.Root, own.Prefix + Class + "\\shell\\open"), "<none>");
    ExpectBoth(Class + "\\shell\\open\\command", p + " \"%1\"");
    ExpectBoth(Class + "\\shell\\print", "&Print");
    ExpectBoth(Class + "\\shell\\print\\command", p + " /p \"%1\"");
    ExpectBoth(Class + "\\shell\\add", "&Install pak");
    ExpectBoth(Class + "\\shell\\add\\command", p + " /a \"%1\"");
    ExpectBoth(Class + "\\shell\\new", "&New");
    ExpectBoth(Class + "\\shell\\new\\command", p + " /n \"%1\"");
    ExpectBoth(Class + "\\DefaultIcon", p + ",0");

    StoreTest::TearDown();
    StoreTest::SetUp();
    Associate(reg, Exe, "pak", "&Open", false, false, false, "", -1);
    for (const auto &root : ShellAssociation::WriteRoots())
        EXPECT_FALSE(Exists(root.Root, root.Prefix + Class + "\\DefaultIcon")) << root.Prefix;
}

TEST_F(AssociationTest, DeleteRemovesTheOwnRegistration)
{
    const auto own = ShellAssociation::OwnRoot();
    cRegistry reg;
    EXPECT_NO_THROW(reg.DeleteEXEAssociation(Exe, Class, Description, "pak")); // never created

    Associate(reg, Exe, "pak", "&Open", true, true, true);
    Associate(reg, Exe, "pa-");
    reg.DeleteEXEAssociation(Exe, Class, Description, "pak");
    EXPECT_FALSE(OwnExists(Class));
    EXPECT_FALSE(OwnExists(".pak"));
    EXPECT_TRUE(OwnExists(".pa-"));
    for (const auto &root : ShellAssociation::WriteRoots()) {
        if (root.Root != own.Root) { // only the own class root is cleaned
            EXPECT_TRUE(Exists(root.Root, root.Prefix + Class)) << root.Prefix;
        }
    }
    reg.DeleteEXEAssociation(Exe, Class, Description, "pa-");
    EXPECT_FALSE(OwnExists(".pa-"));
    EXPECT_TRUE(
        Exists(own.Root, std::string(own.Prefix).substr(0, std::string(own.Prefix).size() - 1)));

    // A key the list does not know keeps its parent: the delete fails there.
    Associate(reg, Exe, "pak");
    cRegistry extra;
    extra.SetClassKey(own.Root);
    extra.SetSectionKey(own.Prefix + Class + "\\shell\\edit");
    extra.CreateKey();
    try {
        reg.DeleteEXEAssociation(Exe, Class, Description, "pak");
        ADD_FAILURE() << "deleted a key with subkeys";
    } catch (const RegistryError &e) {
        EXPECT_EQ(e.Number(), 26001);
        EXPECT_EQ(e.Description(), "Failed to delete registry Key: '" + std::to_string(own.Root) +
                                       "',Section: '" + own.Prefix + "KMX.Resourcen\\shell");
    }
    EXPECT_FALSE(OwnExists(Class + "\\shell\\open"));
    EXPECT_TRUE(OwnExists(".pak"));
}

TEST_F(AssociationTest, AdditionalVerbs)
{
    cRegistry reg;
    reg.SetClassKey(HKEY_CLASSES_ROOT);
    std::vector<Variant> items = {Variant("view"), Variant("&View"), Variant("v \"%1\""),
                                  Variant("edit"), Variant("&Edit")};
    try {
        reg.CreateAdditionalEXEAssociations(Class, items);
        ADD_FAILURE() << "five values accepted";
    } catch (const RegistryError &e) {
        EXPECT_EQ(e.Number(), -2147194452);
        EXPECT_EQ(e.Source(), "vannerby.cRegistry");
        EXPECT_EQ(e.Description(), "Invalid parameter list passed to "
                                   "CreateAdditionalEXEAssociations - expected Name/Text/Command");
    }
    items.push_back(Variant("e \"%1\""));
    try {
        reg.CreateAdditionalEXEAssociations(Class, items);
        ADD_FAILURE() << "class without registration accepted";
    } catch (const RegistryError &e) {
        EXPECT_EQ(e.Number(), -2147194451);
        EXPECT_EQ(e.Description(),
                  "Error - attempt to create additional associations before class defined.");
    }
    Associate(reg, Exe, "pak");
    reg.SetClassKey(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations(Class, items);
    ExpectBoth(Class + "\\shell\\view", "&View");
    ExpectBoth(Class + "\\shell\\view\\command", "v \"%1\"");
    ExpectBoth(Class + "\\shell\\edit", "&Edit");
    ExpectBoth(Class + "\\shell\\edit\\command", "e \"%1\"");
}
