#pragma once

#include "mdlTools.h"

#include <QString>

#include <cstdint>

// Counts and sizes as every window shows them: digits grouped by the user's
// locale ("40.000"), sizes through the core's size formatting, one byte as
// "1 Byte".
namespace LocaleText {

// The separators of the Qt locale in the form the core's number formatting takes.
mdlTools::NumberFormat NumberFormat();

// A count with the locale's group separator.
QString Count(int64_t count);

// The size text of a byte count ("1 Byte", "999 Bytes", "1,50 KB").
QString Size(int64_t bytes);

// A count followed by the singular word for exactly one, else the plural:
// "1 Datei", "40.000 Dateien".
QString CountOf(int64_t count, const QString &one, const QString &many);

} // namespace LocaleText
