#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// File, path and text routines shared by the whole program. On Linux paths use
// "/" as their separator and a root "/" plays the part of a drive root; on
// Windows "\" separates (a "/" counts too) and "C:\" and "\\server\share\" are
// roots. The system's part is in mdlToolsPosix.cpp and mdlToolsWin32.cpp.
// None of them shows a message; existence tests answer false on any failure.
namespace mdlTools {

// Appends "/" unless the path is empty or already ends with one.
std::string AddBackslash(std::string_view path);
// Drops one trailing "/", except from the root "/" itself.
std::string RemoveBackslash(std::string_view path);
// The text before the last "/"; empty when there is none.
std::string GetFolderPart(std::string_view path);
// The text after the last "/"; the whole path when there is none.
std::string GetFileName(std::string_view path);
// The text after the last "." when it stands after the last "/"; else empty.
std::string GetFileExtension(std::string_view path);
// The text before the first NUL character.
std::string StripNulls(std::string_view text);

// The running executable's folder, with one trailing "/".
std::string GetAppFolder();
// The running executable's full path.
std::string GetAppExePath();

// True when the path exists and is not a folder.
bool FileExists(const std::string &path);
// True when the path exists and is a folder.
bool DirExists(const std::string &path);
// Creates the folder and every missing folder above it; true when it exists afterwards.
bool CreatePath(const std::string &path);
// Deletes a file, or a folder with everything in it, without following symbolic links.
bool DeletePath(const std::string &path);

// The absolute, lexically normalised form of a path; empty for an empty path.
std::string GetFullPath(std::string_view path);
// The absolute path of an existing file or folder; empty when it does not exist.
std::string GetLongPath(const std::string &path);
// Linux has no short names: the path unchanged (Windows: the 8.3 form, empty
// when the path does not exist).
std::string GetShortPath(const std::string &path);
// $TMPDIR, or /tmp, with a trailing "/" (Windows: GetTempPathW).
std::string GetTempFolder();
// The program's private temporary folder (vannerby-<uid> below GetTempFolder,
// mode 0700), created when missing, with a trailing "/". Empty when it cannot be
// had safely: it is a symbolic link, not a folder, or owned by another user.
// On Windows, whose temporary folder is the user's own, vannerby-<process id>
// below it, refused when it is a reparse point.
std::string GetPrivateTempFolder();

// Separators for number texts; taken from the C library's LC_NUMERIC by default.
struct NumberFormat
{
    std::string ThousandsSeparator;
    std::string DecimalPoint = ".";
    static NumberFormat FromCLocale();
};
// An integer with thousands separators ("#,##0").
std::string FormatNumber(int64_t value, const NumberFormat &format);
// A byte count as "1.023 Bytes", "1,00 KB", "1,00 MB" or "1,00 GB" (powers of 1024).
std::string FormatFileSize(double size, const NumberFormat &format = NumberFormat::FromCLocale());

// Splits a whole command line into arguments: blanks and tabs separate, double quotes group.
std::vector<std::string> SplitCommandLine(std::string_view text);
// Writes piece into buffer after its first `used` characters, growing it in large steps.
void AppendToBuffer(std::string &buffer, std::string_view piece, int32_t &used);

// Appends one code point (below U+10000) as UTF-8.
void AppendUtf8(std::string &out, char32_t cp);
// Windows-1252 bytes as UTF-8. The five undefined bytes map to U+0081, U+008D,
// U+008F, U+0090 and U+009D, so that every byte survives the round trip.
std::string Cp1252ToUtf8(std::string_view text);
// The same, appended to out.
void AppendCp1252AsUtf8(std::string &out, std::string_view text);
// UTF-8 as Windows-1252; characters it cannot hold (and invalid UTF-8) become "?".
std::string Utf8ToCp1252(std::string_view text);

// A FILETIME: 100-nanosecond intervals since 1601-01-01 UTC.
using FileTime = uint64_t;
FileTime FileTimeFromTimespec(const timespec &time);
timespec FileTimeToTimespec(FileTime time);
// Whole seconds since 1970-01-01 UTC, rounded down.
int64_t FileTimeToUnixSeconds(FileTime time);

} // namespace mdlTools
