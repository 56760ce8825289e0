#include "CheckFindingsModel.h"

namespace {

const char *const ColumnKeys[CheckFindingsModel::ColumnCount] = {"Key", "Name", "Finding"};
// The designed German captions; the language file may replace them.
const char *const ColumnCaptions[CheckFindingsModel::ColumnCount] = {"Eintrag", "Dateiname",
                                                                     "Befund"};

} // namespace

CheckFindingsModel::CheckFindingsModel(QObject *parent) : QAbstractTableModel(parent)
{
    for (int column = 0; column < ColumnCount; ++column)
        m_captions[column] = QString::fromUtf8(ColumnCaptions[column]);
}

void CheckFindingsModel::SetRows(std::vector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int32_t CheckFindingsModel::EntryIndex(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[static_cast<size_t>(row)].Index : -1;
}

QString CheckFindingsModel::ColumnKey(int column)
{
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(ColumnKeys[column])
                                               : QString();
}

int CheckFindingsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CheckFindingsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CheckFindingsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Row &row = m_rows[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case ColKey:
        return row.Key;
    case ColName:
        return row.Name;
    default:
        return row.Finding;
    }
}

QVariant CheckFindingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
        role != Qt::DisplayRole)
        return {};
    return m_captions[section];
}

bool CheckFindingsModel::setHeaderData(int section, Qt::Orientation orientation,
                                       const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    m_captions[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}
