#include "ExtractText.h"

#include "mdlI18n.h"
#include "mdlTools.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace ExtractText {

QString FileSize(int64_t bytes)
{
    const QLocale locale;
    mdlTools::NumberFormat format;
    format.ThousandsSeparator = locale.groupSeparator().toStdString();
    format.DecimalPoint = locale.decimalPoint().toStdString();
    return QString::fromStdString(mdlTools::FormatFileSize(static_cast<double>(bytes), format));
}

QString FileDateTime(FileTime time)
{
    const DateTime date = FileTimeToDate(time);
    const QDate day(date.Year, date.Month, date.Day);
    const QTime moment(date.Hour, date.Minute, date.Second);
    if (!day.isValid() || !moment.isValid())
        return QStringLiteral("-");
    const QLocale locale;
    return locale.toString(day, QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ') +
           locale.toString(moment, QStringLiteral("hh:mm:ss"));
}

QString Translate(std::string_view section, std::string_view key, const QString &defaultText)
{
    const std::string text = mdlI18n::TranslateText(section, key, defaultText.toStdString());
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace ExtractText
