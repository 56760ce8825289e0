#pragma once

#include <string>

// Whether the viewer can show a window at all, told before Qt tries: without a
// display Qt aborts with a message a user cannot act on. One implementation per
// system (DisplayCheckPosix.cpp, DisplayCheckWin32.cpp).
namespace DisplayCheck {

// Empty when a display is there as far as can be told without opening one;
// otherwise what is missing, in English, for the terminal.
std::string Problem();

} // namespace DisplayCheck
