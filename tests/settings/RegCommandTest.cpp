#include "SettingsTestSupport.h"

#include "RegistryStore.h"
#include "cRegistry.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <algorithm>
#include <sstream>

using namespace RegistryTypes;

namespace {

class RegCommandTest : public StoreTest
{
  protected:
    // Runs vannerby-cli reg; its text output has CR LF line ends on Windows.
    static RunResult Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "reg");
        auto result = ::Run(BinPath("vannerby-cli"), args);
        for (std::string *text : {&result.out, &result.err})
            for (size_t at; (at = text->find("\r\n")) != std::string::npos;)
                text->erase(at, 1);
        return result;
    }
    TempDir m_Files;
};

} // namespace

TEST_F(RegCommandTest, DeletingAKeyWithoutATerminalNeedsF)
{
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    ASSERT_EQ(
        Run({"add", key + "\\Options", "/v", "OverWrite", "/t", "REG_DWORD", "/d", "1"}).exitCode,
        0);
    auto r = Run({"delete", key});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("/f"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"query", key + "\\Options"}).exitCode, 0);
    EXPECT_EQ(Run({"delete", key, "/f"}).exitCode, 0);
    EXPECT_EQ(Run({"query", key + "\\Options"}).exitCode, 1);
    EXPECT_EQ(Run({"query", "HKCU\\Software\\Brindlecote"}).exitCode, 0);
    r = Run({"delete", key});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
}

TEST_F(RegCommandTest, UserSetsTheSimulatorsAppPath)
{
    ASSERT_TRUE(mdlTools::CreatePath(m_Files.path() + "/Modellwelt"));
    const auto exe = NativePath(m_Files.path() + "/Modellwelt/kmxp.exe");
    auto r = Run({"add", "HKCR\\Software\\Dunkelfeld\\KMXP", "/v", "AppPath", "/d", exe, "/f"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Run({"query", "HKEY_CLASSES_ROOT\\Software\\Dunkelfeld\\KMXP", "/v", "apppath"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "AppPath\tREG_SZ\t" + exe + "\n");

    FakeWindow frm;
    mdlState::AppSettings = AppSettingsRecord{};
    mdlState::LoadSettings(frm);
    EXPECT_EQ(mdlState::AppSettings.HostFolder,
              mdlTools::GetLongPath(NativePath(m_Files.path() + "/Modellwelt")));
    EXPECT_FALSE(mdlState::AppSettings.HostFolder.empty());
}

TEST_F(RegCommandTest, QueryListsValuesThenSubkeys)
{
    SetEnv("VANNERBY_TEST_HOME", "/home/u");
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    // Added in the order of their names: Windows lists values in the order they
    // were created, Wine by name.
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"add", key, "/ve", "/d", "default text"},
             {"add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", "00ff10"},
             {"add", key, "/v", "Count", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"},
             {"add", key, "/v", "Home", "/t", "REG_EXPAND_SZ", "/d", "%VANNERBY_TEST_HOME%/x"},
             {"add", key, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},
             {"add", key, "/v", "Plain", "/t", "REG_EXPAND_SZ", "/d", "no reference"},
             {"add", key, "/v", "Small", "/t", "reg_dword", "/d", "42"},
             {"add", key, "/v", "Tab", "/d", "a\tb"},
             {"add", key + "\\Options", "/f"},
             {"add", key + "\\MainWindow", "/v", "Left", "/t", "REG_DWORD", "/d", "4294967295"}}) {
        const auto r = Run(args);
        ASSERT_EQ(r.exitCode, 0) << args[1] << ": " << r.err;
    }
    const auto r = Run({"query", "hkcu\\software\\brindlecote\\vannerby\\"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "(Default)\tREG_SZ\tdefault text\n"
                     "Blob\tREG_BINARY\t00FF10\n"
                     "Count\tREG_DWORD\t4294967295\n"
                     "Home\tREG_EXPAND_SZ\t%VANNERBY_TEST_HOME%/x\n"
                     "List\tREG_MULTI_SZ\ta\\0b\n"
                     "Plain\tREG_EXPAND_SZ\tno reference\n"
                     "Small\tREG_DWORD\t42\n"
                     "Tab\tREG_SZ\ta\\x09b\n"
                     "hkcu\\software\\brindlecote\\vannerby\\MainWindow\n"
                     "hkcu\\software\\brindlecote\\vannerby\\Options\n");

    // The program reads what the command wrote, with the types it expects.
    cRegistry reg;
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, key.substr(5), "Count", REG_DWORD, Variant()),
              Variant(-1));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, key.substr(5) + "\\MainWindow", "Left", REG_DWORD,
                          Variant()),
              Variant(-1));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, key.substr(5), "Blob", REG_BINARY, Variant()),
              Variant(Variant::Bytes{0, 0xFF, 0x10}));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, key.substr(5), "Home", REG_SZ, Variant()),
              Variant("/home/u/x"));
}

TEST_F(RegCommandTest, BehavesAsWindowsReg)
{
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    const auto raw = [&](const std::string &name) {
        return RegistryStore(RegistryStore::DefaultPath())
            .QueryValue(HKEY_CURRENT_USER, key.substr(5), name);
    };
    // reg add KEY alone: the default value, an empty REG_SZ.
    ASSERT_EQ(Run({"add", key}).exitCode, 0);
    auto value = raw("");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Type, REG_SZ);
    EXPECT_EQ(value->Data, (std::vector<uint8_t>{0}));
    EXPECT_EQ(Run({"query", key, "/ve"}).out, "(Default)\tREG_SZ\t\n");

    // A key without a default value still answers for it.
    ASSERT_EQ(Run({"add", key + "\\Options", "/v", "A", "/d", "1"}).exitCode, 0);
    auto r = Run({"query", key + "\\Options", "/ve"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "(Default)\tREG_SZ\t(value not set)\n");
    EXPECT_EQ(Run({"query", key + "\\Missing", "/ve"}).exitCode, 1);
    EXPECT_EQ(Run({"query", key + "\\Options", "/v", "B"}).exitCode, 1);

    const struct
    {
        std::vector<std::string> Args;
        int32_t Type;
        std::vector<uint8_t> Data;
    } stored[] = {
        {{"/v", "Q0", "/t", "REG_QWORD"}, REG_QWORD, std::vector<uint8_t>(8, 0)},
        {{"/v", "Q1", "/t", "REG_QWORD", "/d", "-1"}, REG_QWORD, std::vector<uint8_t>(8, 0xFF)},
        {{"/v", "Q2", "/t", "REG_QWORD", "/d", "0x10"}, REG_QWORD, {0x10, 0, 0, 0, 0, 0, 0, 0}},
        {{"/v", "M1", "/t", "REG_MULTI_SZ", "/d", "a\\0"}, REG_MULTI_SZ, {'a', 0, 0}},
        {{"/v", "M2", "/t", "REG_MULTI_SZ", "/d", "\\0"}, REG_MULTI_SZ, {0, 0}},
        {{"/v", "M3", "/t", "REG_MULTI_SZ"}, REG_MULTI_SZ, {0}},
        {{"/v", "M4", "/t", "REG_MULTI_SZ", "/d", "one\\0two"},
         REG_MULTI_SZ,
         {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0}},
        {{"/v", "D1", "/t", "REG_DWORD", "/d", "4294967295"}, REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto &c : stored) {
        std::vector<std::string> args = {"add", key};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        r = Run(args);
        ASSERT_EQ(r.exitCode, 0) << c.Args[1] << ": " << r.err;
        value = raw(c.Args[1]);
        ASSERT_TRUE(value) << c.Args[1];
        EXPECT_EQ(value->Type, c.Type) << c.Args[1];
        EXPECT_EQ(value->Data, c.Data) << c.Args[1];
    }
    EXPECT_EQ(Run({"query", key, "/v", "Q1"}).out, "Q1\tREG_QWORD\t18446744073709551615\n");
    EXPECT_EQ(Run({"query", key, "/v", "M1"}).out, "M1\tREG_MULTI_SZ\ta\n");

    // Refused as usage errors, and nothing written.
    const std::vector<std::vector<std::string>> refused = {
        {"add", key, "/v", "R", "/t", "REG_DWORD", "/d", "-1"},
        {"add", key, "/v", "R", "/t", "REG_DWORD"},
        {"add", key, "/v", "R", "/t", "REG_MULTI_SZ", "/d", "\\0a"},
        {"add", key, "/v", "R", "/t", "REG_MULTI_SZ", "/d", "two\\0\\0strings"},
        {"add", key, "/v", "R", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0"},
        {"add", key, "/v", "R", "/t", "REG_QWORD", "/d", "-0x1"},
        {"add", key, "/v", "R", "/d", "x", "/f", "/f"},
        {"add", key + "\\\\", "/v", "R", "/d", "x"},
        {"add", "HKCU\\", "/v", "R", "/d", "x"},
        {"add", "HKCU\\"},
        {"add", "/v", "R", key},
        {"query", key + "\\\\"},
        {"delete", key, "/v", "A", "/f", "/f"},
        {"export", "/y", key, "x.reg"},
        {"export", key, "/y", "x.reg"},
        {"query", key, "/y"},
    };
    for (const auto &args : refused) {
        r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << args[1] << " " << args.back() << ": " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(raw("R"));
    EXPECT_FALSE(
        RegistryStore(RegistryStore::DefaultPath()).QueryValue(HKEY_CURRENT_USER, "", "R"));
    // One trailing backslash is fine, as for reg.
    EXPECT_EQ(Run({"query", key + "\\", "/v", "Q0"}).exitCode, 0);
}

TEST_F(RegCommandTest, DeleteValuesAndKeys)
{
    const std::string key = "HKLM\\SOFTWARE\\Classes\\KMX.Resourcen";
    ASSERT_EQ(Run({"add", key + "\\shell\\open\\command", "/ve", "/d", "x"}).exitCode, 0);
    ASSERT_EQ(Run({"add", key, "/v", "A", "/d", "1"}).exitCode, 0);
    ASSERT_EQ(Run({"add", key, "/v", "B", "/d", "2"}).exitCode, 0);
    EXPECT_EQ(Run({"delete", key, "/v", "a", "/f"}).exitCode, 0);
    auto r = Run({"query", key, "/v", "A"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(Run({"delete", key, "/v", "A"}).exitCode, 1);
    EXPECT_EQ(Run({"delete", key, "/va"}).exitCode, 0);
    EXPECT_EQ(Run({"query", key}).out, key + "\\shell\n");
    EXPECT_EQ(Run({"delete", key, "/f"}).exitCode, 0); // with everything below it
    EXPECT_EQ(Run({"query", key}).exitCode, 1);
    EXPECT_EQ(Run({"query", "HKLM\\SOFTWARE\\Classes"}).exitCode, 0);
    EXPECT_EQ(Run({"delete", key}).exitCode, 1);
}

TEST_F(RegCommandTest, ExportWritesRegedit4)
{
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    // Added in the order of their names, which is Wine's order.
    ASSERT_EQ(
        Run({"add", key + "\\RecentFiles", "/ve", "/t", "REG_EXPAND_SZ", "/d", "%A%"}).exitCode, 0);
    ASSERT_EQ(Run({"add", key + "\\RecentFiles", "/v", "0", "/d", "/data/Ä \"q\"\\x.pak"}).exitCode,
              0);
    ASSERT_EQ(
        Run({"add", key + "\\RecentFiles", "/v", "Count", "/t", "REG_DWORD", "/d", "10"}).exitCode,
        0);
    ASSERT_EQ(
        Run({"add", key + "\\Options", "/v", "Bin", "/t", "REG_BINARY", "/d", "0aff"}).exitCode, 0);
    const auto file = m_Files.path() + "/vannerby.reg";
    const auto r = Run({"export", key, file, "/y"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(file),
              "REGEDIT4\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Brindlecote\\Vannerby]\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Brindlecote\\Vannerby\\Options]\r\n"
              "\"Bin\"=hex:0a,ff\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Brindlecote\\Vannerby\\RecentFiles]\r\n"
              "@=hex(2):25,41,25,00\r\n"
              "\"0\"=\"/data/\xC4 \\\"q\\\"\\\\x.pak\"\r\n"
              "\"Count\"=dword:0000000a\r\n\r\n");
    EXPECT_EQ(Run({"export", key + "\\Missing", file}).exitCode, 1);
    const auto second = m_Files.path() + "/v"; // an absolute path begins like a switch
    EXPECT_EQ(Run({"export", key + "\\Options", second}).exitCode, 0);
    EXPECT_TRUE(mdlTools::FileExists(second));
    EXPECT_EQ(Run({"export", key, m_Files.path() + "/no/such/folder/x.reg"}).exitCode, 1);
}

TEST_F(RegCommandTest, UsageErrorsAndFailures)
{
    const std::vector<std::vector<std::string>> usage = {
        {},
        {"query"},
        {"list", "HKCU"},
        {"query", "HKXX\\Software"},
        {"query", "\\\\server\\HKLM\\Software"},
        {"query", "HKCU\\a\\\\b"},
        {"query", "HKCU", "/z"},
        {"query", "HKCU", "-z"},
        {"query", "HKCU", "/v"},
        {"query", "HKCU", "extra"},
        {"add", "HKCU\\X", "/t", "REG_FOO", "/d", "1"},
        {"add", "HKCU\\X", "/v", "N", "/t", "REG_DWORD", "/d", "12x"},
        {"add", "HKCU\\X", "/v", "N", "/t", "REG_DWORD", "/d", "4294967296"},
        {"add", "HKCU\\X", "/v", "N", "/t", "REG_BINARY", "/d", "abc"},
        {"add", "HKCU\\X", "/v", "N", "/v", "M"},
        {"delete", "HKCU"},
        {"delete", "HKCU\\X", "/d", "1"},
        {"export", "HKCU"},
    };
    for (const auto &args : usage) {
        const auto r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "(none)" : args[0]) << " " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(Run({"frob"}).err.rfind("vannerby-cli reg: unknown operation frob\n", 0), 0u);
    EXPECT_EQ(Run({"add", "HKCU\\X"}).exitCode, 0);
    EXPECT_EQ(Run({"query", "HKCU\\Y"}).exitCode, 1);
    EXPECT_EQ(Run({"delete", "HKCU\\X", "/f"}).exitCode, 0);
}

TEST_F(RegCommandTest, UnwritableStoreIsReported)
{
    if (!MakeStoreUnwritable())
        GTEST_SKIP() << "the registry cannot be made unwritable here";
    const auto r = Run({"add", "HKCU\\X", "/v", "N", "/d", "v"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot be opened"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"query", "HKCU\\X"}).exitCode, 1);
    EXPECT_EQ(Run({"query", "HKCU"}).exitCode, 0); // the root is always there
}
