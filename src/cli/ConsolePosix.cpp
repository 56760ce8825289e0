// The console on POSIX systems: the terminal's own encoding, arguments as given.
#include "Console.h"

#include <clocale>
#include <unistd.h>

namespace cli::Console {

void Setup()
{
    std::setlocale(LC_ALL, "");
}

std::vector<std::string> Arguments(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

bool InputIsTerminal()
{
    return ::isatty(STDIN_FILENO) != 0;
}

bool ErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace cli::Console
