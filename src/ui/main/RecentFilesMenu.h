#pragma once

#include "IRecentList.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;

// The recent-file entries of the File menu as the indexed list the recent-files
// procedures work on: the control array mnuFileMRU (element 0 always exists and
// is hidden while the list is empty) between the separators mnuFileBarMRU1 and
// mnuFileBarMRU2. Each entry shows one full path; a click hands it to onOpen.
class RecentFilesMenu final : public QObject, public IRecentList
{
    Q_OBJECT

  public:
    RecentFilesMenu(QMenu *menu, QAction *bar1, QAction *firstEntry, QAction *bar2,
                    std::function<void(const QString &)> onOpen);

    int32_t ItemCount() const override;
    std::string ItemText(int32_t index) const override;
    void InsertItem(int32_t index, const std::string &text) override;
    void RemoveItem(int32_t index) override;
    void SetListVisible(bool visible) override;

    // The menu entries, element 0 first (one entry even while the list is empty).
    QList<QAction *> Entries() const { return m_entries; }
    QStringList Paths() const { return m_paths; }

  private:
    QAction *CreateEntry();
    void Sync();

    QMenu *m_menu;
    QAction *m_bar1;
    QAction *m_bar2;
    QList<QAction *> m_entries;
    QStringList m_paths;
    bool m_blnVisible = false;
    std::function<void(const QString &)> m_onOpen;
};
