#include "PakListView.h"

#include <QDrag>
#include <QHeaderView>
#include <QMimeData>

PakListView::PakListView(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    // Drops are the window's business: the list passes them on to it.
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    verticalHeader()->hide();
    // Fixed row heights keep scrolling and layout independent of the row count.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultSectionSize(96); // one inch at 96 dots per inch
}

void PakListView::SetDragDataProvider(DragDataProvider provider)
{
    m_dragDataProvider = std::move(provider);
}

void PakListView::startDrag(Qt::DropActions /*supportedActions*/)
{
    if (StartEntryDrag(this, m_dragDataProvider))
        emit DragFinished();
}

bool PakListView::StartEntryDrag(QWidget *source, const DragDataProvider &provider)
{
    if (!provider)
        return false;
    QMimeData *data = provider();
    if (data == nullptr)
        return false;
    if (!data->hasUrls()) {
        delete data;
        return false;
    }
    auto *drag = new QDrag(source);
    drag->setMimeData(data);
    // The entries are offered as copies only; nothing is ever moved out of an archive.
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    return true;
}
