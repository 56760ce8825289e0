#include "PictureConvert.h"

#include "DdsDecoder.h"
#include "PreviewLoader.h"
#include "TgaDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>

namespace PictureConvert {
namespace {

QImage Keeping(std::vector<uint8_t> pixels, uint32_t width, uint32_t height, QImage::Format format)
{
    // The picture keeps the decoded pixels without copying them.
    auto *owned = new std::vector<uint8_t>(std::move(pixels));
    return QImage(
        owned->data(), static_cast<int>(width), static_cast<int>(height),
        static_cast<qsizetype>(width) * 4, format,
        [](void *data) { delete static_cast<std::vector<uint8_t> *>(data); }, owned);
}

QString DdsFailure(DdsDecoder::Failure failure)
{
    switch (failure) {
    case DdsDecoder::Failure::TooLarge:
        return QStringLiteral("DDS picture too large");
    case DdsDecoder::Failure::Unsupported:
        return QStringLiteral("DDS format not supported");
    case DdsDecoder::Failure::NotDds:
    case DdsDecoder::Failure::Truncated:
    default:
        return QStringLiteral("damaged DDS picture");
    }
}

QString TgaFailure(TgaDecoder::Failure failure)
{
    switch (failure) {
    case TgaDecoder::Failure::TooLarge:
        return QStringLiteral("TGA picture too large");
    case TgaDecoder::Failure::Unsupported:
        return QStringLiteral("TGA kind not supported");
    default:
        return QStringLiteral("damaged TGA picture");
    }
}

} // namespace

bool IsPicture(const std::string &entryName)
{
    const QString extension = PreviewLoader::NameExtension(entryName);
    if (extension == QLatin1String("dds") || extension == QLatin1String("tga"))
        return true;
    if (extension.isEmpty() || extension == QLatin1String("png") ||
        extension == QLatin1String("apng") || extension.startsWith(QLatin1String("svg")) ||
        extension == QLatin1String("pdf"))
        return false;
    // Asked once: the plugins are looked for when the list is made.
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return formats.contains(extension.toLatin1());
}

QImage Decode(const std::string &bytes, const std::string &entryName, QString &why)
{
    const QString extension = PreviewLoader::NameExtension(entryName);
    if (extension == QLatin1String("dds")) {
        DdsDecoder::Limits limits;
        limits.MaxSide = PreviewLoader::ImageMaxSide;
        limits.MaxBytes = uint64_t{PreviewLoader::ImageAllocationMiB} << 20;
        DdsDecoder::Result decoded = DdsDecoder::Decode(bytes, limits);
        if (decoded.Error != DdsDecoder::Failure::None) {
            why = DdsFailure(decoded.Error);
            return {};
        }
        const DdsDecoder::Header &info = decoded.Picture.Info;
        return Keeping(std::move(decoded.Picture.Rgba), info.Width, info.Height,
                       QImage::Format_RGBA8888);
    }
    if (extension == QLatin1String("tga")) {
        TgaDecoder::Result decoded =
            TgaDecoder::Decode(bytes, uint64_t{PreviewLoader::ImageAllocationMiB} << 20);
        if (decoded.Error != TgaDecoder::Failure::None) {
            why = TgaFailure(decoded.Error);
            return {};
        }
        // B, G, R, A in memory is what Qt calls ARGB32 on little-endian machines.
        return Keeping(std::move(decoded.Picture.Bgra), decoded.Picture.Width,
                       decoded.Picture.Height, QImage::Format_ARGB32);
    }
    PreviewLoader::SetImageLimits();
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, extension.toLatin1());
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > PreviewLoader::ImageMaxSide ||
                           size.height() > PreviewLoader::ImageMaxSide ||
                           int64_t{size.width()} * size.height() * 4 >
                               (int64_t{PreviewLoader::ImageAllocationMiB} << 20))) {
        why = QStringLiteral("picture too large");
        return {};
    }
    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) {
        why = QStringLiteral("damaged picture: %1").arg(reader.errorString());
        return {};
    }
    return picture;
}

std::string EncodePng(const QImage &picture)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture))
        return {};
    return data.toStdString();
}

} // namespace PictureConvert

bool QtPictureCodec::IsPicture(const std::string &entryName) const
{
    return PictureConvert::IsPicture(entryName);
}

std::string QtPictureCodec::ToPng(const std::string &bytes, const std::string &entryName,
                                  std::string &why) const
{
    QString reason;
    const QImage picture = PictureConvert::Decode(bytes, entryName, reason);
    if (picture.isNull()) {
        why = reason.toStdString();
        return {};
    }
    std::string png = PictureConvert::EncodePng(picture);
    if (png.empty())
        why = "the PNG could not be made";
    return png;
}
