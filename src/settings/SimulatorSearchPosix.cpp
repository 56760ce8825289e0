#include "SimulatorSearch.h"

#include "WinePrefix.h"

namespace SimulatorSearch {

std::string FolderElsewhere()
{
    return WinePrefix::FindSimulatorFolder(WinePrefix::PrefixFolder());
}

} // namespace SimulatorSearch
