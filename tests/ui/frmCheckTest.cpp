// The window of an archive's structure check, alone and from the main window.
#include "frmCheck.h"
#include "CheckFindingsModel.h"
#include "FilterBar.h"
#include "PakListModel.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "frmMain.h"
#include "mdlI18n.h"
#include "mdlListView.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class frmCheckTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { LanguageFileNamed("frmCheckTest.lng"); }
    void SetUp() override
    {
        RemoveFile(mdlI18n::LanguageFile());
        ForgetSettings();
    }
    void TearDown() override
    {
        Flush();
        RemoveFile(mdlI18n::LanguageFile());
    }

    TempDir m_dir;
};

QStringList Column(const QAbstractItemModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

} // namespace

TEST_F(frmCheckTest, TranslatesItselfWhileItIsBuilt)
{
    {
        frmCheck window;
        EXPECT_EQ(window.windowTitle(), "Archiv prüfen"_q);
        EXPECT_EQ(window.Findings()->rowCount(), 0);
    }
    const std::string written = ReadFile(mdlI18n::LanguageFile());
    for (const char *line :
         {"[frmCheck]",
          "Caption=Archiv pr\xFC"
          "fen",
          "lvwFindings.Key.Text=Eintrag", "lvwFindings.Finding.Text=Befund",
          "cmdClose.Caption=&Schlie\xDF"
          "en",
          "lblHint.Caption=Doppelklick", "strSummary=Befunde: %1; ungenutzt: %2 von %3 Bytes",
          "strNoFindings=Keine Befunde", "strPastEnd=Daten reichen %3 Bytes",
          "strTimeTableSize=Zeittabelle ist %4 Bytes"})
        EXPECT_NE(written.find(line), std::string::npos) << line;
    EXPECT_EQ(written.find("lblSummary"), std::string::npos);

    WriteFile(mdlI18n::LanguageFile(), "[frmCheck]\r\nCaption=Check archive\r\n"
                                       "lvwFindings.Finding.Text=Finding\r\n"
                                       "strNegativeSize=Size below zero: %3\r\n"
                                       "strSummary=%1 findings\r\n");
    frmCheck window;
    EXPECT_EQ(window.windowTitle(), "Check archive"_q);
    EXPECT_EQ(
        window.Findings()->headerData(CheckFindingsModel::ColFinding, Qt::Horizontal).toString(),
        "Finding"_q);
    const std::string path = m_dir / "negative.pak";
    ASSERT_TRUE(WritePak(path, {{"a", "abc", {}, -3}}));
    PakArchive archive;
    ASSERT_TRUE(ReadPakFile(path, archive));
    window.ShowReport(CheckPakDirectory(archive, 200), archive);
    EXPECT_EQ(Column(*window.Findings(), CheckFindingsModel::ColFinding),
              (QStringList{"Size below zero: -3"_q}));
    EXPECT_TRUE(window.SummaryText().endsWith("\n1 findings"_q));
}

TEST_F(frmCheckTest, MainWindowShowsTheFindingsAndSelectsTheirEntries)
{
    const std::string path = m_dir / "damaged.pak";
    ASSERT_TRUE(WritePak(path, {{"maps\\nord.ini", "abc"},
                                {"MAPS/NORD.INI", "de"},
                                {"ctl\x01.txt", "f"},
                                {"big.dat", "g", {}, 5000}}));
    frmMain window({QString::fromStdString(path)});
    window.show();
    QAction *check = window.findChild<QAction *>(QStringLiteral("mnuActionsCheck"));
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->text(), "Archiv &prüfen"_q);
    EXPECT_TRUE(check->isEnabled());
    check->trigger();
    frmCheck *findings = window.CheckWindow();
    ASSERT_NE(findings, nullptr);
    EXPECT_TRUE(findings->isVisible());
    EXPECT_FALSE(findings->isModal()); // the list stays usable beside it
    QAbstractItemModelTester tester(findings->Findings(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto *model = findings->Findings();
    EXPECT_EQ(Column(*model, CheckFindingsModel::ColKey), (QStringList{"ID1"_q, "ID2"_q, "ID3"_q}));
    EXPECT_EQ(Column(*model, CheckFindingsModel::ColName),
              (QStringList{"MAPS/NORD.INI"_q, "ctl\\x01.txt"_q, "big.dat"_q}));
    EXPECT_EQ(
        Column(*model, CheckFindingsModel::ColFinding),
        (QStringList{"Gleicher Name wie ID0 (maps\\nord.ini)"_q, "Name enthält Steuerzeichen"_q,
                     "Daten reichen 4.999 Bytes über das Dateiende hinaus"_q}));
    EXPECT_TRUE(findings->SummaryText().endsWith("\nBefunde: 3; ungenutzt: 0 von 567 Bytes"_q));

    // A double click selects the entry, clearing a filter that hides it.
    window.Filter()->Box()->setText("nord"_q);
    EXPECT_EQ(window.ListModel()->rowCount(), 2);
    emit findings->List()->doubleClicked(model->index(2, 1));
    EXPECT_TRUE(window.Filter()->Text().isEmpty());
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 1);
    EXPECT_EQ(window.ListModel()->RowKey(window.List()->currentIndex().row()), "ID3"_q);
    emit findings->List()->doubleClicked(model->index(0, 0));
    EXPECT_EQ(window.ListModel()->RowKey(window.List()->currentIndex().row()), "ID1"_q);
    // Enter on a finding does the same, without the mouse.
    findings->List()->setCurrentIndex(model->index(1, 0));
    QTest::keyClick(findings->List(), Qt::Key_Return);
    EXPECT_EQ(window.ListModel()->RowKey(window.List()->currentIndex().row()), "ID2"_q);
    EXPECT_EQ(mdlListView::GetSelectedCount(window.List()), 1);

    // Checking again reuses the window; another archive closes it.
    check->trigger();
    EXPECT_EQ(window.CheckWindow(), findings);
    const std::string sound = m_dir / "sound.pak";
    ASSERT_TRUE(WritePak(sound, {{"a", "b"}}));
    window.OpenPakFile(QString::fromStdString(sound));
    Flush();
    EXPECT_EQ(window.CheckWindow(), nullptr);
    check->trigger();
    ASSERT_NE(window.CheckWindow(), nullptr);
    EXPECT_EQ(window.CheckWindow()->Findings()->rowCount(), 0);
    EXPECT_TRUE(window.CheckWindow()->SummaryText().contains("Keine Befunde"_q));

    // A file that has gone since it was opened: the error box, no window.
    window.CheckWindow()->close();
    Flush();
    ASSERT_TRUE(RemoveFile(sound));
    const MessageBoxSeen seen = ExpectMessageBox([&] { check->trigger(); });
    EXPECT_TRUE(seen.Shown);
    EXPECT_TRUE(seen.Text.contains("(Runtime-Error: 53)"_q));
    EXPECT_EQ(window.CheckWindow(), nullptr);
    window.FileClose();
    EXPECT_FALSE(check->isEnabled());
}
