#include "frmAbout.h"
#include "RegistryTypes.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "VannerbyVersion.h"
#include "Variant.h"
#include "cRegistry.h"
#include "frmMain.h"
#include "mdlI18n.h"
#include "mdlTools.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

using namespace RegistryTypes;

// Takes the addresses the desktop is asked to open.
class UrlCatcher final : public QObject
{
    Q_OBJECT

  public:
    QList<QUrl> m_urls;

  public slots:
    void Open(const QUrl &url) { m_urls << url; }
};

namespace {

const std::string &LanguageFile()
{
    return LanguageFileNamed("frmAboutTest.lng");
}

class frmAboutTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RemoveFile(LanguageFile());
        m_configHome = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", m_config.path());
        ForgetSettings();
    }
    void TearDown() override
    {
        Flush();
        RemoveFile(LanguageFile());
        ForgetSettings();
        m_configHome.reset();
    }

    template <class T> static T *Find(QWidget &dialog, const char *name)
    {
        T *control = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    static QString Text(QWidget &dialog, const char *name)
    {
        const auto *label = Find<QLabel>(dialog, name);
        return label != nullptr ? label->text() : QString();
    }

    // A program at path that leaves the file path + ".ran" behind when it runs.
    static std::string WriteTool(const std::string &path)
    {
        const auto native = [](const std::string &utf8) {
            return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
        };
        std::error_code error;
        std::filesystem::copy_file(native(BinPath("MarkerTool")), native(path), error);
        EXPECT_FALSE(error) << error.message();
        return path;
    }

    static bool Appears(const std::string &path)
    {
        for (int i = 0; i < 200 && !mdlTools::FileExists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        return mdlTools::FileExists(path);
    }

    static void SetString(const std::string &key, const std::string &name, const std::string &value)
    {
        cRegistry reg;
        reg.SetValueEx(HKEY_LOCAL_MACHINE, key, name, REG_SZ, Variant(""), Variant(value));
    }

    TempDir m_config;
    TempDir m_dir;
    std::unique_ptr<ScopedEnv> m_configHome;
};

} // namespace

TEST_F(frmAboutTest, ShowsTheProgramsVersionInformation)
{
    EXPECT_EQ(frmAbout::VersionText(1, 0, 3), "Version 1.03"_q);
    EXPECT_EQ(frmAbout::VersionText(2, 11, 40), "Version 2.1140"_q);

    frmAbout dialog;
    EXPECT_EQ(dialog.windowTitle(), "Info über Vannerby"_q);
    EXPECT_EQ(Text(dialog, "lblTitle"), "Vannerby"_q);
    EXPECT_EQ(Text(dialog, "lblVersion"), "Version "_q + QString::number(VannerbyVersion::Major) +
                                              "."_q + QString::number(VannerbyVersion::Minor) +
                                              QString::number(VannerbyVersion::Revision));
    EXPECT_EQ(Text(dialog, "lblDisclaimer"), "Copyright © 2026 Brindlecote"_q);
    EXPECT_EQ(Text(dialog, "lblDescription"), QString::fromUtf8(VannerbyVersion::Description));
    EXPECT_FALSE(Text(dialog, "lblDescription").isEmpty());
    EXPECT_TRUE(Find<QPushButton>(dialog, "cmdOK")->isDefault());

    // The two pages: "Anwendung" in view, "Autor" out of it until its tab is chosen.
    auto *tabs = Find<QTabWidget>(dialog, "tbsAbout");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Anwendung"_q);
    EXPECT_EQ(tabs->tabText(1), "Autor"_q);
    const QList<QWidget *> pages = dialog.findChildren<QWidget *>("picAbout"_q);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_LT(pages[1]->x() + pages[1]->width(), 0);
    tabs->setCurrentIndex(1);
    EXPECT_GT(pages[1]->x(), 0);
    EXPECT_TRUE(pages[1]->isEnabled());
    EXPECT_LT(pages[0]->x() + pages[0]->width(), 0);
    EXPECT_FALSE(pages[0]->isEnabled());
}

TEST_F(frmAboutTest, TranslatesTitleAndTextsButNotTheVersion)
{
    {
        frmAbout dialog;
    }
    const std::string written = ReadFile(LanguageFile());
    EXPECT_EQ(written.find("[frmAbout]\r\nCaption=Info \xFC"
                           "ber Vannerby\r\n"),
              0u)
        << written;
    for (const char *line : {"lblTitle.Caption=Vannerby", "tbsApplication.Caption=Anwendung",
                             "tbsAuthor.Caption=Autor", "cmdSysInfo.Caption=&System-Info...",
                             "cmdOK.Caption=OK", "lblDescription.Caption=Betrachter"})
        EXPECT_NE(written.find(line), std::string::npos) << line;
    for (const char *absent : {"lblVersion", "lblDisclaimer", "lblLink1", "lblMail1", "imgLogo"})
        EXPECT_EQ(written.find(absent), std::string::npos) << absent;

    WriteFile(LanguageFile(), "[frmAbout]\r\nCaption=About this program\r\n"
                              "lblVersion.Caption=Release\r\n"
                              "lblDescription.Caption=A viewer\r\n");
    frmAbout dialog;
    EXPECT_EQ(dialog.windowTitle(), "About this program"_q);
    EXPECT_EQ(Text(dialog, "lblDescription"), "A viewer"_q);
    EXPECT_TRUE(Text(dialog, "lblVersion").startsWith("Version "_q));
}

TEST_F(frmAboutTest, LinksOpenTheWebAddressAndAMail)
{
    EXPECT_EQ(frmAbout::WebTarget(), "https://www.example.org/vannerby"_q);
    EXPECT_EQ(frmAbout::MailTarget(), "mailto:vannerby@example.org?subject=Vannerby"_q);

    UrlCatcher catcher;
    for (const char *scheme : {"https", "mailto"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "Open");
    {
        frmAbout dialog;
        Find<QTabWidget>(dialog, "tbsAbout")->setCurrentIndex(1);
        dialog.show();
        for (const char *name : {"lblLink1", "lblLink2", "lblMail1", "lblMail2"})
            QTest::mouseClick(Find<QLabel>(dialog, name), Qt::LeftButton);
        QTest::mouseClick(Find<QLabel>(dialog, "lblMaker"), Qt::LeftButton);
    }
    for (const char *scheme : {"https", "mailto"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    ASSERT_EQ(catcher.m_urls.size(), 4);
    EXPECT_EQ(catcher.m_urls[0], QUrl(frmAbout::WebTarget()));
    EXPECT_EQ(catcher.m_urls[1], QUrl(frmAbout::WebTarget()));
    EXPECT_EQ(catcher.m_urls[2].scheme(), "mailto"_q);
    EXPECT_EQ(catcher.m_urls[2].path(), "vannerby@example.org"_q);
    EXPECT_EQ(catcher.m_urls[2].query(), "subject=Vannerby"_q);
    EXPECT_EQ(catcher.m_urls[3], catcher.m_urls[2]);
}

TEST_F(frmAboutTest, SystemInformationToolIsLookedUpInTheStore)
{
    frmAbout dialog;
    // None registered: nothing happens, no message.
    EXPECT_EQ(AnswerMessageBoxes([&] { Find<QPushButton>(dialog, "cmdSysInfo")->click(); }), 0);

    // A folder that does not hold the tool: still nothing.
    const std::string marker = m_dir / "MSINFO32.EXE.ran";
    SetString("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", m_dir.path());
    dialog.StartSysInfo();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(mdlTools::FileExists(marker));

    // The tool in the named folder.
    WriteTool(m_dir / "MSINFO32.EXE");
    dialog.StartSysInfo();
    EXPECT_TRUE(Appears(marker));

    // The full path of the first key comes first, whatever the folder holds.
    const std::string tool = WriteTool(m_dir / ("sysinfo tool" + std::string(ExecutableSuffix)));
    const std::string other = tool + ".ran";
    SetString("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", tool);
    RemoveFile(marker);
    Find<QPushButton>(dialog, "cmdSysInfo")->click();
    EXPECT_TRUE(Appears(other));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(mdlTools::FileExists(marker));

    std::string value;
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE,
                                      "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value));
    EXPECT_EQ(value, tool);
    // Only strings count; a missing value gives false and the empty text.
    cRegistry reg;
    reg.SetValueEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", "N", REG_DWORD, Variant(0), Variant(5));
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", "N", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\X", "Missing", value));
}

TEST_F(frmAboutTest, MainWindowOpensItModally)
{
    frmMain window;
    bool shown = false;
    QTimer::singleShot(0, &window, [&] {
        auto *dialog = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        EXPECT_EQ(dialog->parentWidget(), &window);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    window.findChild<QAction *>("mnuHelpAbout"_q)->trigger();
    EXPECT_TRUE(shown);

    shown = false;
    QTimer::singleShot(0, &window, [&] {
        auto *dialog = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        Find<QPushButton>(*dialog, "cmdOK")->click();
    });
    window.HelpAbout(); // the toolbar button's command
    EXPECT_TRUE(shown);
}

#include "frmAboutTest.moc"
