#pragma once

#include <cstdint>
#include <string>

// The program's own file association: the simulator's archive extensions
// "pak" and "pa-" opened with this executable through the class "KMX.Resourcen".
namespace FileAssociation {

inline constexpr const char *ClassName = "KMX.Resourcen";
inline constexpr const char *ClassDescription = "Modellwelt Professional Resourcen";
inline constexpr const char *Extensions[] = {"pak", "pa-"};

// 1 when the association points to the executable sExePath, else 0: below
// the own class root (Linux: HKEY_LOCAL_MACHINE "SOFTWARE\Classes\", Windows:
// HKEY_CURRENT_USER "Software\Classes\") both extensions name the class, the
// class has its description (texts compared without regard to case), its open
// command and its icon hold the quoted path; and the shell agrees (Linux:
// where xdg-mime is installed, it answers Vannerby's desktop entry as the
// archives' default application; Windows: no choice of the user's in
// Explorer names another program). The checks stop at the first that fails.
int16_t GetAssociationState(const std::string &sExePath);

} // namespace FileAssociation
