#include "RegTerminal.h"

#include <windows.h>

namespace cli::RegTerminal {

bool InputIsInteractive()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

} // namespace cli::RegTerminal
