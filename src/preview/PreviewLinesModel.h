#pragma once

#include "PreviewLoader.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <memory>
#include <string>
#include <vector>

// The lines of a text preview (one column, the line numbers as the vertical
// header) or of a hex dump (offset in the entry, offset in the archive, bytes,
// characters). Cells are made when asked for, so a megabyte of data is shown
// without building a document of it.
class PreviewLinesModel final : public QAbstractTableModel
{
    Q_OBJECT

  public:
    enum HexColumn
    {
        ColEntryOffset,
        ColArchiveOffset,
        ColBytes,
        ColChars,
        HexColumnCount
    };

    explicit PreviewLinesModel(QObject *parent = nullptr);

    void Clear();
    // Takes the text or the bytes of result; any other kind empties the model.
    void Show(PreviewResult &result);
    bool IsHex() const { return m_blnHex; }
    // The captions of the hex dump's columns.
    void SetHexCaptions(const std::array<QString, HexColumnCount> &captions);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    bool m_blnHex = false;
    QString m_text;
    std::vector<PreviewSegment> m_segments;
    std::shared_ptr<const std::string> m_bytes;
    int64_t m_entryOffset = 0;
    int64_t m_archiveOffset = 0;
    int m_hexRows = 0;
    std::array<QString, HexColumnCount> m_captions;
};
