#include "DisplayCheck.h"

// A Windows session always has its desktop to show windows on.
std::string DisplayCheck::Problem()
{
    return {};
}
