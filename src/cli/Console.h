#pragma once

#include <string>
#include <vector>

// What vannerby-cli needs of the console, one implementation per system
// (ConsolePosix.cpp, ConsoleWin32.cpp).
namespace cli::Console {

// Makes the console show the program's UTF-8 output as it is. Call once, first.
void Setup();

// The program's arguments, the program's name first, as UTF-8.
std::vector<std::string> Arguments(int argc, char **argv);

// Whether standard input, or standard error, is an interactive console.
bool InputIsTerminal();
bool ErrorIsTerminal();

} // namespace cli::Console
