#include "ElidedText.h"

#include <QFontMetrics>
#include <QLabel>

namespace ElidedText {

QString FitPath(QLabel *label, const QString &path)
{
    const QFontMetrics metrics(label->font());
    const int width = label->contentsRect().width();
    const QString fitted = metrics.elidedText(path, Qt::ElideMiddle, width);
    label->setToolTip(fitted == path ? QString() : path);
    return fitted;
}

} // namespace ElidedText
