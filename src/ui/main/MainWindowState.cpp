#include "MainWindowState.h"

#include <QAction>
#include <QMainWindow>

MainWindowState::MainWindowState(QMainWindow &window, QAction &viewStatusBar, QAction &viewToolbar,
                                 double minWidth, double minHeight, QAction *viewPreview)
    : m_placement(window), m_viewStatusBar(viewStatusBar), m_viewToolbar(viewToolbar),
      m_viewPreview(viewPreview), m_minWidth(minWidth), m_minHeight(minHeight)
{
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
