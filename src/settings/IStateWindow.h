#pragma once

#include "FormWindow.h"

#include <cstdint>

// What the settings store needs of the main window: its placement, its
// smallest size in twips and the check marks of the view menu's toolbar,
// status bar, preview and picture entries.
class IStateWindow
{
  public:
    virtual ~IStateWindow() = default;

    virtual FormWindow &Placement() = 0;
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
    // The check mark of mnuViewPictures and the pictures' side in pixels; a
    // window without a picture view has neither.
    virtual bool ViewPicturesChecked() const { return false; }
    virtual void SetViewPicturesChecked(bool) {}
    virtual int32_t PictureSide() const { return 0; }
    virtual void SetPictureSide(int32_t) {}
};
