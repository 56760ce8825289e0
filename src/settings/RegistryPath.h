#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// The key and value name rules both registry stores share, so that a name one
// store refuses is refused by the other as well.
namespace RegistryPath {

inline constexpr size_t MaxKeyNameChars = 255;
inline constexpr size_t MaxValueNameChars = 16383;
inline constexpr size_t MaxKeyDepth = 512;
// Far more than any setting needs; keeps one value from filling memory or the disk.
inline constexpr size_t MaxValueBytes = 16 * 1024 * 1024;

// The parts of a section path ("a\b\c", one trailing "\" allowed); nullopt when
// the path begins with "\", holds an empty part, a part longer than a key name
// may be or too many parts. An empty path is the root itself: no parts.
std::optional<std::vector<std::string_view>> Split(std::string_view section);

// True for HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS.
bool IsRoot(int root);

} // namespace RegistryPath
