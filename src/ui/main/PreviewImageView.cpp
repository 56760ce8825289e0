#include "PreviewImageView.h"

#include <QPainter>
#include <QPixmap>

PreviewImageView::PreviewImageView(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(32, 32);
}

void PreviewImageView::SetPicture(const QImage &picture, const QImage &scaled)
{
    m_picture = picture;
    m_scaled = scaled;
    update();
}

void PreviewImageView::Clear()
{
    SetPicture(QImage(), QImage());
}

QRect PreviewImageView::TargetRect() const
{
    if (m_picture.isNull())
        return {};
    QSize size = m_picture.size();
    if (size.width() > width() || size.height() > height())
        size.scale(this->size(), Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void PreviewImageView::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    const QRect target = TargetRect();
    static const QPixmap chequer = [] {
        QPixmap tile(16, 16);
        tile.fill(QColor(0xFF, 0xFF, 0xFF));
        QPainter p(&tile);
        p.fillRect(0, 0, 8, 8, QColor(0xCC, 0xCC, 0xCC));
        p.fillRect(8, 8, 8, 8, QColor(0xCC, 0xCC, 0xCC));
        return tile;
    }();
    painter.fillRect(target, QBrush(chequer));
    if (target.size() == m_picture.size()) {
        painter.drawImage(target.topLeft(), m_picture);
        return;
    }
    // The copy made with the picture serves while the view keeps its size; after
    // a resize a new one is made once, not at every paint.
    if (m_scaled.size() != target.size())
        m_scaled = m_picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    painter.drawImage(target.topLeft(), m_scaled);
}
