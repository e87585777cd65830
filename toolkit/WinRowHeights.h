#pragma once

// The heights of a list's rows and their running sums, in a Fenwick tree: the pixel top of a
// row and the row under a pixel offset are found in logarithmic time, so a list of a million
// rows of different heights places every row exactly without adding heights up on each paint.

#include <cstdint>
#include <vector>

namespace WinLayer {

class WinRowHeights {
public:
    // Adds a row at the end (a negative height counts as 0); O(log n).
    void Append(int32_t height);
    // Changes the height of an existing row (ignored for a row that does not exist).
    void Set(int32_t row, int32_t height);
    // The height of a row, 0 for a row that does not exist.
    int32_t Height(int32_t row) const;
    // The pixel top of a row: the sum of the heights above it. Clamped to 0 .. Count(), so
    // OffsetOf(Count()) is Total().
    int64_t OffsetOf(int32_t row) const;
    // The row containing the pixel offset; above the first row gives 0, at or past the end the
    // last row; -1 for no rows. Rows of height 0 contain no pixel.
    int32_t RowAt(int64_t offset) const;
    int64_t Total() const { return total_; }
    int32_t Count() const { return static_cast<int32_t>(heights_.size()); }
    void Clear();

private:
    // The sum of the first `count` rows.
    int64_t Prefix(int32_t count) const;

    std::vector<int32_t> heights_;
    // Fenwick tree, 1-based: tree_[i] holds the sum of the rows (i - lowbit(i), i].
    std::vector<int64_t> tree_ { 0 };
    int64_t total_ = 0;
    // The highest power of two not above Count(), for the descent of RowAt.
    int32_t top_bit_ = 0;
};

} // namespace WinLayer
