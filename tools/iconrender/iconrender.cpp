// Renders the program icon's SVG into the PNG sizes that desktops look for, at
// build time, so that no image but the SVG is kept in the repository.
// Usage: vannerby-iconrender ICON.svg OUTPUT-PREFIX SIZE... (writes PREFIX-SIZE.png)
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

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
        const QString out =
            args[2] + QLatin1Char('-') + QString::number(size) + QStringLiteral(".png");
        if (!image.save(out, "PNG")) {
            std::fprintf(stderr, "vannerby-iconrender: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
