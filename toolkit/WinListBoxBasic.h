#pragma once

// The state of a list box: its rows and their heights, the cursor and the anchor, the scroll
// position and what was last announced of it, the standard row height, the widest row and the
// list flags. The selection is kept in the rows' flags; the rows between the lowest and highest
// ever selected since the last clear bound where selected rows can be, so clearing the selection
// of one row in a million rows touches one row.

#include <toolkit/WinListBoxItemList.h>
#include <toolkit/WinRowHeights.h>

#include <cstdint>

namespace WinLayer {

class WinListBoxBasic {
public:
    // List flag bits.
    static constexpr uint32_t kHasFocus = 0x1;
    static constexpr uint32_t kMultipleSelection = 0x2;
    static constexpr uint32_t kSelectionHidden = 0x4;

    // Cursor positions that are not rows.
    static constexpr int32_t kNoCursor = -1;
    static constexpr int32_t kBeforeFirst = -2;
    static constexpr int32_t kAfterLast = -3;

    int32_t RowCount() const { return rows_.Count(); }
    const WinListBoxItemList& Rows() const { return rows_; }
    const WinRowHeights& Heights() const { return heights_; }
    int32_t Cursor() const { return cursor_; }
    int32_t Anchor() const { return anchor_; }
    // The row at the top of the client area (-1 without rows).
    int32_t FirstVisibleRow() const { return heights_.RowAt(scroll_y_); }
    int64_t ScrollY() const { return scroll_y_; }
    int32_t ScrollX() const { return scroll_x_; }
    int32_t WidestRow() const { return widest_; }
    uint32_t ListFlags() const { return list_flags_; }
    bool Multiple() const { return (list_flags_ & kMultipleSelection) != 0; }

    bool IsSelected(int32_t row) const { return rows_.Valid(row) && rows_.At(row).Selected(); }
    int32_t SelectedCount() const { return selected_count_; }
    // The first selected row, -1 when none.
    int32_t FirstSelectedRow() const;

protected:
    // Selects or deselects one row (shown-selected follows); false when nothing changed.
    bool MarkRow(int32_t row, bool selected);
    // Selects the rows between two rows, both included, in either order.
    void MarkRange(int32_t from, int32_t to);
    void UnmarkAll();
    // Forgets the bounds and counts after the rows were rebuilt.
    void RecountSelection();

    WinListBoxItemList rows_;
    WinRowHeights heights_;
    int32_t cursor_ = kNoCursor;
    int32_t anchor_ = kNoCursor;
    int64_t scroll_y_ = 0;
    int32_t scroll_x_ = 0;
    int64_t announced_y_ = 0;
    int32_t announced_x_ = 0;
    // 0 until set or taken from the font.
    int32_t row_height_ = 0;
    int32_t widest_ = 0;
    uint32_t list_flags_ = 0;

private:
    int32_t selected_count_ = 0;
    // Selected rows lie within [selected_low_, selected_high_]; empty when low > high.
    int32_t selected_low_ = 0;
    int32_t selected_high_ = -1;
};

} // namespace WinLayer
