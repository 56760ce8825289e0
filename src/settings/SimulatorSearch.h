#pragma once

#include <string>

// Where else to look for the simulator when its "AppPath" in the registry names
// no folder. Linux (SimulatorSearchPosix.cpp): the user's Wine prefix, where
// Linux players install it. Windows (SimulatorSearchWin32.cpp): nowhere, the
// registry read is the simulator's own.
namespace SimulatorSearch {

// The simulator's folder, or empty.
std::string FolderElsewhere();

} // namespace SimulatorSearch
