#pragma once

#include <QIdentityProxyModel>

#include <cstdint>

class PakListModel;
class ThumbnailLoader;
struct PakArchive;

// The archive list as the picture view shows it: the same rows, in the same
// order and with the same selection, each with the picture of its entry where
// one can be made (else the list's type icon) and its name.
class PictureGridModel final : public QIdentityProxyModel
{
    Q_OBJECT

  public:
    PictureGridModel(PakListModel *list, ThumbnailLoader *loader, QObject *parent = nullptr);

    // The archive whose entries the rows name; null while none is open.
    void SetArchive(const PakArchive *archive) { m_archive = archive; }
    PakListModel *List() const { return m_list; }

    QVariant data(const QModelIndex &index, int role) const override;

    // Asks for the pictures of rows first to last (those in sight) and then of
    // margin rows on either side; the rest still waiting is dropped.
    void Want(int first, int last, int margin);

    // Whether the entry's name makes it a picture the preview can decode.
    static bool IsPicture(const PakArchive &archive, int32_t entryIndex);

  private:
    void PictureReady(int32_t entryIndex);

    PakListModel *m_list;
    ThumbnailLoader *m_loader;
    const PakArchive *m_archive = nullptr;
    int m_first = 0; // the rows last wanted, margin included
    int m_last = -1;
};
