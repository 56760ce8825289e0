#pragma once

#include <string>
#include <string_view>

// The language file: one INI file beside the program that replaces every text
// a window shows and fills itself with the built-in German texts as they are
// looked up, so that a translator only has to edit it. Nothing is cached; every
// text is read from the file when asked.
namespace mdlI18n {

// Points the module at another language file instead of "vannerby.lng" beside
// the running executable (tests and tools use it so that they never write there).
// Only possible before the first TranslateText: the file is fixed for the whole
// run from then on. Returns false, changing nothing, when it is already fixed.
bool SetLanguageFile(std::string strPath);

// The language file in use; empty until it is fixed by the first TranslateText.
std::string LanguageFile();

// The text of one entry: the value of sKey in sSection when it is not blank;
// otherwise sDefault, which is then written as the entry (a read-only file keeps
// it unwritten). Every "\n" in the result becomes CR LF.
std::string TranslateText(std::string_view sSection, std::string_view sKey,
                          std::string_view sDefault);

} // namespace mdlI18n
