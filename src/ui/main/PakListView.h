#pragma once

#include <QTableView>

#include <functional>

class QMimeData;

// The archive list: a details view with whole-row, multiple selection that starts
// drags by itself. What a drag carries is asked of the window when it starts.
class PakListView final : public QTableView
{
    Q_OBJECT

  public:
    // Builds the data of a drag out of the list; null or no files cancels the drag.
    using DragDataProvider = std::function<QMimeData *()>;

    explicit PakListView(QWidget *parent = nullptr);

    void SetDragDataProvider(DragDataProvider provider);

    // Starts a copy drag of the entries the provider names, from source; false
    // when there is nothing to drag.
    static bool StartEntryDrag(QWidget *source, const DragDataProvider &provider);

  signals:
    // A drag out of the list has ended (dropped or cancelled).
    void DragFinished();

  protected:
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    DragDataProvider m_dragDataProvider;
};
