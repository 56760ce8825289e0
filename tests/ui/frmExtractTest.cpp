#include "frmExtract.h"
#include "ExtractTestSupport.h"
#include "QtTranslations.h"
#include "RecentFoldersCombo.h"
#include "UiTestSupport.h"
#include "mdlI18n.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// A path as the system writes it (backslashes on Windows), as the dialog stores it.
std::string Native(const std::string &path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path)).toStdString();
}

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

class frmExtractTest : public ExtractTest
{
  protected:
    void SetUp() override
    {
        ExtractTest::SetUp();
        Load({Entry("a.txt", "a"), Entry("b.txt", "b")});
    }

    static QComboBox *Combo(frmExtract &dialog)
    {
        return dialog.findChild<QComboBox *>(QStringLiteral("cboExtractTo"));
    }
    template <class T> static T *Control(frmExtract &dialog, const char *name)
    {
        return dialog.findChild<T *>(QString::fromLatin1(name));
    }
    // The recent folders as the registry holds them now.
    static std::vector<std::string> StoredRecentDirs()
    {
        QComboBox combo;
        RecentFoldersCombo list(combo);
        mdlState::LoadRecentDirs(list);
        std::vector<std::string> items;
        for (int i = 0; i < list.ItemCount(); ++i)
            items.push_back(list.ItemText(i));
        return items;
    }
};

TEST_F(frmExtractTest, TheSelectionDecidesWhetherSelectedFilesCanBeChosen)
{
    {
        frmExtract dialog(&m_view);
        EXPECT_FALSE(Control<QRadioButton>(dialog, "optSelected")->isEnabled());
        EXPECT_TRUE(Control<QRadioButton>(dialog, "optAll")->isChecked());
    }
    Select({1});
    frmExtract dialog(&m_view);
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optSelected")->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>(dialog, "optSelected")->isChecked());
}

TEST_F(frmExtractTest, ProposesTheLastFolderTheNewestRecentOneOrResourcenUnp)
{
    // First use: below the simulator's folder, or the home folder without one.
    mdlState::AppSettings.HostFolder = SystemPath("/opt/kmxp");
    EXPECT_EQ(Combo(*std::make_unique<frmExtract>(&m_view))->currentText(),
              Q(SystemPath("/opt/kmxp/RESOURCEN.UNP")));
    mdlState::AppSettings.HostFolder.clear();
    EXPECT_EQ(Combo(*std::make_unique<frmExtract>(&m_view))->currentText(),
              QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/RESOURCEN.UNP")));

    {
        QComboBox combo;
        RecentFoldersCombo list(combo);
        mdlState::AddRecentDir(list, "/old/one");
        mdlState::AddRecentDir(list, "/new/one");
        mdlState::SaveRecentDirs(list);
    }
    frmExtract recent(&m_view);
    EXPECT_EQ(Combo(recent)->currentText(), QStringLiteral("/new/one"));
    ASSERT_EQ(Combo(recent)->count(), 2);
    EXPECT_EQ(Combo(recent)->itemText(1), QStringLiteral("/old/one"));

    mdlState::AppSettings.LastExtractFolder = "/last/one";
    EXPECT_EQ(Combo(*std::make_unique<frmExtract>(&m_view))->currentText(),
              QStringLiteral("/last/one"));
}

TEST_F(frmExtractTest, NormalisesBlanksTrailingSeparatorsAndRelativeFolders)
{
    // Paths in the system's own form, separators included.
    const auto normal = [](const std::string &text) {
        return frmExtract::NormalizeFolder(Q(text)).toStdString();
    };
    EXPECT_EQ(normal("  " + SystemPath("/a/b/") + "  "), SystemPath("/a/b"));
    EXPECT_EQ(normal(SystemPath("/")), SystemPath("/"));
    EXPECT_EQ(normal(SystemPath("/a/./c/../b")), SystemPath("/a/b"));
    EXPECT_EQ(frmExtract::NormalizeFolder(QStringLiteral("rel/x")),
              QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/rel/x")));
    EXPECT_EQ(frmExtract::NormalizeFolder(QString()), QString());

    // Confirming stores the normal form of what was typed.
    const std::string folder = Target() + "/out";
    ASSERT_TRUE(mdlTools::CreatePath(folder));
    frmExtract dialog(&m_view);
    Combo(dialog)->setEditText(QStringLiteral("  ") + Q(folder) + QStringLiteral("/ "));
    QString value;
    ModalDriver driver({Click<frmExtract>("cmdExtract")});
    EXPECT_TRUE(dialog.ShowDlg(value, nullptr));
    EXPECT_EQ(mdlState::AppSettings.LastExtractFolder, Native(folder));
    EXPECT_EQ(StoredRecentDirs(), std::vector<std::string>{Native(folder)});
}

TEST_F(frmExtractTest, AMissingFolderIsCreatedOnYesAndTheDialogStaysOpenOnNo)
{
    const std::string folder = Target() + "/new/deep/er";
    Select({0});
    {
        frmExtract dialog(&m_view);
        Combo(dialog)->setEditText(Q(folder));
        QString question;
        bool stillOpen = false;
        QString value;
        ModalDriver driver(
            {Click<frmExtract>("cmdExtract"), AnswerBox(QMessageBox::No, &question),
             [&](QWidget *modal) {
                 stillOpen = modal == &dialog;
                 dialog.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
                 return true;
             }});
        EXPECT_FALSE(dialog.ShowDlg(value, nullptr));
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(question, "Verzeichnis existiert nicht!\n"_q +
                                QDir::toNativeSeparators(Q(folder)) +
                                "\nSoll das Verzeichnis erstellt werden?"_q);
        EXPECT_FALSE(mdlTools::DirExists(folder));
        EXPECT_EQ(mdlState::AppSettings.LastExtractFolder, "");
        EXPECT_TRUE(StoredRecentDirs().empty());
    }
    frmExtract dialog(&m_view);
    Combo(dialog)->setEditText(Q(folder));
    Control<QCheckBox>(dialog, "chkOverWrite")->setChecked(true);
    Control<QCheckBox>(dialog, "chkSkipOldFiles")->setChecked(true);
    Control<QCheckBox>(dialog, "chkUsePathNames")->setChecked(false);
    QString value;
    ModalDriver driver({Click<frmExtract>("cmdExtract"), AnswerBox(QMessageBox::Yes)});
    EXPECT_TRUE(dialog.ShowDlg(value, nullptr));
    EXPECT_TRUE(mdlTools::DirExists(folder));
    const AppSettingsRecord &settings = mdlState::AppSettings;
    EXPECT_EQ(settings.LastExtractFolder, Native(folder));
    EXPECT_EQ(settings.OverWrite, 1);
    EXPECT_EQ(settings.SkipOldFiles, 1);
    EXPECT_EQ(settings.UsePathNames, 0);
    EXPECT_TRUE(settings.ExtractSelectedOnly);
    EXPECT_EQ(StoredRecentDirs(), std::vector<std::string>{Native(folder)});
}

TEST_F(frmExtractTest, CancelButtonEscAndTheCloseBoxStoreNothing)
{
    const std::vector<std::function<void(frmExtract &)>> ways = {
        [](frmExtract &dialog) {
            dialog.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
        },
        [](frmExtract &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](frmExtract &dialog) { dialog.close(); },
    };
    for (size_t i = 0; i < ways.size(); ++i) {
        frmExtract dialog(&m_view);
        Combo(dialog)->setEditText(Q(Target()));
        QString value;
        ModalDriver driver({[&](QWidget *) {
            ways[i](dialog);
            return true;
        }});
        EXPECT_FALSE(dialog.ShowDlg(value, nullptr)) << i;
        EXPECT_EQ(mdlState::AppSettings.LastExtractFolder, "") << i;
        EXPECT_TRUE(StoredRecentDirs().empty()) << i;
    }
}

TEST_F(frmExtractTest, ThePngBoxIsOffByDefaultAndExtractTakesItOver)
{
    // Off, untouched, ticked: what the dialog shows first and leaves behind.
    const std::vector<std::pair<bool, bool>> runs = {{false, false}, {false, true}, {true, true}};
    for (const auto &[shown, ticked] : runs) {
        frmExtract dialog(&m_view);
        auto *box = Control<QCheckBox>(dialog, "chkConvertPictures");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Bilder als &PNG speichern"_q);
        EXPECT_EQ(box->isChecked(), shown);
        box->setChecked(ticked);
        Combo(dialog)->setEditText(Q(Target()));
        QString value;
        ModalDriver driver({Click<frmExtract>("cmdExtract")});
        EXPECT_TRUE(dialog.ShowDlg(value, nullptr));
        EXPECT_EQ(mdlState::AppSettings.ConvertPictures, ticked ? 1 : 0);
    }
}

TEST_F(frmExtractTest, AnEmptyFolderTextDisablesExtract)
{
    frmExtract dialog(&m_view);
    auto *extract = Control<QPushButton>(dialog, "cmdExtract");
    EXPECT_TRUE(extract->isEnabled());
    EXPECT_TRUE(extract->isDefault());
    Combo(dialog)->setEditText(QString());
    EXPECT_FALSE(extract->isEnabled());
    Combo(dialog)->setEditText(QStringLiteral("x"));
    EXPECT_TRUE(extract->isEnabled());
}

TEST_F(frmExtractTest, TheCreateFolderQuestionSpeaksGermanWithQtsTranslations)
{
    ASSERT_TRUE(QtTranslations::Install(QLocale(QLocale::German, QLocale::Germany)));
    frmExtract dialog(&m_view);
    Combo(dialog)->setEditText(Q(Target() + "/missing"));
    QStringList buttons;
    QString value;
    ModalDriver driver({Click<frmExtract>("cmdExtract"),
                        [&](QWidget *modal) {
                            auto *box = qobject_cast<QMessageBox *>(modal);
                            if (box == nullptr)
                                return false;
                            buttons << box->button(QMessageBox::Yes)->text()
                                    << box->button(QMessageBox::No)->text();
                            box->button(QMessageBox::No)->click();
                            return true;
                        },
                        Click<frmExtract>("cmdCancel")});
    EXPECT_FALSE(dialog.ShowDlg(value, nullptr));
    EXPECT_EQ(buttons, QStringList({"&Ja"_q, "&Nein"_q}));
    QtTranslations::Install(QLocale(QLocale::English));
}

TEST_F(frmExtractTest, WritesItsEntriesToTheLanguageFile)
{
    {
        frmExtract dialog;
    }
    const std::vector<std::string> keys = SectionKeys(LanguageFile(), "frmExtract");
    const std::vector<std::string> expected = {
        "Caption",
        "lblExtractTo.Caption",
        "lblExtractTo.ToolTipText",
        "cmdExtractTo.Caption",
        "cmdExtractTo.ToolTipText",
        "optAll.Caption",
        "optAll.ToolTipText",
        "optSelected.Caption",
        "optSelected.ToolTipText",
        "chkOverWrite.Caption",
        "chkOverWrite.ToolTipText",
        "chkSkipOldFiles.Caption",
        "chkSkipOldFiles.ToolTipText",
        "chkUsePathNames.Caption",
        "chkUsePathNames.ToolTipText",
        "chkConvertPictures.Caption",
        "chkConvertPictures.ToolTipText",
        "cmdExtract.Caption",
        "cmdExtract.ToolTipText",
        "cmdCancel.Caption",
        "cmdCancel.ToolTipText",
        "strSelectFolder",
        "strNoDir",
        "strCreateDir",
        "strFilterActive",
        "strFilterActiveOne",
    };
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(mdlI18n::TranslateText("frmExtract", "cmdExtractTo.ToolTipText", "x"),
              "Ordner wählen");
    EXPECT_EQ(mdlI18n::TranslateText("frmExtract", "strNoDir", "x"),
              "Verzeichnis existiert nicht!");
}

} // namespace
