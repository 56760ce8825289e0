#pragma once

#include "IStateWindow.h"

#include <QRect>

#include <optional>

class QAction;
class QMainWindow;

// The main window as the settings store sees it: placement in twips, window
// state, smallest size and the view check marks. Left and Top are those of
// the window's frame; Width and Height those of its client area, since the frame
// of a window that is not shown yet is unknown and a stored outer size would
// grow the window by its frame at every start.
class MainWindowState final : public IStateWindow
{
  public:
    MainWindowState(QMainWindow &window, QAction &viewStatusBar, QAction &viewToolbar,
                    double minWidth, double minHeight, QAction *viewPreview = nullptr);

    double Left() const override;
    void SetLeft(double twips) override;
    double Top() const override;
    void SetTop(double twips) override;
    double Width() const override;
    void SetWidth(double twips) override;
    double Height() const override;
    void SetHeight(double twips) override;
    int32_t WindowState() const override;
    void SetWindowState(int32_t state) override;
    double MinWidth() const override { return m_minWidth; }
    double MinHeight() const override { return m_minHeight; }
    bool ViewStatusBarChecked() const override;
    void SetViewStatusBarChecked(bool checked) override;
    bool ViewToolbarChecked() const override;
    void SetViewToolbarChecked(bool checked) override;
    bool ViewPreviewChecked() const override;
    void SetViewPreviewChecked(bool checked) override;

    // Twips per pixel of the window's screen (15 at 96 dots per inch).
    static double TwipsPerPixel(const QMainWindow &window);

  private:
    // The normal window's frame position and client size, in pixels.
    QRect NormalFrame() const;
    void SetNormalFrame(const QRect &frame);
    int ToPixels(double twips) const;

    QMainWindow &m_window;
    QAction &m_viewStatusBar;
    QAction &m_viewToolbar;
    QAction *m_viewPreview;
    double m_minWidth;
    double m_minHeight;
    // The normal bounds taken just before the window left its maximized state,
    // since the window system applies the change only later.
    std::optional<QRect> m_normalFrame;
};
