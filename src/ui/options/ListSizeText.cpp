#include "ListSizeText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace ListSizeText {

namespace {

struct Number
{
    QString Digits;   // before the point, without leading zeros
    QString Fraction; // after the point, without trailing zeros
};

bool IsIgnored(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

Number Read(const QString &text, QChar decimalPoint)
{
    Number number;
    bool signSeen = false;
    bool anySeen = false; // a digit or the point has been read
    bool pointSeen = false;
    for (const QChar c : text) {
        if (IsIgnored(c))
            continue;
        if (!signSeen && !anySeen && (c == QLatin1Char('-') || c == QLatin1Char('+'))) {
            signSeen = true;
            continue;
        }
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            (pointSeen ? number.Fraction : number.Digits) += c;
            anySeen = true;
            continue;
        }
        if (!pointSeen && (c == QLatin1Char('.') || c == decimalPoint)) {
            pointSeen = true;
            anySeen = true;
            continue;
        }
        break;
    }
    qsizetype lead = 0;
    while (lead < number.Digits.size() && number.Digits.at(lead) == QLatin1Char('0'))
        ++lead;
    number.Digits.remove(0, lead);
    while (number.Fraction.endsWith(QLatin1Char('0')))
        number.Fraction.chop(1);
    return number;
}

} // namespace

QString Normalise(const QString &text, QChar decimalPoint)
{
    const Number number = Read(text, decimalPoint);
    QString result = number.Digits.isEmpty() ? QStringLiteral("0") : number.Digits;
    if (!number.Fraction.isEmpty())
        result += decimalPoint + number.Fraction;
    return result;
}

double Value(const QString &text, QChar decimalPoint)
{
    const Number number = Read(text, decimalPoint);
    // from_chars ignores the process locale, unlike strtod.
    const std::string plain =
        (number.Digits.isEmpty() ? QStringLiteral("0") : number.Digits).toStdString() + "." +
        number.Fraction.toStdString() + "0";
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range)
        return std::numeric_limits<double>::infinity();
    return error == std::errc() ? value : 0;
}

int32_t ToLong(double value)
{
    if (std::isnan(value) || value <= 0)
        return 0;
    constexpr double largest = std::numeric_limits<int32_t>::max();
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    return rounded >= largest ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(rounded);
}

} // namespace ListSizeText
