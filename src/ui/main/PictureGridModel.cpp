#include "PictureGridModel.h"

#include "PakListModel.h"
#include "PreviewLoader.h"
#include "ThumbnailLoader.h"
#include "mdlPakFile.h"

#include <QIcon>
#include <QPixmap>

#include <algorithm>
#include <utility>
#include <vector>

PictureGridModel::PictureGridModel(PakListModel *list, ThumbnailLoader *loader, QObject *parent)
    : QIdentityProxyModel(parent), m_list(list), m_loader(loader)
{
    setSourceModel(list);
    connect(loader, &ThumbnailLoader::Ready, this, &PictureGridModel::PictureReady);
}

bool PictureGridModel::IsPicture(const PakArchive &archive, int32_t entryIndex)
{
    if (entryIndex < 0 || static_cast<size_t>(entryIndex) >= archive.Entries.size())
        return false;
    static const QStringList extensions = {QStringLiteral("dds"),  QStringLiteral("tga"),
                                           QStringLiteral("png"),  QStringLiteral("jpg"),
                                           QStringLiteral("jpeg"), QStringLiteral("bmp"),
                                           QStringLiteral("gif"),  QStringLiteral("ico")};
    return extensions.contains(PreviewLoader::NameExtension(
        PakEntryName(archive.Entries[static_cast<size_t>(entryIndex)])));
}

QVariant PictureGridModel::data(const QModelIndex &index, int role) const
{
    if (index.column() == 0 && m_archive != nullptr) {
        if (role == Qt::DecorationRole) {
            // An icon is drawn centred in the cell's picture area, whatever its size.
            QPixmap picture;
            if (m_loader->Lookup(m_list->EntryIndex(index.row()), &picture) ==
                ThumbnailLoader::State::Ready)
                return QIcon(picture);
        } else if (role == Qt::DisplayRole) {
            // Below a picture, the file's own name; the folders are in the tooltip.
            const QString name = QIdentityProxyModel::data(index, role).toString();
            return name.mid(name.lastIndexOf(QLatin1Char('\\')) + 1);
        }
    }
    return QIdentityProxyModel::data(index, role);
}

void PictureGridModel::Want(int first, int last, int margin)
{
    const int rows = rowCount();
    if (m_archive == nullptr || rows == 0) {
        m_first = 0;
        m_last = -1;
        return;
    }
    first = std::clamp(first, 0, rows - 1);
    last = std::clamp(last, first, rows - 1);
    m_first = std::max(0, first - margin);
    m_last = std::min(rows - 1, last + margin);
    std::vector<std::pair<int32_t, PakEntry>> wanted;
    const auto add = [&](int row) {
        const int32_t entry = m_list->EntryIndex(row);
        if (IsPicture(*m_archive, entry))
            wanted.emplace_back(entry, m_archive->Entries[static_cast<size_t>(entry)]);
    };
    // In sight first, then ahead in the direction of reading, then behind.
    for (int row = first; row <= last; ++row)
        add(row);
    for (int row = last + 1; row <= m_last; ++row)
        add(row);
    for (int row = first - 1; row >= m_first; --row)
        add(row);
    m_loader->Request(wanted);
}

void PictureGridModel::PictureReady(int32_t entryIndex)
{
    // Only rows near the sight are ever asked for, so only they are looked at.
    for (int row = m_first; row <= m_last && row < rowCount(); ++row) {
        if (m_list->EntryIndex(row) == entryIndex) {
            const QModelIndex cell = index(row, 0);
            emit dataChanged(cell, cell, {Qt::DecorationRole});
            return;
        }
    }
}
