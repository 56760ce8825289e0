#include "PakListModel.h"

#include "mdlListView.h"
#include "mdlTools.h"

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
    m_names.clear();
    m_names.shrink_to_fit();
    m_shown.clear();
    m_shown.shrink_to_fit();
    m_folded.clear();
    m_folded.shrink_to_fit();
    m_foldedEnd.clear();
    m_foldedEnd.shrink_to_fit();
    m_passes.clear();
    m_passes.shrink_to_fit();
    m_filter = PakNameFilter();
    m_strFilter.clear();
    m_totalSize = 0;
    m_blnHasTimes = false;
    RebuildSizeSums();
    endResetModel();
}

void PakListModel::Load(const PakArchive &archive)
{
    beginResetModel();
    TakeLocale();
    m_rows.clear();
    m_names.clear();
    m_folded.clear();
    m_filter = PakNameFilter();
    m_strFilter.clear();
    m_totalSize = 0;
    m_blnHasTimes = archive.HasTimes;
    const auto count = static_cast<int32_t>(archive.Entries.size());
    m_rows.reserve(static_cast<size_t>(count));
    m_foldedEnd.assign(static_cast<size_t>(count) + 1, 0);
    m_passes.assign(static_cast<size_t>(count), 1);
    for (int32_t index = 0; index < count; ++index) {
        const PakEntry &entry = archive.Entries[static_cast<size_t>(index)];
        if (!IsTimeTableEntry(archive, index))
            m_folded += PakFoldName(PakEntryRawName(entry));
        m_foldedEnd[static_cast<size_t>(index) + 1] = m_folded.size();
        if (IsTimeTableEntry(archive, index))
            continue;
        m_totalSize += entry.Size;
        Row row;
        row.Index = index;
        row.Start = entry.Start;
        row.Size = entry.Size;
        if (static_cast<size_t>(index) < archive.Times.size()) {
            const PakTimes &times = archive.Times[static_cast<size_t>(index)];
            row.Times[0] = times.CreationTime;
            row.Times[1] = times.LastAccessTime;
            row.Times[2] = times.LastWriteTime;
        }
        row.NameOffset = m_names.size();
        row.ExtensionStart = AppendName(PakEntryRawName(entry));
        row.NameLength = static_cast<uint16_t>(m_names.size() - row.NameOffset);
        m_rows.push_back(row);
    }
    if (m_blnSorted) {
        const std::vector<int> order = SortedOrder(m_intSortColumn, m_sortOrder);
        ApplyOrder(order);
    }
    m_shown = ShownPositions();
    RebuildSizeSums();
    endResetModel();
}

std::vector<int> PakListModel::ShownPositions() const
{
    std::vector<int> shown;
    shown.reserve(m_filter.Active ? m_rows.size() / 8 : m_rows.size());
    for (size_t position = 0; position < m_rows.size(); ++position) {
        if (m_passes[static_cast<size_t>(m_rows[position].Index)] != 0)
            shown.push_back(static_cast<int>(position));
    }
    return shown;
}

void PakListModel::SetFilter(const QString &text)
{
    if (text == m_strFilter)
        return;
    m_strFilter = text;
    m_filter = MakePakNameFilter(text.toStdString());
    // The names are tested in directory order, front to back through one block.
    for (size_t index = 0; index < m_passes.size(); ++index) {
        const size_t from = m_foldedEnd[index];
        const std::string_view name(m_folded.data() + from, m_foldedEnd[index + 1] - from);
        m_passes[index] = PakNameFilterMatches(m_filter, name) ? 1 : 0;
    }
    std::vector<int> shown = ShownPositions();

    // Rows that stay keep their persistent indexes (selection, current row);
    // the others lose them. Only whole rows come and go.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRow(m_rows.size(), -1);
    for (size_t row = 0; row < shown.size(); ++row)
        newRow[static_cast<size_t>(shown[row])] = static_cast<int>(row);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &old : from) {
        const int row = old.row() >= 0 && static_cast<size_t>(old.row()) < m_shown.size()
                            ? newRow[static_cast<size_t>(m_shown[static_cast<size_t>(old.row())])]
                            : -1;
        to << (row < 0 ? QModelIndex() : createIndex(row, old.column()));
    }
    m_shown = std::move(shown);
    RebuildSizeSums();
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int PakListModel::RowOfEntry(int32_t index) const
{
    for (size_t row = 0; row < m_shown.size(); ++row) {
        if (Shown(static_cast<int>(row)).Index == index)
            return static_cast<int>(row);
    }
    return -1;
}

uint16_t PakListModel::AppendName(std::string_view raw)
{
    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    bool plain = true;
    for (const char ch : raw)
        plain = plain && static_cast<unsigned char>(ch) < 0x80;
    const QString converted =
        plain ? QString() : QString::fromStdString(mdlTools::Cp1252ToUtf8(raw));
    const size_t first = m_names.size();
    // The extension follows the last "." behind the last folder separator of the
    // stored name, found before escaping adds backslashes of its own.
    size_t extension = std::u16string::npos;
    const auto append = [&](char16_t c) {
        if (c == u'\\' || c == u'/')
            extension = std::u16string::npos;
        if (c < 0x20 || c == 0x7F) {
            m_names += u"\\x";
            m_names += hex[c >> 4];
            m_names += hex[c & 0xF];
        } else {
            m_names += c;
        }
        if (c == u'.')
            extension = m_names.size();
    };
    if (plain) {
        for (const char ch : raw)
            append(static_cast<char16_t>(static_cast<unsigned char>(ch)));
    } else {
        for (const QChar c : converted)
            append(c.unicode());
    }
    return static_cast<uint16_t>((extension == std::u16string::npos ? m_names.size() : extension) -
                                 first);
}

void PakListModel::SetRowIcon(const QIcon &icon)
{
    m_rowIcon = icon;
    if (rowCount() > 0)
        emit dataChanged(index(0, ColName), index(rowCount() - 1, ColName), {Qt::DecorationRole});
}

int PakListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
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
    const Row &row = Shown(index.row());
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
            return Name(row).toString();
        case ColExtension:
            return Extension(row).toString();
        case ColStart:
            return qint64{row.Start};
        case ColSize:
            return qint64{row.Size};
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
        // Compared as text without regard to letter case: every name folded once,
        // then compared code unit by code unit.
        std::u16string folded(m_names.size(), u'\0');
        for (size_t i = 0; i < m_names.size(); ++i)
            folded[i] = QChar::toCaseFolded(m_names[i]);
        std::vector<std::u16string_view> keys;
        keys.reserve(m_rows.size());
        for (const Row &row : m_rows) {
            const size_t from = row.NameOffset + (column == ColName ? 0 : row.ExtensionStart);
            const size_t to = row.NameOffset + row.NameLength;
            keys.emplace_back(folded.data() + from, to - from);
        }
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
                keys.push_back(row.Start);
            else if (column == ColSize)
                keys.push_back(row.Size);
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
    // The names follow their rows, so that walking the rows in display order
    // (copy, painting) reads the names front to back as well.
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::u16string names;
    names.reserve(m_names.size());
    for (const int position : order) {
        Row row = m_rows[static_cast<size_t>(position)];
        names.append(m_names, row.NameOffset, row.NameLength);
        row.NameOffset = names.size() - row.NameLength;
        sorted.push_back(row);
    }
    m_rows = std::move(sorted);
    m_names = std::move(names);
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
    // Every row is sorted, shown or not, so that widening the filter later needs
    // no sort of its own.
    const std::vector<int> sortedOrder = SortedOrder(column, order);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(sortedOrder.size());
    for (size_t i = 0; i < sortedOrder.size(); ++i)
        newPosition[static_cast<size_t>(sortedOrder[i])] = static_cast<int>(i);
    const std::vector<int> oldShown = m_shown;
    ApplyOrder(sortedOrder);
    m_shown = ShownPositions();
    std::vector<int> newRow(m_rows.size(), -1);
    for (size_t row = 0; row < m_shown.size(); ++row)
        newRow[static_cast<size_t>(m_shown[row])] = static_cast<int>(row);
    RebuildSizeSums();
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &old : from) {
        const int position = oldShown[static_cast<size_t>(old.row())];
        to << index(newRow[static_cast<size_t>(newPosition[static_cast<size_t>(position)])],
                    old.column());
    }
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
    if (row < 0 || row >= rowCount())
        return;
    const Row &r = Shown(row);
    switch (column) {
    case ColName:
        out += Name(r);
        break;
    case ColExtension:
        out += Extension(r);
        break;
    case ColStart:
        AppendNumber(out, r.Start);
        break;
    case ColSize:
        AppendNumber(out, r.Size);
        break;
    default:
        if (!IsTimeColumn(column))
            break;
        if (m_blnHasTimes)
            AppendTime(out, r.Times[column - ColCreationTime]);
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
    return row >= 0 && row < rowCount() ? Shown(row).Index : -1;
}

int64_t PakListModel::SizeSum(int first, int last) const
{
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first > last)
        return 0;
    return m_sizeSums[static_cast<size_t>(last) + 1] - m_sizeSums[static_cast<size_t>(first)];
}

QList<int> PakListModel::WidestRows(int column, int count) const
{
    QList<int> result;
    if (rowCount() == 0 || count <= 0)
        return result;
    if (IsTimeColumn(column)) {
        // Every time cell has the same form; the first few rows stand for all.
        for (int row = 0; row < std::min(count, rowCount()); ++row)
            result << row;
        return result;
    }
    std::vector<std::pair<qsizetype, int>> lengths;
    lengths.reserve(m_shown.size());
    for (size_t i = 0; i < m_shown.size(); ++i) {
        const Row &row = Shown(static_cast<int>(i));
        qsizetype length = 0;
        if (column == ColName)
            length = row.NameLength;
        else if (column == ColExtension)
            length = row.NameLength - row.ExtensionStart;
        else
            length = DigitCount(column == ColStart ? row.Start : row.Size);
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

QStringView PakListModel::Name(const Row &row) const
{
    return QStringView(m_names.data() + row.NameOffset, row.NameLength);
}

QStringView PakListModel::Extension(const Row &row) const
{
    return QStringView(m_names.data() + row.NameOffset + row.ExtensionStart,
                       row.NameLength - row.ExtensionStart);
}

int64_t PakListModel::TimeKey(const Row &row, int column) const
{
    if (!m_blnHasTimes)
        return UndatedKey;
    const DateTime date = FileTimeToDate(row.Times[column - ColCreationTime]);
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
    m_sizeSums.assign(m_shown.size() + 1, 0);
    for (size_t i = 0; i < m_shown.size(); ++i)
        m_sizeSums[i + 1] = m_sizeSums[i] + Shown(static_cast<int>(i)).Size;
}
