#include "mdlI18n.h"
#include "mdlI18nForm.h"

#include "I18nTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace I18nTest;

namespace {

QString S(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "TranslateFormTest";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

template <typename T> T *Make(QWidget *parent, const char *name, const char *text = nullptr)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if constexpr (requires { widget->setText(QString()); })
        if (text != nullptr)
            widget->setText(S(text));
    return widget;
}

// A window with one control of each translated type, a NOLOC control, a control
// array, controls inside a frame and a tab page, other types, two tab strips and
// a toolbar with a button without key; loaded the way every window loads.
struct TestWindow
{
    std::unique_ptr<QMainWindow> frm = std::make_unique<QMainWindow>();
    QMenu *mnuFile = nullptr;
    QAction *mnuFileOpen = nullptr, *tbrOpen = nullptr, *tbrNoKey = nullptr;
    QLabel *lblName = nullptr, *lblNoLoc = nullptr, *lblLower = nullptr;
    QLineEdit *txtName = nullptr;
    QPushButton *cmdOK = nullptr, *cmdArray1 = nullptr, *cmdArray2 = nullptr;
    QPushButton *cmdInFrame = nullptr;
    QCheckBox *chkOverWrite = nullptr, *chkInTab = nullptr;
    QRadioButton *optAll = nullptr;
    QGroupBox *fraFrame = nullptr;
    QTabWidget *tbsOptions = nullptr;
    QTabBar *tbsBar = nullptr;
    QTreeWidget *lvwPAK = nullptr;
    std::string strFileNotFound;

    TestWindow()
    {
        frm->setObjectName(QStringLiteral("frmTest"));
        frm->setWindowTitle(S("Testfenster"));
        mnuFile = frm->menuBar()->addMenu(S("&Datei"));
        mnuFile->setObjectName(QStringLiteral("mnuFile"));
        mnuFileOpen = mnuFile->addAction(S("Ö&ffnen..."));
        mnuFileOpen->setObjectName(QStringLiteral("mnuFileOpen"));
        mnuFile->addSeparator();
        mnuFile->addAction(S("&Beenden"))->setObjectName(QStringLiteral("mnuFileExit"));

        QToolBar *tbrMain = frm->addToolBar(S("Symbolleiste"));
        tbrMain->setObjectName(QStringLiteral("tbrMain"));
        tbrOpen = tbrMain->addAction(S("Öffnen"));
        tbrOpen->setProperty("Key", QStringLiteral("Open"));
        tbrOpen->setToolTip(S("Archiv öffnen"));
        tbrOpen->setWhatsThis(S("Öffnet ein Archiv"));
        tbrMain->addSeparator();
        tbrNoKey = tbrMain->addAction(S("Ohne Schlüssel"));
        tbrNoKey->setToolTip(S("bleibt"));

        auto *central = new QWidget;
        frm->setCentralWidget(central);
        lblName = Make<QLabel>(central, "lblName", "&Name:");
        txtName = Make<QLineEdit>(central, "txtName");
        txtName->setToolTip(S("Name des Archivs"));
        cmdOK = Make<QPushButton>(central, "cmdOK", "OK");
        chkOverWrite = Make<QCheckBox>(central, "chkOverWrite", "Dateien übe&rschreiben");
        chkOverWrite->setToolTip(S("Vorhandene Dateien ersetzen"));
        optAll = Make<QRadioButton>(central, "optAll", "Alle Dateien");
        lblNoLoc = Make<QLabel>(central, "lblNoLoc", "vom Code gesetzt");
        lblNoLoc->setProperty("Tag", QStringLiteral("NOLOC"));
        lblLower = Make<QLabel>(central, "lblLower", "Kleines Tag");
        lblLower->setProperty("Tag", QStringLiteral("noloc"));
        cmdArray1 = Make<QPushButton>(central, "cmdArray", "Erstes");
        cmdArray2 = Make<QPushButton>(central, "cmdArray", "Zweites");
        fraFrame = Make<QGroupBox>(central, "fraFrame");
        fraFrame->setTitle(S("Rahmen"));
        cmdInFrame = Make<QPushButton>(fraFrame, "cmdInFrame", "Im Rahmen");
        Make<QComboBox>(central, "cboFolder")->setEditable(true);

        tbsOptions = Make<QTabWidget>(central, "tbsOptions");
        auto *general = new QWidget;
        general->setProperty("Key", QStringLiteral("General"));
        chkInTab = Make<QCheckBox>(general, "chkInTab", "Im Reiter");
        tbsOptions->addTab(general, S("Allgemein"));
        tbsOptions->setTabToolTip(0, S("Allgemeine Einstellungen"));
        auto *extract = new QWidget;
        extract->setProperty("Key", QStringLiteral("Extract"));
        tbsOptions->addTab(extract, S("Extrahieren"));
        tbsOptions->addTab(new QWidget, S("Ohne Schlüssel"));

        tbsBar = Make<QTabBar>(central, "tbsBar");
        tbsBar->addTab(S("Erster"));
        tbsBar->setTabData(0, QStringLiteral("General"));

        lvwPAK = Make<QTreeWidget>(central, "lvwPAK");
        lvwPAK->setHeaderLabels({S("Dateiname"), S("Größe"), S("Ohne Schlüssel")});
        lvwPAK->setProperty("ColumnKeys",
                            QStringList{QStringLiteral("Name"), QStringLiteral("Size")});

        // The load handler: title, controls, message texts.
        frm->setWindowTitle(QString::fromStdString(
            mdlI18n::TranslateText("frmTest", "Caption", frm->windowTitle().toStdString())));
        mdlI18n::TranslateForm(frm.get());
        strFileNotFound =
            mdlI18n::TranslateText("frmTest", "strFileNotFound", "wurde nicht gefunden!");
    }
};

QString Header(QTreeWidget *view, int column)
{
    return view->headerItem()->text(column);
}

class TranslateFormTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EnsureApplication();
        RemoveFile(LanguageFile());
    }
    void TearDown() override { RemoveFile(LanguageFile()); }
};

// What the first run writes, in lookup order, in Windows-1252.
const std::string kFirstRun = "[frmTest]\r\n"
                              "Caption=Testfenster\r\n"
                              "mnuFile.Caption=&Datei\r\n"
                              "mnuFileOpen.Caption=\xD6&ffnen...\r\n"
                              "mnuFileExit.Caption=&Beenden\r\n"
                              "tbrOpen.Description=\xD6\x66\x66net ein Archiv\r\n"
                              "tbrOpen.ToolTipText=Archiv \xF6\x66\x66nen\r\n"
                              "lblName.Caption=&Name:\r\n"
                              "lblName.ToolTipText=\r\n"
                              "txtName.ToolTipText=Name des Archivs\r\n"
                              "cmdOK.Caption=OK\r\n"
                              "cmdOK.ToolTipText=\r\n"
                              "chkOverWrite.Caption=Dateien \xFC\x62\x65&rschreiben\r\n"
                              "chkOverWrite.ToolTipText=Vorhandene Dateien ersetzen\r\n"
                              "optAll.Caption=Alle Dateien\r\n"
                              "optAll.ToolTipText=\r\n"
                              "lblLower.Caption=Kleines Tag\r\n"
                              "lblLower.ToolTipText=\r\n"
                              "cmdArray.Caption=Erstes\r\n"
                              "cmdArray.ToolTipText=\r\n"
                              "cmdInFrame.Caption=Im Rahmen\r\n"
                              "cmdInFrame.ToolTipText=\r\n"
                              "tbsGeneral.Caption=Allgemein\r\n"
                              "tbsGeneral.ToolTipText=Allgemeine Einstellungen\r\n"
                              "tbsExtract.Caption=Extrahieren\r\n"
                              "tbsExtract.ToolTipText=\r\n"
                              "chkInTab.Caption=Im Reiter\r\n"
                              "chkInTab.ToolTipText=\r\n"
                              "lvwPAK.Name.Text=Dateiname\r\n"
                              "lvwPAK.Size.Text=Gr\xF6\xDF\x65\r\n"
                              "strFileNotFound=wurde nicht gefunden!\r\n";

} // namespace

TEST_F(TranslateFormTest, FirstRunWritesEveryTextInLookupOrder)
{
    TestWindow w;
    EXPECT_EQ(ReadFile(LanguageFile()), kFirstRun);

    // The German texts show; the second element of the control array shows the
    // first one's text, and the second tab strip shares the first one's entries.
    EXPECT_EQ(w.frm->windowTitle(), S("Testfenster"));
    EXPECT_EQ(w.chkOverWrite->text(), S("Dateien übe&rschreiben"));
    EXPECT_EQ(w.cmdArray2->text(), S("Erstes"));
    EXPECT_EQ(w.tbsBar->tabText(0), S("Allgemein"));
    EXPECT_EQ(w.tbsBar->tabToolTip(0), S("Allgemeine Einstellungen"));
    EXPECT_EQ(w.lblNoLoc->text(), S("vom Code gesetzt"));
    EXPECT_EQ(w.fraFrame->title(), S("Rahmen"));
    EXPECT_EQ(w.tbsOptions->tabText(2), S("Ohne Schlüssel"));
    EXPECT_EQ(Header(w.lvwPAK, 2), S("Ohne Schlüssel"));
    EXPECT_EQ(w.tbrNoKey->toolTip(), S("bleibt"));
    EXPECT_EQ(w.strFileNotFound, "wurde nicht gefunden!");

    // A second load finds every entry and leaves the file as it is.
    TestWindow again;
    EXPECT_EQ(ReadFile(LanguageFile()), kFirstRun);
}

TEST_F(TranslateFormTest, TranslatedFileReplacesTheTexts)
{
    std::string file = kFirstRun;
    const auto set = [&](const std::string &key, const std::string &value) {
        const std::size_t line = file.find("\r\n" + key + "=") + 2;
        const std::size_t end = file.find("\r\n", line);
        file.replace(line, end - line, key + "=" + value);
    };
    set("Caption", "Test window");
    set("mnuFile.Caption", "&File");
    set("mnuFileOpen.Caption", "&Open...");
    set("tbrOpen.Description", "Opens an archive");
    set("tbrOpen.ToolTipText", "Open archive");
    set("lblName.Caption", "Na&me:");
    set("lblName.ToolTipText", "Line one\\nLine two");
    set("txtName.ToolTipText", "Archive name");
    set("chkOverWrite.Caption", "\"  Overwrite files\"");
    set("cmdArray.Caption", "First");
    set("cmdInFrame.Caption", "In frame");
    set("tbsGeneral.Caption", "General");
    set("chkInTab.Caption", "In tab");
    set("lvwPAK.Name.Text", "File name");
    set("lvwPAK.Size.Text", "Size");
    set("lblLower.Caption", "Lower-case tag");
    set("strFileNotFound", "was not found!");
    file += "lblNoLoc.Caption=never used\r\n";
    WriteFile(LanguageFile(), file);

    TestWindow w;
    EXPECT_EQ(w.frm->windowTitle(), S("Test window"));
    EXPECT_EQ(w.mnuFile->title(), S("&File"));
    EXPECT_EQ(w.mnuFileOpen->text(), S("&Open..."));
    EXPECT_EQ(w.tbrOpen->whatsThis(), S("Opens an archive"));
    EXPECT_EQ(w.tbrOpen->toolTip(), S("Open archive"));
    EXPECT_EQ(w.lblName->text(), S("Na&me:"));
    EXPECT_EQ(w.lblName->toolTip(), S("Line one\nLine two"));
    EXPECT_EQ(w.txtName->toolTip(), S("Archive name"));
    EXPECT_EQ(w.chkOverWrite->text(), S("  Overwrite files"));
    EXPECT_EQ(w.chkOverWrite->toolTip(), S("Vorhandene Dateien ersetzen"));
    EXPECT_EQ(w.cmdArray1->text(), S("First"));
    EXPECT_EQ(w.cmdArray2->text(), S("First"));
    EXPECT_EQ(w.cmdInFrame->text(), S("In frame"));
    EXPECT_EQ(w.tbsOptions->tabText(0), S("General"));
    EXPECT_EQ(w.tbsBar->tabText(0), S("General"));
    EXPECT_EQ(w.chkInTab->text(), S("In tab"));
    EXPECT_EQ(Header(w.lvwPAK, 0), S("File name"));
    EXPECT_EQ(Header(w.lvwPAK, 1), S("Size"));
    EXPECT_EQ(w.lblLower->text(), S("Lower-case tag"));
    EXPECT_EQ(w.lblNoLoc->text(), S("vom Code gesetzt"));
    EXPECT_EQ(w.strFileNotFound, "was not found!");
    // Nothing was missing, so nothing was written.
    EXPECT_EQ(ReadFile(LanguageFile()), file);
}

TEST_F(TranslateFormTest, ReadOnlyLanguageFileLeavesTheGermanTexts)
{
    WriteFile(LanguageFile(), "[frmTest]\r\ncmdOK.Caption=Okay\r\n");
    ASSERT_TRUE(MakeReadOnly(LanguageFile()));
    TestWindow w;
    EXPECT_EQ(w.cmdOK->text(), S("Okay"));
    EXPECT_EQ(w.chkOverWrite->text(), S("Dateien übe&rschreiben"));
    EXPECT_EQ(Header(w.lvwPAK, 1), S("Größe"));
    EXPECT_EQ(ReadFile(LanguageFile()), "[frmTest]\r\ncmdOK.Caption=Okay\r\n");
}
