#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Our reader and writer of profile (INI) files, with the rules of the Windows
// profile-string functions that the program relies on, so that one file serves
// both systems:
// - a section starts with a line "[name]"; its entries are lines "key=value";
//   CR LF, LF and a lone CR each end a line;
// - section and key names compare without regard to letter case (ASCII, and the
//   Latin letters of Windows-1252 in such files); blanks around names and values
//   are removed; a value enclosed in matching double or single quotes is read
//   without them; the first section of a name and its first key of a name count;
// - lines the reader does not understand (text before the first section, lines
//   without "=", lines starting with ";") are kept as they are on every rewrite;
//   comment lines are no keys, except to a read that asks for a key with ";";
// - a section's name ends at its line's last "]"; a "[" line without "]" is
//   an ordinary line;
// - the file is Windows-1252 unless it starts with a UTF-8 byte-order mark, then
//   UTF-8; the caller's texts are UTF-8 in either case;
// - every call reads the file once and keeps nothing; a change is written to a
//   temporary file in the same folder and renamed over the old one.
// Nothing here throws; a missing file reads as empty.
namespace ProfileFile {

// Largest file read or rewritten. A bigger file reads as missing and refuses
// every write, so it is never truncated.
inline constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

// Like GetPrivateProfileString.
// - With section and key: the key's value, or defaultText when the file, the
//   section or the key is missing, cut to bufferSize - 1 characters.
// - With a key, defaultText loses its trailing spaces (not tabs).
// - With a section and no key: the section's key names, each followed by NUL;
//   defaultText (cut as above) when the section is missing or has no keys.
// - With no section: the file's section names, each followed by NUL.
// A list longer than bufferSize - 1 characters is cut to bufferSize - 2, so that
// only names followed by their NUL are complete. The result's length in
// characters is what the platform function returns.
std::string GetString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                      std::string_view defaultText, int32_t bufferSize, const std::string &path);

// Like WritePrivateProfileString: stores value as the key's value, creating the
// file, the section and the key as needed; no value deletes the key, no key
// deletes the whole section. The value ends at its first NUL, as a C string
// would. Returns non-zero on success and 0 when it cannot be done (no section,
// names or values the file format cannot hold, an unreadable, oversized,
// read-only or UTF-16 file, a folder that cannot be written, a full disk); the
// file is then left as it was.
int32_t WriteString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value, const std::string &path);

} // namespace ProfileFile
