#include "SettingsTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

// vannerby-cli reg delete asking on a terminal (Linux: a pseudo-terminal).
namespace {

RunResult RegRun(std::vector<std::string> args)
{
    args.insert(args.begin(), "reg");
    return ::Run(BinPath("vannerby-cli"), args);
}

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

using RegCommandTerminalTest = StoreTest;

TEST_F(RegCommandTerminalTest, DeletingAKeyAsksFirst)
{
    const std::string key = "HKCU\\Software\\Brindlecote\\Vannerby";
    ASSERT_EQ(RegRun({"add", key + "\\Options", "/v", "OverWrite", "/t", "REG_DWORD", "/d", "1"})
                  .exitCode,
              0);
    const auto stillThere = [&] { return RegRun({"query", key + "\\Options"}).exitCode == 0; };

    // No terminal to ask on and no /f: nothing goes.
    auto r = RegRun({"delete", key});
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
    EXPECT_EQ(RegRun({"query", "HKCU\\Software\\Brindlecote"}).exitCode, 0);

    // A key that does not exist is not asked about.
    r = RunOnTerminal({"delete", key}, {});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find("(Yes/No)"), std::string::npos) << r.out;
}
