#pragma once

#include "FormWindow.h"

#include <QRect>

#include <optional>

class QWidget;

// A Qt window as a FormWindow. Left and Top are those of the window's frame;
// Width and Height those of its client area, since the frame of a window that
// is not shown yet is unknown and a stored outer size would grow the window by
// its frame at every start. While the window is minimised or maximised the
// placement read and written is that of its normal state.
class WidgetWindow final : public FormWindow
{
  public:
    explicit WidgetWindow(QWidget &window);

    double Left() const override;
    void SetLeft(double twips) override;
    double Top() const override;
    void SetTop(double twips) override;
    double Width() const override;
    void SetWidth(double twips) override;
    double Height() const override;
    void SetHeight(double twips) override;
    void Move(double left, double top, double width, double height) override;
    int32_t WindowState() const override;
    void SetWindowState(int32_t state) override;
    double ScreenWidth() const override;
    double ScreenHeight() const override;
    double TwipsPerPixelX() const override;
    double TwipsPerPixelY() const override;

    // Twips per pixel of the window's screen (15 at 96 dots per inch).
    static double TwipsPerPixel(const QWidget &window);
    // A length in twips as whole pixels of the window's screen.
    int ToPixels(double twips) const;
    // Places a control of the window by its design bounds in twips.
    void Place(QWidget *control, double left, double top, double width, double height) const;
    // The width a control asks for to show its text whole, in twips.
    double HintWidth(const QWidget *control) const;
    // Fixes the window's client area at the design size in twips.
    void SetFixedClientSize(double width, double height) const;

  private:
    // The normal window's frame position and client size, in pixels.
    QRect NormalFrame() const;
    void SetNormalFrame(const QRect &frame);
    int ToSize(double twips) const;

    QWidget &m_window;
    // The normal bounds taken just before the window left its maximized state,
    // since the window system applies the change only later.
    std::optional<QRect> m_normalFrame;
};
