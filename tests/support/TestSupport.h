#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder below $TMPDIR (Windows: the temporary folder), removed with
// everything in it at the end. Paths are UTF-8 with "/" separators.
class TempDir final
{
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return m_path; }
    std::string operator/(const std::string &name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);
// Removes a file; false when it could not be removed.
bool RemoveFile(const std::string &path);
// Sets a file's modification time (a FILETIME: 100 ns steps since 1601, UTC).
void SetLastWrite(const std::string &path, uint64_t fileTime);
// Makes a file that long, without writing its new bytes (a sparse file where
// the file system has them).
bool ResizeFile(const std::string &path, uint64_t size);

// The system's temporary folder: $TMPDIR or /tmp (Windows: GetTempPathW), "/"
// separators, no trailing one.
std::string TempFolder();

// The process environment, as the C library's getenv and the system's own
// lookups read it.
void SetEnv(const std::string &name, const std::string &value);
void UnsetEnv(const std::string &name);

// Sets an environment variable for a scope and puts the old state back.
class ScopedEnv final
{
  public:
    ScopedEnv(const std::string &name, const std::string &value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

  private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

struct RunResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs an executable with arguments, standard input from /dev/null, and collects its output.
RunResult Run(const std::string &program, const std::vector<std::string> &args,
              const std::string &workingDir = {});

// A program built next to the tests ($VANNERBY_BIN), with the system's suffix.
std::string BinPath(const std::string &name);

// ".exe" on Windows, else empty.
extern const char ExecutableSuffix[];
