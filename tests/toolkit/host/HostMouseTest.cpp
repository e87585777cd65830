// Mouse input through SDL's queue: routing to the deepest child, capture, disabled windows,
// mouse activation, double clicks, the wheel, and the scroll bars in window frames.

#include "tests/toolkit/host/HostWindowFixture.h"

namespace HostTest {
namespace {

using Mouse = HostWindowTest;

TEST_F(Mouse, ClickReachesTheDeepestChildInItsClientCoordinates)
{
    const HostHandle top = MakeTop({ 100, 100, 400, 300 });
    const HostHandle panel = MakeChild(
        top, { 10, 10, 210, 150 }, 0, HostStyle::kChild | HostStyle::kVisible, HostExStyle::kClientEdge);
    const HostHandle button = MakeChild(panel, { 20, 30, 100, 60 });
    Host::DrainMessages();
    proc.log.clear();
    Host::InjectClick(button, { 5, 7 }, 1, 1, HostMod::kShift);
    Host::DrainMessages();
    const auto downs = proc.Of(HostMsg::kLButtonDown);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].window, button);
    EXPECT_EQ(downs[0].lparam, HostMakeLParam(5, 7));
    EXPECT_EQ(downs[0].wparam, kMkLButton | kMkShift);
    const auto ups = proc.Of(HostMsg::kLButtonUp);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].wparam, kMkShift);
    // The pointer position is the screen point of the click: the top-level's origin, the
    // panel's place and edge, the button's place.
    EXPECT_EQ(Host::CursorPosition(), (HostPoint { 100 + 10 + 2 + 20 + 5, 100 + 10 + 2 + 30 + 7 }));
    EXPECT_GE(proc.Count(button, HostMsg::kSetCursor), 1u);
}

TEST_F(Mouse, MouseActivateComesFirstAndMayEatTheClick)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 50, 50 });
    HostResult answer = kMaActivate;
    proc.answer = [&](HostHandle window, uint32_t message, HostWParam, HostLParam) {
        return window == top && message == HostMsg::kMouseActivate ? answer : kHostNotHandled;
    };
    Host::DrainMessages();
    proc.log.clear();
    Host::InjectClick(child, { 1, 1 });
    Host::DrainMessages();
    const auto order = proc.Sequence({ HostMsg::kMouseActivate, HostMsg::kLButtonDown });
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], std::make_pair(top, HostMsg::kMouseActivate));
    EXPECT_EQ(order[1], std::make_pair(child, HostMsg::kLButtonDown));

    answer = kMaNoActivateAndEat;
    proc.log.clear();
    Host::InjectClick(child, { 1, 1 });
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(top, HostMsg::kMouseActivate), 1u);
    EXPECT_EQ(proc.Count(child, HostMsg::kLButtonDown), 0u);
}

TEST_F(Mouse, ClickOnAnInactiveTopLevelActivatesIt)
{
    const HostHandle first = MakeTop({ 0, 0, 100, 100 });
    const HostHandle second = MakeTop({ 200, 0, 300, 100 });
    ASSERT_EQ(Host::ActiveWindow(), second);
    proc.log.clear();
    Host::InjectClick(first, { 10, 10 });
    Host::DrainMessages();
    EXPECT_EQ(Host::ActiveWindow(), first);
    const auto activations = proc.Of(HostMsg::kActivate);
    ASSERT_EQ(activations.size(), 2u);
    EXPECT_EQ(activations[0].window, second);
    EXPECT_EQ(HostLowWord(activations[0].wparam), kInactive);
    EXPECT_EQ(HostLowWord(activations[1].wparam), kClickActive);
}

TEST_F(Mouse, PopupsTakeClicksWithoutTakingTheActivation)
{
    const HostHandle main = MakeTop({ 0, 0, 300, 200 });
    const HostHandle list = MakeTop({ 20, 20, 120, 120 }, HostStyle::kPopup | HostStyle::kBorder, 0, main);
    Host::ShowWindow(list, HostShow::kShowNa);
    Host::InjectClick(list, { 10, 10 });
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(list, HostMsg::kLButtonDown), 1u);
    EXPECT_EQ(Host::ActiveWindow(), main);
    EXPECT_EQ(Host::ClientRect(list), (HostRect { 0, 0, 98, 98 })); // its border is the host's
}

TEST_F(Mouse, CursorIsAskedOfTheParentFirst)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 50, 50 });
    bool parent_decides = true;
    proc.answer = [&](HostHandle window, uint32_t message, HostWParam wparam, HostLParam) {
        if (message == HostMsg::kSetCursor && window == top) {
            EXPECT_EQ(wparam, child); // the window under the pointer
            return HostResult { parent_decides ? 1 : 0 };
        }
        return kHostNotHandled;
    };
    Host::InjectMouseMove(child, { 5, 5 });
    Host::DrainMessages();
    parent_decides = false;
    Host::InjectMouseMove(child, { 6, 6 });
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(top, HostMsg::kSetCursor), 2u);
    EXPECT_EQ(proc.Count(child, HostMsg::kSetCursor), 2u);
}

TEST_F(Mouse, DisabledWindowsTakeNoClicksAndNeitherDoesTheirParentInstead)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 50, 50 });
    const HostHandle inner = MakeChild(child, { 0, 0, 20, 20 });
    EXPECT_FALSE(Host::EnableWindow(child, false));
    EXPECT_EQ(proc.Of(HostMsg::kEnable).back().wparam, 0u);
    proc.log.clear();
    Host::InjectClick(inner, { 5, 5 });
    Host::InjectClick(child, { 30, 30 });
    Host::DrainMessages();
    EXPECT_TRUE(proc.Of(HostMsg::kLButtonDown).empty());
    EXPECT_TRUE(proc.Of(HostMsg::kLButtonUp).empty());
    EXPECT_TRUE(Host::EnableWindow(child, true));
    Host::InjectClick(inner, { 5, 5 });
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(inner, HostMsg::kLButtonDown), 1u);
}

TEST_F(Mouse, SecondClickOfADoubleClickComesAsDoubleClickAndFallsBackToAPress)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 50, 50 });
    Host::InjectClick(child, { 3, 3 }, 1, 1);
    Host::InjectClick(child, { 3, 3 }, 1, 2);
    Host::InjectClick(child, { 3, 3 }, 3, 2);
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(child, HostMsg::kLButtonDblClk), 1u);
    EXPECT_EQ(proc.Count(child, HostMsg::kRButtonDblClk), 1u);
    // The test procedure leaves double clicks to the default: each comes back as a press.
    EXPECT_EQ(proc.Count(child, HostMsg::kLButtonDown), 2u);
    EXPECT_EQ(proc.Count(child, HostMsg::kRButtonDown), 1u);
}

TEST_F(Mouse, CaptureGetsTheMouseOutsideItself)
{
    const HostHandle top = MakeTop();
    const HostHandle left = MakeChild(top, { 0, 0, 50, 50 });
    const HostHandle right = MakeChild(top, { 100, 0, 150, 50 });
    Host::SetCapture(left);
    proc.log.clear();
    Host::InjectMouseMove(right, { 10, 10 });
    Host::InjectMouseUp(right, { 10, 10 });
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(right, HostMsg::kMouseMove), 0u);
    const auto moves = proc.Of(HostMsg::kMouseMove);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().window, left);
    EXPECT_EQ(moves.back().lparam, HostMakeLParam(110, 10));
    EXPECT_EQ(proc.Count(left, HostMsg::kLButtonUp), 1u);
    const HostHandle other = MakeChild(top, { 0, 100, 10, 110 });
    Host::SetCapture(other);
    ASSERT_EQ(proc.Of(HostMsg::kCaptureChanged).size(), 1u);
    EXPECT_EQ(proc.Of(HostMsg::kCaptureChanged)[0].lparam, static_cast<HostLParam>(other));
    Host::ReleaseCapture();
    EXPECT_EQ(Host::Capture(), 0u);
}

TEST_F(Mouse, LeavingAWindowTellsIt)
{
    const HostHandle top = MakeTop();
    const HostHandle a = MakeChild(top, { 0, 0, 50, 50 });
    const HostHandle b = MakeChild(top, { 60, 0, 110, 50 });
    Host::InjectMouseMove(a, { 5, 5 });
    Host::InjectMouseMove(a, { 6, 6 });
    Host::InjectMouseMove(b, { 5, 5 });
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(a, HostMsg::kMouseMove), 2u);
    EXPECT_EQ(proc.Count(a, HostMsg::kMouseLeave), 1u);
    EXPECT_EQ(proc.Count(b, HostMsg::kMouseLeave), 0u);
}

TEST_F(Mouse, WheelGoesUnderThePointerAndUpToTheParentByDefault)
{
    const HostHandle top = MakeTop();
    const HostHandle list = MakeChild(
        top, { 0, 0, 100, 100 }, 0, HostStyle::kChild | HostStyle::kVisible | HostStyle::kVScroll);
    const HostHandle label = MakeChild(list, { 0, 0, 40, 20 });
    proc.log.clear();
    Host::InjectWheel(label, { 5, 5 }, -1);
    Host::DrainMessages();
    const auto wheels = proc.Of(HostMsg::kMouseWheel);
    ASSERT_EQ(wheels.size(), 2u); // the label, then its parent
    EXPECT_EQ(wheels[0].window, label);
    EXPECT_EQ(static_cast<int16_t>(HostHighWord(wheels[0].wparam)), -120);
    EXPECT_EQ(wheels[1].window, list);
    // The list has a scroll bar: three lines down, then the end of scrolling.
    const auto scrolls = proc.Of(HostMsg::kVScroll);
    ASSERT_EQ(scrolls.size(), 4u);
    EXPECT_EQ(HostLowWord(scrolls[0].wparam), kSbLineDown);
    EXPECT_EQ(HostLowWord(scrolls[3].wparam), kSbEndScroll);
}

class ScrollBar : public HostWindowTest {
protected:
    void SetUp() override
    {
        HostWindowTest::SetUp();
        top = MakeTop({ 0, 0, 300, 300 });
        list = MakeChild(
            top, { 0, 0, 116, 200 }, 0, HostStyle::kChild | HostStyle::kVisible | HostStyle::kVScroll);
        Host::SetScrollInfo(list, kSbVert, { 0, 99, 10, 0, 0 });
        Host::DrainMessages();
        proc.log.clear();
    }
    std::vector<uint16_t> Codes() const
    {
        std::vector<uint16_t> codes;
        for (const Received& r : proc.Of(HostMsg::kVScroll))
            codes.push_back(HostLowWord(r.wparam));
        return codes;
    }
    // A point of the bar (it is in the frame: client x 100 is its left edge).
    HostPoint Bar(int32_t y) const { return { 108, y }; }
    HostHandle top = 0;
    HostHandle list = 0;
};

TEST_F(ScrollBar, ArrowsAndPageAreasSendTheirCodes)
{
    Host::InjectClick(list, Bar(195));
    Host::InjectClick(list, Bar(5));
    Host::InjectClick(list, Bar(150));
    Host::DrainMessages();
    EXPECT_EQ(Codes(),
        (std::vector<uint16_t> {
            kSbLineDown, kSbEndScroll, kSbLineUp, kSbEndScroll, kSbPageDown, kSbEndScroll }));
    EXPECT_EQ(proc.Count(list, HostMsg::kLButtonDown), 0u); // the frame is not the client area
}

TEST_F(ScrollBar, DraggingTheThumbTracksThenSetsThePosition)
{
    // The track is 168 pixels (200 less two arrows), the thumb 16 of it (page 10 of 100).
    Host::InjectMouseDown(list, Bar(20));
    Host::InjectMouseMove(list, Bar(20 + 76));
    Host::InjectMouseUp(list, Bar(20 + 76));
    Host::DrainMessages();
    const auto scrolls = proc.Of(HostMsg::kVScroll);
    ASSERT_EQ(scrolls.size(), 3u);
    EXPECT_EQ(HostLowWord(scrolls[0].wparam), kSbThumbTrack);
    const int32_t tracked = static_cast<int32_t>(scrolls[0].lparam);
    EXPECT_EQ(tracked, 45); // 76 of 152 pixels of travel is half of the 90 positions
    EXPECT_EQ(HostLowWord(scrolls[1].wparam), kSbThumbPosition);
    EXPECT_EQ(scrolls[1].lparam, tracked);
    EXPECT_EQ(HostLowWord(scrolls[2].wparam), kSbEndScroll);
    // The host leaves the position to the window.
    EXPECT_EQ(Host::ScrollInfo(list, kSbVert).pos, 0);
}

TEST_F(ScrollBar, ThumbIsDrawnWhereThePositionPutsIt)
{
    constexpr RawColour kThumb = RawColour::FromRgb(0xC1, 0xC1, 0xC1);
    constexpr RawColour kTrack = RawColour::FromRgb(0xE8, 0xE8, 0xE8);
    EXPECT_EQ(Host::PixelAt(list, Bar(20)), kThumb);
    EXPECT_EQ(Host::PixelAt(list, Bar(100)), kTrack);
    Host::SetScrollInfo(list, kSbVert, { 0, 99, 10, 45, 0 });
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(list, Bar(20)), kTrack);
    EXPECT_EQ(Host::PixelAt(list, Bar(16 + 76 + 8)), kThumb);
    EXPECT_EQ(proc.Count(list, HostMsg::kPaint), 0u); // only the frame was repainted
}

TEST_F(ScrollBar, ScrollInfoIsClampedToTheRange)
{
    Host::SetScrollInfo(list, kSbVert, { 0, 99, 10, 500, 0 });
    EXPECT_EQ(Host::ScrollInfo(list, kSbVert).pos, 90);
    Host::SetScrollInfo(list, kSbVert, { 10, 5, 50, -3, 0 });
    const HostScrollInfo info = Host::ScrollInfo(list, kSbVert);
    EXPECT_EQ(info.max, 10);
    EXPECT_EQ(info.page, 1);
    EXPECT_EQ(info.pos, 10);
    // A bar that cannot scroll takes clicks and sends nothing.
    Host::InjectClick(list, Bar(195));
    Host::DrainMessages();
    EXPECT_TRUE(Codes().empty());
}

} // namespace
} // namespace HostTest
