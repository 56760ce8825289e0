#include "MainWindowState.h"

#include <QAction>
#include <QMainWindow>

#include <utility>

MainWindowState::MainWindowState(QMainWindow &window, QAction &viewStatusBar, QAction &viewToolbar,
                                 double minWidth, double minHeight, QAction *viewPreview,
                                 MainWindowPictures pictures)
    : m_placement(window), m_viewStatusBar(viewStatusBar), m_viewToolbar(viewToolbar),
      m_viewPreview(viewPreview), m_pictures(std::move(pictures)), m_minWidth(minWidth),
      m_minHeight(minHeight)
{
}

bool MainWindowState::ViewPicturesChecked() const
{
    return m_pictures.View != nullptr && m_pictures.View->isChecked();
}

void MainWindowState::SetViewPicturesChecked(bool checked)
{
    if (m_pictures.View != nullptr)
        m_pictures.View->setChecked(checked);
}

int32_t MainWindowState::PictureSide() const
{
    return m_pictures.Side ? m_pictures.Side() : 0;
}

void MainWindowState::SetPictureSide(int32_t side)
{
    if (m_pictures.SetSide)
        m_pictures.SetSide(side);
}

double MainWindowState::TwipsPerPixel(const QMainWindow &window)
{
    return WidgetWindow::TwipsPerPixel(window);
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
