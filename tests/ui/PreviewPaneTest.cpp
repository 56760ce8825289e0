#include "PreviewPane.h"
#include "FilterBar.h"
#include "PakListModel.h"
#include "PakWriter.h"
#include "PreviewImageView.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "frmMain.h"
#include "mdlI18n.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const std::string &LanguageFile()
{
    return LanguageFileNamed("PreviewPaneTest.lng");
}

void Put32(std::string &bytes, size_t at, uint32_t value)
{
    for (size_t k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

std::string Dxt1(uint32_t side)
{
    std::string bytes(128, '\0');
    bytes.replace(0, 4, "DDS ");
    Put32(bytes, 4, 124);
    Put32(bytes, 12, side);
    Put32(bytes, 16, side);
    Put32(bytes, 80, 0x4);
    bytes.replace(84, 4, "DXT1");
    for (uint32_t i = 0; i < (side / 4) * (side / 4); ++i)
        bytes += std::string("\x00\xF8\x1F\x00\xE4\x55\x55\x55", 8);
    return bytes;
}

// A 4 x 4 BC5 normal map of three mipmaps, every pixel straight up (x = y = 0).
std::string Bc5()
{
    std::string bytes = Dxt1(4);
    bytes.resize(128);
    Put32(bytes, 28, 3);
    bytes.replace(84, 4, "ATI2");
    const std::string half("\x80\x80\x00\x00\x00\x00\x00\x00", 8);
    return bytes + half + half + std::string(32, '\0');
}

PakWriterEntry Entry(const std::string &name, const std::string &data)
{
    PakWriterEntry entry;
    entry.Name = name;
    entry.Data = data;
    return entry;
}

class PreviewPaneTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RemoveFile(LanguageFile());
        ForgetSettings();
        PakWriterEntry beyond = Entry("weg.txt", "abc");
        beyond.Size = 1 << 24;
        PakWriterEntry nowhere = Entry("negativ.txt", "abc");
        nowhere.Start = -16;
        m_path = m_dir / "preview.pak";
        PakWriterOptions options;
        options.WithTimeTable = true;
        ASSERT_TRUE(WritePak(
            m_path,
            {Entry("readme.txt", "Zeile eins\r\nZeile zwei\r\n"), Entry("tex\\wand.dds", Dxt1(8)),
             Entry("daten.bin", std::string("\x01\x00\xFF", 3)), beyond, nowhere,
             Entry("eine.txt", "nur eine Zeile"), Entry("ein.bin", std::string(1, '\x01')),
             Entry("tex\\normal.dds", Bc5())},
            options));
    }
    void TearDown() override { Flush(); }

    // Makes row the current one and waits for its preview.
    static bool ShowRow(frmMain &window, int row)
    {
        QSignalSpy shown(window.Preview(), &PreviewPane::PreviewShown);
        window.List()->setCurrentIndex(window.ListModel()->index(row, 0));
        return shown.wait(5000);
    }

    static QAction *Menu(frmMain &window, const char *name)
    {
        return window.findChild<QAction *>(QString::fromLatin1(name));
    }

    TempDir m_dir;
    std::string m_path;
};

TEST_F(PreviewPaneTest, ShowsTheCurrentRowAsTextPictureOrHex)
{
    frmMain window({QString::fromStdString(m_path)});
    PreviewPane *pane = window.Preview();
    QAction *menu = Menu(window, "mnuViewPreview");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->text(), "&Vorschau"_q);
    EXPECT_FALSE(menu->isChecked());
    EXPECT_FALSE(pane->IsActive());
    // Hidden, the pane reads nothing.
    window.List()->setCurrentIndex(window.ListModel()->index(0, 0));
    Flush();
    EXPECT_FALSE(pane->ShownKind().has_value());

    QTest::keyClick(window.List(), Qt::Key_F3);
    EXPECT_TRUE(menu->isChecked());
    EXPECT_TRUE(pane->IsActive());
    EXPECT_FALSE(pane->isHidden());

    // Rows follow the directory, the time table not listed: readme.txt is row 0.
    ASSERT_TRUE(ShowRow(window, 1));
    EXPECT_EQ(pane->ShownKind(), PreviewKind::Image);
    EXPECT_EQ(pane->InfoText(), "8 × 8 Pixel, DDS (DXT1)"_q);

    ASSERT_TRUE(ShowRow(window, 0));
    EXPECT_EQ(pane->EntryIndex(), 1);
    EXPECT_EQ(pane->ShownKind(), PreviewKind::Text);
    EXPECT_EQ(pane->InfoText(), "Text (Windows-1252), 2 Zeilen"_q);
    ASSERT_TRUE(ShowRow(window, 5));
    EXPECT_EQ(pane->InfoText(), "Text (Windows-1252), 1 Zeile"_q);
    ASSERT_TRUE(ShowRow(window, 6));
    EXPECT_EQ(pane->InfoText(), "Hex, 1 Byte"_q);
    ASSERT_TRUE(ShowRow(window, 0));
    auto *lines = pane->findChild<QTableView *>(QStringLiteral("lvwPreview"));
    ASSERT_NE(lines, nullptr);
    ASSERT_EQ(lines->model()->rowCount(), 2);
    EXPECT_EQ(lines->model()->index(1, 0).data().toString(), "Zeile zwei"_q);
    EXPECT_EQ(lines->model()->headerData(1, Qt::Vertical).toString(), "2"_q);

    ASSERT_TRUE(ShowRow(window, 2));
    EXPECT_EQ(pane->ShownKind(), PreviewKind::Hex);
    ASSERT_EQ(lines->model()->rowCount(), 1);
    const int32_t start = window.Archive().Entries[3].Start;
    EXPECT_EQ(lines->model()->index(0, 0).data().toString(), "00000000"_q);
    EXPECT_EQ(lines->model()->index(0, 1).data().toString(),
              QStringLiteral("%1").arg(start, 8, 16, QLatin1Char('0')).toUpper());
    EXPECT_EQ(lines->model()->index(0, 2).data().toString(), "01 00 FF"_q);

    ASSERT_TRUE(ShowRow(window, 3));
    EXPECT_EQ(pane->ShownKind(), PreviewKind::Failed);
    EXPECT_TRUE(
        pane->MessageText().startsWith("Vorschau nicht möglich\nEinlesen hinter Dateiende"_q))
        << pane->MessageText().toStdString();
    ASSERT_TRUE(ShowRow(window, 4));
    EXPECT_EQ(pane->MessageText(), "Vorschau nicht möglich\nUngültige Position im Archiv"_q);

    // On request the text is a hex dump too.
    ASSERT_TRUE(ShowRow(window, 0));
    auto *hex = pane->findChild<QCheckBox *>(QStringLiteral("chkPreviewHex"));
    ASSERT_NE(hex, nullptr);
    QSignalSpy shown(pane, &PreviewPane::PreviewShown);
    hex->setChecked(true);
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_EQ(pane->ShownKind(), PreviewKind::Hex);
    hex->setChecked(false);
    ASSERT_TRUE(shown.wait(5000));

    // A filter that hides the shown entry empties the pane; one that keeps it
    // leaves the preview alone.
    window.Filter()->Box()->setText("read"_q);
    EXPECT_EQ(pane->EntryIndex(), 1);
    window.Filter()->Box()->setText("daten"_q);
    EXPECT_EQ(pane->EntryIndex(), -1);
    EXPECT_EQ(pane->MessageText(), "Kein Eintrag ausgewählt"_q);
    window.Filter()->Box()->clear();

    // Closing the archive empties the pane.
    window.FileClose();
    EXPECT_EQ(pane->EntryIndex(), -1);
    EXPECT_EQ(pane->MessageText(), "Kein Eintrag ausgewählt"_q);
}

TEST_F(PreviewPaneTest, NormalMapsOfTwoChannelsGetTheirBlueOnRequest)
{
    frmMain window({QString::fromStdString(m_path)});
    window.ViewPreview();
    PreviewPane *pane = window.Preview();
    auto *normal = pane->findChild<QCheckBox *>(QStringLiteral("chkPreviewNormal"));
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->text(), "&Normalenkarte"_q);
    auto *picture = pane->findChild<PreviewImageView *>(QStringLiteral("picPreview"));
    ASSERT_NE(picture, nullptr);

    ASSERT_TRUE(ShowRow(window, 7));
    EXPECT_EQ(pane->InfoText(), "4 × 4 Pixel, DDS (BC5), 3 Mipmaps"_q);
    EXPECT_FALSE(normal->isHidden());
    EXPECT_EQ(picture->Picture().pixelColor(0, 0), QColor(128, 128, 0));
    QSignalSpy shown(pane, &PreviewPane::PreviewShown);
    normal->setChecked(true);
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_EQ(picture->Picture().pixelColor(0, 0), QColor(128, 128, 255));

    // Only for pictures of red and green.
    ASSERT_TRUE(ShowRow(window, 1));
    EXPECT_TRUE(normal->isHidden());
    EXPECT_EQ(pane->InfoText(), "8 × 8 Pixel, DDS (DXT1)"_q);
    ASSERT_TRUE(ShowRow(window, 7));
    EXPECT_FALSE(normal->isHidden());
    EXPECT_EQ(picture->Picture().pixelColor(0, 0), QColor(128, 128, 255));
    window.FileClose();
    EXPECT_TRUE(normal->isHidden());
}

TEST_F(PreviewPaneTest, ANewerRowDiscardsTheOlderPreview)
{
    frmMain window({QString::fromStdString(m_path)});
    window.ViewPreview();
    PreviewPane *pane = window.Preview();
    QSignalSpy shown(pane, &PreviewPane::PreviewShown);
    for (int round = 0; round < 20; ++round) {
        window.List()->setCurrentIndex(window.ListModel()->index(1, 0));
        window.List()->setCurrentIndex(window.ListModel()->index(round % 2 == 0 ? 0 : 2, 0));
    }
    ASSERT_TRUE(shown.wait(5000));
    Flush();
    QTest::qWait(50);
    Flush();
    // Only the last row's preview reached the screen.
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.at(0).at(0).toInt(), 3);
    EXPECT_EQ(pane->ShownKind(), PreviewKind::Hex);
}

TEST_F(PreviewPaneTest, ItsStateIsSavedWithTheViewSettings)
{
    {
        frmMain window;
        EXPECT_FALSE(Menu(window, "mnuViewPreview")->isChecked());
        EXPECT_TRUE(window.Preview()->isHidden());
        Menu(window, "mnuViewPreview")->trigger();
        EXPECT_TRUE(Menu(window, "mnuViewPreview")->isChecked());
        EXPECT_FALSE(window.Preview()->isHidden());
        window.close();
    }
    {
        frmMain window;
        EXPECT_TRUE(Menu(window, "mnuViewPreview")->isChecked());
        EXPECT_TRUE(window.Preview()->IsActive());
        QTest::keyClick(window.List(), Qt::Key_F3);
        EXPECT_TRUE(window.Preview()->isHidden());
    }
    frmMain window;
    EXPECT_FALSE(Menu(window, "mnuViewPreview")->isChecked());
    // The pane's texts went to the language file with the main window's.
    const std::string language = ReadFile(LanguageFile());
    EXPECT_NE(language.find("mnuViewPreview.Caption=&Vorschau"), std::string::npos);
    EXPECT_NE(language.find("strPreviewFailed=Vorschau nicht m"), std::string::npos);
    EXPECT_NE(language.find("chkPreviewHex.Caption=&Hex"), std::string::npos);
    EXPECT_NE(language.find("chkPreviewNormal.Caption=&Normalenkarte"), std::string::npos);
    EXPECT_NE(language.find("strPreviewMipmaps=Mipmaps"), std::string::npos);
}

} // namespace
