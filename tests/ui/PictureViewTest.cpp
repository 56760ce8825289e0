#include "PakListModel.h"
#include "PakPictureView.h"
#include "PakWriter.h"
#include "PictureGridModel.h"
#include "TestSupport.h"
#include "ThumbnailLoader.h"
#include "UiTestSupport.h"
#include "cRegistry.h"
#include "frmMain.h"
#include "mdlI18n.h"
#include "mdlPakFile.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string &LanguageFile()
{
    static const std::string path = [] {
        const std::string file =
            (std::filesystem::temp_directory_path() / "PictureViewTest.lng").string();
        EXPECT_TRUE(mdlI18n::SetLanguageFile(file));
        return file;
    }();
    return path;
}

// A picture of one colour in a format Qt writes.
PakWriterEntry Picture(const std::string &name, int width, int height, const char *format = "PNG")
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    PakWriterEntry entry;
    entry.Name = name;
    entry.Data = bytes.toStdString();
    return entry;
}

PakWriterEntry Raw(const std::string &name, const std::string &data)
{
    PakWriterEntry entry;
    entry.Name = name;
    entry.Data = data;
    return entry;
}

class PictureViewTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        LanguageFile();
        // The window's settings start empty in every test; a key goes only
        // after its subkeys, as in Windows' registry.
        for (const char *key : {"\\MainWindow", "\\Options", "\\RecentFiles", "\\RecentDirs", ""}) {
            cRegistry reg;
            reg.SetClassKey(RegistryTypes::HKEY_CURRENT_USER);
            reg.SetSectionKey(std::string("Software\\Brindlecote\\Vannerby") + key);
            try {
                reg.DeleteKey();
            } catch (const std::exception &) {
                // nothing stored
            }
        }
    }

    std::string Write(const std::vector<PakWriterEntry> &entries)
    {
        const std::string path = m_dir / "pictures.pak";
        EXPECT_TRUE(WritePak(path, entries));
        return path;
    }

    TempDir m_dir;
};

} // namespace

TEST_F(PictureViewTest, TheGridModelShowsEachPictureOnceDecodedAndTheTypeIconElsewhere)
{
    const std::string path =
        Write({Picture("tex\\a.PNG", 32, 16), Raw("b.txt", "text"), Picture("c.tga", 2, 2, "BMP"),
               Raw("d.dds", std::string("DDS ", 4) + std::string(20, '\x7f')),
               Picture("big.png", 300, 150)});
    PakArchive archive;
    ASSERT_TRUE(ReadPakFile(path, archive));
    PakListModel list;
    list.SetRowIcon(QIcon(QPixmap(8, 8)));
    list.Load(archive);
    ThumbnailLoader loader(nullptr, 2);
    loader.Reset(path, 64);
    PictureGridModel grid(&list, &loader);
    grid.SetArchive(&archive);
    QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(grid.rowCount(), 5);
    EXPECT_TRUE(PictureGridModel::IsPicture(archive, 0)); // by name, in any case
    EXPECT_FALSE(PictureGridModel::IsPicture(archive, 1));
    EXPECT_FALSE(PictureGridModel::IsPicture(archive, 99));

    // Before its picture is there, a row shows the list's type icon.
    const auto icon = [&](int row) {
        return grid.data(grid.index(row, 0), Qt::DecorationRole).value<QIcon>();
    };
    const qint64 typeIcon =
        list.data(list.index(0, 0), Qt::DecorationRole).value<QIcon>().cacheKey();
    EXPECT_EQ(icon(0).cacheKey(), typeIcon);
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    grid.Want(0, 4, 0);
    const auto settled = [&] {
        for (int32_t entry = 0; entry < 5; ++entry)
            if (entry != 1 && loader.Lookup(entry) == ThumbnailLoader::State::Pending)
                return false;
        return true;
    };
    ASSERT_TRUE(QTest::qWaitFor(settled, 10000));
    EXPECT_EQ(loader.Lookup(0), ThumbnailLoader::State::Ready);
    EXPECT_EQ(loader.Lookup(1), ThumbnailLoader::State::Missing); // no picture: never asked for
    EXPECT_EQ(loader.Lookup(3), ThumbnailLoader::State::Failed);  // damaged: stays an icon
    EXPECT_EQ(changed.count(), 4);

    ASSERT_NE(icon(0).cacheKey(), typeIcon);
    // Each picture stands in the middle of a square of the cell's side, smaller
    // ones as they are, larger ones scaled, keeping their proportions.
    const QImage small = icon(0).pixmap(64, 64).toImage();
    ASSERT_EQ(small.size(), QSize(64, 64));
    EXPECT_EQ(small.pixelColor(32, 32), QColor(Qt::red));
    EXPECT_EQ(small.pixelColor(32, 23), QColor(Qt::transparent)); // above its 16 rows
    EXPECT_EQ(small.pixelColor(15, 32), QColor(Qt::transparent)); // left of its 32 columns
    const QImage large = icon(4).pixmap(64, 64).toImage();
    EXPECT_EQ(large.pixelColor(0, 32), QColor(Qt::red));
    EXPECT_EQ(large.pixelColor(0, 15), QColor(Qt::transparent)); // 64 x 32 in the middle
    EXPECT_EQ(icon(3).cacheKey(), typeIcon);
    // Under the picture its own name; the folders are in the tooltip.
    EXPECT_EQ(grid.data(grid.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("a.PNG"));
    EXPECT_EQ(grid.data(grid.index(0, 0), Qt::ToolTipRole).toString(),
              QStringLiteral("tex\\a.PNG"));

    // Another size forgets every picture made so far.
    loader.Reset(path, 128);
    EXPECT_EQ(loader.Lookup(0), ThumbnailLoader::State::Missing);
    EXPECT_EQ(loader.CachedBytes(), 0);
}

TEST_F(PictureViewTest, TheCacheKeepsTheMostRecentlyUsedPicturesWithinItsBound)
{
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < 6; ++i) {
        // Appended, not "p" + std::to_string(i): mingw-w64's GCC 12 warns falsely
        // (-Wrestrict) about that operator+.
        std::string name = "p";
        name += std::to_string(i);
        name += ".png";
        entries.push_back(Picture(name, 64, 64));
    }
    const std::string path = Write(entries);
    PakArchive archive;
    ASSERT_TRUE(ReadPakFile(path, archive));
    // Room for two pictures of 64 x 64.
    const qint64 bound = 2 * 64 * 64 * 4;
    ThumbnailLoader loader(nullptr, 1, bound);
    loader.Reset(path, 64);
    for (int32_t i = 0; i < 6; ++i) {
        loader.Request({{i, archive.Entries[static_cast<size_t>(i)]}});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return loader.Lookup(i) != ThumbnailLoader::State::Pending; }, 10000));
        EXPECT_LE(loader.CachedBytes(), bound);
        if (i == 2)
            loader.Lookup(1); // used again: kept before p0 and p2
    }
    EXPECT_EQ(loader.CachedCount(), 2);
    EXPECT_EQ(loader.Lookup(5), ThumbnailLoader::State::Ready);
    EXPECT_EQ(loader.Lookup(4), ThumbnailLoader::State::Ready);
    EXPECT_EQ(loader.Lookup(0), ThumbnailLoader::State::Missing);
}

TEST_F(PictureViewTest, TheWindowsPictureViewActsOnTheListsSelectionAndIsKeptBetweenRuns)
{
    const std::string path = Write(
        {Picture("a.png", 8, 8), Raw("b.txt", "text"), Picture("c.png", 8, 8), Raw("d.bin", "x")});
    {
        frmMain window(QStringList{QString::fromStdString(path)});
        window.show();
        Flush();
        auto *stack = window.findChild<QStackedWidget *>(QStringLiteral("stkList"));
        ASSERT_NE(stack, nullptr);
        EXPECT_EQ(stack->currentWidget(), window.List());
        QTest::keyClick(window.List(), Qt::Key_B, Qt::ControlModifier);
        EXPECT_EQ(stack->currentWidget(), window.Pictures());
        EXPECT_TRUE(window.findChild<QAction *>(QStringLiteral("mnuViewPictures"))->isChecked());
        EXPECT_TRUE(window.Pictures()->hasFocus());

        // Selected in the grid is selected for every command.
        QItemSelectionModel *grid = window.Pictures()->selectionModel();
        grid->select(window.Pictures()->model()->index(1, 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        grid->select(window.Pictures()->model()->index(3, 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        EXPECT_EQ(window.List()->selectionModel()->selectedRows().size(), 2);
        EXPECT_TRUE(window.CopyText().contains(QStringLiteral("b.txt")));
        EXPECT_TRUE(window.CopyText().contains(QStringLiteral("d.bin")));
        EXPECT_FALSE(window.CopyText().contains(QStringLiteral("a.png")));
        // And the other way: the list's selection shows in the grid.
        window.EditSelectAll();
        EXPECT_EQ(grid->selectedIndexes().size() / window.Pictures()->model()->columnCount(), 4);

        // Three sizes, Ctrl++ and Ctrl+- step through them and stop at the ends.
        EXPECT_EQ(window.Pictures()->Side(), 128);
        QTest::keyClick(window.Pictures(), Qt::Key_Plus, Qt::ControlModifier);
        EXPECT_EQ(window.Pictures()->Side(), 256);
        QTest::keyClick(window.Pictures(), Qt::Key_Plus, Qt::ControlModifier);
        EXPECT_EQ(window.Pictures()->Side(), 256);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(window.Pictures(), Qt::Key_Minus, Qt::ControlModifier);
        EXPECT_EQ(window.Pictures()->Side(), 64);
        window.close();
    }
    frmMain window;
    EXPECT_TRUE(window.findChild<QAction *>(QStringLiteral("mnuViewPictures"))->isChecked());
    EXPECT_EQ(window.Pictures()->Side(), 64);
}
