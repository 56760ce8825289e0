#include "PreviewLoader.h"

#include "DdsDecoder.h"
#include "PakEntryRange.h"
#include "PreviewText.h"
#include "TgaDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace PreviewLoader {

namespace {

bool Stopped(const std::function<bool()> &cancelled)
{
    return cancelled && cancelled();
}

PreviewResult Failed(PreviewResult result, PreviewFailure failure)
{
    result.Kind = PreviewKind::Failed;
    result.Failure = failure;
    return result;
}

bool IsQtImageFormat(const QString &extension)
{
    if (extension.isEmpty())
        return false;
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return formats.contains(extension.toLatin1());
}

// The format Qt's readers recognise in the bytes themselves; TGA has no
// signature, so its reader accepts too much to be trusted without the extension.
QByteArray SniffedFormat(const std::string &bytes)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    return format == "tga" ? QByteArray() : format;
}

// The picture at half its width and height, each pixel the mean of four.
// Premultiplied, so that transparent pixels lend no colour to their neighbours.
QImage Halved(const QImage &picture)
{
    const int width = picture.width() / 2;
    const int height = picture.height() / 2;
    QImage half(width, height, QImage::Format_ARGB32_Premultiplied);
    if (half.isNull())
        return half;
    constexpr uint32_t Lanes = 0x00FF00FF; // two channels at a time, 16 bits each
    for (int y = 0; y < height; ++y) {
        const auto *top = reinterpret_cast<const uint32_t *>(picture.constScanLine(2 * y));
        const auto *bottom = reinterpret_cast<const uint32_t *>(picture.constScanLine(2 * y + 1));
        auto *out = reinterpret_cast<uint32_t *>(half.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uint32_t a = top[2 * x], b = top[2 * x + 1];
            const uint32_t c = bottom[2 * x], d = bottom[2 * x + 1];
            // Four 8-bit values sum to at most 10 bits: no lane runs into the next.
            const uint32_t low =
                (((a & Lanes) + (b & Lanes) + (c & Lanes) + (d & Lanes) + 0x00020002) >> 2) & Lanes;
            const uint32_t high = ((((a >> 8) & Lanes) + ((b >> 8) & Lanes) + ((c >> 8) & Lanes) +
                                    ((d >> 8) & Lanes) + 0x00020002) >>
                                   2) &
                                  Lanes;
            out[x] = low | (high << 8);
        }
    }
    return half;
}

void AddScaledCopy(PreviewResult &result, const QSize &fit)
{
    if (!fit.isValid() || fit.isEmpty())
        return;
    if (result.Picture.width() <= fit.width() && result.Picture.height() <= fit.height())
        return;
    QSize target = result.Picture.size().scaled(fit, Qt::KeepAspectRatio);
    target = target.expandedTo(QSize(1, 1));
    // Halved here, on this thread, as far as it goes: Qt's smooth scaling of a
    // large picture spreads over Qt's global thread pool, which the window's
    // painting shares, while the picture view's workers keep every core busy
    // already. Qt scales only the rest.
    QImage picture = PreviewLoader::Premultiplied(result.Picture);
    while (picture.width() / 2 >= target.width() && picture.height() / 2 >= target.height())
        picture = Halved(picture);
    if (picture.size() != target)
        picture = picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    result.Scaled = picture;
}

PreviewResult DecodeDds(const std::string &bytes, PreviewResult result, bool normalMap,
                        const std::function<bool()> &cancelled)
{
    DdsDecoder::Limits limits;
    limits.MaxSide = ImageMaxSide;
    limits.MaxBytes = uint64_t{ImageAllocationMiB} << 20;
    DdsDecoder::Result decoded =
        DdsDecoder::Decode(bytes, limits, cancelled, DdsDecoder::Pixels::PremultipliedBgra);
    const DdsDecoder::Header &info = decoded.Picture.Info;
    result.PixelSize = QSize(static_cast<int>(std::min<uint32_t>(info.Width, INT32_MAX)),
                             static_cast<int>(std::min<uint32_t>(info.Height, INT32_MAX)));
    switch (decoded.Error) {
    case DdsDecoder::Failure::None:
        break;
    case DdsDecoder::Failure::TooLarge:
        return Failed(std::move(result), PreviewFailure::ImageTooLarge);
    case DdsDecoder::Failure::Unsupported:
        return Failed(std::move(result), PreviewFailure::Unsupported);
    case DdsDecoder::Failure::Cancelled:
        return Failed(std::move(result), PreviewFailure::Cancelled);
    case DdsDecoder::Failure::NotDds:
    case DdsDecoder::Failure::Truncated:
    default:
        return Failed(std::move(result), PreviewFailure::ImageDamaged);
    }
    // The picture keeps the decoded pixels without copying them.
    auto *pixels = new std::vector<uint8_t>(std::move(decoded.Picture.Rgba));
    result.Picture = QImage(
        pixels->data(), result.PixelSize.width(), result.PixelSize.height(),
        static_cast<qsizetype>(result.PixelSize.width()) * 4, QImage::Format_ARGB32_Premultiplied,
        [](void *data) { delete static_cast<std::vector<uint8_t> *>(data); }, pixels);
    result.Format = QStringLiteral("DDS (%1)").arg(QString::fromStdString(info.Format));
    result.Mipmaps = static_cast<int32_t>(info.Mipmaps);
    result.TwoChannels = info.TwoChannels;
    if (normalMap && info.TwoChannels)
        ReconstructNormalZ(result.Picture);
    result.Kind = PreviewKind::Image;
    return result;
}

// Qt's TGA reader takes only uncompressed true colour with the footer of TGA
// 2.0, which most textures lack; our own reads them all.
PreviewResult DecodeTga(const std::string &bytes, PreviewResult result)
{
    TgaDecoder::Result decoded = TgaDecoder::Decode(bytes, uint64_t{ImageAllocationMiB} << 20);
    switch (decoded.Error) {
    case TgaDecoder::Failure::None:
        break;
    case TgaDecoder::Failure::TooLarge:
        result.PixelSize = QSize(
            static_cast<unsigned char>(bytes[12]) | static_cast<unsigned char>(bytes[13]) << 8,
            static_cast<unsigned char>(bytes[14]) | static_cast<unsigned char>(bytes[15]) << 8);
        return Failed(std::move(result), PreviewFailure::ImageTooLarge);
    case TgaDecoder::Failure::Unsupported:
        return Failed(std::move(result), PreviewFailure::Unsupported);
    default:
        return Failed(std::move(result), PreviewFailure::ImageDamaged);
    }
    const int width = static_cast<int>(decoded.Picture.Width);
    const int height = static_cast<int>(decoded.Picture.Height);
    auto *pixels = new std::vector<uint8_t>(std::move(decoded.Picture.Bgra));
    result.Picture = QImage(
        pixels->data(), width, height, static_cast<qsizetype>(width) * 4, QImage::Format_ARGB32,
        [](void *data) { delete static_cast<std::vector<uint8_t> *>(data); }, pixels);
    result.PixelSize = QSize(width, height);
    result.Format = QStringLiteral("TGA (%1)").arg(QString::fromStdString(decoded.Picture.Format));
    result.Kind = PreviewKind::Image;
    return result;
}

PreviewResult DecodeQtImage(const std::string &bytes, const QByteArray &format,
                            PreviewResult result)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(format.isEmpty());
    const QSize size = reader.size();
    if (size.isValid()) {
        result.PixelSize = size;
        if (size.width() > ImageMaxSide || size.height() > ImageMaxSide ||
            int64_t{size.width()} * size.height() * 4 > (int64_t{ImageAllocationMiB} << 20))
            return Failed(std::move(result), PreviewFailure::ImageTooLarge);
    }
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return Failed(std::move(result), PreviewFailure::ImageDamaged);
    result.PixelSize = picture.size();
    result.Picture = std::move(picture);
    result.Format = QString::fromLatin1(reader.format()).toUpper();
    result.Kind = PreviewKind::Image;
    return result;
}

PreviewResult MakeText(const std::string &bytes, PreviewText::Encoding encoding,
                       PreviewResult result)
{
    const std::string utf8 = PreviewText::ToUtf8(bytes, encoding);
    LayoutText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), result);
    result.Encoding = QString::fromLatin1(PreviewText::EncodingName(encoding));
    result.Kind = PreviewKind::Text;
    return result;
}

PreviewResult MakeHex(std::string bytes, PreviewResult result)
{
    result.Bytes = std::make_shared<const std::string>(std::move(bytes));
    result.Kind = PreviewKind::Hex;
    return result;
}

} // namespace

void SetImageLimits()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(ImageAllocationMiB); });
}

void ReconstructNormalZ(QImage &picture)
{
    // Every red and green pair's blue, worked out once.
    static const std::vector<uint8_t> blue = [] {
        std::vector<uint8_t> table(256 * 256);
        for (int red = 0; red < 256; ++red) {
            for (int green = 0; green < 256; ++green) {
                const double x = red / 127.5 - 1.0;
                const double y = green / 127.5 - 1.0;
                const double z = std::sqrt(std::max(0.0, 1.0 - x * x - y * y));
                table[static_cast<size_t>(red * 256 + green)] =
                    static_cast<uint8_t>(std::lround((z + 1.0) * 127.5));
            }
        }
        return table;
    }();
    for (int row = 0; row < picture.height(); ++row) {
        auto *pixel = reinterpret_cast<QRgb *>(picture.scanLine(row));
        for (int column = 0; column < picture.width(); ++column, ++pixel) {
            const int red = qRed(*pixel);
            const int green = qGreen(*pixel);
            *pixel =
                qRgba(red, green, blue[static_cast<size_t>(red * 256 + green)], qAlpha(*pixel));
        }
    }
}

QImage Premultiplied(const QImage &picture)
{
    const QImage::Format format = picture.format();
    if (format == QImage::Format_ARGB32_Premultiplied)
        return picture;
    if (format != QImage::Format_ARGB32 && format != QImage::Format_RGB32)
        return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // RGB32's pixels are 0xffRRGGBB, which qPremultiply() leaves as they are.
    QImage out(picture.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return out;
    for (int y = 0; y < picture.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        auto *to = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            to[x] = qPremultiply(in[x]);
    }
    return out;
}

QString NameExtension(const std::string &name)
{
    const size_t folder = name.find_last_of("\\/");
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder))
        return {};
    return QString::fromStdString(name.substr(dot + 1)).toLower();
}

void LayoutText(const QString &text, PreviewResult &result)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    std::vector<PreviewSegment> segments;
    int32_t line = 1;
    int32_t column = 0; // in the whole line, for the tab stops
    PreviewSegment current{0, 0, 1};
    int32_t longest = 0;
    const auto close = [&](int32_t nextLine) {
        current.Length = static_cast<int32_t>(out.size()) - current.Start;
        longest = std::max(longest, current.Length);
        segments.push_back(current);
        current = PreviewSegment{static_cast<int32_t>(out.size()), 0, nextLine};
    };
    const auto put = [&](QChar c) {
        if (out.size() - current.Start >= MaxSegmentLength)
            close(0);
        out += c;
        ++column;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            close(++line);
            column = 0;
        } else if (c == QLatin1Char('\t')) {
            do
                put(QLatin1Char(' '));
            while (column % TabWidth != 0);
        } else if (c.unicode() < 0x20) {
            put(QChar(0x2400 + c.unicode())); // the symbol for the control character
        } else if (c.unicode() == 0x7F) {
            put(QChar(0x2421));
        } else {
            put(c);
        }
    }
    // A last line ended by a line break adds no empty line; an empty text has none.
    if (current.Start < out.size())
        close(line + 1);
    else
        --line;
    result.Text = std::move(out);
    result.Segments = std::move(segments);
    result.LineCount = std::max(0, line);
    result.LongestSegment = longest;
}

PreviewResult Load(const PreviewRequest &request, const std::function<bool()> &cancelled)
{
    PreviewResult result;
    result.Index = request.Index;
    if (Stopped(cancelled))
        return Failed(std::move(result), PreviewFailure::Cancelled);
    // "Beyond the end of the file", as the read would say, would mislead.
    if (request.Entry.Start < 0)
        return Failed(std::move(result), PreviewFailure::BadPosition);
    Expected<PakEntryBytes> head = ReadPakEntryRange(request.PakPath, request.Entry, 0, TextBytes);
    if (!head) {
        result.Detail = QString::fromStdString(head.error().Description);
        return Failed(std::move(result), PreviewFailure::Read);
    }
    result.EntrySize = head->EntrySize;
    result.EntryOffset = head->EntryOffset;
    result.ArchiveOffset = head->ArchiveOffset;
    result.Cut = static_cast<int64_t>(head->Data.size()) < head->EntrySize;
    std::string bytes = std::move(head->Data);
    if (request.ForceHex)
        return MakeHex(std::move(bytes), std::move(result));

    const QString extension = NameExtension(PakEntryName(request.Entry));
    const bool dds = extension == QLatin1String("dds") || DdsDecoder::HasSignature(bytes);
    QByteArray format;
    if (!dds && (extension == QLatin1String("tga") || IsQtImageFormat(extension)))
        format = extension.toLatin1();
    std::optional<PreviewText::Encoding> text;
    if (!dds && format.isEmpty()) {
        text = PreviewText::DetectText(bytes, result.Cut);
        if (!text && !bytes.empty())
            format = SniffedFormat(bytes);
    }
    if (!dds && format.isEmpty()) {
        if (text)
            return MakeText(bytes, *text, std::move(result));
        return MakeHex(std::move(bytes), std::move(result));
    }

    // A picture: all of it, within the limit.
    if (result.EntrySize > ImageBytes)
        return Failed(std::move(result), PreviewFailure::FileTooLarge);
    if (result.Cut) {
        if (Stopped(cancelled))
            return Failed(std::move(result), PreviewFailure::Cancelled);
        Expected<PakEntryBytes> rest = ReadPakEntryRange(
            request.PakPath, request.Entry, static_cast<int64_t>(bytes.size()), ImageBytes);
        if (!rest) {
            result.Detail = QString::fromStdString(rest.error().Description);
            return Failed(std::move(result), PreviewFailure::Read);
        }
        bytes += rest->Data;
        result.Cut = false;
    }
    if (Stopped(cancelled))
        return Failed(std::move(result), PreviewFailure::Cancelled);
    SetImageLimits();
    if (dds)
        result = DecodeDds(bytes, std::move(result), request.NormalMap, cancelled);
    else if (format == "tga")
        result = DecodeTga(bytes, std::move(result));
    else
        result = DecodeQtImage(bytes, format, std::move(result));
    if (result.Kind == PreviewKind::Image && !Stopped(cancelled))
        AddScaledCopy(result, request.FitSize);
    if (Stopped(cancelled))
        return Failed(std::move(result), PreviewFailure::Cancelled);
    return result;
}

} // namespace PreviewLoader
