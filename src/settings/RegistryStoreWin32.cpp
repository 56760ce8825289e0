// The registry store on Windows: the registry itself, through the wide API.
#include "RegistryStore.h"

#include "RegistryPath.h"
#include "SettingsText.h"
#include "WideText.h"

#include <windows.h>

#include <algorithm>

namespace {

// Access for creating a key and writing its values: query, set, create
// subkey, enumerate subkeys, notify and create link (0x3F).
constexpr REGSAM WriteAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
                               KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK;

// The root's handle. The store's roots carry the handles' 32-bit values; a
// 64-bit handle is the value sign-extended, as windows.h defines them.
HKEY RootHandle(int32_t root)
{
    switch (static_cast<uint32_t>(root)) {
    case 0x80000000u:
        return HKEY_CLASSES_ROOT;
    case 0x80000001u:
        return HKEY_CURRENT_USER;
    case 0x80000002u:
        return HKEY_LOCAL_MACHINE;
    case 0x80000003u:
        return HKEY_USERS;
    default:
        return nullptr;
    }
}

// The section as the registry takes it: the same rules as the SQLite store,
// without the one trailing "\" that both allow.
std::optional<std::wstring> WidePath(int32_t root, std::string_view section)
{
    const auto parts = RegistryPath::Split(section);
    if (!RootHandle(root) || !parts)
        return std::nullopt;
    std::string path;
    for (const auto part : *parts) {
        if (!path.empty())
            path += '\\';
        path += part;
    }
    return WideText::FromUtf8(path);
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Registry strings are UTF-16; the store hands out UTF-8 with the same NULs.
// A stray odd byte at the end is no character and is dropped.
std::vector<uint8_t> FromRegistryData(DWORD type, const std::vector<uint8_t> &data)
{
    if (!IsStringType(type))
        return data;
    std::wstring wide(data.size() / 2, L'\0');
    std::copy_n(data.begin(), wide.size() * 2, reinterpret_cast<uint8_t *>(wide.data()));
    const auto utf8 = WideText::ToUtf8(wide);
    return std::vector<uint8_t>(utf8.begin(), utf8.end());
}

std::vector<uint8_t> ToRegistryData(int32_t type, const std::vector<uint8_t> &data)
{
    if (!IsStringType(static_cast<DWORD>(type)))
        return data;
    const auto wide = WideText::FromUtf8(
        std::string_view(reinterpret_cast<const char *>(data.data()), data.size()));
    const auto *bytes = reinterpret_cast<const uint8_t *>(wide.data());
    return std::vector<uint8_t>(bytes, bytes + wide.size() * 2);
}

RegistryStatus StatusOf(LSTATUS error)
{
    switch (error) {
    case ERROR_SUCCESS:
        return RegistryStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return RegistryStatus::KeyNotFound;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return RegistryStatus::BadName;
    default:
        return RegistryStatus::Unavailable;
    }
}

// An open key, closed when it goes out of scope.
class Key final
{
  public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;

    LSTATUS Open(HKEY parent, const std::wstring &path, REGSAM access)
    {
        return ::RegOpenKeyExW(parent, path.c_str(), 0, access, &m_key);
    }
    LSTATUS Create(HKEY parent, const std::wstring &path, REGSAM access)
    {
        return ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                 nullptr, &m_key, nullptr);
    }
    HKEY Handle() const { return m_key; }

  private:
    HKEY m_key = nullptr;
};

// Reads one value's type and data; the size is asked first and asked again
// should another program have made the value larger in between.
LSTATUS QueryRaw(HKEY key, const std::wstring &name, DWORD &type, std::vector<uint8_t> &data)
{
    DWORD size = 0;
    LSTATUS rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        if (size > RegistryPath::MaxValueBytes)
            return ERROR_NOT_ENOUGH_MEMORY;
        data.resize(size);
        rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                data.empty() ? nullptr : data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return rc;
        }
    }
    return rc;
}

// The names of a key's values, in the registry's order.
std::vector<std::wstring> ValueNames(HKEY key)
{
    std::vector<std::wstring> names;
    DWORD longest = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::wstring buffer(longest + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LSTATUS rc =
            ::RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2); // a value with a longer name came in between
            --index;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

std::vector<std::wstring> SubkeyNames(HKEY key)
{
    std::vector<std::wstring> names;
    wchar_t buffer[RegistryPath::MaxKeyNameChars + 1];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(buffer));
        if (::RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(buffer, length);
    }
    return names;
}

bool ReadValues(HKEY key, std::vector<RegistryRawValue> &values)
{
    for (const auto &name : ValueNames(key)) {
        DWORD type = 0;
        std::vector<uint8_t> data;
        const LSTATUS rc = QueryRaw(key, name, type, data);
        if (rc == ERROR_FILE_NOT_FOUND)
            continue; // deleted by another program meanwhile
        if (rc != ERROR_SUCCESS)
            return false;
        values.push_back(
            {WideText::ToUtf8(name), static_cast<int32_t>(type), FromRegistryData(type, data)});
    }
    return true;
}

bool ReadSubkeys(HKEY key, bool recursive, size_t depth, std::vector<RegistryKeySnapshot> &subkeys)
{
    if (depth > RegistryPath::MaxKeyDepth)
        return false;
    for (const auto &name : SubkeyNames(key)) {
        RegistryKeySnapshot subkey{WideText::ToUtf8(name), {}, {}};
        if (recursive) {
            Key child;
            const LSTATUS rc = child.Open(key, name, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
            if (rc == ERROR_FILE_NOT_FOUND)
                continue;
            if (rc != ERROR_SUCCESS || !ReadValues(child.Handle(), subkey.Values) ||
                !ReadSubkeys(child.Handle(), true, depth + 1, subkey.Subkeys))
                return false;
        }
        subkeys.push_back(std::move(subkey));
    }
    return true;
}

} // namespace

std::string RegistryStore::DefaultPath()
{
    return {};
}

bool RegistryStore::KeyExists(int32_t root, std::string_view section) const
{
    const auto path = WidePath(root, section);
    Key key;
    return path && key.Open(RootHandle(root), *path, KEY_QUERY_VALUE) == ERROR_SUCCESS;
}

std::optional<RegistryRawValue> RegistryStore::QueryValue(int32_t root, std::string_view section,
                                                          std::string_view name) const
{
    const auto path = WidePath(root, section);
    Key key;
    if (!path || key.Open(RootHandle(root), *path, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return std::nullopt;
    const auto wideName = WideText::FromUtf8(name);
    DWORD type = 0;
    std::vector<uint8_t> data;
    if (QueryRaw(key.Handle(), wideName, type, data) != ERROR_SUCCESS)
        return std::nullopt;
    RegistryRawValue value{std::string(name), static_cast<int32_t>(type),
                           FromRegistryData(type, data)};
    // The name in the case it was created with, as the registry lists it.
    for (const auto &stored : ValueNames(key.Handle()))
        if (::CompareStringOrdinal(stored.data(), static_cast<int>(stored.size()), wideName.data(),
                                   static_cast<int>(wideName.size()), TRUE) == CSTR_EQUAL) {
            value.Name = WideText::ToUtf8(stored);
            break;
        }
    return value;
}

std::optional<RegistryKeySnapshot> RegistryStore::ReadKey(int32_t root, std::string_view section,
                                                          bool recursive) const
{
    const auto path = WidePath(root, section);
    Key key;
    if (!path || key.Open(RootHandle(root), *path, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS) !=
                     ERROR_SUCCESS)
        return std::nullopt;
    RegistryKeySnapshot snapshot;
    const auto parts = RegistryPath::Split(section);
    if (!parts->empty())
        snapshot.Name = std::string(parts->back());
    if (!ReadValues(key.Handle(), snapshot.Values) ||
        !ReadSubkeys(key.Handle(), recursive, parts->size(), snapshot.Subkeys))
        return std::nullopt;
    return snapshot;
}

RegistryStatus RegistryStore::CreateKey(int32_t root, std::string_view section)
{
    const auto path = WidePath(root, section);
    if (!path)
        return RegistryStatus::BadName;
    Key key;
    return StatusOf(key.Create(RootHandle(root), *path, WriteAccess));
}

RegistryStatus RegistryStore::SetValue(int32_t root, std::string_view section,
                                       std::string_view name, int32_t type,
                                       const std::vector<uint8_t> &data)
{
    const auto path = WidePath(root, section);
    if (!path)
        return RegistryStatus::BadName;
    Key key;
    const LSTATUS rc = key.Create(RootHandle(root), *path, WriteAccess);
    if (rc != ERROR_SUCCESS)
        return StatusOf(rc);
    if (SettingsText::CharCount(name) > RegistryPath::MaxValueNameChars ||
        data.size() > RegistryPath::MaxValueBytes)
        return RegistryStatus::WriteFailed;
    const auto bytes = ToRegistryData(type, data);
    const auto wideName = WideText::FromUtf8(name);
    if (::RegSetValueExW(key.Handle(), wideName.c_str(), 0, static_cast<DWORD>(type),
                         bytes.empty() ? nullptr : bytes.data(),
                         static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
        return RegistryStatus::WriteFailed;
    return RegistryStatus::Ok;
}

RegistryStatus RegistryStore::DeleteKey(int32_t root, std::string_view section, bool withSubkeys)
{
    const auto path = WidePath(root, section);
    if (!path || path->empty())
        return RegistryStatus::BadName;
    Key key;
    const LSTATUS rc = key.Open(RootHandle(root), *path, KEY_QUERY_VALUE);
    if (rc != ERROR_SUCCESS)
        return StatusOf(rc);
    DWORD subkeys = 0;
    if (::RegQueryInfoKeyW(key.Handle(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return RegistryStatus::Unavailable;
    if (subkeys > 0 && !withSubkeys)
        return RegistryStatus::HasSubkeys;
    const LSTATUS deleted = subkeys > 0 ? ::RegDeleteTreeW(RootHandle(root), path->c_str())
                                        : ::RegDeleteKeyW(RootHandle(root), path->c_str());
    return deleted == ERROR_SUCCESS ? RegistryStatus::Ok : RegistryStatus::WriteFailed;
}

RegistryStatus RegistryStore::DeleteValue(int32_t root, std::string_view section,
                                          std::string_view name)
{
    const auto path = WidePath(root, section);
    if (!path)
        return RegistryStatus::BadName;
    Key key;
    const LSTATUS rc = key.Open(RootHandle(root), *path, KEY_SET_VALUE);
    if (rc != ERROR_SUCCESS)
        return StatusOf(rc);
    switch (::RegDeleteValueW(key.Handle(), WideText::FromUtf8(name).c_str())) {
    case ERROR_SUCCESS:
        return RegistryStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
        return RegistryStatus::ValueNotFound;
    default:
        return RegistryStatus::WriteFailed;
    }
}

RegistryStatus RegistryStore::DeleteAllValues(int32_t root, std::string_view section)
{
    const auto path = WidePath(root, section);
    if (!path)
        return RegistryStatus::BadName;
    Key key;
    const LSTATUS rc = key.Open(RootHandle(root), *path, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (rc != ERROR_SUCCESS)
        return StatusOf(rc);
    // Names first: deleting while enumerating would skip every second value.
    for (const auto &name : ValueNames(key.Handle())) {
        const LSTATUS deleted = ::RegDeleteValueW(key.Handle(), name.c_str());
        if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
            return RegistryStatus::WriteFailed;
    }
    return RegistryStatus::Ok;
}
