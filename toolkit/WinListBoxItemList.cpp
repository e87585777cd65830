#include <toolkit/WinListBoxItemList.h>

#include <algorithm>

namespace WinLayer {

void WinListBoxItemList::Rebuild(const WinListBoxItemCreater& creater)
{
    const int32_t count = std::max(creater.ItemCount(), 0);
    std::vector<WinListBoxItemUnit> units;
    units.reserve(static_cast<size_t>(count));
    for (int32_t index = 0; index < count; ++index) {
        WinListBoxItemUnit unit(creater.ItemAt(index));
        if (index < Count() && At(index).Item() == unit.Item())
            unit.SetFlags(At(index).Flags());
        units.push_back(unit);
    }
    units_.swap(units);
}

int32_t WinListBoxItemList::AppendFrom(const WinListBoxItemCreater& creater)
{
    const int32_t first = Count();
    const int32_t count = creater.ItemCount();
    // No reserve: a search appends in many small batches, and the vector's own growth keeps
    // that linear.
    for (int32_t index = first; index < count; ++index)
        units_.emplace_back(creater.ItemAt(index));
    return first;
}

} // namespace WinLayer
