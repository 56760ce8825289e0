#include "PakPictureView.h"

#include "PictureGridModel.h"
#include "ThumbnailLoader.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <utility>

PakPictureView::PakPictureView(PictureGridModel *model, QItemSelectionModel *listSelection,
                               QWidget *parent)
    : QListView(parent), m_model(model)
{
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    // One size for every cell: the layout of 100,000 entries needs no look at each.
    setUniformItemSizes(true);
    setLayoutMode(QListView::SinglePass);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setModel(model);
    SetSide(m_side);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { WantSoon(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { WantSoon(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { WantSoon(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { WantSoon(); });

    // The list's selection and current row are the grid's, both ways.
    QItemSelectionModel *own = selectionModel();
    const auto follow = [this, model](QItemSelectionModel *to, const QItemSelection &selected,
                                      const QItemSelection &deselected, bool toList) {
        if (m_syncing)
            return;
        m_syncing = true;
        const auto map = [&](const QItemSelection &part) {
            return toList ? model->mapSelectionToSource(part) : model->mapSelectionFromSource(part);
        };
        to->select(map(deselected), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        to->select(map(selected), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_syncing = false;
    };
    connect(own, &QItemSelectionModel::selectionChanged, this,
            [follow, listSelection](const QItemSelection &s, const QItemSelection &d) {
                follow(listSelection, s, d, true);
            });
    connect(listSelection, &QItemSelectionModel::selectionChanged, this,
            [follow, own](const QItemSelection &s, const QItemSelection &d) {
                follow(own, s, d, false);
            });
    connect(own, &QItemSelectionModel::currentChanged, this,
            [this, model, listSelection](const QModelIndex &current) {
                if (m_syncing)
                    return;
                m_syncing = true;
                listSelection->setCurrentIndex(model->mapToSource(current),
                                               QItemSelectionModel::NoUpdate);
                m_syncing = false;
            });
    connect(listSelection, &QItemSelectionModel::currentChanged, this,
            [this, model, own](const QModelIndex &current) {
                if (m_syncing)
                    return;
                m_syncing = true;
                own->setCurrentIndex(model->mapFromSource(current).siblingAtColumn(0),
                                     QItemSelectionModel::NoUpdate);
                m_syncing = false;
            });
}

void PakPictureView::SetDragDataProvider(PakListView::DragDataProvider provider)
{
    m_dragDataProvider = std::move(provider);
}

void PakPictureView::SetSide(int side)
{
    m_side = side;
    setIconSize(QSize(side, side));
    const int text = fontMetrics().height();
    setGridSize(QSize(std::max(side, 48) + 16, side + text + 12));
    setSpacing(0);
    WantSoon();
}

void PakPictureView::WantSoon()
{
    // Scrolling asks many times a second; once per turn of the event loop is enough.
    if (m_wantQueued)
        return;
    m_wantQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_wantQueued = false;
        Want();
    });
}

void PakPictureView::Want()
{
    if (!isVisible() || model() == nullptr || model()->rowCount() == 0)
        return;
    // The cells lie on a grid, row after row: what is in sight follows from the
    // scroll position, without asking each cell where it is.
    const QSize cell = gridSize();
    const int columns = std::max(1, viewport()->width() / std::max(1, cell.width()));
    const int top = std::max(0, verticalScrollBar()->value());
    const int firstLine = top / std::max(1, cell.height());
    const int lines = viewport()->height() / std::max(1, cell.height()) + 2;
    const int first = firstLine * columns;
    const int last = first + lines * columns - 1;
    m_model->Want(first, last, lines * columns);
}

void PakPictureView::startDrag(Qt::DropActions /*supportedActions*/)
{
    if (PakListView::StartEntryDrag(this, m_dragDataProvider))
        emit DragFinished();
}

void PakPictureView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    WantSoon();
}

void PakPictureView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    WantSoon();
}

void PakPictureView::showEvent(QShowEvent *event)
{
    QListView::showEvent(event);
    WantSoon();
}
