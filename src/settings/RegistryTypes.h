#pragma once

#include <cstdint>

// Root keys and data types of the registry model, with their Win32 values.
namespace RegistryTypes {

inline constexpr int32_t HKEY_CLASSES_ROOT = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t HKEY_USERS = static_cast<int32_t>(0x80000003u);

inline constexpr int32_t REG_NONE = 0;
inline constexpr int32_t REG_SZ = 1;
inline constexpr int32_t REG_EXPAND_SZ = 2;
inline constexpr int32_t REG_BINARY = 3;
inline constexpr int32_t REG_DWORD = 4;
inline constexpr int32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr int32_t REG_LINK = 6;
inline constexpr int32_t REG_MULTI_SZ = 7;
inline constexpr int32_t REG_QWORD = 11;

} // namespace RegistryTypes
