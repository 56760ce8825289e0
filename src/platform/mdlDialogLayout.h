#pragma once

#include <QList>

class QWidget;

// Placing the controls of a dialog designed in twips (1440 per inch), and the
// pages that lie over a tab strip. Every control placed here remembers its
// designed rectangle, so that the whole dialog can be laid out again at another
// scale.
namespace mdlDialogLayout {

// Twips per pixel of the screen the dialog shows on: its owner's screen when it
// has one (the dialog opens centred over it), else its own; 15 at 96 DPI.
double TwipsPerPixel(const QWidget *dialog, const QWidget *owner);

// A twips measure in whole pixels.
int ToPixels(double twips, double twipsPerPixel);

// Gives the dialog a fixed client area of the size in twips.
void SetClientSize(QWidget *dialog, double width, double height, double twipsPerPixel);

// Moves and sizes a control to a rectangle given in twips.
void Place(QWidget *control, double left, double top, double width, double height,
           double twipsPerPixel);

// The twips per pixel at which every caption of the dialog's buttons, check
// boxes and one-line labels fits its designed width: the screen's, or fewer when
// the desktop's font is wider than the one the layout was made for (or a
// translation longer than the designed text).
double FitTwipsPerPixel(const QWidget *dialog, double screenTwipsPerPixel);

// Places the dialog and every control placed through Place at twipsPerPixel.
void Relayout(QWidget *dialog, double twipsPerPixel);

// The tab-click rule: the page at index moves to x = 210 twips and is enabled;
// every other page moves to x = -20000 twips, out of view, and is disabled.
void ShowTabPage(const QList<QWidget *> &pages, int index, double twipsPerPixel);

} // namespace mdlDialogLayout
