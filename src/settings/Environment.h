#pragma once

#include <optional>
#include <string>

// The process environment as UTF-8 (Windows: the wide environment, so that a
// user folder with letters outside the ANSI code page expands intact).
namespace Environment {

// The variable's value, or nothing when it is not set.
std::optional<std::string> Value(const std::string &name);

} // namespace Environment
