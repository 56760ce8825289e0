#include "RegTerminal.h"

#include <unistd.h>

namespace cli::RegTerminal {

bool InputIsInteractive()
{
    return ::isatty(STDIN_FILENO) != 0;
}

} // namespace cli::RegTerminal
