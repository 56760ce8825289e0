#pragma once

#include <cstdint>

// What the settings store needs of the main window: its placement in twips
// (1440 per inch), its window state, its smallest size and the check marks of
// the view menu's toolbar, status bar and preview entries.
class IStateWindow
{
  public:
    static constexpr int32_t Normal = 0;
    static constexpr int32_t Minimized = 1;
    static constexpr int32_t Maximized = 2;

    virtual ~IStateWindow() = default;

    virtual double Left() const = 0;
    virtual void SetLeft(double twips) = 0;
    virtual double Top() const = 0;
    virtual void SetTop(double twips) = 0;
    virtual double Width() const = 0;
    virtual void SetWidth(double twips) = 0;
    virtual double Height() const = 0;
    virtual void SetHeight(double twips) = 0;
    // Normal, Minimized or Maximized.
    virtual int32_t WindowState() const = 0;
    virtual void SetWindowState(int32_t state) = 0;
    virtual double MinWidth() const = 0;
    virtual double MinHeight() const = 0;

    // The check marks of mnuViewStatusBar and mnuViewToolbar.
    virtual bool ViewStatusBarChecked() const = 0;
    virtual void SetViewStatusBarChecked(bool checked) = 0;
    virtual bool ViewToolbarChecked() const = 0;
    virtual void SetViewToolbarChecked(bool checked) = 0;
    // The check mark of mnuViewPreview; a window without a preview pane has none.
    virtual bool ViewPreviewChecked() const { return false; }
    virtual void SetViewPreviewChecked(bool) {}
};
