#include "mdlDialogLayout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QRectF>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace mdlDialogLayout {

namespace {

constexpr const char *TwipsRect = "TwipsRect";

// Room a push button needs around its caption.
constexpr int ButtonPadding = 12;

QString PlainCaption(QString text)
{
    // "&&" shows one "&"; a single "&" marks the access key and takes no room.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// The width a control's one-line caption needs, or 0 when it has none to fit.
int NeededWidth(const QWidget *control)
{
    if (const auto *box = qobject_cast<const QCheckBox *>(control))
        return box->text().isEmpty() ? 0 : box->sizeHint().width();
    if (const auto *option = qobject_cast<const QRadioButton *>(control))
        return option->text().isEmpty() ? 0 : option->sizeHint().width();
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text().isEmpty()
                   ? 0
                   : QFontMetrics(button->font()).horizontalAdvance(PlainCaption(button->text())) +
                         ButtonPadding;
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        if (label->wordWrap() || label->text().isEmpty() ||
            label->text().contains(QLatin1Char('\n')))
            return 0;
        return QFontMetrics(label->font()).horizontalAdvance(label->text()) + 2 * label->margin() +
               2 * label->frameWidth();
    }
    return 0;
}

} // namespace

double TwipsPerPixel(const QWidget *dialog, const QWidget *owner)
{
    const QScreen *screen = nullptr;
    if (owner != nullptr)
        screen = owner->window()->screen();
    else if (dialog != nullptr)
        screen = dialog->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int ToPixels(double twips, double twipsPerPixel)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

void SetClientSize(QWidget *dialog, double width, double height, double twipsPerPixel)
{
    dialog->setProperty(TwipsRect, QRectF(0, 0, width, height));
    dialog->setFixedSize(ToPixels(width, twipsPerPixel), ToPixels(height, twipsPerPixel));
}

void Place(QWidget *control, double left, double top, double width, double height,
           double twipsPerPixel)
{
    control->setProperty(TwipsRect, QRectF(left, top, width, height));
    control->setGeometry(ToPixels(left, twipsPerPixel), ToPixels(top, twipsPerPixel),
                         ToPixels(width, twipsPerPixel), ToPixels(height, twipsPerPixel));
}

double FitTwipsPerPixel(const QWidget *dialog, double screenTwipsPerPixel)
{
    double scale = 1.0;
    const QList<QWidget *> controls = dialog->findChildren<QWidget *>();
    for (const QWidget *control : controls) {
        const QRectF designed = control->property(TwipsRect).toRectF();
        const int available = ToPixels(designed.width(), screenTwipsPerPixel);
        const int needed = NeededWidth(control);
        if (available > 0 && needed > available)
            scale = std::max(scale, static_cast<double>(needed) / available);
    }
    return screenTwipsPerPixel / scale;
}

void Relayout(QWidget *dialog, double twipsPerPixel)
{
    const QRectF client = dialog->property(TwipsRect).toRectF();
    if (client.isValid())
        SetClientSize(dialog, client.width(), client.height(), twipsPerPixel);
    const QList<QWidget *> controls = dialog->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        const QVariant designed = control->property(TwipsRect);
        if (!designed.isValid())
            continue;
        const QRectF r = designed.toRectF();
        Place(control, r.left(), r.top(), r.width(), r.height(), twipsPerPixel);
    }
}

void ShowTabPage(const QList<QWidget *> &pages, int index, double twipsPerPixel)
{
    for (qsizetype i = 0; i < pages.size(); ++i) {
        QWidget *page = pages.at(i);
        const bool selected = i == index;
        QRectF designed = page->property(TwipsRect).toRectF();
        designed.moveLeft(selected ? 210 : -20000);
        Place(page, designed.left(), designed.top(), designed.width(), designed.height(),
              twipsPerPixel);
        page->setEnabled(selected);
    }
}

} // namespace mdlDialogLayout
