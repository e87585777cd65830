#pragma once

// A list box over items of one class. The items are held by pointer and not owned: the owner
// keeps them alive while they are listed, appends to Items() and calls RefreshAppended (or
// changes them and calls Refresh).

#include <toolkit/WinListBox.h>

#include <vector>

namespace WinLayer {

template <class Item> class WinListBoxR : public WinListBox, private WinListBoxItemCreater {
public:
    WinListBoxR() { SetItemCreater(this); }

    std::vector<Item*>& Items() { return items_; }
    const std::vector<Item*>& Items() const { return items_; }
    // The item of a row (null for no row).
    Item* ItemOf(int32_t row) const { return static_cast<Item*>(RowItem(row)); }

private:
    int32_t ItemCount() const override { return static_cast<int32_t>(items_.size()); }
    void* ItemAt(int32_t index) const override { return items_[static_cast<size_t>(index)]; }

    std::vector<Item*> items_;
};

} // namespace WinLayer
