// How long a window of 100 controls takes to translate against a language file
// of 2,000 entries, read anew for every text (nothing is cached), next to the
// time to read that file once and the time to build the window untranslated.

#include "mdlI18n.h"
#include "mdlI18nForm.h"
#include "mdlTools.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kControls = 100;
constexpr int kEntries = 2000;
constexpr int kRounds = 40;

using Clock = std::chrono::steady_clock;

// The median time of a number of runs, in microseconds.
double MedianMicros(int rounds, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// 100 controls: 40 buttons, 30 labels, 20 check boxes (caption and tool tip
// each) and 10 text boxes (tool tip), so 190 lookups.
std::unique_ptr<QDialog> MakeWindow()
{
    auto frm = std::make_unique<QDialog>();
    frm->setObjectName(QStringLiteral("frmBench"));
    for (int i = 0; i < kControls; ++i) {
        const QString name = QString::number(i);
        const QString text = QStringLiteral("Beschriftung Nummer ") + name;
        QWidget *control = nullptr;
        if (i < 40)
            control = new QPushButton(text, frm.get());
        else if (i < 70)
            control = new QLabel(text, frm.get());
        else if (i < 90)
            control = new QCheckBox(text, frm.get());
        else
            control = new QLineEdit(frm.get());
        control->setObjectName(QStringLiteral("ctl") + name);
        control->setToolTip(QStringLiteral("Hinweis zu Steuerelement ") + name);
        control->setGeometry(i % 10 * 80, i / 10 * 30, 75, 25);
    }
    return frm;
}

int Lookups()
{
    return 40 * 2 + 30 * 2 + 20 * 2 + 10;
}

// The window's own section comes last, behind 1,810 entries of other windows.
void WriteLanguageFile(const std::string &path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const int own = Lookups();
    const int others = kEntries - own;
    for (int i = 0; i < others; ++i) {
        if (i % 100 == 0)
            out << "[frmOther" << i / 100 << "]\r\n";
        out << "ctl" << i % 100 << ".Caption=Translated text for control number " << i << "\r\n";
    }
    out << "[frmBench]\r\n";
    for (int i = 0; i < kControls; ++i) {
        if (i < 90)
            out << "ctl" << i << ".Caption=Caption number " << i << "\r\n";
        out << "ctl" << i << ".ToolTipText=Tool tip for control " << i << "\r\n";
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::string folder = mdlTools::GetTempFolder() + "vannerby-bench-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string path = folder + "/vannerby.lng";
    mdlI18n::SetLanguageFile(path);
    WriteLanguageFile(path);
    std::ifstream sizeProbe(path, std::ios::binary | std::ios::ate);
    const auto fileSize = static_cast<long long>(sizeProbe.tellg());

    const double readFile = MedianMicros(kRounds * 10, [&] {
        std::ifstream in(path, std::ios::binary);
        std::string bytes(static_cast<std::size_t>(fileSize), '\0');
        in.read(bytes.data(), fileSize);
    });
    const double lookups = MedianMicros(kRounds, [] {
        for (int i = 0; i < kControls; ++i) {
            const std::string name = "ctl" + std::to_string(i);
            if (i < 90)
                mdlI18n::TranslateText("frmBench", name + ".Caption", "x");
            mdlI18n::TranslateText("frmBench", name + ".ToolTipText", "x");
        }
    });
    const double build = MedianMicros(kRounds, [] { MakeWindow(); });
    const double translate = MedianMicros(kRounds, [] {
        auto frm = MakeWindow();
        mdlI18n::TranslateForm(frm.get());
    });
    bool translated = false;
    {
        auto frm = MakeWindow();
        mdlI18n::TranslateForm(frm.get());
        translated = frm->findChild<QPushButton *>(QStringLiteral("ctl0"))->text() ==
                     QStringLiteral("Caption number 0");
    }

    // The first run: no file yet, so every lookup also writes its entry.
    ::unlink(path.c_str());
    const auto firstStart = Clock::now();
    {
        auto frm = MakeWindow();
        mdlI18n::TranslateForm(frm.get());
    }
    const double firstRun =
        std::chrono::duration<double, std::micro>(Clock::now() - firstStart).count();

    const double perWindow = translate - build;
    std::printf("language file: %d entries, %lld bytes; window: %d controls, %d lookups%s\n",
                kEntries, fileSize, kControls, Lookups(), translated ? "" : " (NOT TRANSLATED)");
    std::printf("reference: read the whole file once      %9.1f us\n", readFile);
    std::printf("the window's lookups without widgets     %9.1f us\n", lookups);
    std::printf("reference: build the window untranslated %9.1f us\n", build);
    std::printf("build and translate the window           %9.1f us\n", translate);
    std::printf("translation per window                   %9.2f ms (%.1f us per lookup, "
                "%.1f x one file read per lookup)\n",
                perWindow / 1000, perWindow / Lookups(), perWindow / Lookups() / readFile);
    std::printf("translation / building the window        %9.2f x\n", perWindow / build);
    std::printf("first run, every entry written           %9.2f ms\n", firstRun / 1000);

    mdlTools::DeletePath(folder);
    return translated ? 0 : 1;
}
