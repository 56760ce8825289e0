#pragma once

#include <QRect>

#include <optional>

class QWidget;

// Centring a window on its owner within the work area of the owner's screen.
namespace mdlWindow {

// The new outer rectangle for a window of outer rectangle `window`: centred on
// `owner` (or on the work area when there is none). A window about as large as
// its owner, or larger, is set 50 pixels in from the owner's corner, like a
// cascade, and is then pulled into the work area; without an owner it is not
// clamped.
QRect CenterRect(const QRect &window, const std::optional<QRect> &owner, const QRect &workArea);

// Moves window as CenterRect says, using the available geometry of the owner's
// screen (or the window's own screen without an owner).
void CenterWindow(QWidget *window, QWidget *owner);

} // namespace mdlWindow
