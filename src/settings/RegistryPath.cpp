#include "RegistryPath.h"

#include "RegistryTypes.h"
#include "SettingsText.h"

namespace RegistryPath {

std::optional<std::vector<std::string_view>> Split(std::string_view section)
{
    std::vector<std::string_view> parts;
    if (section.empty())
        return parts;
    if (section.front() == '\\')
        return std::nullopt;
    if (section.back() == '\\')
        section.remove_suffix(1);
    size_t start = 0;
    while (true) {
        const auto end = section.find('\\', start);
        const auto part = section.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty() || SettingsText::CharCount(part) > MaxKeyNameChars)
            return std::nullopt;
        parts.push_back(part);
        if (parts.size() > MaxKeyDepth)
            return std::nullopt;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

bool IsRoot(int root)
{
    using namespace RegistryTypes;
    return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE ||
           root == HKEY_USERS;
}

} // namespace RegistryPath
