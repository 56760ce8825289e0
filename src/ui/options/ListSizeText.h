#pragma once

#include <QChar>
#include <QString>

#include <cstdint>

// The number rules of the options dialog's two list-size boxes.
namespace ListSizeText {

// The text a box shows after any change: the absolute value of the number the
// text starts with, in decimal. Blanks, tabs and line breaks are ignored wherever
// they stand; then an optional sign, digits and one decimal point (a "." or the
// locale's decimalPoint) are read up to the first other character. A text
// without a leading number gives "0". Digits are kept as typed, however many
// (no leading zeros, no trailing zeros after the point); a fraction shows with
// decimalPoint, so that normalising the result again changes nothing.
QString Normalise(const QString &text, QChar decimalPoint);

// The number a text starts with, read as Normalise reads it, without its sign;
// too long a number gives infinity.
double Value(const QString &text, QChar decimalPoint);

// A list size as a 32-bit integer: rounded, halves to the even neighbour, and
// held to 0 ... 2147483647 instead of overflowing.
int32_t ToLong(double value);

} // namespace ListSizeText
