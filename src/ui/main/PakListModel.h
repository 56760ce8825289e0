#pragma once

#include "mdlPakFile.h"
#include "mdlPakMatch.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The rows of the loaded archive directory, one per listed entry, in the seven
// columns of the archive list. Cells are formatted when asked for; sorting works
// on typed values, so that it gives the order of the displayed texts' sort keys
// without rewriting any text. A filter narrows the rows to the entries whose
// names pass it: the model then has only those rows, so that everything that
// walks the rows (selection, copy, extraction) sees what the list shows.
class PakListModel final : public QAbstractTableModel
{
    Q_OBJECT

  public:
    enum Column
    {
        ColName,
        ColExtension,
        ColStart,
        ColSize,
        ColCreationTime,
        ColLastAccessTime,
        ColLastWriteTime,
        ColumnCount
    };

    // The typed value a cell sorts by: the name or extension, the number, or the
    // local date-time as yyyymmddhhnnss (an invalid QVariant for an undated cell).
    static constexpr int RawValueRole = Qt::UserRole + 1;
    // The row's key ("ID" + entry index) in data(); the column's key in headerData().
    static constexpr int KeyRole = Qt::UserRole + 2;

    explicit PakListModel(QObject *parent = nullptr);

    // Empties the list, forgets the archive and the filter.
    void Clear();
    // Lists every entry of archive except a leading time table, in one reset,
    // without a filter. A list that was sorted is sorted again by the same column
    // and order. Control characters in names show as "\xHH", so that a name
    // cannot break the lines and columns of a copied listing.
    void Load(const PakArchive &archive);
    // Shows only the entries whose stored name contains text, or matches it whole
    // when it holds "*" or "?" (letter case and "\" versus "/" do not matter);
    // an empty text shows every entry. Rows that stay keep their selection.
    void SetFilter(const QString &text);
    QString Filter() const { return m_strFilter; }
    bool IsFiltered() const { return m_filter.Active; }
    // The number of listed entries, shown or not.
    int AllRowCount() const { return static_cast<int>(m_rows.size()); }
    // The row that shows entry index, or -1 when it is not shown.
    int RowOfEntry(int32_t index) const;
    // The picture every row shows in its first column.
    void SetRowIcon(const QIcon &icon);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Stable: rows with equal keys keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    bool IsSorted() const { return m_blnSorted; }
    int SortColumn() const { return m_intSortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    // The text of a cell as displayed.
    QString CellText(int row, int column) const;
    // Appends the text of a cell as displayed to out (no temporary per cell).
    void AppendCellText(QString &out, int row, int column) const;
    QString ColumnCaption(int column) const;
    QString ColumnKey(int column) const;
    // "ID" + the entry index of the row.
    QString RowKey(int row) const;
    int32_t EntryIndex(int row) const;
    // The sum of the Size column over rows first to last (inclusive).
    int64_t SizeSum(int first, int last) const;
    // The sum over every listed entry, shown or not.
    int64_t TotalSize() const { return m_totalSize; }
    // Rows whose cells in column are the longest texts (at most count of them).
    QList<int> WidestRows(int column, int count) const;

  private:
    // One listed entry with the values its cells need, so that walking the rows
    // in display order does not jump about the archive's directory.
    struct Row
    {
        int32_t Index = 0;
        int32_t Start = 0;
        int32_t Size = 0;
        uint16_t NameLength = 0;
        uint16_t ExtensionStart = 0; // NameLength when there is no extension
        size_t NameOffset = 0;       // into m_names
        FileTime Times[3] = {0, 0, 0};
    };

    // The row shown at position row (0 <= row < rowCount()).
    const Row &Shown(int row) const
    {
        return m_rows[static_cast<size_t>(m_shown[static_cast<size_t>(row)])];
    }
    // Positions in m_rows of the rows that pass the filter, in display order.
    std::vector<int> ShownPositions() const;
    QStringView Name(const Row &row) const;
    QStringView Extension(const Row &row) const;
    // Row positions in the order that sorting by column gives.
    std::vector<int> SortedOrder(int column, Qt::SortOrder order) const;
    // Appends the displayed form of a stored name to m_names; returns where its
    // extension starts, counted from the name's first character.
    uint16_t AppendName(std::string_view raw);
    void ApplyOrder(const std::vector<int> &order);
    int64_t TimeKey(const Row &row, int column) const;
    void AppendNumber(QString &out, int64_t value) const;
    void AppendTime(QString &out, FileTime time) const;
    void TakeLocale();
    void RebuildSizeSums();

    bool m_blnHasTimes = false;
    std::vector<Row> m_rows;  // every listed entry, in display order
    std::vector<int> m_shown; // the rows shown: positions in m_rows, in display order
    // Every entry's stored name folded for the filter, back to back in directory
    // order, and where each one ends; m_passes[index] is 1 when it passes.
    std::string m_folded;
    std::vector<size_t> m_foldedEnd;
    std::vector<uint8_t> m_passes;
    PakNameFilter m_filter;
    QString m_strFilter;
    int64_t m_totalSize = 0;
    std::u16string m_names;          // every row's displayed name, back to back
    std::vector<int64_t> m_sizeSums; // m_sizeSums[i] = sum of the sizes of shown rows 0 .. i-1
    QString m_captions[ColumnCount];
    QIcon m_rowIcon;
    QLocale m_locale;
    // The locale's group separator and minus sign when its numbers and dates are
    // plain ASCII digits that the list can format itself (much faster than
    // QLocale, which parses the pattern for every cell); else QLocale does it.
    bool m_blnFastNumbers = false;
    bool m_blnFastTimes = false;
    QString m_strGroupSeparator;
    QString m_strNegativeSign;
    bool m_blnSorted = false;
    int m_intSortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
