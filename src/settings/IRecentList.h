#pragma once

#include <cstdint>
#include <string>

// An indexed list of texts that shows a recent list: the recent-files entries of
// the File menu (with the separators around them) or the items of the extract
// dialog's folder combo box. Item 0 is the newest.
class IRecentList
{
  public:
    virtual ~IRecentList() = default;

    virtual int32_t ItemCount() const = 0;
    // The text at the index; the empty text at or past the end.
    virtual std::string ItemText(int32_t index) const = 0;
    // Inserts a text before the item at the index (at the end when index == ItemCount).
    virtual void InsertItem(int32_t index, const std::string &text) = 0;
    virtual void RemoveItem(int32_t index) = 0;
    // Shows or hides the list's section of the window (a menu shows its entries
    // and separators only while the list is not empty; a combo box may ignore it).
    virtual void SetListVisible(bool visible) = 0;
};
