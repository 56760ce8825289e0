#include "ExtractText.h"

#include "LocaleText.h"
#include "mdlI18n.h"
#include "mdlTools.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace ExtractText {

QString FileSize(int64_t bytes)
{
    return LocaleText::Size(bytes);
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
