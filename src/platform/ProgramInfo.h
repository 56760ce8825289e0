#pragma once

#include <QIcon>
#include <QString>

// What the program says about itself: its version information and its icon.
// On Windows both come from the executable's own resources (VERSIONINFO and the
// icon Explorer shows), so that the about box shows what the file carries; on
// Linux the version is compiled in and the icon is the desktop theme's.
// ProgramInfoPosix.cpp and ProgramInfoWin32.cpp.
namespace ProgramInfo {

struct Version
{
    QString ProductName;
    int Major = 0, Minor = 0, Revision = 0;
    QString Description;
    QString Copyright;
};

// The running program's version information; the compiled-in values where the
// executable carries none (a test program).
Version ProgramVersion();

// The program icon; fallback when there is none.
QIcon ProgramIcon(const QIcon &fallback);

} // namespace ProgramInfo
