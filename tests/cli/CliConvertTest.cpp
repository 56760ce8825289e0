// extract --convert png, in the build with Qt.
#include "DdsDecoder.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "TgaDecoder.h"
#include "mdlTools.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kTime = 133563222001234567ULL; // 2024-03-31 01:30:00.1234567 UTC

RunResult cli(const std::vector<std::string> &args)
{
    RunResult r = Run(BinPath("vannerby-cli"), args);
    for (std::string *text : {&r.out, &r.err})
        for (size_t at; (at = text->find("\r\n")) != std::string::npos;)
            text->erase(at, 1);
    return r;
}

std::string makeArchive(const TempDir &dir, std::vector<PakWriterEntry> entries)
{
    for (auto &e : entries)
        e.CreationTime = e.LastAccessTime = e.LastWriteTime = kTime;
    PakWriterOptions options;
    options.WithTimeTable = true;
    const std::string path = dir / "a.pak";
    EXPECT_TRUE(WritePak(path, entries, options));
    return path;
}

void Put32(std::string &bytes, size_t at, uint32_t value)
{
    for (size_t k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

// An 8 x 4 DXT1 texture: two blocks of known colours.
std::string Dxt1()
{
    std::string bytes(128, '\0');
    bytes.replace(0, 4, "DDS ");
    Put32(bytes, 4, 124);
    Put32(bytes, 8, 0x1007);
    Put32(bytes, 12, 4);
    Put32(bytes, 16, 8);
    Put32(bytes, 76, 32);
    Put32(bytes, 80, 0x4);
    bytes.replace(84, 4, "DXT1");
    Put32(bytes, 108, 0x1000);
    // Red and blue end points, indices 0 to 3 in the first row; then with the
    // first end point not above the second, index 3 transparent.
    return bytes + std::string("\x00\xF8\x1F\x00\xE4\x55\x55\x55", 8) +
           std::string("\x1F\x00\x00\xF8\xFF\x00\x00\x00", 8);
}

// A 2 x 2 run-length encoded 32-bit TGA, top row first.
std::string Tga()
{
    std::string bytes(18, '\0');
    bytes[2] = 10;
    bytes[12] = 2;
    bytes[14] = 2;
    bytes[16] = 32;
    bytes[17] = 0x28;
    return bytes + std::string("\x82\x10\x20\x30\x40", 5) + std::string("\x00\x50\x60\x70\x80", 5);
}

std::string Encoded(const QImage &picture, const char *format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(picture.save(&buffer, format)) << format;
    return data.toStdString();
}

QImage Picture(const std::string &bytes)
{
    return QImage::fromData(QByteArray::fromStdString(bytes));
}

// The pixels as 8-bit R, G, B, A with straight alpha.
std::vector<uint8_t> Rgba(const QImage &picture)
{
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    std::vector<uint8_t> pixels;
    for (int y = 0; y < rgba.height(); ++y)
        pixels.insert(pixels.end(), rgba.constScanLine(y),
                      rgba.constScanLine(y) + rgba.width() * 4);
    return pixels;
}

// Qt's JPEG reader and writer are plugins beside the programs, found through
// the application object.
QCoreApplication &App()
{
    static int argc = 1;
    static char name[] = "CliTest";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

QDateTime Modified(const std::string &path)
{
    return QFileInfo(QString::fromStdString(path)).lastModified().toUTC();
}

const QDateTime kModified(QDate(2024, 3, 31), QTime(1, 30, 0, 123), Qt::UTC);

} // namespace

TEST(CliConvert, WritesEachPictureAsAPngOfTheDecodersPixelsWithItsTimes)
{
    App();
    TempDir dir;
    QImage drawn(3, 2, QImage::Format_RGB32);
    drawn.fill(QColor(10, 200, 30));
    drawn.setPixelColor(1, 1, QColor(250, 5, 90));
    const std::string bmp = Encoded(drawn, "bmp");
    const std::string jpg = Encoded(drawn, "jpg");
    std::string damaged = Dxt1();
    damaged.resize(damaged.size() - 4);
    const std::string pak = makeArchive(dir, {{"tex\\a.dds", Dxt1()},
                                              {"b.TGA", Tga()},
                                              {"c.bmp", bmp},
                                              {"d.jpg", jpg},
                                              {"readme.txt", "plain"},
                                              {"tex\\bad.dds", damaged}});
    const std::string out = dir / "out";
    auto r = cli({"extract", "-v", "--convert", "png", "-C", out, pak});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "written tex\\a.png\nwritten b.png\nwritten c.png\nwritten d.png\n"
                     "written readme.txt\nwritten tex\\bad.dds\n"
                     "not converted tex\\bad.dds: damaged DDS picture\n");
    EXPECT_EQ(r.err, "6 written, 0 skipped, 0 kept\n");

    // Read back, the PNGs hold the decoders' pixels, alpha included.
    const QImage a = Picture(ReadFile(out + "/tex/a.png"));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(Rgba(a), DdsDecoder::Decode(Dxt1()).Picture.Rgba);
    EXPECT_EQ(a.size(), QSize(8, 4));
    EXPECT_EQ(a.pixelColor(7, 0).alpha(), 0);
    const QImage b = Picture(ReadFile(out + "/b.png"));
    const std::vector<uint8_t> bgra = TgaDecoder::Decode(Tga()).Picture.Bgra;
    std::vector<uint8_t> rgba = bgra;
    for (size_t i = 0; i < rgba.size(); i += 4)
        std::swap(rgba[i], rgba[i + 2]);
    EXPECT_EQ(Rgba(b), rgba);
    EXPECT_EQ(Rgba(Picture(ReadFile(out + "/c.png"))), Rgba(drawn));
    EXPECT_EQ(Rgba(Picture(ReadFile(out + "/d.png"))), Rgba(Picture(jpg)));
    // Only the PNGs; what is no picture or cannot be decoded stays as it is.
    for (const char *original : {"/tex/a.dds", "/b.TGA", "/c.bmp", "/d.jpg"})
        EXPECT_FALSE(mdlTools::FileExists(out + original)) << original;
    EXPECT_EQ(ReadFile(out + "/readme.txt"), "plain");
    EXPECT_EQ(ReadFile(out + "/tex/bad.dds"), damaged);
    EXPECT_FALSE(mdlTools::FileExists(out + "/tex/bad.png"));
    EXPECT_EQ(Modified(out + "/tex/a.png"), kModified);
    EXPECT_EQ(Modified(out + "/d.png"), kModified);

    // --keep-original: the original beside the PNG, both listed.
    r = cli({"extract", "-v", "--convert", "png", "--keep-original", "--flat", "-C", dir / "both",
             pak, "*.dds"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "written tex\\a.dds\nwritten tex\\a.png\nwritten tex\\bad.dds\n"
                     "not converted tex\\bad.dds: damaged DDS picture\n");
    EXPECT_EQ(ReadFile(dir / "both/a.dds"), Dxt1());
    EXPECT_EQ(Rgba(Picture(ReadFile(dir / "both/a.png"))), Rgba(a));
    EXPECT_EQ(Modified(dir / "both/a.png"), kModified);
}

TEST(CliConvert, APngNameFollowsTheRulesForFilesAlreadyThere)
{
    App();
    TempDir dir;
    // The entry x.png meets x.dds's PNG: whichever comes first in the list is
    // written, the other finds it there.
    const std::string pak = makeArchive(dir, {{"x.dds", Dxt1()}, {"X.png", "entry's own"}});
    const std::string out = dir / "out";
    auto r = cli({"extract", "-v", "--convert", "png", "-C", out, pak});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(mdlTools::FileExists(out + "/x.dds"));
    const std::string first = ReadFile(out + "/x.png");
    EXPECT_EQ(Rgba(Picture(first)), DdsDecoder::Decode(Dxt1()).Picture.Rgba);
    // On Linux X.png is a file of its own; Windows takes it for x.png and keeps that.
    if (mdlTools::FileExists(out + "/X.png") && ReadFile(out + "/X.png") == "entry's own")
        EXPECT_EQ(r.out, "written x.png\nwritten X.png\n");
    else
        EXPECT_EQ(r.out, "written x.png\nkept X.png\n");

    // Run again: nobody to ask, so the PNG there is kept; the .dds written
    // meanwhile goes, as the PNG stands in its place.
    WriteFile(out + "/x.png", "mine");
    r = cli({"extract", "-v", "--convert", "png", "-C", out, pak, "x.dds"});
    EXPECT_EQ(r.out, "kept x.png\n");
    EXPECT_EQ(ReadFile(out + "/x.png"), "mine");
    EXPECT_FALSE(mdlTools::FileExists(out + "/x.dds"));
    // Not newer than the PNG there: skipped; --overwrite replaces it.
    r = cli({"extract", "-v", "--skip-older", "--convert", "png", "-C", out, pak, "x.dds"});
    EXPECT_EQ(r.out, "skipped x.png\n");
    r = cli({"extract", "-v", "--overwrite", "--convert", "png", "-C", out, pak, "x.dds"});
    EXPECT_EQ(r.out, "written x.png\n");
    EXPECT_EQ(ReadFile(out + "/x.png"), first);

    // A file of the user's with the original's name is kept, and stays.
    WriteFile(out + "/x.dds", "my texture");
    r = cli({"extract", "-v", "--overwrite", "--skip-older", "--convert", "png", "-C", out, pak,
             "x.dds"});
    EXPECT_EQ(r.out, "skipped x.dds\nskipped x.png\n");
    EXPECT_EQ(ReadFile(out + "/x.dds"), "my texture");
}

TEST(CliConvert, UsageErrors)
{
    TempDir dir;
    const std::string pak = makeArchive(dir, {{"a.dds", Dxt1()}});
    EXPECT_EQ(cli({"extract", "--convert", "jpg", "-C", dir / "out", pak}).exitCode, 2);
    EXPECT_EQ(cli({"extract", "--keep-original", "-C", dir / "out", pak}).exitCode, 2);
    EXPECT_FALSE(mdlTools::DirExists(dir / "out"));
}
