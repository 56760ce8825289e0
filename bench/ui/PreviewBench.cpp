// Times the preview pane offscreen: from a new current row to a shown 2048 x 2048
// DXT5 texture, in archives of 1,000, 10,000 and 100,000 entries, against
// decoding the same texture alone (measured in the same run, in alternating pairs);
// and the longest time the window's thread is busy at a time meanwhile.
#include "DdsDecoder.h"
#include "PakListModel.h"
#include "PakWriter.h"
#include "PreviewPane.h"
#include "UiBenchSupport.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t Side = 2048;
constexpr int Pairs = 9;

void Put32(std::string &bytes, size_t at, uint32_t value)
{
    for (size_t k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

// A DXT5 texture of varied blocks, so that every block is decoded for real.
std::string Dxt5(unsigned seed)
{
    std::string bytes(128, '\0');
    bytes.replace(0, 4, "DDS ");
    Put32(bytes, 4, 124);
    Put32(bytes, 8, 0x81007);
    Put32(bytes, 12, Side);
    Put32(bytes, 16, Side);
    Put32(bytes, 20, Side * Side);
    Put32(bytes, 76, 32);
    Put32(bytes, 80, 0x4);
    bytes.replace(84, 4, "DXT5");
    Put32(bytes, 108, 0x1000);
    std::mt19937 random(seed);
    std::string blocks((Side / 4) * (Side / 4) * 16, '\0');
    for (char &c : blocks)
        c = static_cast<char>(random());
    return bytes + blocks;
}

double Milliseconds(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Entries of a few hundred bytes with two textures among them, at a third and
// at two thirds of the directory, and last a text of 1 MiB of empty lines (the
// most display lines a text preview can have).
std::string WriteArchive(const QString &folder, int entries, int &first, int &second, int &lines)
{
    std::mt19937 random(static_cast<unsigned>(entries));
    std::uniform_int_distribution<int> size(0, 300);
    std::vector<PakWriterEntry> list;
    list.reserve(static_cast<size_t>(entries));
    first = entries / 3;
    second = 2 * entries / 3;
    lines = entries - 1;
    for (int i = 0; i < entries; ++i) {
        PakWriterEntry entry;
        if (i == lines) {
            entry.Name = "Zeilen.txt";
            entry.Data.assign(size_t{1} << 20, '\n');
        } else if (i == first || i == second) {
            entry.Name = "Texturen\\Gross" + std::to_string(i) + ".dds";
            entry.Data = Dxt5(static_cast<unsigned>(i));
        } else {
            entry.Name = "Resourcen\\Ordner" + std::to_string(i % 200) + "\\Datei" +
                         std::to_string(i) + ".txt";
            entry.Data.assign(static_cast<size_t>(size(random)), 'x');
        }
        list.push_back(std::move(entry));
    }
    const std::string path = (folder + QStringLiteral("/preview%1.pak").arg(entries)).toStdString();
    if (!WritePak(path, list)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

struct Figures
{
    int Entries = 0;
    double Preview = 0;    // median, new current row to the texture painted
    double Best = 0;       // fastest of the same
    double Decode = 0;     // median, decoding the texture alone
    double PreviewCpu = 0; // median processor time of a preview, all threads
    double DecodeCpu = 0;  // median processor time of decoding alone
    double UiStall = 0;    // longest time the window's thread did not serve its events
    double UiBusy = 0;     // most processor time the window's thread used for one preview
    double TextStall = 0;  // the same two for the text of a million lines
    double TextBusy = 0;
};

// The processor time this thread has used, in milliseconds: unlike the time
// between two events it does not count the time other processes take.
double ThreadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The processor time of the whole process (window and worker threads).
double ProcessMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Stall
{
    double Longest = 0; // longest time between two visits of the event loop
    double Busy = 0;    // processor time of the window's thread meanwhile
};

// Runs work and then the event loop until done() holds.
Stall LongestStall(const std::function<void()> &work, const std::function<bool()> &done)
{
    const double busyStart = ThreadMilliseconds();
    QElapsedTimer clock;
    clock.start();
    double last = 0, longest = 0;
    QTimer idle;
    idle.setInterval(1); // often enough to see a stall, rarely enough to cost nothing
    QObject::connect(&idle, &QTimer::timeout, &idle, [&] {
        const double now = Milliseconds(clock);
        longest = std::max(longest, now - last);
        last = now;
    });
    idle.start();
    work();
    const double afterWork = Milliseconds(clock);
    longest = std::max(longest, afterWork);
    last = afterWork;
    while (!done() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    longest = std::max(longest, Milliseconds(clock) - last);
    return {longest, ThreadMilliseconds() - busyStart};
}

Figures Measure(const QString &folder, int entries)
{
    int first = 0, second = 0, lines = 0;
    const std::string archive = WriteArchive(folder, entries, first, second, lines);
    const std::string texture = Dxt5(static_cast<unsigned>(first));

    Figures f;
    f.Entries = entries;
    frmMain window;
    window.resize(1100, 700);
    window.show();
    if (!window.Preview()->IsActive()) // the last window's setting may have shown it
        window.ViewPreview();
    window.OpenPakFile(QString::fromStdString(archive));
    QCoreApplication::processEvents();
    PreviewPane *pane = window.Preview();
    if (window.ListModel()->rowCount() != entries || !pane->IsActive()) {
        std::fprintf(stderr, "archive not listed (%d rows) or preview not shown (%d)\n",
                     window.ListModel()->rowCount(), pane->IsActive() ? 1 : 0);
        std::exit(1);
    }
    const auto rowOf = [&](int index) {
        for (int row = 0; row < window.ListModel()->rowCount(); ++row)
            if (window.ListModel()->EntryIndex(row) == index)
                return row;
        std::exit(1);
    };
    const int rows[2] = {rowOf(first), rowOf(second)};

    std::vector<double> previews, decodes, previewCpus, decodeCpus;
    for (int pair = 0; pair <= Pairs; ++pair) {
        QElapsedTimer timer;
        timer.start();
        double cpu = ProcessMilliseconds();
        const DdsDecoder::Result decoded = DdsDecoder::Decode(texture);
        const double decode = Milliseconds(timer);
        const double decodeCpu = ProcessMilliseconds() - cpu;
        if (decoded.Error != DdsDecoder::Failure::None)
            std::exit(1);

        bool shown = false;
        const auto connection =
            QObject::connect(pane, &PreviewPane::PreviewShown, pane, [&] { shown = true; });
        timer.restart();
        double preview = 0;
        cpu = ProcessMilliseconds();
        const Stall stall = LongestStall(
            [&] { window.List()->setCurrentIndex(window.ListModel()->index(rows[pair % 2], 0)); },
            [&] {
                if (shown && preview == 0) {
                    pane->repaint();
                    preview = Milliseconds(timer);
                    cpu = ProcessMilliseconds() - cpu;
                }
                return shown;
            });
        QObject::disconnect(connection);
        if (!shown || pane->ShownKind() != PreviewKind::Image) {
            std::fprintf(stderr, "no picture shown: %s\n", qPrintable(pane->MessageText()));
            std::exit(1);
        }
        if (pair == 0)
            continue; // the first one warms the caches
        decodes.push_back(decode);
        previews.push_back(preview);
        decodeCpus.push_back(decodeCpu);
        previewCpus.push_back(cpu);
        f.UiStall = std::max(f.UiStall, stall.Longest);
        f.UiBusy = std::max(f.UiBusy, stall.Busy);
    }
    bool shown = false;
    QObject::connect(pane, &PreviewPane::PreviewShown, pane, [&] { shown = true; });
    const Stall text = LongestStall(
        [&] { window.List()->setCurrentIndex(window.ListModel()->index(rowOf(lines), 0)); },
        [&] {
            if (shown)
                pane->repaint();
            return shown;
        });
    f.TextStall = text.Longest;
    f.TextBusy = text.Busy;
    if (pane->ShownKind() != PreviewKind::Text) {
        std::fprintf(stderr, "no text shown: %s\n", qPrintable(pane->MessageText()));
        std::exit(1);
    }
    f.Preview = Median(previews);
    f.Best = *std::min_element(previews.begin(), previews.end());
    f.PreviewCpu = Median(previewCpus);
    f.DecodeCpu = Median(decodeCpus);
    f.Decode = Median(decodes);
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings, language file and archives of the run stay in a folder of its own.
    QTemporaryDir sandbox;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.path() + QStringLiteral("/config")));
    qputenv("TMPDIR", QFile::encodeName(sandbox.path()));
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);

    std::vector<Figures> all;
    for (const int entries : {1000, 10000, 100000})
        all.push_back(Measure(sandbox.path(), entries));

    std::printf("%-9s %10s %8s %9s %8s | %7s %7s %8s | %8s %7s | %10s %9s\n", "entries",
                "preview ms", "best ms", "decode ms", "x decode", "cpu ms", "dec cpu", "x dec cpu",
                "ui stall", "ui busy", "text stall", "text busy");
    for (const Figures &f : all)
        std::printf("%-9d %10.1f %8.1f %9.1f %8.2f | %7.1f %7.1f %8.2f | %8.1f %7.1f | %10.1f "
                    "%9.1f\n",
                    f.Entries, f.Preview, f.Best, f.Decode, f.Preview / f.Decode, f.PreviewCpu,
                    f.DecodeCpu, f.PreviewCpu / f.DecodeCpu, f.UiStall, f.UiBusy, f.TextStall,
                    f.TextBusy);
    std::printf("(medians of %d pairs; cpu: processor time of all threads, which other processes "
                "do not inflate; stall: longest wall time between two visits of the event loop, "
                "which on a busy machine includes other processes' turns; busy: processor time of "
                "the window's thread for the whole preview)\n",
                Pairs);
    const double nlogn = (100000.0 * std::log(100000.0)) / (1000.0 * std::log(1000.0));
    std::printf("growth 1,000 -> 100,000 (n log n = %.1f): preview %.2f\n", nlogn,
                all[2].Preview / all[0].Preview);
    std::printf("target at 100,000: preview <= 150 ms, window thread busy <= 50 ms at a time\n");
    return 0;
}
