// File classes on Windows: per user, because a program that is not elevated
// cannot write HKEY_LOCAL_MACHINE, and Windows 8 and later let no program make
// itself the default silently over the user's own choice.
#include "ShellAssociation.h"

#include "RegistryStore.h"
#include "SettingsText.h"

#include <windows.h>

#include <shlobj.h>

namespace ShellAssociation {

std::vector<ClassRoot> WriteRoots()
{
    return {OwnRoot()};
}

// HKEY_CURRENT_USER's value; windows.h takes the name for its own handle.
constexpr int32_t CurrentUser = static_cast<int32_t>(0x80000001u);

ClassRoot OwnRoot()
{
    return {CurrentUser, "Software\\Classes\\"};
}

void NotifyAssociationChanged(bool /*bCreated*/, const std::string & /*sClassName*/,
                              const std::string & /*sExePath*/)
{
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

bool ShellAgrees(const std::string &sClassName, const std::vector<std::string> &extensions)
{
    // The choice made in Explorer's "Open with" outranks every class key.
    RegistryStore store(RegistryStore::DefaultPath());
    for (const auto &extension : extensions) {
        const auto choice =
            store.QueryValue(CurrentUser,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\." +
                                 extension + "\\UserChoice",
                             "ProgId");
        if (!choice)
            continue;
        std::string progId(choice->Data.begin(), choice->Data.end());
        progId = progId.substr(0, progId.find('\0'));
        if (!SettingsText::EqualsNoCase(progId, sClassName))
            return false;
    }
    return true;
}

} // namespace ShellAssociation
