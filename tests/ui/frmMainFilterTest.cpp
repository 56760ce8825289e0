// The filter box of the main window: what it shows, what the panels say, and
// which commands act on the rows it leaves.
#include "FilterBar.h"
#include "PakListModel.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "frmMain.h"
#include "mdlI18n.h"
#include "mdlListView.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class frmMainFilterTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { LanguageFileNamed("frmMainFilterTest.lng"); }
    void SetUp() override { ForgetSettings(); }
    void TearDown() override
    {
        Flush();
        RemoveFile(mdlI18n::LanguageFile());
    }

    QString WriteArchive(const std::string &name, const std::vector<std::string> &names)
    {
        std::vector<PakWriterEntry> entries;
        size_t size = 100;
        for (const std::string &entryName : names)
            entries.push_back(PakWriterEntry{entryName, std::string(size++, 'x')});
        const std::string path = m_dir / name;
        EXPECT_TRUE(WritePak(path, entries));
        return QString::fromStdString(path);
    }

    static QString Panel(frmMain &window, const char *key)
    {
        return window.findChild<QLabel *>(QString::fromLatin1(key))->text();
    }

    static QLineEdit *Box(frmMain &window)
    {
        return window.findChild<QLineEdit *>(QStringLiteral("txtFilter"));
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

TEST_F(frmMainFilterTest, TypingNarrowsTheListAndThePanelsSaySo)
{
    const QString path =
        WriteArchive("a.pak", {"maps\\Nord.ini", "maps/sued.ini", "textures\\nord.dds", "readme"});
    frmMain window({path});
    window.show();
    QApplication::setActiveWindow(&window);
    QLineEdit *box = Box(window);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isEnabled());

    // Ctrl+F from the list puts the focus into the box.
    window.List()->setFocus();
    QTest::keyClick(window.List(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClicks(box, "NORD"_q);
    EXPECT_EQ(Keys(window), (QStringList{"ID0"_q, "ID2"_q}));
    EXPECT_EQ(Panel(window, "Total"), "4 Dateien (406 Bytes) gesamt, 2 von 4 Dateien angezeigt"_q);
    EXPECT_EQ(Panel(window, "Selection"), "0 Dateien (0 Bytes) ausgewählt"_q);

    // Ctrl+A and Ctrl+X edit the text there: no selection, no extraction.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->selectedText(), "NORD"_q);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 0);
    QGuiApplication::clipboard()->setText("before"_q);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "NORD"_q);
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "NORD"_q);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "NORD"_q);
    EXPECT_EQ(Keys(window), (QStringList{"ID0"_q, "ID2"_q}));

    // Select all, copy and drag-out act on the rows shown only; the panel counts them.
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_TRUE(window.List()->hasFocus());
    QTest::keyClick(window.List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Panel(window, "Selection"), "2 Dateien (202 Bytes) ausgewählt"_q);
    QTest::keyClick(window.List(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines =
        QGuiApplication::clipboard()->text().split("\r\n"_q, Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith("maps\\Nord.ini\t"_q));
    EXPECT_TRUE(lines[2].startsWith("textures\\nord.dds\t"_q));
    std::unique_ptr<QMimeData> dragged(window.CollectDragData());
    ASSERT_NE(dragged, nullptr);
    EXPECT_EQ(dragged->urls().size(), 2);

    // A pattern; then Esc empties the box and goes back to the list.
    window.FocusFilter();
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClicks(box, "*.ini"_q); // typed over the selected text
    EXPECT_EQ(Keys(window), (QStringList{"ID0"_q, "ID1"_q}));
    // "*." hid every row on the way, and a hidden row loses its selection.
    EXPECT_EQ(Panel(window, "Selection"), "0 Dateien (0 Bytes) ausgewählt"_q);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(window.List()->hasFocus());
    EXPECT_EQ(window.ListModel()->rowCount(), 4);
    EXPECT_EQ(Panel(window, "Total"), "4 Dateien (406 Bytes) gesamt"_q);

    // A new archive, and closing, clear the filter.
    QTest::keyClicks(box, "sued"_q);
    EXPECT_EQ(Keys(window), (QStringList{"ID1"_q}));
    window.OpenPakFile(WriteArchive("b.pak", {"sued", "nord"}));
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_EQ(window.ListModel()->rowCount(), 2);
    QTest::keyClicks(box, "nord"_q);
    EXPECT_EQ(window.ListModel()->rowCount(), 1);
    window.FileClose();
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(Panel(window, "Total"), "0 Dateien (0 Bytes) gesamt"_q);
}

TEST_F(frmMainFilterTest, SelectEntryClearsAFilterThatHidesIt)
{
    frmMain window({WriteArchive("a.pak", {"rot", "gruen", "rosa"})});
    window.show();
    window.Filter()->Box()->setText("ro"_q);
    EXPECT_EQ(Keys(window), (QStringList{"ID0"_q, "ID2"_q}));
    EXPECT_TRUE(window.SelectEntry(2)); // shown: the filter stays
    EXPECT_EQ(window.Filter()->Text(), "ro"_q);
    EXPECT_EQ(window.ListModel()->RowKey(window.List()->currentIndex().row()), "ID2"_q);
    EXPECT_TRUE(window.SelectEntry(1)); // hidden: the filter goes
    EXPECT_TRUE(window.Filter()->Text().isEmpty());
    EXPECT_EQ(window.ListModel()->rowCount(), 3);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 1);
    EXPECT_EQ(window.ListModel()->RowKey(window.List()->currentIndex().row()), "ID1"_q);
    EXPECT_FALSE(window.SelectEntry(7));
}

TEST_F(frmMainFilterTest, TranslatesTheFilterTexts)
{
    {
        frmMain window;
    }
    const std::string written = ReadFile(mdlI18n::LanguageFile());
    for (const char *line : {"lblFilter.Caption=&Suchen:", "txtFilter.ToolTipText=Zeigt nur",
                             "strStatusShown=%1 von %2 Dateien angezeigt"})
        EXPECT_NE(written.find(line), std::string::npos) << line;

    WriteFile(mdlI18n::LanguageFile(),
              "[frmMain]\r\nstrStatusShown=%1 of %2 files shown\r\nlblFilter.Caption=&Find:\r\n");
    frmMain window({WriteArchive("a.pak", {"eins", "zwei"})});
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("lblFilter"))->text(), "&Find:"_q);
    window.ApplyFilter("zw"_q);
    EXPECT_TRUE(Panel(window, "Total").endsWith(", 1 of 2 files shown"_q));
}

TEST_F(frmMainFilterTest, WideningKeepsTheSelectionToTheRowsThatWereSelected)
{
    // Enough rows that Qt keeps "all selected" as one range over the whole table.
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i)
        names.push_back((i % 2 == 0 ? "gerade" : "ungerade") + std::to_string(i));
    frmMain window({WriteArchive("many.pak", names)});
    window.show();
    window.Filter()->Box()->setText("ungerade"_q);
    EXPECT_EQ(window.ListModel()->rowCount(), 200);
    window.EditSelectAll();
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 200);
    window.Filter()->Box()->setText("gerade"_q); // widened: every row
    EXPECT_EQ(window.ListModel()->rowCount(), 400);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 200);
    for (const auto &[first, last] : mdlListView::GetSelectedRuns(window.List()))
        for (int row = first; row <= last; ++row)
            EXPECT_TRUE(window.ListModel()->CellText(row, 0).startsWith("ungerade"_q)) << row;
    // Narrowing keeps the rows that stay.
    window.EditSelectAll();
    window.Filter()->Box()->setText("ungerade1"_q);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), window.ListModel()->rowCount());
}

TEST_F(frmMainFilterTest, TheExtractDialogSaysThatTheFilterNarrowsAllFiles)
{
    const QString path = WriteArchive("a.pak", {"a.ini", "b.ini", "c.ini", "d.dds", "e.dds"});
    frmMain window({path});
    window.show();
    QStringList lines;
    const auto extractDialogLine = [&] {
        QTimer::singleShot(0, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            auto *line = dialog->findChild<QLabel *>(QStringLiteral("lblFilterActive"));
            ASSERT_NE(line, nullptr);
            lines << (line->isVisible() ? line->text() : QString());
            // With a selection the dialog proposes the selected files; the line
            // follows the choice.
            auto *selected = dialog->findChild<QRadioButton *>(QStringLiteral("optSelected"));
            if (selected->isChecked()) {
                dialog->findChild<QRadioButton *>(QStringLiteral("optAll"))->setChecked(true);
                lines << line->text();
            }
            dialog->close();
        });
        QTest::keyClick(window.List(), Qt::Key_X, Qt::ControlModifier);
    };
    extractDialogLine();
    window.FocusFilter();
    QTest::keyClicks(Box(window), "ini"_q);
    extractDialogLine();
    window.List()->setFocus();
    window.List()->selectRow(0);
    extractDialogLine();
    EXPECT_EQ(lines,
              (QStringList{QString(), "Suchfilter aktiv: 3 von 5 Dateien werden extrahiert."_q,
                           "Suchfilter aktiv: 1 von 5 Dateien wird extrahiert."_q,
                           "Suchfilter aktiv: 3 von 5 Dateien werden extrahiert."_q}));
}

TEST_F(frmMainFilterTest, CountsAreGroupedAndOneFileIsSingular)
{
    std::vector<std::string> names;
    for (int i = 0; i < 1200; ++i) {
        std::string name = "f"; // not "f" + ...: a false -Wrestrict in GCC 12
        name += std::to_string(i);
        names.push_back(name);
    }
    frmMain window({WriteArchive("many.pak", names)});
    window.show();
    EXPECT_TRUE(Panel(window, "Total").startsWith("1.200 Dateien ("_q))
        << Panel(window, "Total").toStdString();
    window.List()->selectRow(0);
    EXPECT_EQ(Panel(window, "Selection"), "1 Datei (100 Bytes) ausgewählt"_q);
    window.FocusFilter();
    QTest::keyClicks(Box(window), "f1"_q);
    EXPECT_TRUE(Panel(window, "Total").endsWith(", 311 von 1.200 Dateien angezeigt"_q))
        << Panel(window, "Total").toStdString();
}
