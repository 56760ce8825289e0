#include "RecentFoldersCombo.h"

#include <QComboBox>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// Changing the items must not change the folder typed in the edit field.
class KeepEditText final
{
  public:
    explicit KeepEditText(QComboBox &combo)
        : m_combo(combo), m_text(combo.currentText()), m_blocker(combo)
    {
    }
    ~KeepEditText()
    {
        if (m_combo.currentText() != m_text)
            m_combo.setEditText(m_text);
    }
    KeepEditText(const KeepEditText &) = delete;
    KeepEditText &operator=(const KeepEditText &) = delete;

  private:
    QComboBox &m_combo;
    QString m_text;
    QSignalBlocker m_blocker;
};

} // namespace

RecentFoldersCombo::RecentFoldersCombo(QComboBox &cboExtractTo) : m_cboExtractTo(cboExtractTo) {}

int32_t RecentFoldersCombo::ItemCount() const
{
    return m_cboExtractTo.count();
}

std::string RecentFoldersCombo::ItemText(int32_t index) const
{
    return index >= 0 && index < m_cboExtractTo.count()
               ? m_cboExtractTo.itemText(index).toStdString()
               : std::string();
}

void RecentFoldersCombo::InsertItem(int32_t index, const std::string &text)
{
    const KeepEditText keep(m_cboExtractTo);
    m_cboExtractTo.insertItem(std::clamp(index, 0, m_cboExtractTo.count()),
                              QString::fromStdString(text));
}

void RecentFoldersCombo::RemoveItem(int32_t index)
{
    if (index < 0 || index >= m_cboExtractTo.count())
        return;
    const KeepEditText keep(m_cboExtractTo);
    m_cboExtractTo.removeItem(index);
}

void RecentFoldersCombo::SetListVisible(bool) {}
