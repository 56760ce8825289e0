// The options dialog when the settings store, a file on Linux, cannot be written.
#include "RegistryTypes.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "Variant.h"
#include "cRegistry.h"
#include "frmOptions.h"
#include "mdlI18n.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <QCheckBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using namespace RegistryTypes;

namespace {

class frmOptionsPosixTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RemoveFile(LanguageFileNamed("frmOptionsPosixTest.lng"));
        m_config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", m_configDir.path());
        m_data = std::make_unique<ScopedEnv>("XDG_DATA_HOME", m_dataDir.path());
        mdlState::AppSettings = AppSettingsRecord{};
        mdlState::AppSettings.RecentDirsMax = 10;
    }
    void TearDown() override
    {
        Flush();
        RemoveFile(mdlI18n::LanguageFile());
    }

    std::string StorePath() const { return m_configDir / "vannerby/registry.db"; }

    // Clicks a check box the way the user can: on its page.
    static void Click(QWidget &dialog, const char *name)
    {
        auto *button = dialog.findChild<QAbstractButton *>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        const int page =
            dialog.findChildren<QWidget *>("picOptions"_q).indexOf(button->parentWidget());
        if (page >= 0)
            dialog.findChild<QTabWidget *>("tbsOptions"_q)->setCurrentIndex(page);
        button->click();
    }

    TempDir m_configDir;
    TempDir m_dataDir;
    std::unique_ptr<ScopedEnv> m_config;
    std::unique_ptr<ScopedEnv> m_data;
};

} // namespace

TEST_F(frmOptionsPosixTest, StoreFailureReturnsTheAssociationBoxAndKeepsTheRest)
{
    frmOptions dialog;
    // A folder in the store's place: every write fails.
    ASSERT_TRUE(mdlTools::CreatePath(StorePath()));
    auto *box = dialog.findChild<QCheckBox *>("chkFileAssociation"_q);
    ASSERT_NE(box, nullptr);
    box->click();
    Click(dialog, "chkOverWrite");
    Click(dialog, "chkMRUDirs");
    dialog.Apply(); // no message, no exception
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(mdlState::AppSettings.OverWrite, 1);
    EXPECT_EQ(mdlState::AppSettings.RecentDirsMax, 0);
    EXPECT_FALSE(dialog.Changed());
    // Ticked again once the store works: now it is registered.
    ASSERT_EQ(::rmdir(StorePath().c_str()), 0);
    Click(dialog, "chkFileAssociation");
    dialog.Apply();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(
        cRegistry()
            .ValueEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.pa-", "", REG_SZ, Variant("NOT_SET"))
            .ToString(),
        "KMX.Resourcen");
}
