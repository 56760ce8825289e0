#include "mdlWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace mdlWindow {

QRect CenterRect(const QRect &window, const std::optional<QRect> &owner, const QRect &workArea)
{
    const int w = window.width();
    const int h = window.height();
    // QRect's right() and bottom() are inclusive; the arithmetic below uses the
    // exclusive edges, as the work area of the platform reports them.
    const int workLeft = workArea.left();
    const int workTop = workArea.top();
    const int workRight = workArea.left() + workArea.width();
    const int workBottom = workArea.top() + workArea.height();
    int x = 0;
    int y = 0;
    if (owner) {
        const int dx = (owner->width() - w) / 2;
        const int dy = (owner->height() - h) / 2;
        x = dx < 50 ? owner->left() + 50 : owner->left() + dx;
        y = dy < 50 ? owner->top() + 50 : owner->top() + dy;
        if (x < workLeft)
            x = workLeft;
        if (x + w > workRight)
            x = workRight - w;
        if (y < workTop)
            y = workTop;
        if (y + h > workBottom)
            y = workBottom - h;
    } else {
        x = workLeft + (workArea.width() - w) / 2;
        y = workTop + (workArea.height() - h) / 2;
    }
    return QRect(x, y, w, h);
}

void CenterWindow(QWidget *window, QWidget *owner)
{
    if (window == nullptr)
        return;
    QWidget *ownerWindow = owner != nullptr ? owner->window() : nullptr;
    QScreen *screen = ownerWindow != nullptr ? ownerWindow->screen() : window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    std::optional<QRect> ownerRect;
    if (ownerWindow != nullptr)
        ownerRect = ownerWindow->frameGeometry();
    const QRect target =
        CenterRect(window->frameGeometry(), ownerRect, screen->availableGeometry());
    window->move(target.topLeft());
}

} // namespace mdlWindow
