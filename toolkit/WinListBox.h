#pragma once

// The toolkit's owner-drawn list: rows of items drawn by hooks, a cursor row, single or
// multiple selection, keyboard and mouse navigation, scrolling in both directions by pixels, and
// a context-menu hook. Row heights come from a hook and are kept in running sums, so the first
// visible row and the scroll position stay exact with rows of different heights; only visible
// rows are painted, and scrolling moves the pixels already shown (one wheel step repaints only
// the strip it uncovers).
//
// Notifications to the owning dialog: kAccept (Enter, a double click on a row), kCursorChanged
// (cursor or selection), kScrolled (the visible position).

#include <toolkit/WinListBoxBasic.h>
#include <toolkit/WinView.h>

#include <cstdint>
#include <vector>

namespace WinLayer {

class HostFont;
class HostPainter;

// Cursor and selection operations; each announces kCursorChanged.
class WinListBoxCursor {
public:
    virtual ~WinListBoxCursor() = default;
    // A row: cursor and anchor become it and it alone is selected, scrolled into view.
    // kNoCursor, kBeforeFirst, kAfterLast (scrolled to the end): no cursor row, nothing
    // selected. Any other value changes nothing.
    virtual void SetCursor(int32_t row) = 0;
    virtual void ToggleSelection(int32_t row) = 0;
    // Selects from the anchor to `row` alone; the cursor moves to `row`.
    virtual void ExtendSelection(int32_t row) = 0;
    virtual void SelectRange(int32_t from, int32_t to) = 0;
    virtual void ClearSelection() = 0;
    virtual void ScrollIntoView(int32_t row) = 0;
};

// Row measuring and painting. The list box's own versions draw plain rows in the selection
// colours; item lists override them.
class WinListBoxDraw {
public:
    virtual ~WinListBoxDraw() = default;
    virtual int32_t RowHeight(int32_t row) = 0;
    // The width a row needs; the widest row sets the horizontal scroll range.
    virtual int32_t RowWidth(int32_t row) = 0;
    // Paints row `row` into `rect` (clipped to it; shifted by the horizontal offset).
    virtual void DrawRow(HostPainter& painter, const HostRect& rect, int32_t row) = 0;
    // Paints the area below the last row.
    virtual void DrawBackground(HostPainter& painter, const HostRect& rect) = 0;
};

// What the user may do where; the defaults allow everything.
class WinListBoxAction {
public:
    virtual ~WinListBoxAction() = default;
    // Shows the context menu at a client point for the row under it (-1 for none).
    virtual void ShowMenu(HostPoint, int32_t) { }
    // True keeps End on the last row even when that row is taller than the window.
    virtual bool KeepsCursorOnEnd() const { return false; }
    virtual bool MaySelect(int32_t) { return true; }
    virtual bool MayAccept(int32_t) { return true; }
    virtual bool MayOpenMenu(int32_t) { return true; }
};

// The notifications a list box sends its dialog.
class WinListBoxTarget {
public:
    static constexpr uint16_t kAccept = 0x1002;
    static constexpr uint16_t kCursorChanged = 0x1008;
    static constexpr uint16_t kScrolled = 0x100A;
};

class WinListBox : public WinView,
                   public WinListBoxCursor,
                   public WinListBoxDraw,
                   public WinListBoxBasic,
                   public WinListBoxAction,
                   public WinListBoxTarget {
public:
    static constexpr RawColour kBackground = RawColour::FromRgb(0xFF, 0xFF, 0xFF);
    static constexpr RawColour kText = RawColour::FromRgb(0x1E, 0x1E, 0x1E);
    // Selected rows while the list has the focus and while it has not.
    static constexpr RawColour kFocusedSelection = RawColour::FromBgrWord(0xFFD0C0);
    static constexpr RawColour kUnfocusedSelection = RawColour::FromBgrWord(0xFFE3D8);
    // One wheel notch scrolls three standard rows; Left and Right scroll this many pixels.
    static constexpr int32_t kWheelRows = 3;
    static constexpr int32_t kHorizontalStep = 24;

    WinListBox();

    // The items the rows are built from (not owned; must outlive the list's use of it).
    void SetItemCreater(const WinListBoxItemCreater* creater) { creater_ = creater; }
    void SetMultipleSelection(bool multiple);
    void SetSelectionShown(bool shown);
    // The standard row height; 0 takes the font's line height with a small margin.
    void SetStandardRowHeight(int32_t height) { row_height_ = height; }
    int32_t StandardRowHeight() const;

    // Rebuilds the rows from the items, measures them, sets the scroll bars and redraws.
    virtual void Refresh();
    // Adds rows for items appended since the last refresh, measuring only those; the rows shown
    // are repainted only when new rows come into view.
    void RefreshAppended();
    // Measures one row again after its height or width changed.
    void RefreshRow(int32_t row);
    // The same for many rows at once: the scroll bars and the window are updated once.
    void RefreshRows(const std::vector<int32_t>& rows);
    // The item a row points to (null for no row).
    void* RowItem(int32_t row) const { return rows_.Valid(row) ? rows_.At(row).Item() : nullptr; }

    void SetCursor(int32_t row) override;
    void ToggleSelection(int32_t row) override;
    void ExtendSelection(int32_t row) override;
    void SelectRange(int32_t from, int32_t to) override;
    void ClearSelection() override;
    void ScrollIntoView(int32_t row) override;
    // Scrolls to a pixel position (clamped); the rows shown move by copy.
    void ScrollTo(int64_t y, int32_t x);

    // Where a row is in client coordinates, and the row under a client point (-1 for none).
    HostRect RowRect(int32_t row) const;
    int32_t RowAtPoint(HostPoint point) const;
    // The colour a row's ground takes: selected rows in the selection colour of the focus state.
    RawColour RowBackground(int32_t row) const;

    int32_t RowHeight(int32_t row) override;
    int32_t RowWidth(int32_t row) override;
    void DrawRow(HostPainter& painter, const HostRect& rect, int32_t row) override;
    void DrawBackground(HostPainter& painter, const HostRect& rect) override;

    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override;
    void Paint(HostPainter& painter, const HostRect& dirty) override;
    bool OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnDoubleClick(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnMouseWheel(HostPoint point, int32_t delta, uint32_t modifiers) override;
    bool OnKeyDown(uint32_t key, uint32_t modifiers) override;
    bool OnContextMenu(HostPoint point) override;
    bool OnScroll(int bar, uint16_t code, int32_t position) override;
    void OnFocusGained() override;
    void OnFocusLost() override;
    void OnCreated() override;

protected:
    const HostFont& DrawingFont() const;
    HostSize ClientSize() const;

private:
    void Measure(int32_t from);
    void UpdateScrollBars();
    void AnnounceScroll();
    // Moves the cursor one row (Up, Down) or to an end (Home, End).
    bool MoveCursorKey(uint32_t key);
    bool ScrollKey(uint32_t key, uint32_t modifiers);
    void ScrollToEnd();
    // The context menu for the cursor row when it is in view, else at the middle for no row.
    void OpenMenuFromKeyboard();
    int64_t MaxScrollY() const;
    int32_t MaxScrollX() const;

    const WinListBoxItemCreater* creater_ = nullptr;
};

} // namespace WinLayer
