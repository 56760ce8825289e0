#include "DisplayCheck.h"

#include <cstdlib>

namespace {

bool IsSet(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

std::string DisplayCheck::Problem()
{
    // A platform named by the user (offscreen, vnc, eglfs, ...) needs no server
    // this check knows of; Qt reports its own failures then.
    if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"))
        return {};
    return "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
}
