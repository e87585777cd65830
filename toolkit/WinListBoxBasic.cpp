#include <toolkit/WinListBoxBasic.h>

#include <algorithm>

namespace WinLayer {

namespace {

constexpr uint16_t kSelectionBits = WinListBoxItemUnit::kSelected | WinListBoxItemUnit::kShownSelected;

} // namespace

int32_t WinListBoxBasic::FirstSelectedRow() const
{
    if (selected_count_ == 0)
        return -1;
    for (int32_t row = selected_low_; row <= selected_high_; ++row)
        if (rows_.At(row).Selected())
            return row;
    return -1;
}

bool WinListBoxBasic::MarkRow(int32_t row, bool selected)
{
    if (!rows_.Valid(row) || rows_.At(row).Selected() == selected)
        return false;
    WinListBoxItemUnit& unit = rows_.At(row);
    const uint16_t flags = unit.Flags();
    unit.SetFlags(selected ? flags | kSelectionBits : flags & ~kSelectionBits);
    selected_count_ += selected ? 1 : -1;
    if (selected) {
        selected_low_ = selected_high_ < selected_low_ ? row : std::min(selected_low_, row);
        selected_high_ = std::max(selected_high_, row);
    }
    return true;
}

void WinListBoxBasic::MarkRange(int32_t from, int32_t to)
{
    const int32_t low = std::max(std::min(from, to), 0);
    const int32_t high = std::min(std::max(from, to), rows_.Count() - 1);
    for (int32_t row = low; row <= high; ++row)
        MarkRow(row, true);
}

void WinListBoxBasic::UnmarkAll()
{
    for (int32_t row = selected_low_; row <= selected_high_ && selected_count_ > 0; ++row)
        MarkRow(row, false);
    selected_count_ = 0;
    selected_low_ = 0;
    selected_high_ = -1;
}

void WinListBoxBasic::RecountSelection()
{
    selected_count_ = 0;
    selected_low_ = 0;
    selected_high_ = -1;
    for (int32_t row = 0; row < rows_.Count(); ++row) {
        if (!rows_.At(row).Selected())
            continue;
        ++selected_count_;
        selected_low_ = selected_high_ < selected_low_ ? row : selected_low_;
        selected_high_ = row;
    }
}

} // namespace WinLayer
