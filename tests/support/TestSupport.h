#pragma once

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
