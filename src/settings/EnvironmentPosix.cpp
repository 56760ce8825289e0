#include "Environment.h"

#include <cstdlib>

namespace Environment {

std::optional<std::string> Value(const std::string &name)
{
    const char *value = std::getenv(name.c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
}

} // namespace Environment
