// Temporary folders and child processes on POSIX systems.
#include "TestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <ftw.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

const char ExecutableSuffix[] = "";

TempDir::TempDir()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/test.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    // Make everything writable again first: tests leave read-only files and folders.
    ::nftw(
        m_path.c_str(),
        [](const char *p, const struct stat *st, int type, FTW *) {
            if (type == FTW_D)
                ::chmod(p, st->st_mode | 0700);
            return 0;
        },
        16, FTW_PHYS);
    ::nftw(
        m_path.c_str(), [](const char *p, const struct stat *, int, FTW *) { return ::remove(p); },
        16, FTW_DEPTH | FTW_PHYS);
}

RunResult Run(const std::string &program, const std::vector<std::string> &args,
              const std::string &workingDir)
{
    TempDir io;
    const std::string outPath = io / "out", errPath = io / "err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0)
            ::_exit(127);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

bool RemoveFile(const std::string &path)
{
    return ::unlink(path.c_str()) == 0;
}

void SetLastWrite(const std::string &path, uint64_t fileTime)
{
    // FILETIME counts 100 ns steps from 1601; the Unix epoch is 11644473600 s later.
    const auto seconds = static_cast<int64_t>(fileTime / 10000000) - 11644473600LL;
    const timespec stamp{static_cast<time_t>(seconds),
                         static_cast<long>(fileTime % 10000000) * 100};
    const timespec times[2] = {stamp, stamp};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string TempFolder()
{
    const char *tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

void SetEnv(const std::string &name, const std::string &value)
{
    ::setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string &name)
{
    ::unsetenv(name.c_str());
}
