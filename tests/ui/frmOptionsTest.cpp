#include "frmOptions.h"
#include "FileAssociation.h"
#include "ListSizeText.h"
#include "PakWriter.h"
#include "RegistryTypes.h"
#include "ShellAssociation.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "Variant.h"
#include "cRegistry.h"
#include "frmMain.h"
#include "mdlDialogLayout.h"
#include "mdlI18n.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

using namespace RegistryTypes;

namespace {

const std::string &LanguageFile()
{
    return LanguageFileNamed("frmOptionsTest.lng");
}

// Where the association is registered and checked: Linux, HKEY_LOCAL_MACHINE
// "SOFTWARE\Classes" of the settings store; Windows, HKEY_CURRENT_USER
// "Software\Classes" of the registry.
const int32_t ClassRoot = ShellAssociation::OwnRoot().Root;
const std::string Classes = ShellAssociation::OwnRoot().Prefix;
const std::string ClassKey = Classes + "KMX.Resourcen";

// The viewer's path in another folder, in the system's form.
std::string Program(const std::string &folder)
{
    return SystemPath(folder + "/vannerby") + ExecutableSuffix;
}

class frmOptionsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RemoveFile(LanguageFile());
        // The store and the desktop's files of this test live in its own folders.
        m_config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", m_configDir.path());
        m_data = std::make_unique<ScopedEnv>("XDG_DATA_HOME", m_dataDir.path());
        mdlState::AppSettings = AppSettingsRecord{};
        mdlState::AppSettings.RecentFilesMax = 10;
        mdlState::AppSettings.RecentDirsMax = 10;
        mdlState::AppSettings.UsePathNames = 1;
        ForgetSettings();
    }
    void TearDown() override
    {
        Flush();
        RemoveFile(LanguageFile());
        ForgetSettings();
    }

    template <class T> static T *Find(QWidget &dialog, const char *name)
    {
        T *control = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // Shows the dialog and makes it the active window, so that focus moves
    // between its controls as the user's would.
    static void Show(frmOptions &dialog)
    {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    // Types text into a box, replacing what it held.
    static void Type(QLineEdit *box, const QString &text)
    {
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

    // Clicks a check box or button the way the user can: on its page.
    static void Click(QWidget &dialog, const char *name)
    {
        auto *button = Find<QAbstractButton>(dialog, name);
        const int page =
            dialog.findChildren<QWidget *>("picOptions"_q).indexOf(button->parentWidget());
        if (page >= 0)
            Find<QTabWidget>(dialog, "tbsOptions")->setCurrentIndex(page);
        button->click();
    }

    static void Leave(QWidget *next) { next->setFocus(Qt::TabFocusReason); }

    static std::string Read(int32_t root, const std::string &key)
    {
        cRegistry reg;
        return reg.ValueEx(root, key, "", REG_SZ, Variant("NOT_SET")).ToString();
    }

    static bool KeyExists(int32_t root, const std::string &key)
    {
        cRegistry reg;
        reg.SetClassKey(root);
        reg.SetSectionKey(key);
        return reg.KeyExists();
    }

    static void Associate(const std::string &exePath)
    {
        cRegistry reg;
        for (const char *extension : {"pak", "pa-"})
            reg.CreateEXEAssociation(exePath, frmOptions::ClassName, frmOptions::ClassDescription,
                                     extension, "&Open", false, "&Print", false, "&New", false, "",
                                     1);
    }

    TempDir m_configDir;
    TempDir m_dataDir;
    std::unique_ptr<ScopedEnv> m_config;
    std::unique_ptr<ScopedEnv> m_data;
};

} // namespace

TEST(ListSizeText, NormalisesToTheNumberTheTextStartsWith)
{
    struct Case
    {
        const char *typed;
        const char *shown;
        char point;
    };
    for (const Case &c :
         {Case{"7a", "7", '.'}, Case{"-5", "5", '.'}, Case{"", "0", '.'}, Case{"abc", "0", '.'},
          Case{" 1\t2\n", "12", '.'}, Case{"007", "7", '.'}, Case{"+3", "3", '.'},
          Case{"--5", "0", '.'}, Case{"5-3", "5", '.'}, Case{"2.", "2", '.'}, Case{".", "0", '.'},
          Case{"1.2.3", "1.2", '.'}, Case{"2.50", "2.5", '.'}, Case{"2.5", "2,5", ','},
          Case{"2,5", "2,5", ','}, Case{"2,5", "2", '.'}, Case{"1e3", "1", '.'},
          Case{"99999999999999999999", "99999999999999999999", '.'}}) {
        const QString shown =
            ListSizeText::Normalise(QString::fromUtf8(c.typed), QLatin1Char(c.point));
        EXPECT_EQ(shown, QString::fromUtf8(c.shown)) << c.typed;
        // Normalising the shown text again changes nothing.
        EXPECT_EQ(ListSizeText::Normalise(shown, QLatin1Char(c.point)), shown) << c.typed;
    }
    EXPECT_EQ(ListSizeText::Value("2,5"_q, QLatin1Char(',')), 2.5);
    EXPECT_EQ(ListSizeText::Value("-75"_q, QLatin1Char(',')), 75);
    EXPECT_GT(ListSizeText::Value("99999999999999999999"_q, QLatin1Char('.')), 50);
    EXPECT_TRUE(std::isinf(ListSizeText::Value(QString(400, QLatin1Char('9')), QLatin1Char('.'))));

    EXPECT_EQ(ListSizeText::ToLong(2.5), 2); // halves to the even neighbour
    EXPECT_EQ(ListSizeText::ToLong(3.5), 4);
    EXPECT_EQ(ListSizeText::ToLong(2.6), 3);
    EXPECT_EQ(ListSizeText::ToLong(0.4), 0);
    EXPECT_EQ(ListSizeText::ToLong(1e20), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ListSizeText::ToLong(std::numeric_limits<double>::infinity()),
              std::numeric_limits<int32_t>::max());
}

TEST_F(frmOptionsTest, LoadsTheStoredSettings)
{
    mdlState::AppSettings.RecentFilesMax = 7;
    mdlState::AppSettings.RecentDirsMax = 0;
    mdlState::AppSettings.OverWrite = 1;
    mdlState::AppSettings.SkipOldFiles = 0;
    mdlState::AppSettings.UsePathNames = 1;
    frmOptions dialog;
    EXPECT_EQ(dialog.windowTitle(), "Optionen"_q);
    // A stored size is shown as it is, not replaced by the size of a new list.
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtMRUList")->text(), "7"_q);
    EXPECT_TRUE(Find<QCheckBox>(dialog, "chkMRUList")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtMRUDirs")->text(), "0"_q);
    EXPECT_FALSE(Find<QCheckBox>(dialog, "chkMRUDirs")->isChecked());
    EXPECT_FALSE(Find<QLineEdit>(dialog, "txtMRUDirs")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>(dialog, "chkOverWrite")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dialog, "chkSkipOldFiles")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(dialog, "chkUsePathNames")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dialog, "chkFileAssociation")->isChecked());
    EXPECT_FALSE(dialog.Changed());
    EXPECT_FALSE(Find<QPushButton>(dialog, "cmdApply")->isEnabled());
    // It opens on the first tab; the other page lies out of view, disabled.
    EXPECT_EQ(Find<QTabWidget>(dialog, "tbsOptions")->currentIndex(), 0);
    const QList<QWidget *> pages = dialog.findChildren<QWidget *>("picOptions"_q);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_GT(pages[0]->x(), 0);
    EXPECT_LT(pages[1]->x() + pages[1]->width(), 0);
    EXPECT_FALSE(pages[1]->isEnabled());
}

TEST_F(frmOptionsTest, TranslatesItselfWhileLoading)
{
    {
        frmOptions dialog;
    }
    const std::string written = ReadFile(LanguageFile());
    // The title first, then the controls; texts in Windows-1252.
    EXPECT_EQ(written.find("[frmOptions]\r\nCaption=Optionen\r\n"), 0u) << written;
    for (const char *line : {"tbsGeneral.Caption=Allgemein", "tbsExtract.Caption=Extrahieren",
                             "chkOverWrite.Caption=Dateien \xFC"
                             "be&rschreiben",
                             "chkOverWrite.ToolTipText=",
                             "cmdApply.Caption=\xDC&"
                             "bernehmen",
                             "chkMRUList.Caption=Liste zuletzt ge\xF6"
                             "ffneter Dateien:",
                             "lblMRUDirs.Caption=Eintr\xE4"
                             "ge",
                             "txtMRUList.ToolTipText=", "cmdCancel.Caption=Abbrechen"})
        EXPECT_NE(written.find(std::string(line) + "\r\n"), std::string::npos) << line;
    EXPECT_EQ(written.find("picOptions"), std::string::npos);

    WriteFile(LanguageFile(), "[frmOptions]\r\nCaption=Options\r\n"
                              "chkOverWrite.Caption=Overwrite files and more and more text\r\n"
                              "tbsExtract.Caption=Extract\r\n");
    frmOptions dialog;
    EXPECT_EQ(dialog.windowTitle(), "Options"_q);
    EXPECT_EQ(Find<QTabWidget>(dialog, "tbsOptions")->tabText(1), "Extract"_q);
    auto *overwrite = Find<QCheckBox>(dialog, "chkOverWrite");
    EXPECT_EQ(overwrite->text(), "Overwrite files and more and more text"_q);
    // A longer text gets room: the dialog grows with it rather than cutting it.
    EXPECT_GE(overwrite->width(), overwrite->sizeHint().width());
}

TEST_F(frmOptionsTest, NoCaptionIsCutOff)
{
    frmOptions dialog;
    for (QAbstractButton *button : dialog.findChildren<QAbstractButton *>()) {
        if (button->text().isEmpty() || qobject_cast<QPushButton *>(button) != nullptr)
            continue;
        EXPECT_GE(button->width(), button->sizeHint().width())
            << button->objectName().toStdString();
    }
    // The design's proportions hold: the size boxes start where the check boxes'
    // room ends, on both pages alike.
    const auto *check = Find<QCheckBox>(dialog, "chkMRUList");
    const auto *box = Find<QLineEdit>(dialog, "txtMRUList");
    EXPECT_LT(check->geometry().right(), box->x());
    EXPECT_EQ(box->geometry(), Find<QLineEdit>(dialog, "txtMRUDirs")->geometry());
    // At least the designed client area of 6150 x 4950 twips.
    const double twips = mdlDialogLayout::TwipsPerPixel(&dialog, nullptr);
    EXPECT_GE(dialog.width(), mdlDialogLayout::ToPixels(6150, twips));
    EXPECT_GE(dialog.height(), mdlDialogLayout::ToPixels(4950, twips));
    EXPECT_NEAR(dialog.width() * 4950.0 / 6150.0, dialog.height(), 1.0);
}

TEST_F(frmOptionsTest, SizeBoxesKeepANumberOnEveryChange)
{
    frmOptions dialog;
    Show(dialog);
    auto *box = Find<QLineEdit>(dialog, "txtMRUList");
    Type(box, "7a"_q);
    EXPECT_EQ(box->text(), "7"_q);
    Type(box, "-5"_q);
    EXPECT_EQ(box->text(), "5"_q);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), "0"_q);
    // A change alone does not mark the dialog changed.
    EXPECT_FALSE(dialog.Changed());
    EXPECT_FALSE(Find<QPushButton>(dialog, "cmdApply")->isEnabled());

    // A pasted fraction shows with the locale's separator (German here) and is
    // rounded on Apply, halves to the even neighbour.
    box->setText("2.5"_q);
    EXPECT_EQ(box->text(), "2,5"_q);
    Leave(Find<QPushButton>(dialog, "cmdApply"));
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, 2);
    box->setText("2,6"_q);
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, 3);
}

TEST_F(frmOptionsTest, LeavingABoxValidatesIt)
{
    frmOptions dialog;
    Show(dialog);
    auto *box = Find<QLineEdit>(dialog, "txtMRUList");
    auto *check = Find<QCheckBox>(dialog, "chkMRUList");
    auto *apply = Find<QPushButton>(dialog, "cmdApply");

    // Leaving without editing still enables Apply.
    box->setFocus(Qt::TabFocusReason);
    Leave(check);
    EXPECT_TRUE(dialog.Changed());
    EXPECT_TRUE(apply->isEnabled());
    dialog.Apply();
    EXPECT_FALSE(apply->isEnabled());

    Type(box, "75"_q);
    EXPECT_EQ(box->text(), "75"_q);
    Leave(check);
    EXPECT_EQ(box->text(), "50"_q);

    // A number too long for 32 bits is 50 too, never an overflow.
    Type(box, "99999999999999999999"_q);
    Leave(apply);
    EXPECT_EQ(box->text(), "50"_q);
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, 50);

    // 0 switches the list off and greys the box.
    Type(box, "0"_q);
    Leave(Find<QPushButton>(dialog, "cmdCancel"));
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(box->text(), "0"_q);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(box->palette().color(QPalette::Base), dialog.palette().color(QPalette::Window));
    EXPECT_TRUE(apply->isEnabled());
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, 0);

    // The folders' box follows the same rules.
    auto *dirs = Find<QLineEdit>(dialog, "txtMRUDirs");
    Find<QTabWidget>(dialog, "tbsOptions")->setCurrentIndex(1);
    Type(dirs, "120"_q);
    Leave(Find<QCheckBox>(dialog, "chkOverWrite"));
    EXPECT_EQ(dirs->text(), "50"_q);
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentDirsMax, 50);
}

TEST_F(frmOptionsTest, ListCheckBoxesSetTenOrZero)
{
    mdlState::AppSettings.RecentFilesMax = 3;
    frmOptions dialog;
    auto *check = Find<QCheckBox>(dialog, "chkMRUList");
    auto *box = Find<QLineEdit>(dialog, "txtMRUList");
    check->click();
    EXPECT_EQ(box->text(), "0"_q);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(dialog, "cmdApply")->isEnabled());
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, 0);

    check->click();
    EXPECT_EQ(box->text(), "10"_q); // whatever was there before
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Active, QPalette::Base));
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, 10);

    Click(dialog, "chkMRUDirs");
    Click(dialog, "chkOverWrite");
    Click(dialog, "chkUsePathNames");
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.RecentDirsMax, 0);
    EXPECT_EQ(mdlState::AppSettings.OverWrite, 1);
    EXPECT_EQ(mdlState::AppSettings.SkipOldFiles, 0);
    EXPECT_EQ(mdlState::AppSettings.UsePathNames, 0);
}

TEST_F(frmOptionsTest, OkWithoutChangesTouchesNothing)
{
    const AppSettingsRecord before = mdlState::AppSettings;
    frmOptions dialog;
    Find<QCheckBox>(dialog, "chkOverWrite")->setChecked(true); // not a click: no change
    QTimer::singleShot(0, &dialog, [&] { Find<QPushButton>(dialog, "cmdOK")->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(mdlState::AppSettings.OverWrite, before.OverWrite);
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, before.RecentFilesMax);
    EXPECT_TRUE(NothingStored()); // the store was only read
}

TEST_F(frmOptionsTest, OkAppliesCancelAndEscDoNot)
{
    {
        frmOptions dialog;
        Click(dialog, "chkSkipOldFiles");
        QTimer::singleShot(0, &dialog, [&] { Find<QPushButton>(dialog, "cmdOK")->click(); });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(mdlState::AppSettings.SkipOldFiles, 1);
    }
    {
        frmOptions dialog;
        Click(dialog, "chkSkipOldFiles");
        QTimer::singleShot(0, &dialog, [&] { Find<QPushButton>(dialog, "cmdCancel")->click(); });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_EQ(mdlState::AppSettings.SkipOldFiles, 1);
    }
    {
        // Enter presses no button; Esc closes without applying, and what an
        // earlier Apply did stays.
        frmOptions dialog;
        Click(dialog, "chkOverWrite");
        dialog.Apply();
        Click(dialog, "chkSkipOldFiles");
        bool stillOpen = false;
        QTimer::singleShot(0, &dialog, [&] {
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus != nullptr ? focus : &dialog, Qt::Key_Return);
            auto *box = Find<QLineEdit>(dialog, "txtMRUList");
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Enter);
            stillOpen = dialog.isVisible();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(mdlState::AppSettings.OverWrite, 1);
        EXPECT_EQ(mdlState::AppSettings.SkipOldFiles, 1); // the earlier Apply's value
    }
    frmOptions dialog;
    for (QPushButton *button : dialog.findChildren<QPushButton *>())
        EXPECT_FALSE(button->isDefault() || button->autoDefault());
}

TEST_F(frmOptionsTest, CtrlTabWrapsBothWays)
{
    frmOptions dialog;
    Show(dialog);
    auto *tabs = Find<QTabWidget>(dialog, "tbsOptions");
    const QList<QWidget *> pages = dialog.findChildren<QWidget *>("picOptions"_q);
    QWidget *focus = Find<QCheckBox>(dialog, "chkMRUList");
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_TRUE(pages[1]->isEnabled());
    EXPECT_FALSE(pages[0]->isEnabled());
    EXPECT_GT(pages[1]->x(), 0);
    EXPECT_LT(pages[0]->x() + pages[0]->width(), 0);
    // From the last tab on to the first; Alt does not matter.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                    Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_GT(pages[0]->x(), 0);
    // From the first back to the last (Shift turns Tab into Backtab).
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(frmOptionsTest, AssociationBoxShowsCheckedOnlyWhenEveryConditionHolds)
{
    const std::string exe = mdlTools::GetAppExePath();
    ASSERT_FALSE(exe.empty());
    const auto shown = [] {
        frmOptions dialog;
        return Find<QCheckBox>(dialog, "chkFileAssociation")->isChecked();
    };
    EXPECT_FALSE(shown());
    Associate(exe);
    EXPECT_TRUE(shown());

    // Each condition on its own unchecks the box.
    const auto breaking = [&](const std::string &key, const std::string &value) {
        cRegistry reg;
        const std::string old = Read(ClassRoot, key);
        reg.SetValueEx(ClassRoot, key, "", REG_SZ, Variant(""), Variant(value));
        EXPECT_FALSE(shown()) << key;
        reg.SetValueEx(ClassRoot, key, "", REG_SZ, Variant(""), Variant(old));
        EXPECT_TRUE(shown()) << key;
    };
    const std::string elsewhere = Program("/elsewhere");
    breaking(Classes + ".pak", "Other.Class");
    breaking(Classes + ".pa-", "Other.Class");
    breaking(ClassKey, "Other description");
    breaking(ClassKey + "\\shell\\open\\command", "\"" + elsewhere + "\" \"%1\"");
    breaking(ClassKey + "\\DefaultIcon", elsewhere + ",1");
    // Class names and descriptions compare without regard to case.
    cRegistry reg;
    reg.SetValueEx(ClassRoot, Classes + ".pak", "", REG_SZ, Variant(""), Variant("kmx.resourcen"));
    EXPECT_TRUE(shown());
    // The check reads its own class root only (Linux: the per-user
    // HKEY_LOCAL_MACHINE tree); any other root written keeps the icon.
    reg.SetSectionKey(ClassKey + "\\DefaultIcon");
    reg.SetClassKey(ClassRoot);
    reg.DeleteKey();
    for (const auto &root : ShellAssociation::WriteRoots()) {
        if (root.Root != ClassRoot) {
            EXPECT_EQ(Read(root.Root, root.Prefix + std::string("KMX.Resourcen\\DefaultIcon")),
                      "\"" + exe + "\",1");
        }
    }
    EXPECT_FALSE(shown());
}

TEST_F(frmOptionsTest, TickingAndClearingTheAssociation)
{
    // Registered from another folder: the program has moved since.
    Associate(Program("/old/place"));
    const std::string exe = mdlTools::GetAppExePath();
    {
        frmOptions dialog;
        auto *box = Find<QCheckBox>(dialog, "chkFileAssociation");
        EXPECT_FALSE(box->isChecked());
        box->click();
        dialog.Apply();
        EXPECT_TRUE(box->isChecked());
    }
    const std::string command = "\"" + exe + "\" \"%1\"";
    for (const auto &written : ShellAssociation::WriteRoots()) {
        const int32_t root = written.Root;
        const std::string base = written.Prefix;
        EXPECT_EQ(Read(root, base + ".pak"), "KMX.Resourcen");
        EXPECT_EQ(Read(root, base + ".pa-"), "KMX.Resourcen");
        EXPECT_EQ(Read(root, base + "KMX.Resourcen"), "Modellwelt Professional Resourcen");
        EXPECT_EQ(Read(root, base + "KMX.Resourcen\\shell\\open"), "&Open");
        EXPECT_EQ(Read(root, base + "KMX.Resourcen\\shell\\open\\command"), command);
        EXPECT_EQ(Read(root, base + "KMX.Resourcen\\DefaultIcon"), "\"" + exe + "\",1");
        EXPECT_FALSE(KeyExists(root, base + "KMX.Resourcen\\shell\\print"));
    }
    {
        frmOptions dialog;
        auto *box = Find<QCheckBox>(dialog, "chkFileAssociation");
        EXPECT_TRUE(box->isChecked());
        box->click();
        dialog.Apply();
        EXPECT_FALSE(box->isChecked());
        // Applying again with the box as it now is changes nothing.
        Click(dialog, "chkOverWrite");
        dialog.Apply();
    }
    for (const char *key : {".pak", ".pa-", "KMX.Resourcen"})
        EXPECT_FALSE(KeyExists(ClassRoot, Classes + key)) << key;
    frmOptions dialog;
    EXPECT_FALSE(Find<QCheckBox>(dialog, "chkFileAssociation")->isChecked());
}

TEST_F(frmOptionsTest, TickingTellsHowToChooseVannerbyWhereTheUserPrefersAnotherProgram)
{
    // Another program chosen by the user: in the desktop's defaults and in
    // Explorer's "Open with" choice, each read only on its own system. Windows
    // lets no program replace that choice, so the dialog tells the user how to
    // make it; the Linux desktop takes Vannerby as its new default.
    const std::string choice =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pak\\UserChoice";
    std::filesystem::create_directories(m_dataDir / "applications");
    std::ofstream(m_dataDir / "applications/other.desktop")
        << "[Desktop Entry]\nType=Application\nName=Other\nExec=other %f\n"
           "MimeType=application/x-modellwelt-pak;\n";
    std::ofstream(m_configDir / "mimeapps.list")
        << "[Default Applications]\napplication/x-modellwelt-pak=other.desktop\n";
    cRegistry reg;
    reg.SetValueEx(HKEY_CURRENT_USER, choice, "ProgId", REG_SZ, Variant(""),
                   Variant("Other.Class"));
    const std::string exe = mdlTools::GetAppExePath();
    {
        frmOptions dialog;
        Find<QCheckBox>(dialog, "chkFileAssociation")->click();
        QStringList texts;
        const int boxes = AnswerMessageBoxes([&] { dialog.Apply(); }, &texts);
        const QString told = texts.value(0);
        // The keys are written all the same, for the moment the user chooses Vannerby.
        EXPECT_EQ(Read(ClassRoot, Classes + ".pak"), "KMX.Resourcen");
        const bool outranked = FileAssociation::GetAssociationState(exe) != 1;
        EXPECT_EQ(boxes, outranked ? 1 : 0);
        if (outranked) {
            EXPECT_TRUE(told.contains("„Öffnen mit“"_q)) << told.toStdString();
            EXPECT_TRUE(told.contains("als Standard fest"_q)) << told.toStdString();
        }
    }
    // Once Vannerby is the user's choice (the desktop's already is), ticking says nothing.
    reg.SetSectionKey(choice);
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.DeleteKey();
    {
        frmOptions dialog;
        auto *box = Find<QCheckBox>(dialog, "chkFileAssociation");
        EXPECT_TRUE(box->isChecked());
        box->click();
        dialog.Apply();
        box->click();
        EXPECT_EQ(AnswerMessageBoxes([&] { dialog.Apply(); }), 0);
        EXPECT_TRUE(box->isChecked());
    }
}

TEST_F(frmOptionsTest, ApplyWithTheAssociationUnchangedLeavesItAlone)
{
    Associate(Program("/elsewhere"));
    frmOptions dialog;
    Click(dialog, "chkOverWrite");
    Click(dialog, "chkMRUDirs");
    dialog.Apply();
    EXPECT_EQ(mdlState::AppSettings.OverWrite, 1);
    EXPECT_EQ(Read(ClassRoot, ClassKey + "\\shell\\open\\command"),
              "\"" + Program("/elsewhere") + "\" \"%1\"");
    EXPECT_EQ(Read(ClassRoot, Classes + ".pak"), "KMX.Resourcen");
}

class frmOptionsMainTest : public frmOptionsTest
{
  protected:
    QString WriteArchive(const std::string &name)
    {
        PakWriterEntry entry;
        entry.Name = "a.txt";
        entry.Data = "abc";
        const std::string path = m_dir / name;
        EXPECT_TRUE(WritePak(path, {entry}));
        // The window keeps paths in the system's own form.
        return QDir::toNativeSeparators(QString::fromStdString(path));
    }

    // Opens the options command of the window and runs answer on the dialog.
    static void WithOptions(frmMain &window, const std::function<void(frmOptions &)> &answer)
    {
        bool shown = false;
        QTimer::singleShot(0, &window, [&] {
            auto *dialog = qobject_cast<frmOptions *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->parentWidget(), &window);
            shown = true;
            answer(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        window.findChild<QAction *>("mnuViewOptions"_q)->trigger();
        EXPECT_TRUE(shown);
    }

    TempDir m_dir;
};

TEST_F(frmOptionsMainTest, LoweringTheRecentFilesCapacityKeepsTheNewest)
{
    frmMain window;
    QStringList opened;
    for (int i = 0; i < 10; ++i) {
        std::string name = "a"; // built piece by piece: a false -Wrestrict in GCC 12
        name += std::to_string(i);
        name += ".pak";
        opened.prepend(WriteArchive(name));
        window.OpenPakFile(opened.first());
    }
    ASSERT_EQ(window.RecentFiles(), opened);

    WithOptions(window, [](frmOptions &dialog) {
        auto *box = dialog.findChild<QLineEdit *>("txtMRUList"_q);
        box->setText("3"_q);
        Click(dialog, "chkOverWrite");
        dialog.findChild<QPushButton *>("cmdOK"_q)->click();
    });
    EXPECT_EQ(window.RecentFiles(), opened.mid(0, 3));
    cRegistry reg;
    const std::string key = std::string(mdlState::BaseKey) + "\\RecentFiles";
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, key, "Count", REG_DWORD, Variant(0)), Variant(3));
    std::vector<std::string> names;
    int32_t count = 0;
    reg.EnumerateValues(names, count);
    EXPECT_EQ(count, 4); // Count, 0, 1, 2
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(
            reg.ValueEx(HKEY_CURRENT_USER, key, std::to_string(i), REG_SZ, Variant("")).ToString(),
            opened[i].toStdString());

    // Raising it again does not bring the dropped entries back.
    WithOptions(window, [](frmOptions &dialog) {
        dialog.findChild<QLineEdit *>("txtMRUList"_q)->setText("10"_q);
        Click(dialog, "chkUsePathNames");
        dialog.findChild<QPushButton *>("cmdApply"_q)->click();
    });
    EXPECT_EQ(window.RecentFiles(), opened.mid(0, 3));
    EXPECT_EQ(mdlState::AppSettings.RecentFilesMax, 10);
}

TEST_F(frmOptionsMainTest, MainWindowUpdatesItsControlsAfterTheDialog)
{
    frmMain window;
    QAction *close = window.findChild<QAction *>("mnuFileClose"_q);
    window.OpenPakFile(WriteArchive("x.pak"));
    EXPECT_TRUE(close->isEnabled());
    close->setEnabled(false); // as if out of date
    WithOptions(window, [](frmOptions &dialog) {
        dialog.findChild<QPushButton *>("cmdCancel"_q)->click();
    });
    EXPECT_TRUE(close->isEnabled());
}
