#pragma once

#include <optional>
#include <string>
#include <string_view>

// Finds Windows programs installed in a Wine prefix, the way Linux players run
// the simulator. The prefix's files are only ever read: nothing here writes them.
namespace WinePrefix {

// The key of the simulator's installation in the prefix's system.reg, which
// Wine keeps relative to HKEY_LOCAL_MACHINE.
inline constexpr const char *SimulatorKey = "Software\\Classes\\Software\\Dunkelfeld\\KMXP";
// A registry file larger than this is not one Wine wrote; it is not read.
inline constexpr long long MaxRegistryFileSize = 256ll * 1024 * 1024;

// $WINEPREFIX, else ~/.wine; empty when neither can be named.
std::string PrefixFolder();

// The string value sValueName ("" for the key's default value "@") of the key
// sKey in a registry file in Wine's text format, undoing its escapes, as UTF-8.
// Key and value names compare without regard to letter case. Nothing when the
// file, key or value is missing, the value is no string, or the file is damaged
// or too large.
std::optional<std::string> ReadRegistryString(const std::string &sFile, std::string_view sKey,
                                              std::string_view sValueName);

// A Windows path ("C:\Programme\KMXP") as the Linux path of the existing file or
// folder it names in the prefix: the drive through the prefix's dosdevices
// links, then each part found without regard to letter case, as Wine finds it.
// Empty when the path is not absolute or does not exist.
std::string ToLinuxPath(const std::string &sPrefix, std::string_view sWindowsPath);

// The folder of the simulator's executable (the text of its AppPath before the
// last backslash) in the prefix, or empty when the simulator is not found there.
std::string FindSimulatorFolder(const std::string &sPrefix);

} // namespace WinePrefix
