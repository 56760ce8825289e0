#pragma once

#include <optional>
#include <string>
#include <vector>

// Runs the desktop's helper programs (xdg-mime, update-mime-database) without
// a shell: standard input from /dev/null, standard error discarded.
namespace ProcessRunner {

struct Result
{
    int ExitCode = -1;  // -1 when the program was ended by a signal or the time limit
    std::string Output; // what it wrote on standard output, at most MaxOutput bytes
};

inline constexpr size_t MaxOutput = 64 * 1024;

// Runs argv[0], looked up in PATH, and waits at most timeoutMs for it to end;
// a program still running then is killed. Nothing when it cannot be started,
// for example because it is not installed.
std::optional<Result> Run(const std::vector<std::string> &argv, int timeoutMs);

} // namespace ProcessRunner
