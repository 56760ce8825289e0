#include "RecentFilesMenu.h"

#include <QAction>
#include <QMenu>

#include <utility>

RecentFilesMenu::RecentFilesMenu(QMenu *menu, QAction *bar1, QAction *firstEntry, QAction *bar2,
                                 std::function<void(const QString &)> onOpen)
    : QObject(menu), m_menu(menu), m_bar1(bar1), m_bar2(bar2), m_onOpen(std::move(onOpen))
{
    m_entries.append(firstEntry);
    connect(firstEntry, &QAction::triggered, this,
            [this, firstEntry] { m_onOpen(firstEntry->data().toString()); });
    Sync();
}

int32_t RecentFilesMenu::ItemCount() const
{
    return static_cast<int32_t>(m_paths.size());
}

std::string RecentFilesMenu::ItemText(int32_t index) const
{
    return index >= 0 && index < m_paths.size() ? m_paths.at(index).toStdString() : std::string();
}

void RecentFilesMenu::InsertItem(int32_t index, const std::string &text)
{
    const qsizetype at = std::clamp<qsizetype>(index, 0, m_paths.size());
    m_paths.insert(at, QString::fromStdString(text));
    Sync();
}

void RecentFilesMenu::RemoveItem(int32_t index)
{
    if (index < 0 || index >= m_paths.size())
        return;
    m_paths.removeAt(index);
    Sync();
}

void RecentFilesMenu::SetListVisible(bool visible)
{
    m_blnVisible = visible;
    Sync();
}

QAction *RecentFilesMenu::CreateEntry()
{
    auto *entry = new QAction(m_menu);
    entry->setObjectName(QStringLiteral("mnuFileMRU"));
    entry->setProperty("Tag", QStringLiteral("NOLOC"));
    m_menu->insertAction(m_bar2, entry);
    connect(entry, &QAction::triggered, this,
            [this, entry] { m_onOpen(entry->data().toString()); });
    return entry;
}

void RecentFilesMenu::Sync()
{
    const qsizetype wanted = std::max<qsizetype>(1, m_paths.size());
    while (m_entries.size() < wanted)
        m_entries.append(CreateEntry());
    while (m_entries.size() > wanted) {
        QAction *entry = m_entries.takeLast();
        m_menu->removeAction(entry);
        entry->setVisible(false);
        entry->setObjectName(QString());
        // The entry may be the one whose click is being handled right now.
        entry->deleteLater();
    }
    const bool shown = m_blnVisible && !m_paths.isEmpty();
    m_bar1->setVisible(shown);
    m_bar2->setVisible(shown);
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        QAction *entry = m_entries.at(i);
        const QString path = m_paths.value(i);
        entry->setData(path);
        // The caption is the path as it was opened; "&" would mark an accelerator.
        entry->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setVisible(shown && i < m_paths.size());
    }
}
