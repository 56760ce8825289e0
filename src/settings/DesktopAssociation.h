#pragma once

#include <string>

// What a Linux desktop reads to open the simulator's archives with Vannerby,
// for the current user: a MIME type in $XDG_DATA_HOME/mime, a desktop entry in
// $XDG_DATA_HOME/applications and the type's default application in
// $XDG_CONFIG_HOME/mimeapps.list. The settings store's association keys are
// the program's own record; these files are what file managers follow.
namespace DesktopAssociation {

inline constexpr const char *MimeType = "application/x-modellwelt-pak";
inline constexpr const char *DesktopFileName = "vannerby.desktop";
// The MIME package's file name below mime/packages.
inline constexpr const char *MimePackageName = "vannerby.xml";

// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHome();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHome();

// The MIME package: globs *.pak and *.pa- at the default weight, so that the
// content decides against other types with the same glob, and the archive
// signature "PAK" + NUL at offset 0. bWithSharedType adds the shared
// database's other *.pak type, which a user's own database needs.
std::string MimePackageXml(bool bWithSharedType);
// The desktop entry; sExec is the command line before the file argument,
// already quoted as desktop entries require (see QuoteExec).
std::string DesktopEntry(const std::string &sExec);
// A program path quoted as one argument of a desktop entry's Exec key.
std::string QuoteExec(const std::string &sPath);

// Writes the three files for the program at sExePath and refreshes the user's
// MIME database. Failures are ignored: the desktop simply does not follow.
void Register(const std::string &sExePath);
// Removes them again; a default application other than Vannerby stays.
void Unregister();

// The settings store calls this at the end of its association operations: it
// registers or removes the desktop files for the program's own file class and
// does nothing for any other class.
void NotifyAssociationChanged(bool bCreated, const std::string &sClassName,
                              const std::string &sExePath);

// False only when xdg-mime is installed and does not answer Vannerby's desktop
// entry as the default application of the type.
bool DesktopAgrees();

} // namespace DesktopAssociation
