// Renders the program icon's SVG into the PNG sizes that desktops look for, at
// build time, so that no image but the SVG is kept in the repository.
// Usage: vannerby-iconrender ICON.svg OUTPUT-PREFIX SIZE... (writes PREFIX-SIZE.png)
//        vannerby-iconrender ICON.svg OUTPUT.ico SIZE... (one Windows icon, all sizes)
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdint>
#include <cstdio>

namespace {

void AppendLe(QByteArray &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An icon file whose images are PNG streams, as Windows reads them since Vista:
// the header, one directory entry per image, then the images.
bool WriteIco(const QString &path, const QList<QImage> &images)
{
    QList<QByteArray> pngs;
    for (const QImage &image : images) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return false;
        pngs << png;
    }
    QByteArray out;
    AppendLe(out, 0, 2); // reserved
    AppendLe(out, 1, 2); // icon
    AppendLe(out, static_cast<uint32_t>(images.size()), 2);
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        AppendLe(out, size >= 256 ? 0 : static_cast<uint32_t>(size), 1); // 0 means 256
        AppendLe(out, size >= 256 ? 0 : static_cast<uint32_t>(size), 1);
        AppendLe(out, 0, 1);  // no palette
        AppendLe(out, 0, 1);  // reserved
        AppendLe(out, 1, 2);  // planes
        AppendLe(out, 32, 2); // bits per pixel
        AppendLe(out, static_cast<uint32_t>(pngs[i].size()), 4);
        AppendLe(out, offset, 4);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const QByteArray &png : pngs)
        out += png;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        std::fputs("usage: vannerby-iconrender ICON.svg OUTPUT-PREFIX SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "vannerby-iconrender: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    const bool ico = args[2].endsWith(QStringLiteral(".ico"));
    QList<QImage> images;
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < 1 || size > 4096) {
            std::fprintf(stderr, "vannerby-iconrender: bad size %s\n", qPrintable(args[i]));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        if (ico) {
            images << image.convertToFormat(QImage::Format_ARGB32);
            continue;
        }
        const QString out =
            args[2] + QLatin1Char('-') + QString::number(size) + QStringLiteral(".png");
        if (!image.save(out, "PNG")) {
            std::fprintf(stderr, "vannerby-iconrender: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    if (ico && !WriteIco(args[2], images)) {
        std::fprintf(stderr, "vannerby-iconrender: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
