#include "WidgetWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

const QScreen *ScreenOf(const QWidget &window)
{
    const QScreen *screen = window.screen();
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

} // namespace

WidgetWindow::WidgetWindow(QWidget &window) : m_window(window) {}

double WidgetWindow::TwipsPerPixel(const QWidget &window)
{
    const QScreen *screen = ScreenOf(window);
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int WidgetWindow::ToPixels(double twips) const
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel(m_window)));
}

int WidgetWindow::ToSize(double twips) const
{
    // Never below the size asked for, whatever the rounding to pixels does.
    return std::max(1, static_cast<int>(std::ceil(twips / TwipsPerPixel(m_window) - 1e-9)));
}

void WidgetWindow::Place(QWidget *control, double left, double top, double width,
                         double height) const
{
    control->setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

double WidgetWindow::HintWidth(const QWidget *control) const
{
    return control->sizeHint().width() * TwipsPerPixel(m_window);
}

void WidgetWindow::SetFixedClientSize(double width, double height) const
{
    m_window.setFixedSize(ToPixels(width), ToPixels(height));
}

QRect WidgetWindow::NormalFrame() const
{
    if (m_normalFrame)
        return *m_normalFrame;
    const QRect current(m_window.pos(), m_window.size());
    if (!(m_window.windowState() &
          (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return current;
    const QRect normal = m_window.normalGeometry();
    if (!normal.isValid())
        return current;
    // normalGeometry() places the client area; the position is the frame's.
    const QPoint margin = m_window.geometry().topLeft() - m_window.pos();
    return QRect(normal.topLeft() - margin, normal.size());
}

void WidgetWindow::SetNormalFrame(const QRect &frame)
{
    m_window.move(frame.topLeft());
    m_window.resize(std::max(1, frame.width()), std::max(1, frame.height()));
}

double WidgetWindow::Left() const
{
    return NormalFrame().left() * TwipsPerPixel(m_window);
}

void WidgetWindow::SetLeft(double twips)
{
    QRect frame = NormalFrame();
    frame.moveLeft(ToPixels(twips));
    SetNormalFrame(frame);
}

double WidgetWindow::Top() const
{
    return NormalFrame().top() * TwipsPerPixel(m_window);
}

void WidgetWindow::SetTop(double twips)
{
    QRect frame = NormalFrame();
    frame.moveTop(ToPixels(twips));
    SetNormalFrame(frame);
}

double WidgetWindow::Width() const
{
    return NormalFrame().width() * TwipsPerPixel(m_window);
}

void WidgetWindow::SetWidth(double twips)
{
    QRect frame = NormalFrame();
    frame.setWidth(ToSize(twips));
    SetNormalFrame(frame);
}

double WidgetWindow::Height() const
{
    return NormalFrame().height() * TwipsPerPixel(m_window);
}

void WidgetWindow::SetHeight(double twips)
{
    QRect frame = NormalFrame();
    frame.setHeight(ToSize(twips));
    SetNormalFrame(frame);
}

void WidgetWindow::Move(double left, double top, double width, double height)
{
    SetNormalFrame(QRect(ToPixels(left), ToPixels(top), ToSize(width), ToSize(height)));
}

int32_t WidgetWindow::WindowState() const
{
    const Qt::WindowStates state = m_window.windowState();
    if (state & Qt::WindowMinimized)
        return Minimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return Maximized;
    return Normal;
}

void WidgetWindow::SetWindowState(int32_t state)
{
    const Qt::WindowStates current = m_window.windowState();
    switch (state) {
    case Maximized:
        m_window.setWindowState((current & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    case Minimized:
        m_window.setWindowState(current | Qt::WindowMinimized);
        break;
    default:
        if (current & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
            m_normalFrame = NormalFrame();
            m_window.setWindowState(
                current & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
        }
        break;
    }
}

double WidgetWindow::ScreenWidth() const
{
    const QScreen *screen = ScreenOf(m_window);
    return screen != nullptr ? screen->geometry().width() * TwipsPerPixel(m_window) : 0;
}

double WidgetWindow::ScreenHeight() const
{
    const QScreen *screen = ScreenOf(m_window);
    return screen != nullptr ? screen->geometry().height() * TwipsPerPixel(m_window) : 0;
}

double WidgetWindow::TwipsPerPixelX() const
{
    return TwipsPerPixel(m_window);
}

double WidgetWindow::TwipsPerPixelY() const
{
    const QScreen *screen = ScreenOf(m_window);
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}
