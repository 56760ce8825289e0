// The console on Windows: arguments come as UTF-16 and become UTF-8; the
// console is switched to UTF-8 output while the program runs, so that names
// from archives and folders show as they are. Output to a file or a pipe is
// the same UTF-8 bytes.
#include "Console.h"

#include "WideText.h"

#include <windows.h>

#include <shellapi.h>

#include <clocale>
#include <cstdlib>

namespace cli::Console {

namespace {

UINT g_oldOutputCodePage = 0;

void RestoreOutputCodePage()
{
    if (g_oldOutputCodePage != 0)
        ::SetConsoleOutputCP(g_oldOutputCodePage);
}

// A console, unlike a file, a pipe or NUL, has a console mode.
bool IsConsole(DWORD which)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}

} // namespace

void Setup()
{
    // Numbers and times are formatted by the program itself; the C library's
    // locale stays "C" so that nothing is converted behind its back.
    g_oldOutputCodePage = ::GetConsoleOutputCP();
    if (g_oldOutputCodePage != 0 && g_oldOutputCodePage != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreOutputCodePage);
}

std::vector<std::string> Arguments(int argc, char **argv)
{
    int count = 0;
    LPWSTR *wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.push_back(WideText::ToUtf8(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

bool InputIsTerminal()
{
    return IsConsole(STD_INPUT_HANDLE);
}

bool ErrorIsTerminal()
{
    return IsConsole(STD_ERROR_HANDLE);
}

} // namespace cli::Console
