#pragma once

#include <string>
#include <string_view>

// Text rules of the settings store.
namespace SettingsText {

// The text in capitals: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic
// letters are mapped; everything else (and invalid UTF-8) is kept byte for byte.
// Key names, value names and recent-list paths compare in this form.
std::string UpperCase(std::string_view text);
// True when both texts are equal in capitals.
bool EqualsNoCase(std::string_view a, std::string_view b);
// The number of characters of a UTF-8 text.
size_t CharCount(std::string_view text);
// Replaces every %NAME% whose NAME is set in the process environment by its
// value; an unknown name, an empty name and a lone "%" stay as written.
std::string ExpandEnvironmentStrings(std::string_view text);

} // namespace SettingsText
