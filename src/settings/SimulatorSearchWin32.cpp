#include "SimulatorSearch.h"

namespace SimulatorSearch {

std::string FolderElsewhere()
{
    return {};
}

} // namespace SimulatorSearch
