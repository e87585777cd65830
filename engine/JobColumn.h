#pragma once

// The column set of the result list: a width per column, 100 pixels each at first. The main
// window stores the widths as its "ColumnWidth" parameter, so they can be read and set as a list.

#include <engine/JobColumnTextHandler.h>

#include <array>
#include <cstdint>
#include <vector>

namespace JobLayer {

class JobColumn {
public:
    static constexpr int32_t kCount = JobColumnTextHandler::kColumnCount;
    static constexpr int32_t kInitialWidth = 100;

    JobColumn() { widths_.fill(kInitialWidth); }

    int32_t Width(int32_t column) const
    {
        return column >= 0 && column < kCount ? widths_[static_cast<size_t>(column)] : 0;
    }
    // Negative widths count as 0; a column outside the set is ignored.
    void SetWidth(int32_t column, int32_t width)
    {
        if (column >= 0 && column < kCount)
            widths_[static_cast<size_t>(column)] = width < 0 ? 0 : width;
    }
    // The client x where a column starts (the sum of the widths before it).
    int32_t LeftOf(int32_t column) const
    {
        int32_t left = 0;
        for (int32_t index = 0; index < column && index < kCount; ++index)
            left += widths_[static_cast<size_t>(index)];
        return left;
    }
    std::vector<int32_t> Widths() const { return { widths_.begin(), widths_.end() }; }
    // Takes the widths in column order; missing entries keep their width, extra ones are ignored.
    void SetWidths(const std::vector<int32_t>& widths)
    {
        for (size_t index = 0; index < widths.size() && index < widths_.size(); ++index)
            SetWidth(static_cast<int32_t>(index), widths[index]);
    }

private:
    std::array<int32_t, kCount> widths_ {};
};

} // namespace JobLayer
