#pragma once

// The rows of a list box: one unit per item, in the items' order, each pointing to its item (not
// owned) and carrying the row's selection flags. The list is built, or extended at its end, from
// an item creater, which tells how many items there are and gives each one.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace WinLayer {

class WinListBoxItemUnit {
public:
    // Flag bits.
    static constexpr uint16_t kShownSelected = 0x0002;
    static constexpr uint16_t kSelected = 0x0010;

    explicit WinListBoxItemUnit(void* item = nullptr)
        : item_(item)
    {
    }

    void* Item() const { return item_; }
    uint16_t Flags() const { return flags_; }
    void SetFlags(uint16_t flags) { flags_ = flags; }
    bool Selected() const { return (flags_ & kSelected) != 0; }

private:
    void* item_ = nullptr;
    uint16_t flags_ = 0;
};

// The source of a list box's items.
class WinListBoxItemCreater {
public:
    virtual ~WinListBoxItemCreater() = default;
    virtual int32_t ItemCount() const = 0;
    // The item of index 0 .. ItemCount() - 1.
    virtual void* ItemAt(int32_t index) const = 0;
};

class WinListBoxItemList {
public:
    // One unit per item of `creater`. A row that still shows the same item at the same place
    // keeps its flags, so a refresh does not lose the selection.
    void Rebuild(const WinListBoxItemCreater& creater);
    // Units for the items of `creater` beyond the rows there are; returns the first new row.
    int32_t AppendFrom(const WinListBoxItemCreater& creater);
    void Clear() { units_.clear(); }

    int32_t Count() const { return static_cast<int32_t>(units_.size()); }
    bool Valid(int32_t row) const { return row >= 0 && row < Count(); }
    // Rows must be valid.
    WinListBoxItemUnit& At(int32_t row) { return units_[static_cast<size_t>(row)]; }
    const WinListBoxItemUnit& At(int32_t row) const { return units_[static_cast<size_t>(row)]; }

private:
    std::vector<WinListBoxItemUnit> units_;
};

} // namespace WinLayer
