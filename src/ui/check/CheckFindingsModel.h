#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <vector>

// The findings of a structure check as a list: the entry's key, its name and
// the finding in words, one row per finding.
class CheckFindingsModel final : public QAbstractTableModel
{
    Q_OBJECT

  public:
    enum Column
    {
        ColKey,
        ColName,
        ColFinding,
        ColumnCount
    };

    struct Row
    {
        int32_t Index = 0; // the entry in the archive's directory
        QString Key;
        QString Name;
        QString Finding;
    };

    explicit CheckFindingsModel(QObject *parent = nullptr);

    // Replaces the rows in one reset.
    void SetRows(std::vector<Row> rows);
    // The entry a row is about, or -1.
    int32_t EntryIndex(int row) const;
    static QString ColumnKey(int column);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

  private:
    std::vector<Row> m_rows;
    QString m_captions[ColumnCount];
};
