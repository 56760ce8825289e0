#include "PakListModel.h"

#include "mdlListView.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <limits>
#include <numeric>

namespace {

constexpr int64_t UndatedKey = std::numeric_limits<int64_t>::max();

const char *const ColumnKeys[PakListModel::ColumnCount] = {
    "Name", "Extension", "Start", "Size", "CreationTime", "LastAccessTime", "LastWriteTime"};

// The designed German captions; the language file may replace them.
const char *const ColumnCaptions[PakListModel::ColumnCount] = {
    "Dateiname",          "Typ",        "StartAdresse", "Größe", "Erstellt am",
    "Letzter Zugriff am", "Geändert am"};

bool IsTimeColumn(int column)
{
    return column >= PakListModel::ColCreationTime && column <= PakListModel::ColLastWriteTime;
}

// The text after the last "." when that dot stands after the last folder separator.
QString ExtensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator =
        std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')));
    if (dot < 0 || dot < separator)
        return {};
    return name.mid(dot + 1);
}

bool IsValidDate(const DateTime &date)
{
    return QDate(date.Year, date.Month, date.Day).isValid() &&
           QTime(date.Hour, date.Minute, date.Second).isValid();
}

int DigitCount(int64_t value)
{
    int digits = value < 0 ? 2 : 1;
    for (uint64_t rest = value < 0 ? 0 - static_cast<uint64_t>(value)
                                   : static_cast<uint64_t>(value);
         rest >= 10; rest /= 10)
        ++digits;
    return digits;
}

} // namespace

PakListModel::PakListModel(QObject *parent) : QAbstractTableModel(parent)
{
    for (int column = 0; column < ColumnCount; ++column)
        m_captions[column] = QString::fromUtf8(ColumnCaptions[column]);
    TakeLocale();
}

void PakListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_archive = nullptr;
    RebuildSizeSums();
    endResetModel();
}

void PakListModel::Load(const PakArchive &archive)
{
    beginResetModel();
    TakeLocale();
    m_archive = &archive;
    m_rows.clear();
    const int32_t count = static_cast<int32_t>(archive.Entries.size());
    m_rows.reserve(static_cast<size_t>(count));
    for (int32_t index = 0; index < count; ++index) {
        if (IsTimeTableEntry(archive, index))
            continue;
        Row row;
        row.Index = index;
        row.Name =
            QString::fromStdString(PakEntryName(archive.Entries[static_cast<size_t>(index)]));
        row.Extension = ExtensionOf(row.Name);
        m_rows.push_back(std::move(row));
    }
    if (m_blnSorted) {
        const std::vector<int> order = SortedOrder(m_intSortColumn, m_sortOrder);
        ApplyOrder(order);
    }
    RebuildSizeSums();
    endResetModel();
}

void PakListModel::SetRowIcon(const QIcon &icon)
{
    m_rowIcon = icon;
    if (!m_rows.empty())
        emit dataChanged(index(0, ColName), index(rowCount() - 1, ColName), {Qt::DecorationRole});
}

int PakListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int PakListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PakListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int column = index.column();
    const Row &row = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return CellText(index.row(), column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column <= ColExtension
                                       ? Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter)
                                       : Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    case Qt::DecorationRole:
        return column == ColName && !m_rowIcon.isNull() ? QVariant(m_rowIcon) : QVariant();
    case KeyRole:
        return RowKey(index.row());
    case RawValueRole:
        switch (column) {
        case ColName:
            return row.Name;
        case ColExtension:
            return row.Extension;
        case ColStart:
            return qint64{EntryStart(row)};
        case ColSize:
            return qint64{EntrySize(row)};
        default: {
            const int64_t key = TimeKey(row, column);
            return key == UndatedKey ? QVariant() : QVariant(qint64{key});
        }
        }
    default:
        return {};
    }
}

QVariant PakListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_captions[section];
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(section <= ColExtension
                                       ? Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter)
                                       : Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    case KeyRole:
        return ColumnKey(section);
    case mdlListView::WidestRowsRole:
        return QVariant::fromValue(WidestRows(section, 8));
    default:
        return {};
    }
}

bool PakListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                                 int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    m_captions[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags PakListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Never editable: the names are the archive's and are not changed here.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

std::vector<int> PakListModel::SortedOrder(int column, Qt::SortOrder order) const
{
    std::vector<int> positions(m_rows.size());
    std::iota(positions.begin(), positions.end(), 0);
    const bool descending = order == Qt::DescendingOrder;
    if (column == ColName || column == ColExtension) {
        // Compared as text without regard to letter case.
        std::vector<QString> keys;
        keys.reserve(m_rows.size());
        for (const Row &row : m_rows)
            keys.push_back((column == ColName ? row.Name : row.Extension).toCaseFolded());
        std::stable_sort(positions.begin(), positions.end(), [&](int a, int b) {
            const auto &ka = keys[static_cast<size_t>(a)];
            const auto &kb = keys[static_cast<size_t>(b)];
            return descending ? kb < ka : ka < kb;
        });
    } else {
        std::vector<int64_t> keys;
        keys.reserve(m_rows.size());
        for (const Row &row : m_rows) {
            if (column == ColStart)
                keys.push_back(EntryStart(row));
            else if (column == ColSize)
                keys.push_back(EntrySize(row));
            else
                keys.push_back(TimeKey(row, column));
        }
        std::stable_sort(positions.begin(), positions.end(), [&](int a, int b) {
            const int64_t ka = keys[static_cast<size_t>(a)];
            const int64_t kb = keys[static_cast<size_t>(b)];
            return descending ? kb < ka : ka < kb;
        });
    }
    return positions;
}

void PakListModel::ApplyOrder(const std::vector<int> &order)
{
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (const int position : order)
        sorted.push_back(std::move(m_rows[static_cast<size_t>(position)]));
    m_rows = std::move(sorted);
}

void PakListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_blnSorted = true;
    m_intSortColumn = column;
    m_sortOrder = order;
    if (m_rows.empty())
        return;
    const std::vector<int> sortedOrder = SortedOrder(column, order);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(sortedOrder.size());
    for (size_t i = 0; i < sortedOrder.size(); ++i)
        newPosition[static_cast<size_t>(sortedOrder[i])] = static_cast<int>(i);
    ApplyOrder(sortedOrder);
    RebuildSizeSums();
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &old : from)
        to << index(newPosition[static_cast<size_t>(old.row())], old.column());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString PakListModel::CellText(int row, int column) const
{
    QString text;
    AppendCellText(text, row, column);
    return text;
}

void PakListModel::AppendCellText(QString &out, int row, int column) const
{
    if (row < 0 || row >= rowCount() || m_archive == nullptr)
        return;
    const Row &r = m_rows[static_cast<size_t>(row)];
    switch (column) {
    case ColName:
        out += r.Name;
        break;
    case ColExtension:
        out += r.Extension;
        break;
    case ColStart:
        AppendNumber(out, EntryStart(r));
        break;
    case ColSize:
        AppendNumber(out, EntrySize(r));
        break;
    default:
        if (!IsTimeColumn(column))
            break;
        if (m_archive->HasTimes)
            AppendTime(out, EntryTime(r, column));
        else
            out += QLatin1Char('-');
        break;
    }
}

QString PakListModel::ColumnCaption(int column) const
{
    return column >= 0 && column < ColumnCount ? m_captions[column] : QString();
}

QString PakListModel::ColumnKey(int column) const
{
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(ColumnKeys[column])
                                               : QString();
}

QString PakListModel::RowKey(int row) const
{
    return QString::fromStdString(PakRowKey(EntryIndex(row)));
}

int32_t PakListModel::EntryIndex(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[static_cast<size_t>(row)].Index : -1;
}

int64_t PakListModel::SizeSum(int first, int last) const
{
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first > last)
        return 0;
    return m_sizeSums[static_cast<size_t>(last) + 1] - m_sizeSums[static_cast<size_t>(first)];
}

int64_t PakListModel::TotalSize() const
{
    return m_sizeSums.empty() ? 0 : m_sizeSums.back();
}

QList<int> PakListModel::WidestRows(int column, int count) const
{
    QList<int> result;
    if (m_rows.empty() || count <= 0)
        return result;
    if (IsTimeColumn(column)) {
        // Every time cell has the same form; the first few rows stand for all.
        for (int row = 0; row < std::min(count, rowCount()); ++row)
            result << row;
        return result;
    }
    std::vector<std::pair<qsizetype, int>> lengths;
    lengths.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row &row = m_rows[i];
        qsizetype length = 0;
        if (column == ColName)
            length = row.Name.size();
        else if (column == ColExtension)
            length = row.Extension.size();
        else
            length = DigitCount(column == ColStart ? EntryStart(row) : EntrySize(row));
        lengths.emplace_back(length, static_cast<int>(i));
    }
    const size_t take = std::min(lengths.size(), static_cast<size_t>(count));
    std::partial_sort(lengths.begin(), lengths.begin() + static_cast<std::ptrdiff_t>(take),
                      lengths.end(),
                      [](const auto &a, const auto &b) { return a.first > b.first; });
    for (size_t i = 0; i < take; ++i)
        result << lengths[i].second;
    return result;
}

int32_t PakListModel::EntryStart(const Row &row) const
{
    return m_archive->Entries[static_cast<size_t>(row.Index)].Start;
}

int32_t PakListModel::EntrySize(const Row &row) const
{
    return m_archive->Entries[static_cast<size_t>(row.Index)].Size;
}

FileTime PakListModel::EntryTime(const Row &row, int column) const
{
    const auto index = static_cast<size_t>(row.Index);
    if (index >= m_archive->Times.size())
        return 0;
    const PakTimes &times = m_archive->Times[index];
    switch (column) {
    case ColCreationTime:
        return times.CreationTime;
    case ColLastAccessTime:
        return times.LastAccessTime;
    default:
        return times.LastWriteTime;
    }
}

int64_t PakListModel::TimeKey(const Row &row, int column) const
{
    if (!m_archive->HasTimes)
        return UndatedKey;
    const DateTime date = FileTimeToDate(EntryTime(row, column));
    if (!IsValidDate(date))
        return UndatedKey;
    return ((((int64_t{date.Year} * 100 + date.Month) * 100 + date.Day) * 100 + date.Hour) * 100 +
            date.Minute) *
               100 +
           date.Second;
}

void PakListModel::TakeLocale()
{
    // "#,###" always groups digits, also where the locale would leave them out.
    m_locale = QLocale();
    m_locale.setNumberOptions(m_locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    m_strGroupSeparator = m_locale.groupSeparator();
    m_strNegativeSign = m_locale.negativeSign();
    m_blnFastNumbers = false;
    m_blnFastTimes = false;
    // The own formatting is used only where it gives exactly what QLocale gives.
    m_blnFastNumbers = true;
    bool fast = true;
    for (const qint64 probe : {qint64{7}, qint64{1234}, qint64{-98765}, qint64{1234567890123}}) {
        QString mine;
        AppendNumber(mine, probe);
        fast = fast && mine == m_locale.toString(probe);
    }
    m_blnFastNumbers = fast;
    const QDate probeDate(2006, 1, 2);
    const QTime probeTime(3, 4, 5);
    m_blnFastTimes =
        m_locale.toString(probeDate, QStringLiteral("dd.MM.yyyy")) ==
            QStringLiteral("02.01.2006") &&
        m_locale.toString(probeTime, QStringLiteral("hh:mm:ss")) == QStringLiteral("03:04:05");
}

void PakListModel::AppendNumber(QString &out, int64_t value) const
{
    if (value == 0)
        return;
    if (!m_blnFastNumbers) {
        out += m_locale.toString(qint64{value});
        return;
    }
    // Digits from the right, with the separator (reversed) after every third.
    char16_t buffer[64];
    int pos = 64;
    uint64_t rest = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int digits = 0;
    while (rest != 0) {
        if (digits > 0 && digits % 3 == 0) {
            for (qsizetype i = m_strGroupSeparator.size() - 1; i >= 0 && pos > 0; --i)
                buffer[--pos] = m_strGroupSeparator.at(i).unicode();
        }
        buffer[--pos] = static_cast<char16_t>(u'0' + rest % 10);
        rest /= 10;
        ++digits;
    }
    if (value < 0)
        out += m_strNegativeSign;
    out.append(reinterpret_cast<const QChar *>(buffer + pos), 64 - pos);
}

void PakListModel::AppendTime(QString &out, FileTime time) const
{
    const DateTime date = FileTimeToDate(time);
    if (!IsValidDate(date)) {
        out += QLatin1Char('-');
        return;
    }
    if (!m_blnFastTimes || date.Year < 1000 || date.Year > 9999) {
        out += m_locale.toString(QDate(date.Year, date.Month, date.Day),
                                 QStringLiteral("dd.MM.yyyy")) +
               QLatin1Char(' ') +
               m_locale.toString(QTime(date.Hour, date.Minute, date.Second),
                                 QStringLiteral("hh:mm:ss"));
        return;
    }
    char16_t text[19] = {u'0', u'0', u'.', u'0', u'0', u'.', u'0', u'0', u'0', u'0',
                         u' ', u'0', u'0', u':', u'0', u'0', u':', u'0', u'0'};
    const auto two = [&text](int at, int value) {
        text[at] = static_cast<char16_t>(u'0' + value / 10);
        text[at + 1] = static_cast<char16_t>(u'0' + value % 10);
    };
    two(0, date.Day);
    two(3, date.Month);
    two(6, date.Year / 100);
    two(8, date.Year % 100);
    two(11, date.Hour);
    two(14, date.Minute);
    two(17, date.Second);
    out.append(reinterpret_cast<const QChar *>(text), 19);
}

void PakListModel::RebuildSizeSums()
{
    m_sizeSums.assign(m_rows.size() + 1, 0);
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_sizeSums[i + 1] = m_sizeSums[i] + EntrySize(m_rows[i]);
}
