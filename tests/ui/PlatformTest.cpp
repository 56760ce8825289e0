#include "FolderBrowserDialog.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "mdlFileDialog.h"
#include "mdlWindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

bool Matches(const QString &filterEntry, const QString &fileName)
{
    // Qt reads the patterns from the last bracket of an entry.
    const qsizetype open = filterEntry.lastIndexOf(QLatin1Char('('));
    const QString patterns = filterEntry.mid(open + 1, filterEntry.size() - open - 2);
    for (const QString &pattern : patterns.split(QLatin1Char(' '))) {
        const QRegularExpression expression(
            QRegularExpression::wildcardToRegularExpression(pattern));
        if (expression.match(fileName).hasMatch())
            return true;
    }
    return false;
}

} // namespace

TEST(mdlWindow, CenterRect)
{
    const QRect work(0, 0, 1920, 1040);
    const QRect second(1920, -200, 1280, 984); // a second monitor right of and above the first
    const struct
    {
        const char *what;
        QRect window;
        std::optional<QRect> owner;
        QRect workArea;
        QPoint expected;
    } cases[] = {
        {"centred on the owner", {0, 0, 200, 100}, QRect(100, 100, 600, 400), work, {300, 250}},
        {"odd differences drop the fraction",
         {0, 0, 201, 101},
         QRect(100, 100, 600, 400),
         work,
         {299, 249}},
        {"wider than the owner: 50 in",
         {0, 0, 800, 100},
         QRect(100, 100, 600, 400),
         work,
         {150, 250}},
        {"about as large: 50 in and down",
         {0, 0, 560, 330},
         QRect(100, 100, 600, 400),
         work,
         {150, 150}},
        {"pulled back from the right and bottom edges",
         {0, 0, 400, 300},
         QRect(1700, 900, 300, 200),
         work,
         {1520, 740}},
        {"pulled in at left and top", {0, 0, 200, 100}, QRect(-500, -300, 300, 200), work, {0, 0}},
        {"larger than the work area: right and bottom win",
         {0, 0, 2000, 1100},
         QRect(0, 0, 600, 400),
         work,
         {-80, -60}},
        {"owner on the second monitor",
         {0, 0, 400, 300},
         QRect(2000, -100, 800, 600),
         second,
         {2200, 50}},
        {"second monitor, clamped to its work area",
         {0, 0, 400, 300},
         QRect(2900, 600, 300, 200),
         second,
         {2800, 484}},
        {"no owner: centre of the work area", {5, 5, 401, 301}, std::nullopt, work, {759, 369}},
        {"no owner, second monitor", {0, 0, 400, 300}, std::nullopt, second, {2360, 142}},
        {"no owner, too large: not clamped", {0, 0, 2000, 1100}, std::nullopt, work, {-40, -30}},
    };
    for (const auto &c : cases) {
        const QRect result = mdlWindow::CenterRect(c.window, c.owner, c.workArea);
        EXPECT_EQ(result.topLeft(), c.expected) << c.what;
        EXPECT_EQ(result.size(), c.window.size()) << c.what;
    }
}

TEST(mdlWindow, CenterWindowOnOwner)
{
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    QWidget window(&owner, Qt::Dialog);
    window.resize(200, 100);
    window.show();
    mdlWindow::CenterWindow(&window, &owner);
    EXPECT_EQ(window.frameGeometry().topLeft(),
              mdlWindow::CenterRect(window.frameGeometry(), owner.frameGeometry(),
                                    owner.screen()->availableGeometry())
                  .topLeft());
}

TEST(mdlFileDialog, BuildFileFilter)
{
    const QString filter = mdlFileDialog::BuildFileFilter(
        {"Alle Dateien (*.*)"_q, "*.*"_q, "PAK-Dateien (*.pa?)"_q, "*.pa?"_q, "odd"_q});
    const QStringList entries = filter.split(";;"_q);
    ASSERT_EQ(entries.size(), 2); // the trailing odd text is ignored
    EXPECT_EQ(entries[0], "Alle Dateien (*.*) (*)"_q);
    EXPECT_EQ(entries[1], "PAK-Dateien (*.pa?) (*.[pP][aA]?)"_q);
    EXPECT_TRUE(mdlFileDialog::BuildFileFilter({}).isEmpty());
    EXPECT_EQ(mdlFileDialog::BuildFileFilter({"Bilder"_q, "*.bmp;*.Dds"_q}),
              "Bilder (*.[bB][mM][pP] *.[dD][dD][sS])"_q);

    // Patterns match in any letter case; "*.*" also matches names without a dot.
    for (const char *name : {"demo.pak", "DEMO.PAK", "x.Pa-"})
        EXPECT_TRUE(Matches(entries[1], QString::fromLatin1(name))) << name;
    for (const char *name : {"demo.txt", "pak", "demo.pakx"})
        EXPECT_FALSE(Matches(entries[1], QString::fromLatin1(name))) << name;
    EXPECT_TRUE(Matches(entries[0], "README"_q));
}

TEST(mdlFileDialog, ShowOpenDialog)
{
    TempDir dir;
    WriteFile(dir / "Demo.PAK", "PAK");
    const QString filter = mdlFileDialog::BuildFileFilter(
        {"Alle Dateien (*.*)"_q, "*.*"_q, "PAK-Dateien (*.pa?)"_q, "*.pa?"_q});

    // Cancelled: empty, the filter index stays.
    int32_t filterIndex = 2;
    QString chosen = "unchanged"_q;
    WithModalDialog([](QFileDialog *dialog) { dialog->reject(); },
                    [&] {
                        chosen =
                            mdlFileDialog::ShowOpenDialog(0, QString::fromStdString(dir.path()),
                                                          filter, filterIndex, {}, {}, {}, nullptr);
                    });
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_EQ(filterIndex, 2);

    // Confirmed: the file, and the filter in use written back.
    WithModalDialog(
        [&](QFileDialog *dialog) {
            EXPECT_EQ(dialog->selectedNameFilter(), "PAK-Dateien (*.pa?)"_q); // as shown
            EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
            dialog->selectNameFilter(filter.split(";;"_q).at(0));
            // The dialog keeps what the user types while its name field has the focus,
            // so the name is typed there.
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText("Demo.PAK"_q);
            static_cast<QDialog *>(dialog)->accept();
        },
        [&] {
            chosen = mdlFileDialog::ShowOpenDialog(0, QString::fromStdString(dir.path()), filter,
                                                   filterIndex, {}, {}, {}, nullptr);
        });
    EXPECT_EQ(chosen, QString::fromStdString(dir / "Demo.PAK"));
    EXPECT_EQ(filterIndex, 1);
}

TEST(mdlFileDialog, FolderBrowserEnablesOkOnlyForExistingFolders)
{
    TempDir dir;
    const QString existing = QString::fromStdString(dir.path());
    const QString missing = QString::fromStdString(dir / "missing");

    FolderBrowserDialog startsMissing(missing, "Ordner"_q, nullptr);
    startsMissing.show();
    Flush();
    EXPECT_FALSE(startsMissing.OkEnabled());
    startsMissing.accept(); // refused
    EXPECT_TRUE(startsMissing.isVisible());
    startsMissing.reject();

    FolderBrowserDialog startsExisting(existing + "/"_q, "Ordner"_q, nullptr);
    startsExisting.show();
    Flush();
    EXPECT_EQ(startsExisting.ChosenFolder(), existing);
    EXPECT_TRUE(startsExisting.OkEnabled());
    // Typing the name of a folder that does not exist disables OK again.
    auto *edit = startsExisting.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "missing"_q);
    Flush();
    EXPECT_FALSE(startsExisting.OkEnabled());
    startsExisting.reject();

    // BrowseForFolder returns the chosen folder, or an empty text when cancelled.
    QString result = "unchanged"_q;
    WithModalDialog([](QFileDialog *dialog) { static_cast<QDialog *>(dialog)->accept(); },
                    [&] { result = mdlFileDialog::BrowseForFolder(0x41, existing, {}, nullptr); });
    EXPECT_EQ(result, existing);
    WithModalDialog([](QFileDialog *dialog) { dialog->reject(); },
                    [&] { result = mdlFileDialog::BrowseForFolder(0, existing, {}, nullptr); });
    EXPECT_TRUE(result.isEmpty());
}
