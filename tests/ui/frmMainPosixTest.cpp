// The main window's private temporary folder where the temporary folder is
// shared by every user (Linux): a folder of mode 0700, never a symbolic link.
#include "PakWriter.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "frmMain.h"
#include "mdlI18n.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class frmMainPosixTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RemoveFile(LanguageFileNamed("frmMainPosixTest.lng"));
        ForgetSettings();
    }
    void TearDown() override
    {
        Flush();
        RemoveFile(mdlI18n::LanguageFile());
    }

    QString WriteSample()
    {
        const std::string path = m_dir / "sample.pak";
        EXPECT_TRUE(WritePak(path, {PakWriterEntry{"maps\\b.dat", std::string(1000, 'b')},
                                    PakWriterEntry{"c.bin", std::string(99, 'c')}}));
        return QString::fromStdString(path);
    }

    TempDir m_dir;
};

} // namespace

TEST_F(frmMainPosixTest, DraggedFilesLieInTheUsersPrivateFolder)
{
    frmMain window({WriteSample()});
    const QString tempPath = window.TempPath();
    window.EditSelectAll();
    std::unique_ptr<QMimeData> data(window.CollectDragData());
    ASSERT_NE(data, nullptr);
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFileInfo(tempPath).path().toStdString().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(frmMainPosixTest, TemporaryFolderThatIsALinkIsNeitherUsedNorDeleted)
{
    const std::string privateFolder = TempFolder() + "/vannerby-" + std::to_string(::getuid());
    ASSERT_NE(::access(privateFolder.c_str(), F_OK), 0) << "left over by another test";
    const std::string target = m_dir / "elsewhere";
    const std::string victim = target + "/" + std::to_string(::getpid());
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(victim.c_str(), 0700), 0);
    WriteFile(victim + "/keep.txt", "keep");
    ASSERT_EQ(::symlink(target.c_str(), privateFolder.c_str()), 0);
    {
        frmMain window({WriteSample()});
        window.EditSelectAll();
        QMimeData *data = nullptr;
        const MessageBoxSeen seen = ExpectMessageBox([&] { data = window.CollectDragData(); });
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(seen.Icon, QMessageBox::Critical);
        EXPECT_TRUE(seen.Text.endsWith("(Runtime-Error: 70)"_q)) << seen.Text.toStdString();
    }
    EXPECT_EQ(ReadFile(victim + "/keep.txt"), "keep");
    ::unlink(privateFolder.c_str());
}
