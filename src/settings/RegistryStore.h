#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One value as stored: its name in the case it was created with, its data type
// and its raw bytes (strings as UTF-8 with their terminating NUL).
struct RegistryRawValue
{
    std::string Name;
    int32_t Type = 0;
    std::vector<uint8_t> Data;
};

// A key as read in one transaction: its values in the order they were created
// and its subkeys sorted by name (with their own contents when read recursively).
struct RegistryKeySnapshot
{
    std::string Name;
    std::vector<RegistryRawValue> Values;
    std::vector<RegistryKeySnapshot> Subkeys;
};

enum class RegistryStatus
{
    Ok,
    KeyNotFound,
    ValueNotFound,
    HasSubkeys,
    BadName,     // a key path or value name the registry model does not allow
    Unavailable, // the store cannot be opened, created or locked, or is damaged
    WriteFailed  // the store was open, but the change could not be committed
};

// The registry's key/value/type model. On Windows it is the registry itself
// (RegistryStoreWin32.cpp: strings UTF-8 here, UTF-16 in the registry). On
// Linux it is one SQLite file (RegistryStoreSqlite.cpp): each call opens the
// file, works in one transaction and closes it again, so that two running
// copies of the program can share the file and a crash never leaves a half
// written value; reads never create the file, the first write creates it with
// its folder, and a damaged or foreign file is never changed. In both, key and
// value names compare without regard to letter case and keep the case they
// were created with, and nothing stays open between calls.
class RegistryStore final
{
  public:
    // The SQLite file at path; the registry itself on Windows, where path is unused.
    explicit RegistryStore(std::string path);

    // $XDG_CONFIG_HOME/vannerby/registry.db, or ~/.config/vannerby/registry.db;
    // empty on Windows.
    static std::string DefaultPath();
    // True for HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS.
    static bool IsRoot(int32_t root);

    // The version of the SQLite file layout this program writes.
    static constexpr int SchemaVersion = 1;

    const std::string &Path() const { return m_strPath; }

    // The section path is relative to the root, parts separated by "\"; an empty
    // path is the root itself.
    bool KeyExists(int32_t root, std::string_view section) const;
    std::optional<RegistryRawValue> QueryValue(int32_t root, std::string_view section,
                                               std::string_view name) const;
    std::optional<RegistryKeySnapshot> ReadKey(int32_t root, std::string_view section,
                                               bool recursive) const;

    RegistryStatus CreateKey(int32_t root, std::string_view section);
    // Creates the key as needed and stores the value, replacing one of the same
    // name. String data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is UTF-8 with its NULs.
    RegistryStatus SetValue(int32_t root, std::string_view section, std::string_view name,
                            int32_t type, const std::vector<uint8_t> &data);
    // Deletes the key and its values; a key with subkeys is refused unless
    // withSubkeys asks for the whole tree. The root itself cannot be deleted.
    RegistryStatus DeleteKey(int32_t root, std::string_view section, bool withSubkeys = false);
    RegistryStatus DeleteValue(int32_t root, std::string_view section, std::string_view name);
    // Deletes every value of the key, keeping the key and its subkeys.
    RegistryStatus DeleteAllValues(int32_t root, std::string_view section);

  private:
    std::string m_strPath;
};
