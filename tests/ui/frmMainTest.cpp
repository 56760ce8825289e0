#include "frmMain.h"
#include "PakListModel.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "mdlI18n.h"
#include "mdlListView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// The language file is fixed for the whole run; every test starts without one.
const std::string &LanguageFile()
{
    return LanguageFileNamed("frmMainTest.lng");
}

PakWriterEntry Entry(const std::string &name, size_t size)
{
    PakWriterEntry entry;
    entry.Name = name;
    entry.Data = std::string(size, 'x');
    for (size_t i = 0; i < size; ++i)
        entry.Data[i] = static_cast<char>('a' + i % 26);
    return entry;
}

// A path of the test's folders in the system's form, as the window shows it.
QString Q(const std::string &path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

class frmMainTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RemoveFile(LanguageFile());
        ForgetSettings();
    }
    void TearDown() override
    {
        Flush();
        RemoveFile(LanguageFile());
        ForgetSettings();
    }

    // An archive of three entries without times: 999, 1.000 and 12.345 bytes.
    QString WriteSample(const std::string &name = "sample.pak")
    {
        const std::string path = m_dir / name;
        EXPECT_TRUE(WritePak(path, {Entry("maps\\b.dat", 1000), Entry("maps\\deep\\A.txt", 999),
                                    Entry("c.bin", 12345)}));
        return Q(path);
    }

    QString WriteText(const std::string &name)
    {
        WriteFile(m_dir / name, "not an archive");
        return Q(m_dir / name);
    }

    static QAction *Menu(frmMain &window, const char *name)
    {
        return window.findChild<QAction *>(QString::fromLatin1(name));
    }

    static QAction *Button(frmMain &window, const char *key)
    {
        const auto *toolbar = window.findChild<QToolBar *>(QStringLiteral("tbrToolBar"));
        for (QAction *action : toolbar->actions())
            if (action->property("Key").toString() == QString::fromLatin1(key))
                return action;
        return nullptr;
    }

    static QString Panel(frmMain &window, const char *key)
    {
        return window.findChild<QLabel *>(QString::fromLatin1(key))->text();
    }

    static void SelectRows(frmMain &window, std::initializer_list<int> rows)
    {
        QTableView *list = window.List();
        list->selectionModel()->clearSelection();
        for (const int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    static QStringList Keys(frmMain &window)
    {
        QStringList keys;
        for (int row = 0; row < window.ListModel()->rowCount(); ++row)
            keys << window.ListModel()->RowKey(row);
        return keys;
    }

    TempDir m_dir;
};

} // namespace

TEST_F(frmMainTest, StartsWithoutArchive)
{
    frmMain window;
    EXPECT_EQ(window.windowTitle(), frmMain::ProductTitle());
    EXPECT_TRUE(window.windowTitle().startsWith("Vannerby v"_q));
    EXPECT_FALSE(window.windowTitle().contains(" - "_q));
    EXPECT_EQ(frmMain::VersionText(1, 0, 3), "1.03"_q);
    EXPECT_EQ(window.ListModel()->rowCount(), 0);
    for (const char *name :
         {"mnuFileClose", "mnuEditCopy", "mnuFileProperties", "mnuActionsExtract", "mnuViewRefresh",
          "mnuEditSelectAll", "mnuEditDeSelectAll"})
        EXPECT_FALSE(Menu(window, name)->isEnabled()) << name;
    for (const char *key : {"Close", "Copy", "Properties", "Extract"})
        EXPECT_FALSE(Button(window, key)->isEnabled()) << key;
    for (const char *name : {"mnuFileOpen", "mnuFileExit", "mnuViewToolbar", "mnuViewStatusBar",
                             "mnuViewOptions", "mnuHelpAbout"})
        EXPECT_TRUE(Menu(window, name)->isEnabled()) << name;
    for (const char *key : {"Open", "About"})
        EXPECT_TRUE(Button(window, key)->isEnabled()) << key;
    EXPECT_FALSE(Menu(window, "mnuHelpContents")->isVisible());
    EXPECT_FALSE(Menu(window, "mnuFileBarMRU1")->isVisible());
    EXPECT_EQ(Panel(window, "Selection"), "0 Dateien (0 Bytes) ausgewählt"_q);
    EXPECT_EQ(Panel(window, "Total"), "0 Dateien (0 Bytes) gesamt"_q);

    // F5 and Ctrl+X without an archive: nothing changes, no message.
    window.show();
    EXPECT_EQ(AnswerMessageBoxes([&] {
                  QTest::keyClick(window.List(), Qt::Key_F5);
                  QTest::keyClick(window.List(), Qt::Key_X, Qt::ControlModifier);
              }),
              0);
    EXPECT_EQ(Panel(window, "Total"), "0 Dateien (0 Bytes) gesamt"_q);
}

TEST_F(frmMainTest, TranslatesItselfWhileLoading)
{
    {
        frmMain window;
    }
    // The first start wrote the designed texts (Windows-1252) into the file.
    const std::string written = ReadFile(LanguageFile());
    for (const char *line : {"[frmMain]", "mnuFile.Caption=&Datei",
                             "mnuFileOpen.Caption=\xD6&ffnen...", "mnuHelpAbout.Caption=Inf&o ",
                             "tbrOpen.ToolTipText=\xD6"
                             "ffnen",
                             "tbrAbout.Description=Info \xFC"
                             "ber ...",
                             "lvwPAK.Size.Text=Gr\xF6\xDF"
                             "e",
                             "strFileNotFound=wurde nicht gefunden!",
                             "strProcessCanceled=Abbruch durch den Benutzer!"})
        EXPECT_NE(written.find(std::string(line) + "\r\n"), std::string::npos) << line;
    for (const char *absent : {"mnuFileBar0", "mnuFileMRU", "\nSelection", "\nTotal"})
        EXPECT_EQ(written.find(absent), std::string::npos) << absent;

    WriteFile(LanguageFile(), "[frmMain]\r\nmnuFileOpen.Caption=&Open...\r\n"
                              "lvwPAK.Size.Text=Size\r\nstrStatusFiles=files\r\n"
                              "strStatusTotal=in all\r\n");
    frmMain window;
    EXPECT_EQ(Menu(window, "mnuFileOpen")->text(), "&Open..."_q);
    EXPECT_EQ(window.ListModel()->headerData(PakListModel::ColSize, Qt::Horizontal).toString(),
              "Size"_q);
    EXPECT_EQ(Panel(window, "Total"), "0 files (0 Bytes) in all"_q);
}

TEST_F(frmMainTest, CommandLineOpensTheFirstArchive)
{
    const QString blank = WriteSample("with blank.pak");
    const QString other = WriteSample("other.pak");
    const QString text = WriteText("readme.txt");
    int boxes = 0;
    boxes += AnswerMessageBoxes([&] {
        frmMain window({Q(m_dir / "missing.pak"), text, "  "_q + blank + "  "_q, other});
        EXPECT_EQ(window.FileName(), blank);
        EXPECT_EQ(window.windowTitle(), frmMain::ProductTitle() + " - "_q + blank);
        EXPECT_EQ(window.ListModel()->rowCount(), 3);
    });
    EXPECT_EQ(boxes, 0); // missing and foreign files are skipped silently

    // A relative name is opened and remembered as a full path.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Q(m_dir.path())));
    {
        frmMain window({"other.pak"_q});
        EXPECT_EQ(window.FileName(), other);
    }
    QDir::setCurrent(cwd);
}

TEST_F(frmMainTest, OpeningANonArchiveKeepsTheOpenOne)
{
    const QString archive = WriteSample();
    const QString text = WriteText("notes.txt");
    frmMain window({archive});
    const MessageBoxSeen seen = ExpectMessageBox([&] { window.OpenPakFile(text); });
    EXPECT_TRUE(seen.Shown);
    EXPECT_EQ(seen.Title, "Vannerby"_q);
    EXPECT_EQ(seen.Text, text + " wurde nicht gefunden!"_q);
    EXPECT_EQ(seen.Icon, QMessageBox::Warning);
    EXPECT_EQ(window.FileName(), archive);
    EXPECT_EQ(window.ListModel()->rowCount(), 3);
    EXPECT_TRUE(Menu(window, "mnuFileClose")->isEnabled());

    // A file with the signature that fails to load: the loader's error, then the
    // message; no archive is open afterwards.
    PakWriterOptions damaged;
    damaged.EntryCount = 5000;
    ASSERT_TRUE(WritePak(m_dir / "damaged.pak", {Entry("a", 1)}, damaged));
    QStringList texts;
    QList<int> icons;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            texts << box->text();
            icons << box->icon();
            box->accept();
        }
    });
    timer.start();
    window.OpenPakFile(Q(m_dir / "damaged.pak"));
    timer.stop();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(icons[0], QMessageBox::Critical);
    EXPECT_TRUE(texts[0].contains("\r\n(Runtime-Error: 62)"_q)) << texts[0].toStdString();
    EXPECT_EQ(texts[1], Q(m_dir / "damaged.pak") + " wurde nicht gefunden!"_q);
    EXPECT_TRUE(window.FileName().isEmpty());
    EXPECT_EQ(window.windowTitle(), frmMain::ProductTitle());
    EXPECT_FALSE(Menu(window, "mnuFileClose")->isEnabled());
}

TEST_F(frmMainTest, EnablementAndStatusFollowTheSelection)
{
    frmMain window({WriteSample()});
    EXPECT_EQ(Panel(window, "Total"), "3 Dateien (14,01 KB) gesamt"_q);
    EXPECT_TRUE(Menu(window, "mnuEditSelectAll")->isEnabled());
    EXPECT_FALSE(Menu(window, "mnuEditCopy")->isEnabled());

    SelectRows(window, {1});
    EXPECT_EQ(Panel(window, "Selection"), "1 Datei (999 Bytes) ausgewählt"_q);
    for (const char *name : {"mnuFileProperties", "mnuEditCopy", "mnuEditDeSelectAll"})
        EXPECT_TRUE(Menu(window, name)->isEnabled()) << name;
    EXPECT_TRUE(Button(window, "Properties")->isEnabled());
    EXPECT_TRUE(Button(window, "Copy")->isEnabled());

    SelectRows(window, {0, 1});
    EXPECT_EQ(Panel(window, "Selection"), "2 Dateien (1,95 KB) ausgewählt"_q);
    EXPECT_FALSE(Menu(window, "mnuFileProperties")->isEnabled());
    EXPECT_FALSE(Button(window, "Properties")->isEnabled());
    EXPECT_TRUE(Menu(window, "mnuEditCopy")->isEnabled());
    EXPECT_TRUE(Button(window, "Copy")->isEnabled());

    // Keyboard: Ctrl+A selects all, Ctrl+U nothing; the panel follows each time.
    window.show();
    QTest::keyClick(window.List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 3);
    EXPECT_EQ(Panel(window, "Selection"), "3 Dateien (14,01 KB) ausgewählt"_q);
    QTest::keyClick(window.List(), Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Panel(window, "Selection"), "0 Dateien (0 Bytes) ausgewählt"_q);
    EXPECT_FALSE(Menu(window, "mnuEditCopy")->isEnabled());
    window.List()->setCurrentIndex(window.ListModel()->index(0, 0));
    QTest::keyClick(window.List(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Panel(window, "Selection"), "2 Dateien (1,95 KB) ausgewählt"_q);

    window.FileClose();
    EXPECT_EQ(Panel(window, "Selection"), "0 Dateien (0 Bytes) ausgewählt"_q);
    EXPECT_EQ(Panel(window, "Total"), "0 Dateien (0 Bytes) gesamt"_q);
    EXPECT_FALSE(Menu(window, "mnuEditSelectAll")->isEnabled());
}

TEST_F(frmMainTest, StatusSumsPassTwoGibibytes)
{
    // Two entries of 1.5 GiB sharing the data of one sparse archive.
    const int32_t size = 1536 * 1024 * 1024;
    const int32_t start = 16 + 2 * 136;
    PakWriterEntry first{"one.bin", "", start, size};
    PakWriterEntry second{"two.bin", "", start, size};
    const std::string path = m_dir / "big.pak";
    ASSERT_TRUE(WritePak(path, {first, second}));
    ASSERT_TRUE(ResizeFile(path, uint64_t{start} + size));
    frmMain window({Q(path)});
    ASSERT_EQ(window.ListModel()->rowCount(), 2);
    EXPECT_EQ(Panel(window, "Total"), "2 Dateien (3,00 GB) gesamt"_q);
    window.EditSelectAll();
    EXPECT_EQ(Panel(window, "Selection"), "2 Dateien (3,00 GB) ausgewählt"_q);
}

TEST_F(frmMainTest, ColumnClicksSortAscendingThenDescending)
{
    frmMain window({WriteSample()});
    const QStringList loaded = {"ID0"_q, "ID1"_q, "ID2"_q};
    EXPECT_EQ(Keys(window), loaded);
    QHeaderView *header = window.List()->horizontalHeader();
    window.ColumnClick(PakListModel::ColSize); // 999, 1.000, 12.345
    EXPECT_EQ(Keys(window), (QStringList{"ID1"_q, "ID0"_q, "ID2"_q}));
    EXPECT_EQ(header->sortIndicatorSection(), PakListModel::ColSize);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    window.ColumnClick(PakListModel::ColSize);
    EXPECT_EQ(Keys(window), (QStringList{"ID2"_q, "ID0"_q, "ID1"_q}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    window.ColumnClick(PakListModel::ColSize); // descending -> ascending again
    EXPECT_EQ(Keys(window), (QStringList{"ID1"_q, "ID0"_q, "ID2"_q}));
    window.ColumnClick(PakListModel::ColName); // c.bin, maps\b.dat, maps\deep\A.txt
    EXPECT_EQ(Keys(window), (QStringList{"ID2"_q, "ID0"_q, "ID1"_q}));
    window.ColumnClick(PakListModel::ColSize);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Keys(window), (QStringList{"ID1"_q, "ID0"_q, "ID2"_q}));
    // A header click reaches the same handler.
    window.show();
    const int x = header->sectionViewportPosition(PakListModel::ColSize) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    EXPECT_EQ(Keys(window), (QStringList{"ID2"_q, "ID0"_q, "ID1"_q}));
    EXPECT_FALSE(window.IsBusy());
}

TEST_F(frmMainTest, CopyAndPropertiesTexts)
{
    frmMain window({WriteSample()});
    window.show();
    EXPECT_TRUE(window.CopyText().isEmpty());
    QGuiApplication::clipboard()->setText("before"_q);
    window.EditCopy(); // nothing selected: the clipboard stays
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before"_q);

    window.ColumnClick(PakListModel::ColSize);
    SelectRows(window, {0, 2}); // 999 and 12.345 bytes, in size order
    const QString header = "Dateiname\tTyp\tStartAdresse\tGröße\tErstellt am\t"
                           "Letzter Zugriff am\tGeändert am\r\n"_q;
    const QString expected = header + "maps\\deep\\A.txt\ttxt\t1.424\t999\t-\t-\t-\r\n"_q +
                             "c.bin\tbin\t2.423\t12.345\t-\t-\t-\r\n"_q;
    EXPECT_EQ(window.CopyText(), expected);
    QTest::keyClick(window.List(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    for (const QString &line : expected.split("\r\n"_q, Qt::SkipEmptyParts))
        EXPECT_EQ(line.count(QLatin1Char('\t')), 6);

    // Properties need exactly one selected row.
    EXPECT_TRUE(window.PropertiesText().isEmpty());
    EXPECT_FALSE(ExpectMessageBox([&] { window.FileProperties(); }).Shown);
    SelectRows(window, {1});
    const QString properties = "Dateiname:\tmaps\\b.dat\r\n"
                               "Typ:\t\tdat\r\n"
                               "StartAdresse:\t424\r\n"
                               "Größe:\t\t1.000\r\n"
                               "Erstellt am:\t-\r\n"
                               "Letzter Zugriff am:\t-\r\n"
                               "Geändert am:\t-\r\n"_q;
    EXPECT_EQ(window.PropertiesText(), properties);
    const MessageBoxSeen seen = ExpectMessageBox([&] { window.FileProperties(); });
    EXPECT_EQ(seen.Text, properties);
    EXPECT_EQ(seen.Icon, QMessageBox::Information);
    EXPECT_EQ(seen.Title, "Vannerby"_q);

    // A double click with several rows selected does nothing.
    SelectRows(window, {0, 1});
    EXPECT_FALSE(ExpectMessageBox([&] {
                     emit window.List()->doubleClicked(window.ListModel()->index(1, 0));
                 }).Shown);
}

TEST_F(frmMainTest, DropsOpenTheFirstArchiveOnly)
{
    const QString first = WriteSample("first.pak");
    const QString second = WriteSample("second.pak");
    const QString text = WriteText("notes.txt");
    frmMain window;
    window.show();
    const auto files = [](std::initializer_list<QString> paths) {
        auto *data = new QMimeData;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        return data;
    };
    std::unique_ptr<QMimeData> archives(files({first, second}));
    std::unique_ptr<QMimeData> foreign(files({text, first}));
    QMimeData plain;
    plain.setText(first);
    EXPECT_TRUE(window.AcceptsDrop(archives.get()));
    EXPECT_FALSE(window.AcceptsDrop(foreign.get()));
    EXPECT_FALSE(window.AcceptsDrop(&plain));

    // Drag-over on the list and the status bar reaches the window.
    for (QWidget *target : {static_cast<QWidget *>(window.List()->viewport()),
                            static_cast<QWidget *>(window.statusBar())}) {
        for (QMimeData *data : {archives.get(), foreign.get()}) {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            EXPECT_EQ(enter.isAccepted(), data == archives.get());
        }
    }
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, archives.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.List()->viewport(), &drop);
    EXPECT_EQ(window.FileName(), QDir::toNativeSeparators(first));
}

TEST_F(frmMainTest, DragOutWritesTheSelectedEntriesBelowTheTemporaryFolder)
{
    QString tempPath;
    {
        frmMain window({WriteSample()});
        tempPath = window.TempPath();
        EXPECT_EQ(window.CollectDragData(), nullptr); // nothing selected
        window.EditSelectAll();
        std::unique_ptr<QMimeData> data(window.CollectDragData());
        ASSERT_NE(data, nullptr);
        const QList<QUrl> urls = data->urls();
        ASSERT_EQ(urls.size(), 3);
        const QString base = QDir::fromNativeSeparators(tempPath) + "/"_q;
        EXPECT_EQ(urls[0].toLocalFile(), base + "maps/b.dat"_q);
        EXPECT_EQ(urls[1].toLocalFile(), base + "maps/deep/A.txt"_q);
        EXPECT_EQ(urls[2].toLocalFile(), base + "c.bin"_q);
        EXPECT_EQ(ReadFile(urls[1].toLocalFile().toStdString()), Entry("x", 999).Data);
        // A second drag offers the files already there.
        std::unique_ptr<QMimeData> again(window.CollectDragData());
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->urls(), urls);
        window.close();
        EXPECT_FALSE(QFileInfo::exists(tempPath)); // deleted at exit
    }
    EXPECT_FALSE(QFileInfo::exists(tempPath));
}

TEST_F(frmMainTest, WindowSnapsToTheMinimumSize)
{
    frmMain window;
    window.show();
    window.resize(100, 80);
    Flush();
    // 4000 twips at 15 twips per pixel (96 dpi), or more where menus and
    // toolbar need more.
    EXPECT_GE(window.frameGeometry().width() * 15, 4000);
    EXPECT_GE(window.frameGeometry().height() * 15, 4000);
    window.resize(500, 400);
    Flush();
    EXPECT_EQ(window.width(), 500);
}

TEST_F(frmMainTest, ViewTogglesShowAndHideTheBars)
{
    frmMain window;
    window.show();
    EXPECT_TRUE(window.statusBar()->isVisible());
    window.ViewStatusBar();
    EXPECT_FALSE(Menu(window, "mnuViewStatusBar")->isChecked());
    EXPECT_FALSE(window.statusBar()->isVisible());
    Menu(window, "mnuViewToolbar")->trigger();
    EXPECT_FALSE(Menu(window, "mnuViewToolbar")->isChecked());
    EXPECT_FALSE(window.findChild<QToolBar *>(QStringLiteral("tbrToolBar"))->isVisible());
    Menu(window, "mnuViewToolbar")->trigger();
    EXPECT_TRUE(window.findChild<QToolBar *>(QStringLiteral("tbrToolBar"))->isVisible());
}

TEST_F(frmMainTest, RecentFilesMenu)
{
    const QString sample = WriteSample("Sample.pak");
    const QString upper = WriteSample("SAMPLE.PAK");
    const QString other = WriteSample("other & more.pak");
    {
        frmMain window;
        const auto entries = [&window] {
            QList<QAction *> shown;
            for (QAction *action : window.findChildren<QAction *>(QStringLiteral("mnuFileMRU")))
                if (action->isVisible())
                    shown << action;
            return shown;
        };
        EXPECT_TRUE(window.RecentFiles().isEmpty());
        EXPECT_TRUE(entries().isEmpty());
        window.OpenPakFile(sample);
        window.OpenPakFile(other);
        EXPECT_EQ(window.RecentFiles(), (QStringList{other, sample}));
        EXPECT_TRUE(Menu(window, "mnuFileBarMRU1")->isVisible());
        EXPECT_TRUE(Menu(window, "mnuFileBarMRU2")->isVisible());
        ASSERT_EQ(entries().size(), 2);
        // The caption is the path; "&" shows as itself, not as an accelerator.
        EXPECT_EQ(entries()[0]->text(), QString(other).replace("&"_q, "&&"_q));
        // Paths compare without regard to case: the latest spelling moves to the top.
        window.OpenPakFile(upper);
        EXPECT_EQ(window.RecentFiles(), (QStringList{upper, other}));

        // Clicking an entry opens it and moves it to the top.
        entries()[1]->trigger();
        EXPECT_EQ(window.FileName(), other);
        EXPECT_EQ(window.RecentFiles(), (QStringList{other, upper}));

        // Capacity 10: the oldest falls off.
        for (int i = 0; i < 9; ++i) {
            std::string name = "n"; // built piece by piece: a false -Wrestrict in GCC 12
            name += std::to_string(i);
            name += ".pak";
            window.OpenPakFile(WriteSample(name));
        }
        EXPECT_EQ(window.RecentFiles().size(), 10);
        EXPECT_EQ(window.RecentFiles().first(), Q(m_dir / "n8.pak"));
        EXPECT_FALSE(window.RecentFiles().contains(upper));
        EXPECT_TRUE(window.RecentFiles().contains(other));
        EXPECT_EQ(entries().size(), 10);
    }
    {
        // Saved at exit, read at the next start in the same order.
        frmMain window;
        ASSERT_EQ(window.RecentFiles().size(), 10);
        EXPECT_EQ(window.RecentFiles().first(), Q(m_dir / "n8.pak"));
        EXPECT_EQ(window.RecentFiles().last(), other);
    }

    // An entry whose file is gone: the message, and the entry leaves the list;
    // the separators go with the last entry.
    ForgetSettings();
    frmMain window;
    window.OpenPakFile(sample);
    ASSERT_TRUE(RemoveFile(sample.toStdString()));
    QAction *entry = nullptr;
    for (QAction *action : window.findChildren<QAction *>(QStringLiteral("mnuFileMRU")))
        if (action->isVisible())
            entry = action;
    ASSERT_NE(entry, nullptr);
    const MessageBoxSeen seen = ExpectMessageBox([&] { entry->trigger(); });
    EXPECT_EQ(seen.Text, sample + " wurde nicht gefunden!"_q);
    EXPECT_TRUE(window.RecentFiles().isEmpty());
    EXPECT_FALSE(Menu(window, "mnuFileBarMRU1")->isVisible());
    EXPECT_FALSE(Menu(window, "mnuFileBarMRU2")->isVisible());
    EXPECT_EQ(window.FileName(), sample); // the open archive stays
}

TEST_F(frmMainTest, ViewTogglesAndPlacementAreKeptBetweenRuns)
{
    {
        frmMain window;
        window.show();
        window.resize(600, 450);
        Flush();
        window.ViewStatusBar();
        window.close();
    }
    frmMain window;
    EXPECT_FALSE(Menu(window, "mnuViewStatusBar")->isChecked());
    EXPECT_TRUE(Menu(window, "mnuViewToolbar")->isChecked());
    window.show();
    Flush();
    EXPECT_FALSE(window.statusBar()->isVisible());
    EXPECT_EQ(window.size(), QSize(600, 450));
}

TEST_F(frmMainTest, OpenCommandOffersArchivesFirst)
{
    const QString sample = WriteSample();
    const QString other = WriteSample("other.pak");
    frmMain window({sample});
    window.show();
    // Cancelled: nothing changes.
    WithModalDialog([](QFileDialog *dialog) { dialog->reject(); }, [&] { window.FileOpen(); });
    EXPECT_EQ(window.FileName(), sample);
    // The dialog starts on the open archive, archives preselected.
    WithModalDialog(
        [&](QFileDialog *dialog) {
            EXPECT_EQ(dialog->selectedNameFilter(), "PAK-Dateien (*.pa?)"_q);
            EXPECT_EQ(dialog->nameFilters().size(), 2);
            EXPECT_EQ(QDir::toNativeSeparators(dialog->directory().absolutePath()),
                      Q(m_dir.path()));
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            EXPECT_EQ(name->text(), "sample.pak"_q);
            // The user picks the other archive instead.
            dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"))->clearSelection();
            name->setText("other.pak"_q);
            static_cast<QDialog *>(dialog)->accept();
        },
        [&] { QTest::keyClick(window.List(), Qt::Key_O, Qt::ControlModifier); });
    EXPECT_EQ(window.FileName(), QDir::toNativeSeparators(other));
    EXPECT_EQ(window.RecentFiles().first(), QDir::toNativeSeparators(other));
}

TEST_F(frmMainTest, MaximizedWindowKeepsItsNormalBounds)
{
    {
        frmMain window;
        window.show();
        window.resize(620, 430);
        Flush();
        window.showMaximized();
        Flush();
        ASSERT_TRUE(window.isMaximized());
        window.close();
    }
    frmMain window;
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    window.show();
    Flush();
    window.showNormal();
    Flush();
    EXPECT_EQ(window.size(), QSize(620, 430));
}

TEST_F(frmMainTest, EveryWayOfOpeningLeavesTheShortcutsToTheList)
{
    const QString first = WriteSample("first.pak");
    const QString second = WriteSample("second.pak");
    frmMain window({first});
    window.show();
    QApplication::setActiveWindow(&window);
    auto *box = window.findChild<QLineEdit *>(QStringLiteral("txtFilter"));
    ASSERT_NE(box, nullptr);
    // Started with an archive, as a double click in the file manager does: Ctrl+A
    // reaches the list, not the empty filter box.
    EXPECT_EQ(QApplication::focusWidget(), window.List());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 0);
    // Tab does not land in the box either; only Ctrl+F puts the focus there.
    EXPECT_EQ(box->focusPolicy(), Qt::ClickFocus);

    const auto fromBox = [&](const std::function<void()> &open) {
        window.FocusFilter();
        EXPECT_TRUE(box->hasFocus());
        open();
        // A modal dialog on the way leaves the window to be activated again.
        QApplication::setActiveWindow(&window);
        EXPECT_EQ(QApplication::focusWidget(), window.List());
    };
    fromBox([&] { window.OpenPakFile(second); });
    fromBox([&] { Menu(window, "mnuViewRefresh")->trigger(); });
    fromBox([&] {
        for (QAction *action : window.findChildren<QAction *>(QStringLiteral("mnuFileMRU")))
            if (action->isVisible() && action->text() == first) {
                action->trigger();
                break;
            }
        EXPECT_EQ(window.FileName(), first);
    });
    fromBox([&] {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(second)});
        window.DropData(&data);
        EXPECT_EQ(window.FileName(), QDir::toNativeSeparators(second));
    });
    fromBox([&] {
        WithModalDialog(
            [&](QFileDialog *dialog) {
                dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"))
                    ->clearSelection();
                dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                    ->setText("first.pak"_q);
                static_cast<QDialog *>(dialog)->accept();
            },
            [&] { window.FileOpen(); });
        EXPECT_EQ(window.FileName(), QDir::toNativeSeparators(first));
    });
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("c.bin"_q));
}

TEST_F(frmMainTest, HeadersAreWideEnoughForTheSortArrow)
{
    frmMain window({WriteSample()});
    window.show();
    QHeaderView *header = window.List()->horizontalHeader();
    ASSERT_FALSE(header->isSortIndicatorShown());
    // Sized before any click, yet the arrow a click shows cuts no header.
    const int columns = window.ListModel()->columnCount();
    std::vector<int> widths;
    for (int column = 0; column < columns; ++column)
        widths.push_back(header->sectionSize(column));
    window.ColumnClick(1);
    ASSERT_TRUE(header->isSortIndicatorShown());
    for (int column = 0; column < columns; ++column)
        EXPECT_GE(widths[static_cast<size_t>(column)], header->sectionSizeHint(column)) << column;
}

TEST_F(frmMainTest, TheOpenDialogRefusesANonArchiveAndStaysOpen)
{
    const QString sample = WriteSample();
    WriteText("notes.txt");
    frmMain window({sample});
    window.show();
    QString message;
    bool stayedOpen = false;
    WithModalDialog(
        [&](QFileDialog *dialog) {
            dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"))->clearSelection();
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText("notes.txt"_q);
            QTimer::singleShot(0, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                message = box->text();
                box->accept();
            });
            static_cast<QDialog *>(dialog)->accept();
            stayedOpen = dialog->isVisible();
            dialog->reject();
        },
        [&] { window.FileOpen(); });
    EXPECT_EQ(message,
              QDir::toNativeSeparators(Q(m_dir / "notes.txt")) + " wurde nicht gefunden!"_q);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(window.FileName(), sample);
}

TEST_F(frmMainTest, MenusShowTheKeysOfPreviewAndFind)
{
    frmMain window({WriteSample()});
    window.show();
    QApplication::setActiveWindow(&window);
    EXPECT_EQ(Menu(window, "mnuViewPreview")->shortcut(), QKeySequence(Qt::Key_F3));
    QAction *find = Menu(window, "mnuEditFind");
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->text(), "&Suchen"_q);
    EXPECT_EQ(find->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    find->trigger();
    EXPECT_TRUE(window.findChild<QLineEdit *>(QStringLiteral("txtFilter"))->hasFocus());
    // F3 still reaches the window from the list, and toggles the pane once.
    const bool shown = Menu(window, "mnuViewPreview")->isChecked();
    QTest::keyClick(window.List(), Qt::Key_F3);
    EXPECT_NE(Menu(window, "mnuViewPreview")->isChecked(), shown);
    window.FileClose();
    EXPECT_FALSE(find->isEnabled());
}

TEST_F(frmMainTest, ThePlacementComesBackWholeOnTheScreensFreeArea)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const auto place = [](int left, int top, int width, int height) {
        frmMain window;
        window.show();
        window.move(left, top);
        window.resize(width, height);
        Flush();
        window.close();
    };
    const auto inside = [&area](const frmMain &window) {
        return area.contains(QRect(window.pos(), window.size()));
    };
    // Saved on a larger screen, right of this one, or above its top edge.
    place(area.right() + 400, 200, area.width() + 300, area.height() + 200);
    {
        frmMain window;
        EXPECT_TRUE(inside(window)) << window.pos().x() << "," << window.pos().y();
        EXPECT_LE(window.width(), area.width());
    }
    place(-50, -300, 500, 350);
    {
        frmMain window;
        EXPECT_TRUE(inside(window)) << window.pos().x() << "," << window.pos().y();
        EXPECT_EQ(window.size(), QSize(500, 350));
    }
    // A placement on the screen is kept as it was.
    place(area.left() + 30, area.top() + 40, 500, 350);
    frmMain window;
    EXPECT_EQ(window.pos(), area.topLeft() + QPoint(30, 40));
}

TEST_F(frmMainTest, TheFirstWindowFitsTheScreenAndAStartWithADamagedArchiveKeepsThePlacement)
{
    {
        // No placement saved: as wide as the seven columns need, within the screen.
        frmMain window({WriteSample()});
        window.show();
        Flush();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_LE(window.width(), area.width());
        EXPECT_LE(window.height(), area.height());
        int columns = 0;
        for (int column = 0; column < window.ListModel()->columnCount(); ++column)
            columns += window.List()->columnWidth(column);
        EXPECT_GE(window.List()->width(), std::min(columns, area.width() - 40));
        window.close();
    }
    // Whatever the loader says about a damaged archive comes before the window,
    // owned by nothing, so that the window is not made early and shifted.
    const std::string damaged = m_dir / "damaged.pak";
    ASSERT_TRUE(WritePak(damaged, {Entry("a", 10)}, [] {
        PakWriterOptions options;
        options.EntryCount = 1000000;
        return options;
    }()));
    QList<QWidget *> owners;
    const std::function<void()> answer = [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            owners << box->parentWidget();
            box->accept();
        }
        if (owners.size() < 2)
            QTimer::singleShot(10, answer);
    };
    QTimer::singleShot(10, answer);
    frmMain window({Q(damaged)});
    EXPECT_EQ(owners, (QList<QWidget *>{nullptr, nullptr}));
    EXPECT_TRUE(window.FileName().isEmpty());
}
