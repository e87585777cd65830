#include <toolkit/WinRowHeights.h>

#include <algorithm>

namespace WinLayer {

namespace {

int32_t LowBit(int32_t index)
{
    return index & -index;
}

} // namespace

void WinRowHeights::Append(int32_t height)
{
    height = std::max(height, 0);
    heights_.push_back(height);
    const int32_t index = Count();
    // The new node covers (index - lowbit, index]: the rows before it in that range are already
    // summed in the prefix.
    tree_.push_back(height + Prefix(index - 1) - Prefix(index - LowBit(index)));
    total_ += height;
    if (top_bit_ * 2 <= index)
        top_bit_ = top_bit_ == 0 ? 1 : top_bit_ * 2;
}

void WinRowHeights::Set(int32_t row, int32_t height)
{
    if (row < 0 || row >= Count())
        return;
    height = std::max(height, 0);
    const int64_t delta = int64_t { height } - heights_[row];
    if (delta == 0)
        return;
    heights_[row] = height;
    total_ += delta;
    for (int32_t index = row + 1; index <= Count(); index += LowBit(index))
        tree_[index] += delta;
}

int32_t WinRowHeights::Height(int32_t row) const
{
    return row >= 0 && row < Count() ? heights_[row] : 0;
}

int64_t WinRowHeights::Prefix(int32_t count) const
{
    int64_t sum = 0;
    for (int32_t index = count; index > 0; index -= LowBit(index))
        sum += tree_[index];
    return sum;
}

int64_t WinRowHeights::OffsetOf(int32_t row) const
{
    return Prefix(std::clamp(row, 0, Count()));
}

int32_t WinRowHeights::RowAt(int64_t offset) const
{
    if (heights_.empty())
        return -1;
    if (offset < 0)
        return 0;
    // Descends to the largest count of rows whose sum is not above the offset: the row after
    // them is the one the offset falls in.
    int32_t count = 0;
    int64_t rest = offset;
    for (int32_t step = top_bit_; step > 0; step /= 2) {
        const int32_t next = count + step;
        if (next <= Count() && tree_[next] <= rest) {
            count = next;
            rest -= tree_[next];
        }
    }
    return std::min(count, Count() - 1);
}

void WinRowHeights::Clear()
{
    heights_.clear();
    tree_.assign(1, 0);
    total_ = 0;
    top_bit_ = 0;
}

} // namespace WinLayer
