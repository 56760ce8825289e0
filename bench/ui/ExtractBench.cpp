// Times extraction runs through the progress window, offscreen, against
// `vannerby-cli extract` of the same archive in the same run: 20,000 small
// entries in rotating rounds (against the tool as it runs by default and with
// -j 1, one entry at a time like the window), and one entry of 1 GiB, for which it measures
// the longest gap between two turns of the event loop, the time from
// "Abbrechen" to the end of the run and the peak memory. Every run writes into
// a folder never used before; all outputs are deleted only at the end.
#include "PakListModel.h"
#include "PakWriter.h"
#include "UiBenchSupport.h"
#include "frmProgress.h"
#include "mdlI18n.h"
#include "mdlState.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int SmallEntries = 20000;
constexpr int Folders = 50;
constexpr int Rounds = 9;
constexpr int64_t LargeSize = int64_t{1} << 30;

// 100 B to 8 KiB each, over 50 folders, listed with the folders interleaved so
// that consecutive entries never share a folder.
bool WriteSmallArchive(const std::string &path)
{
    std::mt19937 random(20000);
    std::uniform_int_distribution<int> size(100, 8192);
    std::vector<PakWriterEntry> entries;
    entries.reserve(SmallEntries);
    for (int i = 0; i < SmallEntries; ++i) {
        PakWriterEntry entry;
        entry.Name = "Resourcen\\Ordner" + std::to_string(i % Folders) + "\\Datei" +
                     std::to_string(i) + ".dat";
        entry.Data.assign(static_cast<size_t>(size(random)), static_cast<char>('a' + i % 26));
        entries.push_back(std::move(entry));
    }
    return WritePak(path, entries);
}

// One entry of 1 GiB, written in blocks rather than built in memory.
bool WriteLargeArchive(const std::string &path)
{
    const std::string header = BuildPak({PakWriterEntry{"gross\\eintrag.bin", {}, {}, {}}});
    std::string bytes = header;
    // The directory record's size field sits after the start field.
    const auto size = static_cast<int32_t>(LargeSize);
    bytes.replace(16 + 4, 4, reinterpret_cast<const char *>(&size), 4);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::string block(size_t{1} << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 31 + 7);
    int64_t left = size;
    while (left > 0 && out) {
        const auto n = static_cast<std::streamsize>(std::min<int64_t>(left, block.size()));
        out.write(block.data(), n);
        left -= n;
    }
    return static_cast<bool>(out);
}

// Waits for the writes of earlier runs to reach the disk, so that their
// writeback does not throttle the run measured next.
void Settle(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
}

double RunCli(const std::string &archive, const std::string &folder,
              const QStringList &options = {})
{
    Settle(archive.substr(0, archive.rfind('/')));
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(CliPath(), QStringList{QStringLiteral("extract")} + options +
                                 QStringList{QStringLiteral("-C"), QString::fromStdString(folder),
                                             QString::fromStdString(archive)});
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "vannerby-cli failed: %s\n", qPrintable(CliPath()));
        std::exit(1);
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

struct WindowRun
{
    double Ms = 0;
    double LongestGapMs = 0;
    double CancelToEndMs = -1;
    bool Completed = false;
};

// One run of the progress window into folder. A zero-interval timer fires once
// per turn of the event loop, also inside the window's own yields; the longest
// time between two of its firings is the longest the window went unserved. With
// cancelAfterMs >= 0 it clicks "Abbrechen" that long after the start.
WindowRun RunWindow(const PakArchive &archive, QTableView &view, const std::string &folder,
                    double cancelAfterMs = -1)
{
    mdlState::AppSettings.LastExtractFolder = folder;
    Settle(archive.PakPath.substr(0, archive.PakPath.rfind('/')));
    WindowRun run;
    QElapsedTimer clock;
    frmProgress progress(&archive, &view);
    auto *cancel = progress.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
    qint64 last = -1;
    qint64 longest = 0;
    qint64 clickedAt = -1;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            longest = std::max(longest, now - last);
        last = now;
        if (cancelAfterMs >= 0 && clickedAt < 0 && progress.isVisible() &&
            now >= static_cast<qint64>(cancelAfterMs * 1e6)) {
            clickedAt = clock.nsecsElapsed();
            cancel->click();
        }
    });
    clock.start();
    turn.start();
    QString value;
    run.Completed = progress.ShowDlg(value, nullptr);
    const qint64 end = clock.nsecsElapsed();
    turn.stop();
    if (last >= 0)
        longest = std::max(longest, end - last);
    run.Ms = static_cast<double>(end) / 1e6;
    run.LongestGapMs = static_cast<double>(longest) / 1e6;
    if (clickedAt >= 0)
        run.CancelToEndMs = static_cast<double>(end - clickedAt) / 1e6;
    return run;
}

// The peak resident memory since the last reset, in MiB.
struct Listed
{
    PakArchive Archive;
    PakListModel Model;
    QTableView View;
};

void Load(Listed &listed, const std::string &path)
{
    if (!ReadPakFile(path, listed.Archive)) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    listed.Model.Load(listed.Archive);
    listed.View.setModel(&listed.Model);
}

} // namespace

int main(int argc, char *argv[])
{
    // The outputs live in a fresh folder until the very end.
    const std::unique_ptr<QTemporaryDir> sandbox = MakeBenchFolder(QStringLiteral("extract-bench"));
    const std::string work = sandbox->path().toStdString();
    const std::string small = work + "/small.pak";
    const std::string large = work + "/large.pak";
    // The archives are written by a child process, so that their building does
    // not count towards the window's peak memory.
    const pid_t writer = fork();
    if (writer == 0)
        std::_Exit(WriteSmallArchive(small) && WriteLargeArchive(large) ? 0 : 1);
    int status = 0;
    if (writer < 0 || waitpid(writer, &status, 0) != writer || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "cannot write the archives\n");
        return 1;
    }
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    mdlI18n::SetLanguageFile(work + "/bench.lng");
    mdlState::AppSettings.UsePathNames = 1;

    int folder = 0;
    const auto fresh = [&work, &folder] { return work + "/out" + std::to_string(folder++); };

    // The window and the command-line tool both write ahead on every core; they
    // are measured in alternating pairs, so that neither always meets a warmer cache.
    std::printf("%-22s %9s %9s %8s\n", "20,000 small entries", "cli ms", "window ms", "w / cli");
    std::vector<double> toCli;
    {
        Listed listed;
        Load(listed, small);
        for (int round = 0; round < Rounds; ++round) {
            double cli = 0;
            WindowRun window;
            for (int k = 0; k < 2; ++k) {
                if ((k + round) % 2 == 0)
                    cli = RunCli(small, fresh());
                else
                    window = RunWindow(listed.Archive, listed.View, fresh());
            }
            if (!window.Completed) {
                std::fprintf(stderr, "the window's run did not complete\n");
                return 1;
            }
            toCli.push_back(window.Ms / cli);
            std::printf("pair %-17d %9.1f %9.1f %8.3f\n", round + 1, cli, window.Ms, toCli.back());
        }
    }
    std::printf("median window / cli of %d pairs %26.3f   (target <= 1.10)\n", Rounds,
                Median(toCli));

    Listed listed;
    Load(listed, large);
    ResetPeak();
    const double cliLarge = RunCli(large, fresh());
    const WindowRun whole = RunWindow(listed.Archive, listed.View, fresh());
    // "Abbrechen" half-way through the copy, however fast the disk.
    const WindowRun cancelled = RunWindow(listed.Archive, listed.View, fresh(), whole.Ms / 2);
    const double peak = PeakMiB();
    std::printf("\n%-28s %10s\n", "1 GiB entry", "figure");
    std::printf("%-28s %10.1f\n", "cli ms", cliLarge);
    std::printf("%-28s %10.1f%s\n", "window ms", whole.Ms, whole.Completed ? "" : " (stopped!)");
    std::printf("%-28s %10.1f   (target <= 200)\n", "longest event-loop gap ms",
                std::max(whole.LongestGapMs, cancelled.LongestGapMs));
    std::printf("%-28s %10.1f   (target <= 200)%s\n", "Abbrechen to end ms",
                cancelled.CancelToEndMs, cancelled.Completed ? " (not stopped!)" : "");
    std::printf("%-28s %10.1f   (target < 100)\n", "peak memory MiB", peak);
    return 0;
}
