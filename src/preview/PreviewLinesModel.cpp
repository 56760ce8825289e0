#include "PreviewLinesModel.h"

#include "PreviewText.h"

PreviewLinesModel::PreviewLinesModel(QObject *parent) : QAbstractTableModel(parent) {}

void PreviewLinesModel::Clear()
{
    beginResetModel();
    m_blnHex = false;
    m_text.clear();
    m_segments.clear();
    m_bytes.reset();
    m_hexRows = 0;
    endResetModel();
}

void PreviewLinesModel::Show(PreviewResult &result)
{
    beginResetModel();
    m_text.clear();
    m_segments.clear();
    m_bytes.reset();
    m_hexRows = 0;
    m_blnHex = result.Kind == PreviewKind::Hex;
    if (result.Kind == PreviewKind::Text) {
        m_text = std::move(result.Text);
        m_segments = std::move(result.Segments);
    } else if (m_blnHex && result.Bytes) {
        m_bytes = result.Bytes;
        m_entryOffset = result.EntryOffset;
        m_archiveOffset = result.ArchiveOffset;
        // At most 1 MiB is read, so the line count fits an int.
        m_hexRows =
            static_cast<int>(PreviewText::HexLineCount(static_cast<int64_t>(m_bytes->size())));
    }
    endResetModel();
}

void PreviewLinesModel::SetHexCaptions(const std::array<QString, HexColumnCount> &captions)
{
    m_captions = captions;
    if (m_blnHex)
        emit headerDataChanged(Qt::Horizontal, 0, HexColumnCount - 1);
}

int PreviewLinesModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_blnHex ? m_hexRows : static_cast<int>(m_segments.size());
}

int PreviewLinesModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_blnHex ? HexColumnCount : 1;
}

QVariant PreviewLinesModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    if (!m_blnHex) {
        const PreviewSegment &segment = m_segments[static_cast<size_t>(index.row())];
        return m_text.mid(segment.Start, segment.Length);
    }
    const PreviewText::HexLine line =
        PreviewText::FormatHexLine(*m_bytes, index.row(), m_entryOffset, m_archiveOffset);
    switch (index.column()) {
    case ColEntryOffset:
        return QString::fromStdString(line.EntryOffset);
    case ColArchiveOffset:
        return QString::fromStdString(line.ArchiveOffset);
    case ColBytes:
        return QString::fromStdString(line.Hex);
    case ColChars:
        return QString::fromStdString(line.Chars);
    default:
        return {};
    }
}

QVariant PreviewLinesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole && orientation == Qt::Vertical)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Horizontal)
        return m_blnHex && section < HexColumnCount ? QVariant(m_captions[section]) : QVariant();
    if (m_blnHex || section >= rowCount())
        return {};
    const int32_t line = m_segments[static_cast<size_t>(section)].Line;
    return line > 0 ? QVariant(QString::number(line)) : QVariant(QString());
}
