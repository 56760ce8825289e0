#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vannerby"));
    QApplication::setApplicationVersion(QStringLiteral(VANNERBY_VERSION));
    // The shell has already split the command line; the window takes the
    // arguments as they are, without the program's own name.
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    frmMain window(arguments);
    window.show();
    return QApplication::exec();
}
