#pragma once

#include "PakListView.h"

#include <QListView>

class PictureGridModel;

// The archive's entries as a grid of pictures with their names. It keeps the
// list's selection, so that every command acts on what is selected here, and
// starts drags out of the archive as the list does.
class PakPictureView final : public QListView
{
    Q_OBJECT

  public:
    // The picture sides offered, smallest first.
    static constexpr int Sides[] = {64, 128, 256};

    // listSelection: the list's selection, which the grid's follows and leads.
    PakPictureView(PictureGridModel *model, QItemSelectionModel *listSelection,
                   QWidget *parent = nullptr);

    void SetDragDataProvider(PakListView::DragDataProvider provider);
    // Shows pictures side pixels wide and high.
    void SetSide(int side);
    int Side() const { return m_side; }
    // Asks for the pictures in sight, and a screenful either side, soon.
    void WantSoon();

  signals:
    void DragFinished();

  protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent *event) override;

  private:
    void Want();

    PictureGridModel *m_model;
    PakListView::DragDataProvider m_dragDataProvider;
    int m_side = 128;
    bool m_wantQueued = false;
    bool m_syncing = false; // passing a change of one selection on to the other
};
