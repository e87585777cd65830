#pragma once

// Lets the user drag the borders between list columns in a header. Attached as a hook to the
// view that shows the header (a band of `header_height` pixels at its top, or all of it when the
// height is 0): a left press within a few pixels of a column's right border takes the mouse, each
// move sets that column's width (never below kMinimumWidth) and reports the widths to the owner,
// the release ends the drag. Presses elsewhere are left to the view. Hooks see a message after the
// view's own handler, so the header is a view of its own, not the list itself. The header
// scrolls sideways with its list by the offset it is given.

#include <toolkit/WinListBoxColumn.h>
#include <toolkit/WinViewHook.h>

#include <cstdint>
#include <vector>

namespace WinLayer {

class HostFont;
class HostPainter;

class WinListBoxColumnControl : public WinViewHook {
public:
    // Told of every width change while a border is dragged.
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void ColumnWidthsChanged(const std::vector<WinListBoxColumn>& columns) = 0;
    };

    static constexpr int32_t kGrip = 3;
    static constexpr int32_t kMinimumWidth = 8;
    static constexpr RawColour kFace = RawColour::FromRgb(0xF0, 0xF0, 0xF0);
    static constexpr RawColour kLine = RawColour::FromRgb(0xA0, 0xA0, 0xA0);
    static constexpr RawColour kText = RawColour::FromRgb(0x1E, 0x1E, 0x1E);

    WinListBoxColumnControl(Handler& handler, int32_t header_height);

    std::vector<WinListBoxColumn>& Columns() { return columns_; }
    const std::vector<WinListBoxColumn>& Columns() const { return columns_; }
    // The list's horizontal scroll offset: the header moves with its rows.
    void SetOffset(int32_t offset) { offset_ = offset; }
    // The column whose right border is within kGrip pixels of client x (-1 for none); the last
    // of columns whose borders meet there (a column squeezed to nothing stays reachable).
    int32_t BorderAt(int32_t x) const;
    bool Dragging() const { return dragged_ >= 0; }

    // Paints the header cells (face, text, border lines) into `band`.
    void Draw(HostPainter& painter, const HostRect& band, const HostFont& font) const;

    HostResult HookMessage(WinView& view, uint32_t message, HostWParam wparam, HostLParam lparam) override;

private:
    bool InHeader(const WinView& view, HostPoint point) const;
    // The client x of the left edge of a column.
    int32_t LeftOf(int32_t column) const;
    void DragTo(WinView& view, int32_t x);

    Handler& handler_;
    int32_t header_height_ = 0;
    std::vector<WinListBoxColumn> columns_;
    int32_t offset_ = 0;
    int32_t dragged_ = -1;
    // Where the pointer took the border, relative to the border itself.
    int32_t grab_ = 0;
};

} // namespace WinLayer
