#pragma once

#include <QString>

class QLabel;

// Long paths in fixed-size labels: cut in the middle with "…", so that both
// the start and the file name stay readable, and shown whole as the tooltip.
namespace ElidedText {

// path as it fits the label's width in its font; the label's tooltip becomes
// the whole path when it had to be cut, and is cleared otherwise.
QString FitPath(QLabel *label, const QString &path);

} // namespace ElidedText
