#include "frmProgress.h"
#include "DdsDecoder.h"
#include "ExtractTestSupport.h"
#include "UiTestSupport.h"
#include "frmMain.h"
#include "frmOverwrite.h"
#include "mdlI18n.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

namespace {

const FileTime Old = UtcFileTime(2010, 1, 1, 8, 0, 0);
const FileTime New = UtcFileTime(2020, 1, 1, 8, 0, 0);

// The names in a folder, without "." and "..".
std::vector<std::string> Names(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(
             std::filesystem::path(std::u8string(folder.begin(), folder.end())), error)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class frmProgressTest : public ExtractTest
{
  protected:
    void SetUp() override
    {
        ExtractTest::SetUp();
        mdlState::AppSettings.LastExtractFolder = Target();
    }

    bool Run(frmProgress &progress)
    {
        QString value;
        return progress.ShowDlg(value, nullptr);
    }

    // A handler that answers the overwrite question with a button, noting the file asked about.
    static ModalDriver::Handler Answer(const char *button,
                                       std::vector<std::string> *asked = nullptr)
    {
        return [button, asked](QWidget *modal) {
            auto *dialog = qobject_cast<frmOverwrite *>(modal);
            if (dialog == nullptr)
                return false;
            if (asked != nullptr)
                asked->push_back(dialog->findChild<QLabel *>(QStringLiteral("lblNewFile"))
                                     ->text()
                                     .section(QLatin1Char('\n'), 0, 0)
                                     .toStdString());
            dialog->findChild<QPushButton *>(QString::fromLatin1(button))->click();
            return true;
        };
    }

    std::vector<PakWriterEntry> TenEntries()
    {
        std::vector<PakWriterEntry> entries;
        for (int i = 0; i < 10; ++i) {
            // Built piece by piece: mingw's GCC 12 warns falsely about the chain.
            std::string name = "f";
            name += std::to_string(i);
            name += ".txt";
            entries.push_back(Entry(name, std::string(10 + i, 'a'), New));
        }
        return entries;
    }
};

TEST_F(frmProgressTest, ASelectedOnlyRunWritesTheSelectedRowsInTheOrderShown)
{
    Load(TenEntries(), true);
    m_model.sort(PakListModel::ColName, Qt::DescendingOrder);
    Select({1, 4, 7}); // f8, f5, f2
    mdlState::AppSettings.ExtractSelectedOnly = true;
    // Existing targets make the run ask about each, in its order.
    for (const char *name : {"f8.txt", "f5.txt", "f2.txt"})
        WriteFile(Target() + "/" + name, "old");
    std::vector<std::string> asked;
    frmProgress progress(&m_archive, &m_view);
    auto *bar = progress.findChild<QProgressBar *>(QStringLiteral("pbrMain"));
    ModalDriver driver(
        {Answer("cmdYes", &asked), Answer("cmdYes", &asked), Answer("cmdYes", &asked)});
    EXPECT_TRUE(Run(progress));
    EXPECT_EQ(asked, (std::vector<std::string>{"f8.txt", "f5.txt", "f2.txt"}));
    EXPECT_EQ(Names(Target()), (std::vector<std::string>{"f2.txt", "f5.txt", "f8.txt"}));
    EXPECT_EQ(ReadFile(Target() + "/f5.txt"), std::string(15, 'a'));
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 3);
    EXPECT_EQ(progress.Written(), 3);
    EXPECT_EQ(progress.SummaryText(), "Dateien: 3 geschrieben, 0 übersprungen, 0 beibehalten"_q);
    // The folder, whole or (too long for the line) as its tooltip.
    const auto *folder = progress.findChild<QLabel *>(QStringLiteral("lblFolder"));
    EXPECT_EQ(folder->toolTip().isEmpty() ? folder->text() : folder->toolTip(),
              QString::fromStdString(Target()));
}

TEST_F(frmProgressTest, CancelStopsTheRunAfterTheEntryInHand)
{
    Load(TenEntries());
    WriteFile(Target() + "/f1.txt", "old");
    frmProgress progress(&m_archive, &m_view);
    ModalDriver driver({[&](QWidget *modal) {
        auto *dialog = qobject_cast<frmOverwrite *>(modal);
        if (dialog == nullptr)
            return false;
        progress.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
        dialog->findChild<QPushButton *>(QStringLiteral("cmdYes"))->click();
        return true;
    }});
    EXPECT_FALSE(Run(progress));
    EXPECT_EQ(Names(Target()), (std::vector<std::string>{"f0.txt", "f1.txt"}));
    EXPECT_EQ(ReadFile(Target() + "/f1.txt"), std::string(11, 'a'));
}

TEST_F(frmProgressTest, SeveralWritersGiveTheSameFilesTimesQuestionsAndResultAsOne)
{
    // Enough entries (more than twice what a writer may go ahead) in a few folders.
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < 140; ++i) {
        std::string name = "d";
        name += std::to_string(i % 5);
        name += "\\f";
        name += std::to_string(i);
        name += ".txt";
        entries.push_back(Entry(
            name,
            std::string(static_cast<size_t>(1 + i * 7 % 500), static_cast<char>('a' + i % 26)),
            i % 2 ? New : Old));
    }
    Load(entries, true);
    const std::vector<int> existing = {10, 50, 51, 100, 139};
    // The files already there carry one time in every run.
    const auto before = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    struct Outcome
    {
        bool Finished = false;
        std::vector<std::string> Asked;
        std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> Files;
        QString Summary;
    };
    // Answers the questions Yes, No, Yes, ...; with stopAt, "Abbrechen" at that question.
    const auto run = [&](unsigned writers, size_t stopAt) {
        const std::string folder =
            Target() + "/w" + std::to_string(writers) + "s" + std::to_string(stopAt);
        for (const int i : existing) {
            const std::string sub = folder + "/d" + std::to_string(i % 5);
            std::filesystem::create_directories(std::filesystem::u8path(sub));
            const std::string path = sub + "/f" + std::to_string(i) + ".txt";
            WriteFile(path, "old");
            std::filesystem::last_write_time(std::filesystem::u8path(path), before);
        }
        mdlState::AppSettings.LastExtractFolder = folder;
        Outcome outcome;
        std::vector<ModalDriver::Handler> answers;
        for (size_t q = 0; q < (stopAt ? stopAt : existing.size()); ++q)
            answers.push_back(Answer(q + 1 == stopAt ? "cmdCancel"
                                     : q % 2         ? "cmdNo"
                                                     : "cmdYes",
                                     &outcome.Asked));
        frmProgress progress(&m_archive, &m_view);
        progress.SetWriters(writers);
        {
            ModalDriver driver(answers);
            outcome.Finished = Run(progress);
        }
        outcome.Summary = progress.SummaryText();
        const std::filesystem::path root = std::filesystem::u8path(folder);
        for (const auto &file : std::filesystem::recursive_directory_iterator(root))
            if (file.is_regular_file())
                outcome.Files[file.path().lexically_relative(root).generic_string()] = {
                    ReadFile(file.path().string()), file.last_write_time()};
        return outcome;
    };
    for (const size_t stopAt : {size_t{0}, size_t{3}}) {
        const Outcome one = run(1, stopAt);
        const Outcome several = run(4, stopAt);
        EXPECT_EQ(one.Finished, stopAt == 0);
        EXPECT_EQ(several.Finished, one.Finished);
        EXPECT_EQ(one.Asked.size(), stopAt ? stopAt : existing.size());
        // Up to the entry in hand when stopped (f51), every entry; after it, only what was there.
        EXPECT_EQ(one.Files.size(), stopAt ? 51u + 3u : 140u);
        EXPECT_EQ(one.Files.count("d2/f52.txt"), stopAt ? 0u : 1u);
        EXPECT_EQ(several.Asked, one.Asked);
        EXPECT_EQ(several.Summary, one.Summary) << stopAt;
        EXPECT_EQ(several.Files.size(), one.Files.size()) << stopAt;
        EXPECT_TRUE(several.Files == one.Files) << stopAt;
    }
}

TEST_F(frmProgressTest, CancelInsideALongEntryRemovesThePartialFileAndKeepsTheOldOne)
{
    Load({Entry("first.txt", "first", New), Entry("big.bin", std::string(48 << 20, 'b'), New)},
         true);
    mdlState::AppSettings.OverWrite = 1;
    WriteFile(Target() + "/big.bin", "the old one");
    frmProgress progress(&m_archive, &m_view);
    // The replacement is copied into a temporary file first; cancel once it is there.
    QTimer watch;
    watch.setInterval(0);
    bool clicked = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (const std::string &name : Names(Target()))
            if (!clicked && name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
                clicked = true;
                progress.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
            }
    });
    watch.start();
    EXPECT_FALSE(Run(progress));
    watch.stop();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(Names(Target()), (std::vector<std::string>{"big.bin", "first.txt"}));
    EXPECT_EQ(ReadFile(Target() + "/big.bin"), "the old one");
    EXPECT_EQ(ReadFile(Target() + "/first.txt"), "first");
}

TEST_F(frmProgressTest, ReplaceAllAnswersTheRestOfTheRunAndTheNextRunAsksAgain)
{
    Load(TenEntries());
    for (int i = 0; i < 10; ++i)
        WriteFile(Target() + "/f" + std::to_string(i) + ".txt", "old");
    {
        frmProgress progress(&m_archive, &m_view);
        ModalDriver driver({Answer("cmdAll")});
        EXPECT_TRUE(Run(progress));
        EXPECT_EQ(driver.Handled(), 1);
        EXPECT_EQ(progress.Written(), 10);
    }
    EXPECT_EQ(ReadFile(Target() + "/f9.txt"), std::string(19, 'a'));
    frmProgress progress(&m_archive, &m_view);
    std::vector<std::string> asked;
    ModalDriver driver({Answer("cmdNo", &asked), Answer("cmdCancel", &asked)});
    EXPECT_FALSE(Run(progress));
    EXPECT_EQ(asked, (std::vector<std::string>{"f0.txt", "f1.txt"}));
    EXPECT_EQ(progress.Kept(), 1);
}

TEST_F(frmProgressTest, TheCloseBoxOfEitherWindowStopsTheRun)
{
    Load(TenEntries());
    WriteFile(Target() + "/f0.txt", "old");
    {
        frmProgress progress(&m_archive, &m_view);
        ModalDriver driver({[&](QWidget *modal) {
            auto *dialog = qobject_cast<frmOverwrite *>(modal);
            if (dialog == nullptr)
                return false;
            progress.close();
            EXPECT_TRUE(progress.isVisible());
            dialog->findChild<QPushButton *>(QStringLiteral("cmdNo"))->click();
            return true;
        }});
        EXPECT_FALSE(Run(progress));
        EXPECT_EQ(Names(Target()), std::vector<std::string>{"f0.txt"});
    }
    frmProgress progress(&m_archive, &m_view);
    ModalDriver driver({[](QWidget *modal) {
        auto *dialog = qobject_cast<frmOverwrite *>(modal);
        if (dialog == nullptr)
            return false;
        dialog->close();
        return true;
    }});
    EXPECT_FALSE(Run(progress));
    EXPECT_EQ(ReadFile(Target() + "/f0.txt"), "old");
    EXPECT_EQ(Names(Target()), std::vector<std::string>{"f0.txt"});
}

TEST_F(frmProgressTest, ARunThatSkipsEverythingOrHasNothingToDoCompletes)
{
    Load(TenEntries(), true);
    mdlState::AppSettings.SkipOldFiles = 1;
    for (int i = 0; i < 10; ++i) {
        const std::string path = Target() + "/f" + std::to_string(i) + ".txt";
        WriteFile(path, "newer on disk");
        SetLastWrite(path, New);
    }
    {
        frmProgress progress(&m_archive, &m_view);
        EXPECT_TRUE(Run(progress));
        EXPECT_EQ(progress.Skipped(), 10);
        EXPECT_EQ(progress.Written(), 0);
        EXPECT_EQ(ReadFile(Target() + "/f3.txt"), "newer on disk");
    }
    // Selected only with no selection, and an empty list: done at once, never shown.
    mdlState::AppSettings.ExtractSelectedOnly = true;
    frmProgress nothing(&m_archive, &m_view);
    EXPECT_TRUE(Run(nothing));
    EXPECT_FALSE(nothing.isVisible());
    frmProgress empty;
    EXPECT_TRUE(Run(empty));
}

TEST_F(frmProgressTest, AnErrorShowsItsBoxNamingTheEntryAndStopsTheRun)
{
    struct Case
    {
        PakWriterEntry Bad;
        QString Text;
    };
    PakWriterEntry pastEnd = Entry("past.bin", "0123456789", New);
    pastEnd.Size = 1 << 20;
    const Case cases[] = {
        {Entry("..\\escape.txt", "x", New),
         "Dateiname oder -nummer falsch: ..\\escape.txt\r\n(Runtime-Error: 52)"_q},
        {pastEnd, "Einlesen hinter Dateiende: past.bin\r\n(Runtime-Error: 62)"_q},
    };
    for (const Case &c : cases) {
        TearDown();
        SetUp();
        Load({Entry("a.txt", "a", New), c.Bad, Entry("z.txt", "z", New)});
        mdlState::AppSettings.LastExtractFolder = Target();
        frmProgress progress(&m_archive, &m_view);
        QString text;
        ModalDriver driver({AnswerBox(QMessageBox::Ok, &text)});
        EXPECT_FALSE(Run(progress));
        EXPECT_EQ(text, c.Text);
        EXPECT_EQ(Names(Target()), std::vector<std::string>{"a.txt"});
    }
}

TEST_F(frmProgressTest, WritesItsEntriesToTheLanguageFile)
{
    {
        frmProgress progress;
        // The design's client area of 4710 x 2670 twips at 15 twips per pixel.
        EXPECT_EQ(progress.size(), QSize(314, 178));
    }
    const std::vector<std::string> keys = SectionKeys(LanguageFile(), "frmProgress");
    const std::vector<std::string> expected = {
        "Caption",
        "lblExtract.Caption",
        "lblExtract.ToolTipText",
        "lblExtractTo.Caption",
        "lblExtractTo.ToolTipText",
        "cmdCancel.Caption",
        "cmdCancel.ToolTipText",
        "strSummary",
        "strTimeLeft",
        "strSecond",
        "strSeconds",
        "strMinute",
        "strMinutes",
    };
    EXPECT_EQ(keys, expected);
}

TEST_F(frmProgressTest, TheTimeLeftLineSaysBytesAndAnEstimateInGerman)
{
    frmProgress progress;
    const int64_t mb = int64_t{1} << 20;
    EXPECT_EQ(progress.TimeLeftText(mb * 124 / 10, 1024 * mb, 7.2),
              "12,40 MB von 1,00 GB, noch etwa 8 Sekunden"_q);
    EXPECT_EQ(progress.TimeLeftText(0, 1536, 0.3), "0 Bytes von 1,50 KB, noch etwa 1 Sekunde"_q);
    EXPECT_EQ(progress.TimeLeftText(1, 2, 100), "1 Byte von 2 Bytes, noch etwa 1 Minute"_q);
    EXPECT_EQ(progress.TimeLeftText(1, 2, 610), "1 Byte von 2 Bytes, noch etwa 10 Minuten"_q);
}

TEST_F(frmProgressTest, ALongTargetFolderIsCutInTheMiddleAndShownWholeAsTooltip)
{
    const std::string folder = "/data/" + std::string(300, 'f') + "/RESOURCEN.UNP";
    mdlState::AppSettings.LastExtractFolder = folder;
    frmProgress progress;
    const auto *line = progress.findChild<QLabel *>(QStringLiteral("lblFolder"));
    EXPECT_TRUE(line->text().startsWith("/data/ff"_q));
    EXPECT_TRUE(line->text().endsWith("/RESOURCEN.UNP"_q));
    EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->contentsRect().width());
    EXPECT_EQ(line->toolTip(), QString::fromStdString(folder));
}

// The main window's Extract command: dialog, run, then the summary or the message.
TEST_F(frmProgressTest, TheTickedPngBoxWritesPicturesAsPngInsteadOfTheirEntries)
{
    // A 4 x 4 DXT1 texture of known colours.
    std::string dds(128, '\0');
    const auto put = [&dds](size_t at, uint32_t value) {
        for (size_t k = 0; k < 4; ++k)
            dds[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
    };
    dds.replace(0, 4, "DDS ");
    put(4, 124);
    put(8, 0x1007);
    put(12, 4);
    put(16, 4);
    put(76, 32);
    put(80, 0x4);
    dds.replace(84, 4, "DXT1");
    dds += std::string("\x00\xF8\x1F\x00\xE4\x55\x55\x55", 8);
    const std::string damaged = dds.substr(0, dds.size() - 1);
    Load({Entry("a.dds", dds, Old), Entry("b.txt", "b", Old), Entry("c.dds", damaged, Old)}, true);

    // Unticked: the entries as they are.
    {
        frmProgress progress(&m_archive, &m_view);
        EXPECT_TRUE(Run(progress));
    }
    EXPECT_EQ(Names(Target()), (std::vector<std::string>{"a.dds", "b.txt", "c.dds"}));

    mdlState::AppSettings.LastExtractFolder = Target() + "/png";
    mdlState::AppSettings.ConvertPictures = 1;
    {
        frmProgress progress(&m_archive, &m_view);
        EXPECT_TRUE(Run(progress));
        EXPECT_EQ(progress.SummaryText(),
                  "Dateien: 3 geschrieben, 0 übersprungen, 0 beibehalten"_q);
    }
    const std::string png = Target() + "/png/";
    // What cannot be decoded is written as it is.
    EXPECT_EQ(Names(png), (std::vector<std::string>{"a.png", "b.txt", "c.dds"}));
    EXPECT_EQ(ReadFile(png + "c.dds"), damaged);
    const QImage picture =
        QImage(QString::fromStdString(png + "a.png")).convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(picture.size(), QSize(4, 4));
    const std::vector<uint8_t> expected = DdsDecoder::Decode(dds).Picture.Rgba;
    EXPECT_EQ(std::vector<uint8_t>(picture.constBits(), picture.constBits() + 64), expected);
    EXPECT_EQ(std::filesystem::last_write_time(png + "a.png"),
              std::filesystem::last_write_time(png + "b.txt"));

    // Again: the PNG there is asked about, like any file.
    frmProgress progress(&m_archive, &m_view);
    std::vector<std::string> asked;
    ModalDriver driver({Answer("cmdNo", &asked), Answer("cmdNo", &asked), Answer("cmdNo", &asked)});
    EXPECT_TRUE(Run(progress));
    EXPECT_EQ(asked, (std::vector<std::string>{"a.png", "b.txt", "c.dds"}));
    EXPECT_EQ(progress.SummaryText(), "Dateien: 0 geschrieben, 0 übersprungen, 3 beibehalten"_q);
    EXPECT_EQ(Names(png), (std::vector<std::string>{"a.png", "b.txt", "c.dds"}));
}

TEST_F(frmProgressTest, TheExtractCommandRunsDialogAndProgressWindow)
{
    Load(TenEntries());
    frmMain window({QString::fromStdString(m_archive.PakPath)});
    const QString folder = QString::fromStdString(Target() + "/run");
    const auto chooseFolder = [&](QWidget *modal) {
        auto *combo = modal->findChild<QComboBox *>(QStringLiteral("cboExtractTo"));
        if (combo == nullptr)
            return false;
        combo->setEditText(folder);
        modal->findChild<QPushButton *>(QStringLiteral("cmdExtract"))->click();
        return true;
    };
    {
        ModalDriver driver({chooseFolder, AnswerBox(QMessageBox::Yes)});
        window.ActionsExtract();
    }
    EXPECT_EQ(Names(folder.toStdString()).size(), 10u);
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "Dateien: 10 geschrieben, 0 übersprungen, 0 beibehalten"_q);

    QString message;
    ModalDriver driver({chooseFolder, Answer("cmdCancel"), AnswerBox(QMessageBox::Ok, &message)});
    window.ActionsExtract();
    EXPECT_EQ(message, "Abbruch durch den Benutzer!"_q);
}

} // namespace
