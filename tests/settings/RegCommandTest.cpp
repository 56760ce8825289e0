#include "SettingsTestSupport.h"

#include "cRegistry.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace RegistryTypes;

namespace {

class RegCommandTest : public StoreTest
{
  protected:
    static RunResult Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "reg");
        return ::Run(BinPath("vannerby-cli"), args);
    }
    TempDir m_Files;
};

// Runs vannerby-cli reg on a terminal of its own, typing each answer after the
// program has printed a question; returns what the terminal showed and the exit code.
RunResult RunOnTerminal(const std::vector<std::string> &args,
                        const std::vector<std::string> &answers)
{
    const std::string program = BinPath("vannerby-cli");
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char *> argv{const_cast<char *>(program.c_str()), const_cast<char *>("reg")};
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    RunResult result;
    if (pid < 0)
        return result;
    size_t next = 0;
    while (true) {
        pollfd fd{master, POLLIN, 0};
        if (::poll(&fd, 1, 5000) <= 0)
            break; // a program that waits for more than it was given fails below
        char buffer[256];
        const auto n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break; // the program has ended
        result.out.append(buffer, static_cast<size_t>(n));
        size_t questions = 0;
        for (size_t at = 0; (at = result.out.find("(Yes/No)? ", at)) != std::string::npos; ++at)
            ++questions;
        while (next < questions && next < answers.size()) {
            const auto line = answers[next++] + "\n";
            EXPECT_EQ(::write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        }
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

TEST_F(RegCommandTest, DeletingAKeyAsksFirst)
{
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    ASSERT_EQ(
        Run({"add", key + "\\Options", "/v", "OverWrite", "/t", "REG_DWORD", "/d", "1"}).exitCode,
        0);
    const auto stillThere = [&] { return Run({"query", key + "\\Options"}).exitCode == 0; };

    // No terminal to ask on and no /f: nothing goes.
    auto r = Run({"delete", key});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("/f"), std::string::npos) << r.err;
    EXPECT_TRUE(stillThere());

    // On a terminal: "no" keeps it, an answer that is neither asks again, "yes" deletes.
    r = RunOnTerminal({"delete", key}, {"no"});
    EXPECT_NE(r.out.find("Permanently delete the registry key " + key + " (Yes/No)? "),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(stillThere());
    r = RunOnTerminal({"delete", key}, {"maybe", " Y "});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_GT(r.out.rfind("(Yes/No)? "), r.out.find("maybe")) << r.out; // asked again
    EXPECT_FALSE(stillThere());
    EXPECT_EQ(Run({"query", "HKCU\\Software\\Brindlecote"}).exitCode, 0);

    // A key that does not exist is not asked about.
    r = RunOnTerminal({"delete", key}, {});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find("(Yes/No)"), std::string::npos) << r.out;
}

TEST_F(RegCommandTest, UserSetsTheSimulatorsAppPath)
{
    ASSERT_TRUE(mdlTools::CreatePath(m_Files.path() + "/Modellwelt"));
    const auto exe = m_Files.path() + "/Modellwelt/kmxp.exe";
    auto r = Run({"add", "HKCR\\Software\\Dunkelfeld\\KMXP", "/v", "AppPath", "/d", exe, "/f"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Run({"query", "HKEY_CLASSES_ROOT\\Software\\Dunkelfeld\\KMXP", "/v", "apppath"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "AppPath\tREG_SZ\t" + exe + "\n");

    FakeWindow frm;
    mdlState::AppSettings = AppSettingsRecord{};
    mdlState::LoadSettings(frm);
    EXPECT_EQ(mdlState::AppSettings.HostFolder, m_Files.path() + "/Modellwelt");
}

TEST_F(RegCommandTest, QueryListsValuesThenSubkeys)
{
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"add", key, "/ve", "/d", "default text"},
             {"add", key, "/v", "Count", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"},
             {"add", key, "/v", "Small", "/t", "reg_dword", "/d", "42"},
             {"add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", "00ff10"},
             {"add", key, "/v", "Home", "/t", "REG_EXPAND_SZ", "/d", "%HOME%/x"},
             {"add", key, "/v", "Plain", "/t", "REG_EXPAND_SZ", "/d", "no reference"},
             {"add", key, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},
             {"add", key, "/v", "Tab", "/d", "a\tb"},
             {"add", key + "\\Options"},
             {"add", key + "\\MainWindow", "/v", "Left", "/t", "REG_DWORD", "/d", "-1"}}) {
        const auto r = Run(args);
        ASSERT_EQ(r.exitCode, 0) << args[1] << ": " << r.err;
    }
    const auto r = Run({"query", "hkcu\\software\\brindlecote\\vannerby\\"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "(Default)\tREG_SZ\tdefault text\n"
                     "Count\tREG_DWORD\t4294967295\n"
                     "Small\tREG_DWORD\t42\n"
                     "Blob\tREG_BINARY\t00FF10\n"
                     "Home\tREG_EXPAND_SZ\t%HOME%/x\n"
                     "Plain\tREG_EXPAND_SZ\tno reference\n"
                     "List\tREG_MULTI_SZ\ta\\0b\n"
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
              Variant(std::string(std::getenv("HOME")) + "/x"));
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
    ASSERT_EQ(
        Run({"add", key + "\\RecentFiles", "/v", "Count", "/t", "REG_DWORD", "/d", "10"}).exitCode,
        0);
    ASSERT_EQ(Run({"add", key + "\\RecentFiles", "/v", "0", "/d", "/data/Ä \"q\"\\x.pak"}).exitCode,
              0);
    ASSERT_EQ(
        Run({"add", key + "\\RecentFiles", "/ve", "/t", "REG_EXPAND_SZ", "/d", "%A%"}).exitCode, 0);
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
              "\"Count\"=dword:0000000a\r\n"
              "\"0\"=\"/data/\xC4 \\\"q\\\"\\\\x.pak\"\r\n"
              "@=hex(2):25,41,25,00\r\n\r\n");
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

    // A store that cannot be written: the command says so and fails.
    ASSERT_EQ(::unlink(StorePath().c_str()), 0);
    ASSERT_TRUE(mdlTools::CreatePath(StorePath()));
    const auto r = Run({"add", "HKCU\\X", "/v", "N", "/d", "v"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot be opened"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"query", "HKCU\\X"}).exitCode, 1);
    EXPECT_EQ(Run({"query", "HKCU"}).exitCode, 0); // the root is always there
}
