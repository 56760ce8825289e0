#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where file classes are registered on this system and how the shell learns of
// a change. Linux (ShellAssociationXdg.cpp): below HKEY_CLASSES_ROOT and
// HKEY_LOCAL_MACHINE "SOFTWARE\Classes" of the settings store, and the desktop's
// own files (DesktopAssociation). Windows (ShellAssociationWin32.cpp): below
// HKEY_CURRENT_USER "Software\Classes", which a program without administrator
// rights may write and which Windows merges into HKEY_CLASSES_ROOT.
namespace ShellAssociation {

struct ClassRoot
{
    int32_t Root;
    const char *Prefix; // put before the class or extension key: "" or ends in "\"
};

// The roots the association operations write each entry to, in order.
std::vector<ClassRoot> WriteRoots();
// The one root that DeleteEXEAssociation removes from and the association check reads.
ClassRoot OwnRoot();

// Tells the shell that the association of sClassName was created or removed;
// sExePath is the program's path without quotes (empty for a removal).
void NotifyAssociationChanged(bool bCreated, const std::string &sClassName,
                              const std::string &sExePath);

// False when the shell would open the extensions with another program than the
// one the class keys name (a choice of the user's own that outranks them).
bool ShellAgrees(const std::string &sClassName, const std::vector<std::string> &extensions);

} // namespace ShellAssociation
