#include "ProcessRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace ProcessRunner {

namespace {

struct Pipe final
{
    int Fd[2] = {-1, -1};
    ~Pipe()
    {
        for (const int fd : Fd)
            if (fd >= 0)
                ::close(fd);
    }
    void CloseWriteEnd()
    {
        ::close(Fd[1]);
        Fd[1] = -1;
    }
};

// Waits for the child; kills it once the deadline has passed.
int Reap(pid_t pid, std::chrono::steady_clock::time_point deadline)
{
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        ::usleep(10000);
    }
}

} // namespace

std::optional<Result> Run(const std::vector<std::string> &argv, int timeoutMs)
{
    if (argv.empty())
        return std::nullopt;
    Pipe out;
    if (::pipe2(out.Fd, O_CLOEXEC) != 0)
        return std::nullopt;

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return std::nullopt;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.Fd[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char *> args;
    for (const auto &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    out.CloseWriteEnd();

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Result result;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            break;
        pollfd fd{out.Fd[0], POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        const auto n = ::read(out.Fd[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the program closed its output, normally by ending
        if (result.Output.size() < MaxOutput)
            result.Output.append(
                buffer, std::min(static_cast<size_t>(n), MaxOutput - result.Output.size()));
    }
    result.ExitCode = Reap(pid, deadline);
    return result;
}

} // namespace ProcessRunner
