#pragma once

#include <cstdint>

// What cInifile needs of a window to save and restore its placement. Positions
// and sizes are in twips (1440 per inch). The Qt windows adapt to it; tests use
// a plain object. Any member may throw; cInifile traps it.
class FormWindow
{
  public:
    // Values of WindowState.
    static constexpr int32_t Normal = 0;
    static constexpr int32_t Minimised = 1;
    static constexpr int32_t Maximised = 2;

    virtual ~FormWindow() = default;

    virtual double Left() const = 0;
    virtual double Top() const = 0;
    virtual double Width() const = 0;
    virtual double Height() const = 0;
    virtual int32_t WindowState() const = 0;
    virtual void SetWindowState(int32_t state) = 0;
    // Moves and sizes the window in one step.
    virtual void Move(int32_t left, int32_t top, int32_t width, int32_t height) = 0;

    // The screen the window is on, in twips.
    virtual double ScreenWidth() const = 0;
    virtual double ScreenHeight() const = 0;
    virtual double TwipsPerPixelX() const = 0;
    virtual double TwipsPerPixelY() const = 0;
};
