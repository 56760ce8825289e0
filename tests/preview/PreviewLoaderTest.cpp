#include "PreviewLoader.h"
#include "PakWriter.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Qt's image readers are plugins, found through the application object.
class GuiEnvironment final : public testing::Environment
{
  public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "previewtest";
        static char *argv[] = {name, nullptr};
        m_app = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

  private:
    std::unique_ptr<QGuiApplication> m_app;
};

const auto *const g_environment = testing::AddGlobalTestEnvironment(new GuiEnvironment);

std::string Encode(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes.toStdString();
}

void Put32(std::string &bytes, size_t at, uint32_t value, bool bigEndian = false)
{
    for (size_t k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>((value >> (8 * (bigEndian ? 3 - k : k))) & 0xFF);
}

uint32_t Crc32(std::string_view bytes)
{
    uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// The signature and header chunk of a PNG of the given size, with no pixels.
std::string PngHeader(uint32_t width, uint32_t height)
{
    std::string chunk("IHDR\0\0\0\0\0\0\0\0\x08\x06\0\0\0", 17);
    Put32(chunk, 4, width, true);
    Put32(chunk, 8, height, true);
    std::string bytes("\x89PNG\r\n\x1A\n\0\0\0\x0D", 12);
    bytes += chunk;
    bytes += std::string(4, '\0');
    Put32(bytes, bytes.size() - 4, Crc32(chunk), true);
    // An empty data chunk, so that the header can be read up to the pixels.
    bytes += std::string("\0\0\0\0IDAT", 8);
    bytes += std::string(4, '\0');
    Put32(bytes, bytes.size() - 4, Crc32("IDAT"), true);
    return bytes;
}

// A 4 x 4 DXT1 texture of red and blue (the first pixel red).
std::string Dxt1(uint32_t width, uint32_t height)
{
    std::string bytes(128, '\0');
    bytes.replace(0, 4, "DDS ");
    Put32(bytes, 4, 124);
    Put32(bytes, 12, height);
    Put32(bytes, 16, width);
    Put32(bytes, 76, 32);
    Put32(bytes, 80, 0x4);
    bytes.replace(84, 4, "DXT1");
    const std::string block("\x00\xF8\x1F\x00\xE4\x55\x55\x55", 8);
    for (uint32_t i = 0; i < ((width + 3) / 4) * ((height + 3) / 4); ++i)
        bytes += block;
    return bytes;
}

// A 4 x 4 BC5 texture with a mipmap chain of three images: every pixel of the
// first red 255 (x = 1) and green 128 (y = 0) but the first, which is 128
// and 128 (a normal straight up).
std::string Bc5WithMipmaps()
{
    std::string bytes = Dxt1(4, 4).substr(0, 128);
    Put32(bytes, 28, 3);
    bytes.replace(84, 4, "ATI2");
    const std::string red("\xFF\x80\x01\x00\x00\x00\x00\x00", 8);   // pixel 0: 128, the rest 255
    const std::string green("\x80\x80\x00\x00\x00\x00\x00\x00", 8); // all 128
    return bytes + red + green + std::string(16 + 16, '\0');
}

// A 2 x 1 uncompressed TGA without the footer of TGA 2.0, as most textures
// are, top row first: a red and a green pixel.
std::string Tga()
{
    std::string bytes(18, '\0');
    bytes[2] = 2; // true colour
    bytes[12] = 2;
    bytes[14] = 1;
    bytes[16] = 24;
    bytes[17] = 0x20; // origin at the top left
    return bytes + std::string("\x00\x00\xFF\x00\xFF\x00", 6);
}

class PreviewLoaderTest : public ::testing::Test
{
  protected:
    // Writes the entries and returns a request for each.
    std::vector<PreviewRequest> Archive(const std::vector<PakWriterEntry> &entries)
    {
        // Built piece by piece: GCC 12 misreads the chained + here (-Wrestrict).
        std::string name = "a";
        name += std::to_string(++m_count);
        name += ".pak";
        m_path = m_dir / name;
        EXPECT_TRUE(WritePak(m_path, entries));
        PakArchive archive;
        EXPECT_TRUE(ReadPakFile(m_path, archive));
        std::vector<PreviewRequest> requests;
        for (size_t i = 0; i < archive.Entries.size(); ++i) {
            PreviewRequest request;
            request.PakPath = m_path;
            request.Entry = archive.Entries[i];
            request.Index = static_cast<int32_t>(i);
            requests.push_back(request);
        }
        return requests;
    }

    static PakWriterEntry Entry(const std::string &name, const std::string &data)
    {
        PakWriterEntry entry;
        entry.Name = name;
        entry.Data = data;
        return entry;
    }

    TempDir m_dir;
    std::string m_path;
    int m_count = 0;
};

TEST(PreviewLoaderLayoutTest, LaysOutLinesWithNumbers)
{
    PreviewResult result;
    PreviewLoader::LayoutText(QStringLiteral("one\r\ntwo\rthree\n\nfi\tve\n"), result);
    ASSERT_EQ(result.Segments.size(), 5u);
    EXPECT_EQ(result.LineCount, 5);
    const auto segment = [&](size_t i) {
        return result.Text.mid(result.Segments[i].Start, result.Segments[i].Length);
    };
    EXPECT_EQ(segment(0), QStringLiteral("one"));
    EXPECT_EQ(segment(1), QStringLiteral("two"));
    EXPECT_EQ(segment(2), QStringLiteral("three"));
    EXPECT_EQ(segment(3), QString());
    EXPECT_EQ(segment(4), QStringLiteral("fi  ve")); // the tab reaches column 4
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(result.Segments[i].Line, static_cast<int32_t>(i + 1));

    // A line too long for one display line goes on in unnumbered ones; control
    // characters show as symbols and break nothing.
    PreviewResult longLine;
    const QString text = QString(PreviewLoader::MaxSegmentLength * 2 + 5, QLatin1Char('x')) +
                         QStringLiteral("\nb\x01");
    PreviewLoader::LayoutText(text, longLine);
    ASSERT_EQ(longLine.Segments.size(), 4u);
    EXPECT_EQ(longLine.LineCount, 2);
    EXPECT_EQ(longLine.Segments[0].Line, 1);
    EXPECT_EQ(longLine.Segments[1].Line, 0);
    EXPECT_EQ(longLine.Segments[2].Line, 0);
    EXPECT_EQ(longLine.Segments[2].Length, 5);
    EXPECT_EQ(longLine.Segments[3].Line, 2);
    EXPECT_EQ(longLine.Text.mid(longLine.Segments[3].Start), QStringLiteral("b\u2401"));
    EXPECT_EQ(longLine.LongestSegment, PreviewLoader::MaxSegmentLength);

    PreviewResult empty;
    PreviewLoader::LayoutText(QString(), empty);
    EXPECT_EQ(empty.LineCount, 0);
    EXPECT_TRUE(empty.Segments.empty());
}

TEST_F(PreviewLoaderTest, ShowsPicturesTextAndEverythingElseAsHex)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x40, 0x60));
    const std::string png = Encode(image, "PNG");
    const auto requests = Archive({Entry("bilder\\a.png", png), Entry("ohne\\endung.bin", png),
                                   Entry("a.TGA", Tga()), Entry("tex\\w.dds", Dxt1(4, 4)),
                                   Entry("readme.txt", "Zeile 1\r\nZeile 2 mit \xE4\r\n"),
                                   Entry("daten.bin", std::string("\x01\x00\x02\x00", 4) + "abc")});

    const PreviewResult pngResult = PreviewLoader::Load(requests[0]);
    ASSERT_EQ(pngResult.Kind, PreviewKind::Image);
    EXPECT_EQ(pngResult.Format, QStringLiteral("PNG"));
    EXPECT_EQ(pngResult.PixelSize, QSize(3, 2));
    EXPECT_EQ(pngResult.Picture.pixelColor(2, 1), QColor(0x20, 0x40, 0x60));
    // The content tells a picture whose name does not.
    EXPECT_EQ(PreviewLoader::Load(requests[1]).Kind, PreviewKind::Image);

    const PreviewResult tga = PreviewLoader::Load(requests[2]);
    ASSERT_EQ(tga.Kind, PreviewKind::Image);
    EXPECT_EQ(tga.Format, QStringLiteral("TGA (24 Bit)"));
    EXPECT_EQ(tga.Picture.pixelColor(0, 0), QColor(0xFF, 0, 0));
    EXPECT_EQ(tga.Picture.pixelColor(1, 0), QColor(0, 0xFF, 0));

    const PreviewResult dds = PreviewLoader::Load(requests[3]);
    ASSERT_EQ(dds.Kind, PreviewKind::Image);
    EXPECT_EQ(dds.Format, QStringLiteral("DDS (DXT1)"));
    EXPECT_EQ(dds.PixelSize, QSize(4, 4));
    EXPECT_EQ(dds.Picture.pixelColor(0, 0), QColor(0xFF, 0, 0));
    EXPECT_EQ(dds.Picture.pixelColor(1, 0), QColor(0, 0, 0xFF));

    const PreviewResult text = PreviewLoader::Load(requests[4]);
    ASSERT_EQ(text.Kind, PreviewKind::Text);
    EXPECT_EQ(text.Encoding, QStringLiteral("Windows-1252"));
    EXPECT_EQ(text.LineCount, 2);
    EXPECT_EQ(text.Text, QStringLiteral("Zeile 1Zeile 2 mit ä"));
    EXPECT_FALSE(text.Cut);

    const PreviewResult hex = PreviewLoader::Load(requests[5]);
    ASSERT_EQ(hex.Kind, PreviewKind::Hex);
    ASSERT_TRUE(hex.Bytes);
    EXPECT_EQ(*hex.Bytes, std::string("\x01\x00\x02\x00", 4) + "abc");
    EXPECT_EQ(hex.EntryOffset, 0);
    EXPECT_EQ(hex.ArchiveOffset, requests[5].Entry.Start);

    // On request anything is a hex dump.
    PreviewRequest forced = requests[3];
    forced.ForceHex = true;
    const PreviewResult forcedHex = PreviewLoader::Load(forced);
    ASSERT_EQ(forcedHex.Kind, PreviewKind::Hex);
    EXPECT_EQ(forcedHex.Bytes->substr(0, 4), "DDS ");
}

TEST_F(PreviewLoaderTest, TellsTheDdsFormatAndMakesNormalMapsOfTwoChannels)
{
    auto requests =
        Archive({Entry("normal.dds", Bc5WithMipmaps()), Entry("farbe.dds", Dxt1(4, 4))});
    const PreviewResult plain = PreviewLoader::Load(requests[0]);
    ASSERT_EQ(plain.Kind, PreviewKind::Image);
    EXPECT_EQ(plain.Format, QStringLiteral("DDS (BC5)"));
    EXPECT_EQ(plain.Mipmaps, 3);
    EXPECT_TRUE(plain.TwoChannels);
    EXPECT_EQ(plain.Picture.pixelColor(1, 0), QColor(255, 128, 0));

    // Blue from x and y: straight up (0, 0) gives z = 1, (1, 0) gives z = 0.
    requests[0].NormalMap = true;
    const PreviewResult normal = PreviewLoader::Load(requests[0]);
    ASSERT_EQ(normal.Kind, PreviewKind::Image);
    EXPECT_EQ(normal.Picture.pixelColor(0, 0), QColor(128, 128, 255));
    EXPECT_EQ(normal.Picture.pixelColor(1, 0), QColor(255, 128, 128));

    // Pictures of three or four channels stay as they are.
    requests[1].NormalMap = true;
    const PreviewResult colour = PreviewLoader::Load(requests[1]);
    EXPECT_FALSE(colour.TwoChannels);
    EXPECT_EQ(colour.Mipmaps, 1);
    EXPECT_EQ(colour.Picture.pixelColor(1, 0), QColor(0, 0, 0xFF));
}

TEST_F(PreviewLoaderTest, ReadsTheFirstMebibyteOfTextAndScalesLargePictures)
{
    std::string longText;
    while (longText.size() < 3 * PreviewLoader::TextBytes)
        longText += "Eine Zeile Text, die sich wiederholt.\n";
    const auto requests = Archive({Entry("lang.txt", longText), Entry("gross.dds", Dxt1(64, 32))});
    const PreviewResult text = PreviewLoader::Load(requests[0]);
    ASSERT_EQ(text.Kind, PreviewKind::Text);
    EXPECT_TRUE(text.Cut);
    EXPECT_EQ(text.EntrySize, static_cast<int64_t>(longText.size()));
    EXPECT_LE(text.Text.size(), PreviewLoader::TextBytes);
    EXPECT_GT(text.LineCount, 20000);

    PreviewRequest hexRequest = requests[0];
    hexRequest.ForceHex = true;
    EXPECT_EQ(PreviewLoader::Load(hexRequest).Bytes->size(),
              static_cast<size_t>(PreviewLoader::TextBytes));

    PreviewRequest fit = requests[1];
    fit.FitSize = QSize(16, 16);
    const PreviewResult scaled = PreviewLoader::Load(fit);
    ASSERT_EQ(scaled.Kind, PreviewKind::Image);
    EXPECT_EQ(scaled.PixelSize, QSize(64, 32));
    EXPECT_EQ(scaled.Scaled.size(), QSize(16, 8));
    fit.FitSize = QSize(100, 100);
    EXPECT_TRUE(PreviewLoader::Load(fit).Scaled.isNull()); // fits as it is
}

TEST_F(PreviewLoaderTest, AScaledCopyAveragesWithTransparencyAndKeepsTheAspect)
{
    // 8 x 4: at 2 x 1 each pixel is the mean of a 4 x 4 block, the left one
    // red, green, blue and transparent, the right one white.
    QImage image(8, 4, QImage::Format_ARGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y,
                           QList<QRgb>{qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 255),
                                       qRgba(0, 0, 255, 255), qRgba(0, 0, 0, 0)}
                               .at((y / 2) * 2 + x / 2));
    const auto requests = Archive({Entry("a.png", Encode(image, "PNG"))});
    PreviewRequest fit = requests[0];
    fit.FitSize = QSize(2, 2);
    const QImage scaled = PreviewLoader::Load(fit).Scaled;
    ASSERT_EQ(scaled.size(), QSize(2, 1));
    ASSERT_EQ(scaled.format(), QImage::Format_ARGB32_Premultiplied);
    const auto *pixels = reinterpret_cast<const QRgb *>(scaled.constScanLine(0));
    EXPECT_EQ(pixels[0], qRgba(64, 64, 64, 191)); // premultiplied: no colour from the hole
    EXPECT_EQ(pixels[1], qRgba(255, 255, 255, 255));

    // What halving cannot reach, Qt scales: 6 x 4 into 4 x 4 is 4 x 2.
    const auto odd = Archive({Entry("b.png", Encode(image.copy(0, 0, 6, 4), "PNG"))});
    fit = odd[0];
    fit.FitSize = QSize(4, 4);
    EXPECT_EQ(PreviewLoader::Load(fit).Scaled.size(), QSize(4, 2));
}

TEST(PreviewLoaderPixelsTest, PremultipliesAsQtDoes)
{
    // Every alpha with colours that round both ways, straight and opaque.
    QImage straight(256, 3, QImage::Format_ARGB32);
    for (int a = 0; a < 256; ++a) {
        straight.setPixel(a, 0, qRgba(255, 128, 1, a));
        straight.setPixel(a, 1, qRgba(a, 255 - a, 77, a));
        straight.setPixel(a, 2, qRgba(3, a, 254, 255 - a));
    }
    const QImage ours = PreviewLoader::Premultiplied(straight);
    ASSERT_EQ(ours.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(ours, straight.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    const QImage opaque = straight.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(PreviewLoader::Premultiplied(opaque),
              opaque.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    // Other formats are left to Qt.
    const QImage grey = straight.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(PreviewLoader::Premultiplied(grey),
              grey.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST_F(PreviewLoaderTest, DamagedOrHostileDataFailsWithItsReason)
{
    QImage image(40, 40, QImage::Format_RGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, qRgb(x * 6, y * 6, (x * y) % 256));
    const std::string png = Encode(image, "PNG");
    PakWriterEntry beyond = Entry("weg.txt", "abc");
    beyond.Size = 1 << 20;
    std::string hugeDds = Dxt1(4, 4);
    Put32(hugeDds, 12, 0x7FFFFFFF);
    Put32(hugeDds, 16, 0x7FFFFFFF);
    const auto requests =
        Archive({Entry("halb.png", png.substr(0, png.size() / 2)),
                 Entry("riesig.png", PngHeader(100000, 100000)), Entry("riesig.dds", hugeDds),
                 Entry("kurz.dds", Dxt1(64, 64).substr(0, 600)), beyond,
                 Entry("kein.png", "Das ist kein Bild.")});

    const auto failure = [](const PreviewRequest &request) {
        const PreviewResult result = PreviewLoader::Load(request);
        EXPECT_EQ(result.Kind, PreviewKind::Failed) << request.Index;
        return result;
    };
    EXPECT_EQ(failure(requests[0]).Failure, PreviewFailure::ImageDamaged);
    const PreviewResult hugePng = failure(requests[1]);
    EXPECT_EQ(hugePng.Failure, PreviewFailure::ImageTooLarge);
    EXPECT_EQ(hugePng.PixelSize, QSize(100000, 100000));
    const PreviewResult huge = failure(requests[2]);
    EXPECT_EQ(huge.Failure, PreviewFailure::ImageTooLarge);
    EXPECT_EQ(huge.PixelSize, QSize(0x7FFFFFFF, 0x7FFFFFFF));
    EXPECT_EQ(failure(requests[3]).Failure, PreviewFailure::ImageDamaged);
    const PreviewResult past = failure(requests[4]);
    EXPECT_EQ(past.Failure, PreviewFailure::Read);
    EXPECT_TRUE(past.Detail.startsWith(QStringLiteral("Einlesen hinter Dateiende")))
        << past.Detail.toStdString();
    EXPECT_EQ(failure(requests[5]).Failure, PreviewFailure::ImageDamaged);

    EXPECT_EQ(PreviewLoader::Load(requests[0], [] { return true; }).Failure,
              PreviewFailure::Cancelled);
}

TEST_F(PreviewLoaderTest, PicturesAbove64MiBAreNotRead)
{
    PakWriterEntry big = Entry("riesig.tga", Tga());
    big.Size = static_cast<int32_t>(PreviewLoader::ImageBytes + 1);
    const auto requests = Archive({big});
    // The file grows to hold the entry without writing its bytes.
    ASSERT_TRUE(ResizeFile(m_path, static_cast<uint64_t>(requests[0].Entry.Start) +
                                       PreviewLoader::ImageBytes + 1));
    const PreviewResult result = PreviewLoader::Load(requests[0]);
    EXPECT_EQ(result.Kind, PreviewKind::Failed);
    EXPECT_EQ(result.Failure, PreviewFailure::FileTooLarge);
}

} // namespace
