#include "UiBenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

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

double PeakMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::unique_ptr<QTemporaryDir> MakeBenchFolder(const QString &name)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray base = qgetenv("BENCH_DIR");
    auto folder = std::make_unique<QTemporaryDir>(
        (base.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(base)) + QLatin1Char('/') +
        name);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder->path() + QStringLiteral("/config")));
    return folder;
}
