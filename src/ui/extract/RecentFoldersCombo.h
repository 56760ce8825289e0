#pragma once

#include "IRecentList.h"

class QComboBox;

// The extract dialog's folder combo box as the indexed list the recent-folders
// procedures work on: its items are the recent folders, item 0 the newest. The
// text in the edit field is the dialog's own and is left alone.
class RecentFoldersCombo final : public IRecentList
{
  public:
    explicit RecentFoldersCombo(QComboBox &cboExtractTo);

    int32_t ItemCount() const override;
    std::string ItemText(int32_t index) const override;
    void InsertItem(int32_t index, const std::string &text) override;
    void RemoveItem(int32_t index) override;
    // A combo box shows its list only when opened; nothing to hide.
    void SetListVisible(bool visible) override;

  private:
    QComboBox &m_cboExtractTo;
};
