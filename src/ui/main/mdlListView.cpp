#include "mdlListView.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

namespace mdlListView {

void AutoSizeColumns(QTableView *list)
{
    if (list == nullptr || list->model() == nullptr)
        return;
    const int columns = list->model()->columnCount();
    for (int column = 0; column < columns; ++column)
        AutoSizeColumn(list, column, true);
}

void AutoSizeColumn(QTableView *list, int column, bool useHeader)
{
    if (list == nullptr || list->model() == nullptr)
        return;
    QAbstractItemModel *model = list->model();
    const int rows = model->rowCount();
    QList<int> candidates;
    const QVariant hint = model->headerData(column, Qt::Horizontal, WidestRowsRole);
    if (hint.isValid()) {
        candidates = hint.value<QList<int>>();
    } else {
        // Without a hint every cell is measured; fine for the lists that lack one.
        candidates.reserve(rows);
        for (int row = 0; row < rows; ++row)
            candidates << row;
    }
    int width = 0;
    for (const int row : std::as_const(candidates)) {
        if (row >= 0 && row < rows)
            width = std::max(width, list->sizeHintForIndex(model->index(row, column)).width());
    }
    if (list->showGrid())
        width += 1;
    if (useHeader) {
        // Measured with the sort arrow, which a later click on any header shows:
        // a header sized without it would be cut ("röße").
        QHeaderView *header = list->horizontalHeader();
        const bool arrowShown = header->isSortIndicatorShown();
        if (!arrowShown)
            header->setSortIndicatorShown(true);
        width = std::max(width, header->sectionSizeHint(column));
        if (!arrowShown)
            header->setSortIndicatorShown(false);
    }
    list->setColumnWidth(column, width);
}

void SetAllItemsSelected(QTableView *list, int16_t state)
{
    if (list == nullptr || list->model() == nullptr || list->selectionModel() == nullptr)
        return;
    QAbstractItemModel *model = list->model();
    const int rows = model->rowCount();
    const int columns = model->columnCount();
    if (state == 0) {
        list->selectionModel()->clearSelection();
        return;
    }
    if (rows == 0 || columns == 0)
        return;
    // One range for the whole table keeps select-all constant in cost.
    const QItemSelection all(model->index(0, 0), model->index(rows - 1, columns - 1));
    list->selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

std::vector<std::pair<int, int>> GetSelectedRuns(QTableView *list)
{
    std::vector<std::pair<int, int>> runs;
    if (list == nullptr || list->selectionModel() == nullptr)
        return runs;
    const QItemSelection selection = list->selectionModel()->selection();
    runs.reserve(static_cast<size_t>(selection.size()));
    for (const QItemSelectionRange &range : selection) {
        if (range.isValid())
            runs.emplace_back(range.top(), range.bottom());
    }
    // Ranges of one row may overlap or touch (several columns, merged toggles).
    std::sort(runs.begin(), runs.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto &run : runs) {
        if (!merged.empty() && run.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, run.second);
        else
            merged.push_back(run);
    }
    return merged;
}

int32_t GetSelectedCount(QTableView *list)
{
    int64_t count = 0;
    for (const auto &[first, last] : GetSelectedRuns(list))
        count += last - first + 1;
    return static_cast<int32_t>(count);
}

} // namespace mdlListView
