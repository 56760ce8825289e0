#pragma once

#include <QImage>
#include <QWidget>

// A picture scaled down to fit, centred, over a chequered ground that shows its
// transparent parts. Never scales a picture up.
class PreviewImageView final : public QWidget
{
    Q_OBJECT

  public:
    explicit PreviewImageView(QWidget *parent = nullptr);

    // scaled: a copy already scaled for the view's present size, or null.
    void SetPicture(const QImage &picture, const QImage &scaled);
    void Clear();
    const QImage &Picture() const { return m_picture; }
    // Where the picture is drawn at the view's present size.
    QRect TargetRect() const;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QImage m_picture;
    QImage m_scaled;
};
