#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// An error raised by cRegistry: number, source and description, as callers
// compare and show them.
class RegistryError final : public std::runtime_error
{
  public:
    RegistryError(int32_t number, std::string source, const std::string &description);

    int32_t Number() const { return m_lngNumber; }
    const std::string &Source() const { return m_strSource; }
    std::string Description() const { return what(); }

  private:
    int32_t m_lngNumber;
    std::string m_strSource;
};

namespace RegistryErrorNumber {
// Key creation, deletion, value deletion, and a write whose key cannot be had.
inline constexpr int32_t KeyFailed = 26001;
// Object-defined errors: 0x80040000 + 1048 + 26001 and on.
inline constexpr int32_t SetValueFailed = static_cast<int32_t>(0x800469A9u);
inline constexpr int32_t EnumerateFailed = static_cast<int32_t>(0x800469AAu);
inline constexpr int32_t BadAssociationList = static_cast<int32_t>(0x800469ACu);
inline constexpr int32_t ClassNotDefined = static_cast<int32_t>(0x800469ADu);
} // namespace RegistryErrorNumber
