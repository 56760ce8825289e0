#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace QtTranslations {

bool Install(const QLocale &locale)
{
    // One translator for the whole run, owned by the application.
    static QTranslator *translator = nullptr;
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr)
        return false;
    if (translator != nullptr) {
        QCoreApplication::removeTranslator(translator);
    } else {
        translator = new QTranslator(app);
    }
    // The message boxes and file dialogs are qtbase's.
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(translator);
}

} // namespace QtTranslations
