#include "DisplayCheck.h"
#include "LanguageFileWriter.h"
#include "QtTranslations.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char *Usage =
    "Usage: vannerby [ARCHIVE...]\n"
    "Shows the files stored in Modellwelt PAK archives in a window and extracts them.\n"
    "The first ARCHIVE that is a PAK archive is opened.\n"
    "\n"
    "  -h, --help  print this help and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "vannerby-cli lists, extracts and checks archives on a terminal, without a window.\n";

enum class Request
{
    Window,
    Help,
    Version
};

// What the command line asks for, told before Qt is started, so that help and
// version need no display. "--" ends the options: what follows are archives.
Request Requested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            break;
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)
            return Request::Help;
        if (std::strcmp(argument, "--version") == 0)
            return Request::Version;
    }
    return Request::Window;
}

// Whether Qt is told on the command line where to show the window.
bool NamesPlatform(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"-platform", "--platform", "-display", "--display"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    switch (Requested(argc, argv)) {
    case Request::Help:
        std::fputs(Usage, stdout);
        return 0;
    case Request::Version:
        std::puts("vannerby " VANNERBY_VERSION);
        return 0;
    case Request::Window:
        break;
    }
    if (!NamesPlatform(argc, argv)) {
        const std::string problem = DisplayCheck::Problem();
        if (!problem.empty()) {
            std::fprintf(stderr,
                         "vannerby: %s\n"
                         "vannerby shows its window on a graphical desktop; on a terminal "
                         "use vannerby-cli.\n",
                         problem.c_str());
            return 2;
        }
    }
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
