#include "LocaleText.h"

#include <QLocale>

namespace LocaleText {

mdlTools::NumberFormat NumberFormat()
{
    const QLocale locale;
    mdlTools::NumberFormat format;
    format.ThousandsSeparator = locale.groupSeparator().toStdString();
    format.DecimalPoint = locale.decimalPoint().toStdString();
    return format;
}

QString Count(int64_t count)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<qlonglong>(count));
}

QString Size(int64_t bytes)
{
    if (bytes == 1)
        return QStringLiteral("1 Byte");
    return QString::fromStdString(
        mdlTools::FormatFileSize(static_cast<double>(bytes), NumberFormat()));
}

QString CountOf(int64_t count, const QString &one, const QString &many)
{
    return Count(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

} // namespace LocaleText
