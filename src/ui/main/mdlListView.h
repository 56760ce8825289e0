#pragma once

#include <QtCore/qnamespace.h>

#include <cstdint>
#include <utility>
#include <vector>

class QTableView;

// Helpers for the archive list, a QTableView in row selection mode.
namespace mdlListView {

// Header data role (horizontal) through which a model may name the rows whose
// cells in that column are the widest candidates (a QList<int>), so that a large
// list is sized without measuring every cell.
inline constexpr int WidestRowsRole = Qt::UserRole + 100;

// Sizes every column to the larger of its header and its widest cell.
void AutoSizeColumns(QTableView *list);
// Sizes one column to its widest cell, or to its header when that is wider and
// useHeader is set.
void AutoSizeColumn(QTableView *list, int column, bool useHeader);
// state -1 selects every row, 0 deselects every row.
void SetAllItemsSelected(QTableView *list, int16_t state);
// The number of selected rows.
int32_t GetSelectedCount(QTableView *list);
// The selected rows as sorted, disjoint, inclusive [first, last] runs.
std::vector<std::pair<int, int>> GetSelectedRuns(QTableView *list);

} // namespace mdlListView
