#include "MainWindowState.h"

#include <QAction>
#include <QMainWindow>
#include <QScreen>

#include <cmath>

MainWindowState::MainWindowState(QMainWindow &window, QAction &viewStatusBar, QAction &viewToolbar,
                                 double minWidth, double minHeight, QAction *viewPreview)
    : m_window(window), m_viewStatusBar(viewStatusBar), m_viewToolbar(viewToolbar),
      m_viewPreview(viewPreview), m_minWidth(minWidth), m_minHeight(minHeight)
{
}

double MainWindowState::TwipsPerPixel(const QMainWindow &window)
{
    const QScreen *screen = window.screen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int MainWindowState::ToPixels(double twips) const
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel(m_window)));
}

QRect MainWindowState::NormalFrame() const
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

void MainWindowState::SetNormalFrame(const QRect &frame)
{
    m_window.move(frame.topLeft());
    m_window.resize(std::max(1, frame.width()), std::max(1, frame.height()));
}

double MainWindowState::Left() const
{
    return NormalFrame().left() * TwipsPerPixel(m_window);
}

void MainWindowState::SetLeft(double twips)
{
    QRect frame = NormalFrame();
    frame.moveLeft(ToPixels(twips));
    SetNormalFrame(frame);
}

double MainWindowState::Top() const
{
    return NormalFrame().top() * TwipsPerPixel(m_window);
}

void MainWindowState::SetTop(double twips)
{
    QRect frame = NormalFrame();
    frame.moveTop(ToPixels(twips));
    SetNormalFrame(frame);
}

double MainWindowState::Width() const
{
    return NormalFrame().width() * TwipsPerPixel(m_window);
}

void MainWindowState::SetWidth(double twips)
{
    QRect frame = NormalFrame();
    // Never below the smallest size, whatever the rounding to pixels does.
    frame.setWidth(static_cast<int>(std::ceil(twips / TwipsPerPixel(m_window) - 1e-9)));
    SetNormalFrame(frame);
}

double MainWindowState::Height() const
{
    return NormalFrame().height() * TwipsPerPixel(m_window);
}

void MainWindowState::SetHeight(double twips)
{
    QRect frame = NormalFrame();
    frame.setHeight(static_cast<int>(std::ceil(twips / TwipsPerPixel(m_window) - 1e-9)));
    SetNormalFrame(frame);
}

int32_t MainWindowState::WindowState() const
{
    const Qt::WindowStates state = m_window.windowState();
    if (state & Qt::WindowMinimized)
        return Minimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return Maximized;
    return Normal;
}

void MainWindowState::SetWindowState(int32_t state)
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

bool MainWindowState::ViewStatusBarChecked() const
{
    return m_viewStatusBar.isChecked();
}

void MainWindowState::SetViewStatusBarChecked(bool checked)
{
    m_viewStatusBar.setChecked(checked);
}

bool MainWindowState::ViewToolbarChecked() const
{
    return m_viewToolbar.isChecked();
}

void MainWindowState::SetViewToolbarChecked(bool checked)
{
    m_viewToolbar.setChecked(checked);
}

bool MainWindowState::ViewPreviewChecked() const
{
    return m_viewPreview != nullptr && m_viewPreview->isChecked();
}

void MainWindowState::SetViewPreviewChecked(bool checked)
{
    if (m_viewPreview != nullptr)
        m_viewPreview->setChecked(checked);
}
