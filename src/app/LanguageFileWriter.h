#pragma once

#include <string>

// Writes the complete language file that the package ships: every window is
// opened once, offscreen, so that it translates itself and looks up its message
// texts, and the language file fills itself with the German texts as they are
// looked up. Runs at build time as "vannerby --write-language-file PATH".
namespace LanguageFileWriter {

inline constexpr const char *Option = "--write-language-file";

// Writes the file at strPath anew; 0 when it was written, else 1.
int Write(const std::string &strPath);

} // namespace LanguageFileWriter
