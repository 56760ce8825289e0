#pragma once

#include <QToolBar>

class QLabel;
class QLineEdit;

// The filter box above the archive list, on a toolbar row of its own: the list
// shows only the entries whose names pass the text typed here. Esc empties the
// box, and Esc, Return or the down arrow hand the focus back to the list.
class FilterBar final : public QToolBar
{
    Q_OBJECT

  public:
    explicit FilterBar(QWidget *parent = nullptr);

    QLineEdit *Box() const { return m_txtFilter; }
    QString Text() const;
    // Empties the box without reporting a change.
    void Clear();
    // Puts the focus into the box with its text selected, ready to be typed over.
    void Focus();

  signals:
    void FilterChanged(const QString &text);
    // The user is done with the box and wants to go on in the list.
    void LeaveRequested();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QLabel *m_lblFilter = nullptr;
    QLineEdit *m_txtFilter = nullptr;
};
