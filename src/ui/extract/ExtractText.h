#pragma once

#include "mdlPakFile.h"

#include <QString>

#include <cstdint>
#include <string_view>

// Texts the extraction windows show: sizes and dates in the user's locale, and
// the language file's entries of a window's section.
namespace ExtractText {

// FormatFileSize with the locale's separators ("1,50 KB").
QString FileSize(int64_t bytes);
// The local date and time of a file time, "dd.MM.yyyy hh:mm:ss", as the list shows it.
QString FileDateTime(FileTime time);
// TranslateText of one entry in section, with CR LF as Qt's line break.
QString Translate(std::string_view section, std::string_view key, const QString &defaultText);

} // namespace ExtractText
