#pragma once

// What the Windows implementations of the core's platform files share.
// Windows build only.

#include <string>
#include <string_view>

namespace PlatformFiles {

// The errno value a Win32 error code stands for, chosen so that PakErrorFromErrno
// gives the code the error box should show (ERROR_PATH_NOT_FOUND: 76,
// ERROR_ACCESS_DENIED: 70, ERROR_DISK_FULL: 61, ...).
int ErrnoOfWin32Error(unsigned long error);
// Sets errno from GetLastError().
void SetErrnoFromLastError();

// A UTF-8 path as the wide API takes it beyond 260 characters: "\" for "/",
// made absolute, and with the "\\?\" prefix ("\\?\UNC\" for a network path).
std::wstring LongPath(std::string_view path);
// The UTF-8 form of a path the system handed out, without the "\\?\" prefix.
std::string ShortForm(std::wstring_view path);

} // namespace PlatformFiles
