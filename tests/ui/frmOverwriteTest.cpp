#include "frmOverwrite.h"
#include "ExtractTestSupport.h"
#include "UiTestSupport.h"
#include "mdlI18n.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// 2020-05-04 10:20:30 UTC, which is 12:20:30 in Berlin.
const FileTime Moment = UtcFileTime(2020, 5, 4, 10, 20, 30);
const FileTime Second = 10000000ULL;

ExtractTarget Conflict(FileTime newWrite, FileTime existingWrite)
{
    ExtractTarget target;
    target.TargetPath = "/data/out/maps/x.dds";
    target.ExistingPath = target.TargetPath;
    target.EntrySize = 2048;
    target.ExistingSize = 1536;
    target.NewLastWriteTime = newWrite;
    target.ExistingLastWriteTime = existingWrite;
    return target;
}

QString Text(frmOverwrite &dialog, const char *name)
{
    return dialog.findChild<QLabel *>(QString::fromLatin1(name))->text();
}

QPushButton *Button(frmOverwrite &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QString::fromLatin1(name));
}

using frmOverwriteTest = ExtractTest;

TEST_F(frmOverwriteTest, ShowsBothFilesAndProposesNoUnlessTheArchiveIsNewer)
{
    struct Case
    {
        FileTime New;
        const char *Default;
        QString Compare;
    };
    const Case cases[] = {
        // The same second counts as not newer, even with fractions between.
        {Moment + Second / 2, "cmdNo", "Beide Dateien sind gleich alt."_q},
        {Moment - 60 * Second, "cmdNo", "Die Datei im Archiv ist älter."_q},
        {Moment + Second, "cmdYes", "Die Datei im Archiv ist neuer."_q},
    };
    for (const Case &c : cases) {
        frmOverwrite dialog;
        bool checked = false;
        ModalDriver driver({[&](QWidget *modal) {
            EXPECT_EQ(modal, &dialog);
            QPushButton *chosen = Button(dialog, c.Default);
            QPushButton *other =
                Button(dialog, c.Default == std::string("cmdNo") ? "cmdYes" : "cmdNo");
            EXPECT_TRUE(chosen->isDefault()) << c.Default;
            EXPECT_FALSE(other->isDefault()) << c.Default;
            EXPECT_EQ(dialog.focusWidget(), chosen) << c.Default;
            EXPECT_EQ(Text(dialog, "lblCompare"), c.Compare);
            checked = true;
            Button(dialog, "cmdNo")->click();
            return true;
        }});
        EXPECT_EQ(dialog.ShowDlg(Conflict(c.New, Moment + Second / 4), nullptr), 7);
        EXPECT_TRUE(checked);
    }

    frmOverwrite dialog;
    ModalDriver driver({Click<frmOverwrite>("cmdNo")});
    dialog.ShowDlg(Conflict(Moment, Moment), nullptr);
    EXPECT_EQ(Text(dialog, "lblOldFile"), "/data/out/maps/x.dds\n1,50 KB 04.05.2020 12:20:30"_q);
    EXPECT_EQ(Text(dialog, "lblNewFile"), "x.dds\n2,00 KB 04.05.2020 12:20:30"_q);
    EXPECT_FALSE(dialog.findChild<QLabel *>(QStringLiteral("picTitle"))->pixmap().isNull());
    EXPECT_TRUE(dialog.findChild<QLabel *>(QStringLiteral("lblOldFile"))->toolTip().isEmpty());
}

TEST_F(frmOverwriteTest, ALongPathIsCutInTheMiddleAndShownWholeAsTooltip)
{
    ExtractTarget target = Conflict(Moment, Moment);
    const std::string folder = "/data/" + std::string(300, 'f') + "/deep";
    target.ExistingPath = folder + "/maps/x.dds";
    target.TargetPath = target.ExistingPath;
    frmOverwrite dialog;
    ModalDriver driver({Click<frmOverwrite>("cmdNo")});
    dialog.ShowDlg(target, nullptr);
    auto *old = dialog.findChild<QLabel *>(QStringLiteral("lblOldFile"));
    const QString line = old->text().section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(line.startsWith("/data/ff"_q)) << line.toStdString();
    EXPECT_TRUE(line.endsWith("/maps/x.dds"_q)) << line.toStdString();
    EXPECT_TRUE(line.contains(QChar(0x2026)));
    EXPECT_LE(old->fontMetrics().horizontalAdvance(line), old->contentsRect().width());
    EXPECT_EQ(old->toolTip(), QString::fromStdString(target.ExistingPath));
    // The second line, size and time, is never cut.
    EXPECT_EQ(old->text().section(QLatin1Char('\n'), 1), "1,50 KB 04.05.2020 12:20:30"_q);
}

TEST_F(frmOverwriteTest, EveryWayOutAnswersSixSevenOrTwo)
{
    const std::vector<std::pair<std::function<void(frmOverwrite &)>, int32_t>> ways = {
        {[](frmOverwrite &d) { Button(d, "cmdYes")->click(); }, 6},
        {[](frmOverwrite &d) { Button(d, "cmdNo")->click(); }, 7},
        {[](frmOverwrite &d) { Button(d, "cmdCancel")->click(); }, 2},
        {[](frmOverwrite &d) { QTest::keyClick(&d, Qt::Key_Escape); }, 2},
        {[](frmOverwrite &d) { d.close(); }, 2},
    };
    for (size_t i = 0; i < ways.size(); ++i) {
        frmOverwrite dialog;
        ModalDriver driver({[&](QWidget *) {
            ways[i].first(dialog);
            return true;
        }});
        EXPECT_EQ(dialog.ShowDlg(Conflict(Moment, Moment), nullptr), ways[i].second) << i;
        EXPECT_FALSE(dialog.isVisible()) << i;
        EXPECT_FALSE(dialog.ReplaceAll()) << i;
    }
}

TEST_F(frmOverwriteTest, ReplaceAllAnswersTheRestOfTheRunWithoutAsking)
{
    frmOverwrite dialog;
    {
        ModalDriver driver({Click<frmOverwrite>("cmdAll")});
        EXPECT_EQ(dialog.ShowDlg(Conflict(Moment, Moment), nullptr), 6);
    }
    EXPECT_TRUE(dialog.ReplaceAll());
    ModalDriver none({});
    EXPECT_EQ(dialog.ShowDlg(Conflict(Moment, Moment), nullptr), 6);
    EXPECT_EQ(none.Handled(), 0);
    // A new run has a new instance, which asks again.
    frmOverwrite next;
    EXPECT_FALSE(next.ReplaceAll());
}

TEST_F(frmOverwriteTest, WritesItsEntriesToTheLanguageFile)
{
    {
        frmOverwrite dialog;
    }
    const std::vector<std::string> keys = SectionKeys(LanguageFile(), "frmOverwrite");
    const std::vector<std::string> expected = {
        "Caption",
        "lblTitle.Caption",
        "lblTitle.ToolTipText",
        "lblReplaceOld.Caption",
        "lblReplaceOld.ToolTipText",
        "lblReplaceNew.Caption",
        "lblReplaceNew.ToolTipText",
        "cmdYes.Caption",
        "cmdYes.ToolTipText",
        "cmdAll.Caption",
        "cmdAll.ToolTipText",
        "cmdNo.Caption",
        "cmdNo.ToolTipText",
        "cmdCancel.Caption",
        "cmdCancel.ToolTipText",
        "strNewer",
        "strOlder",
        "strSameAge",
    };
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(mdlI18n::TranslateText("frmOverwrite", "Caption", "x"), "Überschreiben bestätigen");
}

} // namespace
