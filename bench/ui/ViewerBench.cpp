// Times the main window on generated archives of 1,000, 10,000 and 100,000
// entries, offscreen, against `vannerby-cli list -l` of the same archive; the
// structure check against loading the same archive.
#include "FilterBar.h"
#include "PakListModel.h"
#include "PakWriter.h"
#include "UiBenchSupport.h"
#include "frmMain.h"
#include "mdlPakCheck.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Figures
{
    int Entries = 0;
    double Cli = 0, Open = 0, SortName = 0, SortSize = 0, SortTime = 0, SelectAll = 0, Copy = 0;
    double FilterText = 0, FilterPattern = 0; // one keystroke, the slower way of the two
    int ShownText = 0, ShownPattern = 0;      // rows the filters leave
    double Load = 0, Check = 0;               // ReadPakFile and CheckPakArchive, same archive
};

double Milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Best of a few runs, so that one scheduling hiccup does not decide a figure.
double Best(int runs, const std::function<double()> &measure)
{
    double best = 1e100;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, measure());
    return best;
}

std::string ArchivePath(const QString &folder, int entries)
{
    return (folder + QStringLiteral("/bench%1.pak").arg(entries)).toStdString();
}

std::string WriteArchive(const QString &folder, int entries)
{
    std::mt19937 random(static_cast<unsigned>(entries));
    std::uniform_int_distribution<int> size(0, 300);
    std::uniform_int_distribution<int> folders(0, 199);
    std::uniform_int_distribution<uint64_t> moment(0, 20ULL * 365 * 86400);
    const char *const extensions[] = {"dds", "bmp", "wav", "txt", "mdl", "ini"};
    std::vector<PakWriterEntry> list;
    list.reserve(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        PakWriterEntry entry;
        entry.Name = "Resourcen\\Ordner" + std::to_string(folders(random)) + "\\Datei" +
                     std::to_string((i * 7919) % entries) + "." + extensions[i % 6];
        entry.Data.assign(static_cast<size_t>(size(random)), 'x');
        // 2000-01-01 plus up to twenty years, as FILETIME.
        const uint64_t seconds = 946684800ULL + moment(random);
        entry.CreationTime = (seconds + 11644473600ULL) * 10000000ULL;
        entry.LastAccessTime = entry.CreationTime + 10000000ULL * 3600;
        entry.LastWriteTime = entry.CreationTime + 10000000ULL * 60;
        list.push_back(std::move(entry));
    }
    PakWriterOptions options;
    options.WithTimeTable = true;
    const std::string path = ArchivePath(folder, entries);
    if (!WritePak(path, list, options)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

double RunCli(const std::string &archive)
{
    return Milliseconds([&archive] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(CliPath(), {QStringLiteral("list"), QStringLiteral("-l"),
                                  QString::fromStdString(archive)});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            std::fprintf(stderr, "vannerby-cli failed: %s\n", qPrintable(CliPath()));
            std::exit(1);
        }
    });
}

void Settle()
{
    QCoreApplication::processEvents();
}

Figures Measure(const std::string &archive, int entries)
{
    Figures f;
    f.Entries = entries;
    f.Cli = Best(3, [&archive] { return RunCli(archive); });
    frmMain window;
    window.resize(900, 700);
    window.show();
    Settle();
    const QString path = QString::fromStdString(archive);
    f.Open = Best(3, [&] {
        window.LoadPakFile(QString());
        Settle();
        return Milliseconds([&] {
            window.OpenPakFile(path);
            Settle(); // the rows are painted
        });
    });
    if (window.ListModel()->rowCount() != entries) {
        std::fprintf(stderr, "archive not listed\n");
        std::exit(1);
    }
    // Each click sorts ascending the first time; a column sorted ascending sorts
    // descending on the next click, so every run does the same amount of work.
    const auto sortFigure = [&](int column) {
        return Best(3, [&] {
            return Milliseconds([&] {
                window.ColumnClick(column);
                Settle();
            });
        });
    };
    f.SortName = sortFigure(PakListModel::ColName);
    f.SortSize = sortFigure(PakListModel::ColSize);
    f.SortTime = sortFigure(PakListModel::ColLastWriteTime);
    f.SelectAll = Best(3, [&] {
        window.EditDeSelectAll();
        Settle();
        return Milliseconds([&] {
            window.EditSelectAll();
            Settle();
        });
    });
    f.Copy = Best(3, [&] { return Milliseconds([&] { window.EditCopy(); }); });
    window.EditDeSelectAll();

    // One keystroke in the filter box, as the box gets it: typing the last
    // character of the text (narrowing) and erasing it again (widening); the
    // slower of the two counts. The list is repainted in each.
    QLineEdit *box = window.Filter()->Box();
    const auto key = [box](int code, const QString &text) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(box, &release);
        Settle();
    };
    const auto keystroke = [&](const QString &text, int &shown) {
        box->setText(text.chopped(1));
        box->setCursorPosition(static_cast<int>(text.size()) - 1);
        Settle();
        const QString last = text.right(1);
        const int code =
            last.at(0).isLetterOrNumber() ? last.at(0).toUpper().unicode() : last.at(0).unicode();
        double worst = 0;
        for (int run = 0; run < 5; ++run) {
            const double typed = Milliseconds([&] { key(code, last); });
            shown = window.ListModel()->rowCount();
            const double erased = Milliseconds([&] { key(Qt::Key_Backspace, QString()); });
            worst = run == 0 ? std::max(typed, erased) : std::min(worst, std::max(typed, erased));
        }
        box->clear();
        Settle();
        return worst;
    };
    // About one name in nine: "Datei" followed by a number starting with 1.
    f.FilterText = keystroke(QStringLiteral("datei1"), f.ShownText);
    // About one in eleven: a folder Ordner1... and an extension d?s.
    f.FilterPattern = keystroke(QStringLiteral("*ordner1*.d?s"), f.ShownPattern);

    // The structure check against loading the same archive, in alternating pairs.
    f.Load = 1e100;
    f.Check = 1e100;
    for (int pair = 0; pair < 9; ++pair) {
        PakArchive loaded;
        f.Load = std::min(f.Load, Milliseconds([&] {
                              if (!ReadPakFile(archive, loaded)) {
                                  std::fprintf(stderr, "cannot load\n");
                                  std::exit(1);
                              }
                          }));
        f.Check = std::min(f.Check, Milliseconds([&] {
                               if (!CheckPakArchive(loaded)) {
                                   std::fprintf(stderr, "cannot check\n");
                                   std::exit(1);
                               }
                           }));
    }
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings, language file and temporary files of the run stay in a folder of its own.
    QTemporaryDir sandbox;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.path() + QStringLiteral("/config")));
    qputenv("TMPDIR", QFile::encodeName(sandbox.path()));
    // The archives are written by a child process, so that their building does
    // not count towards the viewer's peak memory.
    const int sizes[] = {1000, 10000, 100000};
    const pid_t writer = fork();
    if (writer == 0) {
        for (const int entries : sizes)
            WriteArchive(sandbox.path(), entries);
        std::_Exit(0);
    }
    int status = 0;
    if (writer < 0 || waitpid(writer, &status, 0) != writer || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cannot write the archives\n");
        return 1;
    }
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);

    std::vector<Figures> all;
    for (const int entries : sizes)
        all.push_back(Measure(ArchivePath(sandbox.path(), entries), entries));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;

    std::printf("%-9s %9s %9s %6s %9s %9s %9s %9s %9s\n", "entries", "cli ms", "open ms", "x cli",
                "sortName", "sortSize", "sortTime", "selAll", "copy ms");
    for (const Figures &f : all)
        std::printf("%-9d %9.1f %9.1f %6.2f %9.1f %9.1f %9.1f %9.2f %9.1f\n", f.Entries, f.Cli,
                    f.Open, f.Open / f.Cli, f.SortName, f.SortSize, f.SortTime, f.SelectAll,
                    f.Copy);
    const Figures &a = all[1];
    const Figures &b = all[2];
    const double nlogn = (100000.0 * std::log(100000.0)) / (10000.0 * std::log(10000.0));
    std::printf("growth 10,000 -> 100,000 (n log n = %.1f): open %.1f, sortName %.1f, sortSize "
                "%.1f, sortTime %.1f, selAll %.1f, copy %.1f\n",
                nlogn, b.Open / a.Open, b.SortName / a.SortName, b.SortSize / a.SortSize,
                b.SortTime / a.SortTime, b.SelectAll / a.SelectAll, b.Copy / a.Copy);
    std::printf("\n%-9s %9s %7s %9s %7s %9s %9s %6s\n", "entries", "filter ms", "shown", "pattern",
                "shown", "load ms", "check ms", "x load");
    for (const Figures &f : all)
        std::printf("%-9d %9.2f %7d %9.2f %7d %9.2f %9.2f %6.2f\n", f.Entries, f.FilterText,
                    f.ShownText, f.FilterPattern, f.ShownPattern, f.Load, f.Check,
                    f.Check / f.Load);
    std::printf(
        "growth 10,000 -> 100,000 (n log n = %.1f): filter %.1f, pattern %.1f, check %.1f\n", nlogn,
        b.FilterText / a.FilterText, b.FilterPattern / a.FilterPattern, b.Check / a.Check);
    std::printf("peak memory %.1f MiB\n", peakMiB);
    std::printf(
        "targets at 100,000: open <= 300 ms and <= 3x cli, sorts <= 150 ms, select all "
        "<= 50 ms, copy <= 300 ms, peak <= 150 MiB, filter keystroke <= 50 ms, check <= 100 ms\n");
    return 0;
}
