#pragma once

// Whether vannerby-cli reg may ask its question on standard input.
namespace cli::RegTerminal {

// True when standard input is an interactive terminal (Windows: a console; the
// NUL device, which the C runtime also calls a terminal, is none).
bool InputIsInteractive();

} // namespace cli::RegTerminal
