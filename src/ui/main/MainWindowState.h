#pragma once

#include "IStateWindow.h"
#include "WidgetWindow.h"

#include <functional>

class QAction;
class QMainWindow;

// The picture view's check mark and side, where the main window has one.
struct MainWindowPictures
{
    QAction *View = nullptr;
    std::function<int()> Side;
    std::function<void(int)> SetSide;
};

// The main window as the settings store sees it: its placement (the window as
// a FormWindow), its smallest size and the view check marks.
class MainWindowState final : public IStateWindow
{
  public:
    MainWindowState(QMainWindow &window, QAction &viewStatusBar, QAction &viewToolbar,
                    double minWidth, double minHeight, QAction *viewPreview = nullptr,
                    MainWindowPictures pictures = {});

    FormWindow &Placement() override { return m_placement; }
    double MinWidth() const override { return m_minWidth; }
    double MinHeight() const override { return m_minHeight; }
    bool ViewStatusBarChecked() const override;
    void SetViewStatusBarChecked(bool checked) override;
    bool ViewToolbarChecked() const override;
    void SetViewToolbarChecked(bool checked) override;
    bool ViewPreviewChecked() const override;
    void SetViewPreviewChecked(bool checked) override;
    bool ViewPicturesChecked() const override;
    void SetViewPicturesChecked(bool checked) override;
    int32_t PictureSide() const override;
    void SetPictureSide(int32_t side) override;

    // Twips per pixel of the window's screen (15 at 96 dots per inch).
    static double TwipsPerPixel(const QMainWindow &window);

  private:
    WidgetWindow m_placement;
    QAction &m_viewStatusBar;
    QAction &m_viewToolbar;
    QAction *m_viewPreview;
    MainWindowPictures m_pictures;
    double m_minWidth;
    double m_minHeight;
};
