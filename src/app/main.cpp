#include "LanguageFileWriter.h"
#include "QtTranslations.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vannerby"));
    QApplication::setApplicationVersion(QStringLiteral(VANNERBY_VERSION));
    // Qt's own buttons and dialogs speak the system's language, as the system's own do.
    QtTranslations::Install();
    // The shell has already split the command line; the window takes the
    // arguments as they are, without the program's own name.
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    // The build writes the shipped language file this way.
    if (arguments.size() == 2 && arguments[0] == QLatin1String(LanguageFileWriter::Option))
        return LanguageFileWriter::Write(arguments[1].toStdString());
    frmMain window(arguments);
    window.show();
    return QApplication::exec();
}
