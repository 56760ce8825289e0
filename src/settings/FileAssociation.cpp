#include "FileAssociation.h"

#include "SettingsText.h"
#include "ShellAssociation.h"
#include "cRegistry.h"

using namespace RegistryTypes;

namespace FileAssociation {

int16_t GetAssociationState(const std::string &sExePath)
{
    const auto own = ShellAssociation::OwnRoot();
    cRegistry reg;
    reg.SetClassKey(own.Root);
    reg.SetValueKey("");
    reg.SetDefault(Variant("NOT_SET"));
    const auto read = [&](const std::string &key) {
        reg.SetSectionKey(own.Prefix + key);
        reg.SetValueType(REG_SZ);
        try {
            return reg.Value().ToString();
        } catch (const VariantError &) {
            return std::string(); // data that is no text fails its check
        }
    };
    // The store writes the path in quotes: looking for the quoted path keeps
    // "/opt/v" from being found in "/opt/vannerby". Linux paths differ in case;
    // on Windows the program's own path is always written in the same case.
    const std::string quoted = "\"" + sExePath + "\"";
    const std::string classKey = ClassName;
    const bool stored =
        SettingsText::EqualsNoCase(read(std::string(".") + Extensions[0]), ClassName) &&
        SettingsText::EqualsNoCase(read(std::string(".") + Extensions[1]), ClassName) &&
        SettingsText::EqualsNoCase(read(classKey), ClassDescription) &&
        read(classKey + "\\shell\\open\\command").find(quoted) != std::string::npos &&
        read(classKey + "\\DefaultIcon").find(quoted) != std::string::npos;
    return stored && ShellAssociation::ShellAgrees(ClassName, {Extensions[0], Extensions[1]}) ? 1
                                                                                              : 0;
}

} // namespace FileAssociation
