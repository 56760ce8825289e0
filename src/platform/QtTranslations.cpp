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
    // The message boxes and file dialogs are qtbase's. A program that carries
    // its own copy (the Windows download, in "translations" beside it) uses
    // that; else Qt's installed ones.
    const QString folders[] = {QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/translations"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &folder : folders) {
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            return QCoreApplication::installTranslator(translator);
    }
    return false;
}

} // namespace QtTranslations
