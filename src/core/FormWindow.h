#pragma once

#include <cstdint>

// A window's placement as the program stores and restores it: position and size
// in twips (1440 per inch), its window state and the screen it is on. The
// settings store, the profile file's form positions and the windows themselves
// all speak of a window through it; each Qt window adapts to it once
// (WidgetWindow), tests use plain objects. Any member may throw; callers that
// must carry on trap it.
class FormWindow
{
  public:
    // Values of WindowState.
    static constexpr int32_t Normal = 0;
    static constexpr int32_t Minimized = 1;
    static constexpr int32_t Maximized = 2;

    virtual ~FormWindow() = default;

    virtual double Left() const = 0;
    virtual void SetLeft(double twips) = 0;
    virtual double Top() const = 0;
    virtual void SetTop(double twips) = 0;
    virtual double Width() const = 0;
    virtual void SetWidth(double twips) = 0;
    virtual double Height() const = 0;
    virtual void SetHeight(double twips) = 0;
    // Moves and sizes the window in one step.
    virtual void Move(double left, double top, double width, double height) = 0;
    // Normal, Minimized or Maximized.
    virtual int32_t WindowState() const = 0;
    virtual void SetWindowState(int32_t state) = 0;

    // The screen the window is on, in twips.
    virtual double ScreenWidth() const = 0;
    virtual double ScreenHeight() const = 0;
    virtual double TwipsPerPixelX() const = 0;
    virtual double TwipsPerPixelY() const = 0;
};
