#pragma once

// UTF-8 <-> UTF-16 for the Windows wide-character API. Everything inside the
// program is UTF-8; Windows names, registry strings and command lines are UTF-16.
// Windows build only.

#include <string>
#include <string_view>

namespace WideText {

// Unpaired surrogates and invalid bytes become U+FFFD.
std::wstring FromUtf8(std::string_view text);
std::string ToUtf8(std::wstring_view text);

} // namespace WideText
