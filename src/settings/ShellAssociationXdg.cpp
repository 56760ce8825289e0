// File classes on Linux: the settings store's two class roots, followed by the
// desktop's MIME type, desktop entry and default application.
#include "ShellAssociation.h"

#include "DesktopAssociation.h"
#include "RegistryTypes.h"

namespace ShellAssociation {

std::vector<ClassRoot> WriteRoots()
{
    return {{RegistryTypes::HKEY_CLASSES_ROOT, ""}, OwnRoot()};
}

ClassRoot OwnRoot()
{
    return {RegistryTypes::HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\"};
}

void NotifyAssociationChanged(bool bCreated, const std::string &sClassName,
                              const std::string &sExePath)
{
    DesktopAssociation::NotifyAssociationChanged(bCreated, sClassName, sExePath);
}

bool ShellAgrees(const std::string & /*sClassName*/,
                 const std::vector<std::string> & /*extensions*/)
{
    return DesktopAssociation::DesktopAgrees();
}

} // namespace ShellAssociation
