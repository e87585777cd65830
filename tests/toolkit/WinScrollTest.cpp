// Scrolling a very long list: a view of 10,000,000 rows reaches its end by thumb, wheel and
// keys (positions travel in 32 bits), and scrolling one row moves the back buffer and repaints
// only the uncovered row.

#include <toolkit/host/HostPainter.h>

#include <algorithm>

#include "tests/toolkit/ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

// Paints only its visible rows, each in a colour of its own, and scrolls by copy.
class RowView : public WinView {
public:
    static constexpr int32_t kRows = 10'000'000;
    static constexpr int32_t kRowHeight = 10;

    RowView() { SetStyleWords(HostStyle::kChild | HostStyle::kVisible | HostStyle::kVScroll, 0); }

    static RawColour RowColour(int32_t row)
    {
        return RawColour::FromRgb(row & 0xFF, (row >> 8) & 0xFF, (row >> 16) & 0xFF);
    }
    int32_t Page() const { return Host::ClientRect(Window()).Height() / kRowHeight; }
    int32_t LastShownRow() const { return first_ + Page() - 1; }
    int32_t First() const { return first_; }

    void ScrollTo(int32_t first)
    {
        first = std::clamp(first, 0, kRows - Page());
        const int32_t delta = first - first_;
        first_ = first;
        Host::SetScrollInfo(Window(), kSbVert, { 0, kRows - 1, Page(), first_, 0 });
        Host::ScrollWindow(Window(), 0, -delta * kRowHeight);
    }

    void OnCreated() override { ScrollTo(0); }
    void Paint(HostPainter& painter, const HostRect& dirty) override
    {
        painted.push_back(dirty);
        const HostRect client = Host::ClientRect(Window());
        for (int32_t y = dirty.top / kRowHeight * kRowHeight; y < dirty.bottom; y += kRowHeight)
            painter.FillRect({ 0, y, client.right, y + kRowHeight }, RowColour(first_ + y / kRowHeight));
    }
    bool OnScroll(int, uint16_t code, int32_t position) override
    {
        switch (code) {
        case kSbLineUp:
        case kSbLineDown:
            ScrollTo(first_ + (code == kSbLineUp ? -1 : 1));
            return true;
        case kSbPageUp:
        case kSbPageDown:
            ScrollTo(first_ + (code == kSbPageUp ? -Page() : Page()));
            return true;
        case kSbThumbTrack:
        case kSbThumbPosition:
            ScrollTo(position);
            return true;
        default:
            return false;
        }
    }
    bool OnKeyDown(uint32_t key, uint32_t) override
    {
        if (key == HostKey::kEnd)
            ScrollTo(kRows);
        else if (key == HostKey::kHome)
            ScrollTo(0);
        else if (key == HostKey::kNext || key == HostKey::kDown)
            OnScroll(kSbVert, key == HostKey::kNext ? kSbPageDown : kSbLineDown, 0);
        else
            return false;
        return true;
    }

    std::vector<HostRect> painted;

private:
    int32_t first_ = 0;
};

class WinScroll : public ControlTest {
protected:
    void SetUp() override
    {
        // 200 pixels high: 20 rows; the scroll bar takes 16 pixels of the width.
        dialog.Add(view, { 10, 10, 210, 210 });
        ASSERT_TRUE(dialog.Open());
        Host::SetFocus(view.Window());
        Host::DrainMessages();
    }
    // A point of the scroll bar, which lies in the frame right of the client area.
    HostPoint Bar(int32_t y) const { return { Host::ClientRect(view.Window()).right + 8, y }; }
    void ExpectRowsShown() const
    {
        for (int32_t row = 0; row < view.Page(); ++row)
            ASSERT_EQ(Host::PixelAt(view.Window(), { 5, row * RowView::kRowHeight + 5 }),
                RowView::RowColour(view.First() + row))
                << "row " << row;
    }

    RecordingDialog dialog;
    RowView view;
};

TEST_F(WinScroll, ThumbDraggedToTheBottomReachesTheLastRow)
{
    Host::InjectMouseDown(view.Window(), Bar(20));
    Host::InjectMouseMove(view.Window(), Bar(120));
    Host::DrainMessages();
    EXPECT_GT(view.First(), 65535) << "the tracked position is not cut to 16 bits";
    Host::InjectMouseMove(view.Window(), Bar(400));
    Host::InjectMouseUp(view.Window(), Bar(400));
    Host::DrainMessages();
    EXPECT_EQ(view.LastShownRow(), RowView::kRows - 1);
    EXPECT_EQ(Host::ScrollInfo(view.Window(), kSbVert).pos, RowView::kRows - view.Page());
    ExpectRowsShown();
}

TEST_F(WinScroll, WheelAndKeysReachTheEndAndStopThere)
{
    view.ScrollTo(RowView::kRows - view.Page() - 2);
    Host::InjectWheel(view.Window(), { 20, 20 }, -1); // three rows toward the user
    Host::DrainMessages();
    EXPECT_EQ(view.LastShownRow(), RowView::kRows - 1);

    view.ScrollTo(0);
    Host::InjectKey(HostKey::kEnd);
    Host::InjectKey(HostKey::kNext);
    Host::DrainMessages();
    EXPECT_EQ(view.LastShownRow(), RowView::kRows - 1);
    ExpectRowsShown();
}

TEST_F(WinScroll, OneRowScrolledInvalidatesOnlyTheUncoveredRow)
{
    const HostRect client = Host::ClientRect(view.Window());
    const HostRect last_row { 0, client.bottom - RowView::kRowHeight, client.right, client.bottom };
    view.painted.clear();
    Host::InjectKey(HostKey::kDown);
    Host::DrainMessages();
    EXPECT_EQ(view.First(), 1);
    EXPECT_EQ(view.painted, std::vector<HostRect> { last_row });
    ExpectRowsShown();

    // A part still waiting to be painted moves with the pixels (the second row goes to the
    // top), and the region keeps it apart from the uncovered row.
    const HostRect second_row { 0, RowView::kRowHeight, client.right, 2 * RowView::kRowHeight };
    Host::InvalidateRect(view.Window(), &second_row);
    view.ScrollTo(2);
    const HostRect top_rows { 0, 0, client.right, 2 * RowView::kRowHeight };
    EXPECT_EQ(Host::InvalidRegion(view.Window()), (std::vector<HostRect> { top_rows, last_row }));
    Host::DrainMessages();
    ExpectRowsShown();
}

} // namespace
} // namespace QuelvaneTest
