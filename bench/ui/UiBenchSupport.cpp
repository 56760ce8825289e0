#include "UiBenchSupport.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

void QuietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg &&
        !message.contains(QStringLiteral("propagateSizeHints")) &&
        !message.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

QString CliPath()
{
    const QByteArray bin = qgetenv("VANNERBY_BIN");
    const QString folder =
        bin.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(bin);
    return folder + QStringLiteral("/vannerby-cli");
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
