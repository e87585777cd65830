#pragma once

// A splitter between two views of a dialog: the user drags it to move the border between them.
// A vertical divider stands between a left and a right view and moves sideways; a horizontal
// one stands between an upper and a lower view. Each view keeps at least the minimum size. When a
// drag has moved the border, the divider reports: a command with its notification code to
// itself (which reaches the dialog's OnNotify), or a plain command to the dialog when it has no
// code.

#include <toolkit/WinView.h>

#include <cstdint>

namespace WinLayer {

class HostPainter;

class WinDivider : public WinView {
public:
    enum class Orientation { Vertical, Horizontal };

    static constexpr int32_t kDefaultMinimumSize = 24;
    static constexpr RawColour kFace = RawColour::FromRgb(0xE2, 0xE2, 0xE2);
    static constexpr RawColour kGrip = RawColour::FromRgb(0x8A, 0x8A, 0x8A);

    explicit WinDivider(Orientation orientation = Orientation::Vertical);

    // The views on either side (left/top first). Not owned; they belong to the same dialog.
    void Attach(WinView& first, WinView& second);
    // A view that sits between the divider and the second view and keeps its own size (a list's
    // column header above the list): it moves with the border, the second view starts below it.
    void SetFollower(WinView* follower) { follower_ = follower; }
    void SetMinimumSize(int32_t size) { minimum_size_ = size < 0 ? 0 : size; }
    int32_t MinimumSize() const { return minimum_size_; }
    void SetCode(uint16_t code) { code_ = code; }
    uint16_t Code() const { return code_; }
    Orientation GetOrientation() const { return orientation_; }

    // The divider's leading edge (left or top) in the parent's client coordinates.
    int32_t Position() const;
    // The range the leading edge may take with both views at least the minimum size; `low` >
    // `high` when the views are too small for any move.
    void Limits(int32_t& low, int32_t& high) const;
    // Moves the divider's leading edge to `position`, kept within the limits, and resizes the two
    // views to meet it. Returns the position taken.
    int32_t MoveBorder(int32_t position);

    void Paint(HostPainter& painter, const HostRect& dirty) override;
    // A press takes the divider; moves drag it; the release reports the move.
    bool OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnMouseMove(HostPoint point, uint32_t modifiers) override;
    bool OnMouseUp(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    void OnCaptureLost() override;
    // kSetCursor shows the arrows of the divider's direction.
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override;

private:
    int32_t Along(HostPoint point) const;
    // The follower's size across the border; 0 without one.
    int32_t FollowerExtent() const;
    void Report();

    Orientation orientation_;
    WinView* first_ = nullptr;
    WinView* second_ = nullptr;
    WinView* follower_ = nullptr;
    int32_t minimum_size_ = kDefaultMinimumSize;
    uint16_t code_ = 0;
    bool dragging_ = false;
    int32_t grab_ = 0;  // where the divider was taken, in its own client coordinates
    int32_t start_ = 0; // its position when the drag began
};

} // namespace WinLayer
