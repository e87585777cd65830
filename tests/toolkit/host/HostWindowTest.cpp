// Windows of the host: creation and destruction order, geometry with frames and scroll bars,
// z-order, showing states, and painting read back from the back buffer.

#include <cstdio>

#include "tests/TestSupport.h"
#include "tests/toolkit/host/HostWindowFixture.h"

namespace HostTest {
namespace {

constexpr RawColour kRed = RawColour::FromRgb(255, 0, 0);
constexpr RawColour kBlue = RawColour::FromRgb(0, 0, 255);
constexpr RawColour kGreen = RawColour::FromRgb(0, 255, 0);

TEST_F(HostWindowTest, CreationSendsCreateThenSizeAndChildrenStackInOrder)
{
    const HostHandle top = MakeTop();
    ASSERT_NE(top, 0u);
    const HostHandle a = MakeChild(top, { 10, 10, 50, 50 }, 2501);
    const HostHandle b = MakeChild(top, { 20, 20, 60, 60 }, 2502);
    EXPECT_EQ(Host::Children(top), (std::vector<HostHandle> { a, b }));
    EXPECT_EQ(Host::ChildById(top, 2502), b);
    EXPECT_EQ(Host::Parent(a), top);
    EXPECT_EQ(Host::TopLevel(b), top);
    const auto created = proc.Sequence({ HostMsg::kCreate, HostMsg::kSize });
    ASSERT_GE(created.size(), 6u);
    EXPECT_EQ(created[0], std::make_pair(top, HostMsg::kCreate));
    EXPECT_EQ(created[1], std::make_pair(top, HostMsg::kSize));
    EXPECT_EQ(created[2], std::make_pair(a, HostMsg::kCreate));
    EXPECT_EQ(created[3], std::make_pair(a, HostMsg::kSize));
    // A top-level with kVisible is shown and active.
    EXPECT_TRUE(Host::IsVisible(top));
    EXPECT_EQ(Host::ActiveWindow(), top);
}

TEST_F(HostWindowTest, CreateAnsweredWithMinusOneFailsAndHandlesAreNeverReused)
{
    proc.answer = [](HostHandle, uint32_t message, HostWParam, HostLParam) {
        return message == HostMsg::kCreate ? HostResult { -1 } : kHostNotHandled;
    };
    EXPECT_EQ(MakeTop(), 0u);
    proc.answer = nullptr;
    const HostHandle first = MakeTop();
    ASSERT_TRUE(Host::DestroyWindow(first));
    EXPECT_FALSE(Host::IsWindow(first));
    EXPECT_FALSE(Host::DestroyWindow(first));
    const HostHandle second = MakeTop();
    EXPECT_GT(second, first);
    // A child needs a live parent.
    EXPECT_EQ(MakeChild(first, { 0, 0, 10, 10 }), 0u);
}

TEST_F(HostWindowTest, DestroySendsParentNotifyBeforeEachChildsDestroyAndNcDestroyDeepestFirst)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 100, 100 }, 7);
    const HostHandle grandchild = MakeChild(child, { 0, 0, 10, 10 }, 8);
    Host::SetFocus(grandchild);
    Host::SetCapture(grandchild);
    ASSERT_TRUE(Host::SetTimer(grandchild, 1, 5));
    proc.log.clear();
    ASSERT_TRUE(Host::DestroyWindow(child));

    const auto order = proc.Sequence({ HostMsg::kParentNotify, HostMsg::kDestroy, HostMsg::kNcDestroy });
    const std::vector<std::pair<HostHandle, uint32_t>> expected {
        { top, HostMsg::kParentNotify },
        { child, HostMsg::kDestroy },
        { child, HostMsg::kParentNotify },
        { grandchild, HostMsg::kDestroy },
        { grandchild, HostMsg::kNcDestroy },
        { child, HostMsg::kNcDestroy },
    };
    EXPECT_EQ(order, expected);
    const auto notes = proc.Of(HostMsg::kParentNotify);
    EXPECT_EQ(notes[0].wparam, HostMakeWParam(HostMsg::kDestroy, 7));
    EXPECT_EQ(notes[0].lparam, static_cast<HostLParam>(child));
    // The focus went to the parent, the capture was released, the timer ended.
    EXPECT_EQ(Host::Focus(), top);
    EXPECT_EQ(Host::Capture(), 0u);
    EXPECT_FALSE(Host::IsWindow(grandchild));
    EXPECT_TRUE(Host::Children(top).empty());
}

TEST_F(HostWindowTest, DestroyingAnOwnerDestroysItsOwnedWindowsFirst)
{
    const HostHandle owner = MakeTop();
    const HostHandle dialog
        = MakeTop({ 150, 150, 300, 250 }, HostStyle::kCaption | HostStyle::kVisible, 0, owner);
    EXPECT_EQ(Host::Owner(dialog), owner);
    proc.log.clear();
    Host::DestroyWindow(owner);
    const auto order = proc.Sequence({ HostMsg::kDestroy });
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0].first, dialog);
    EXPECT_FALSE(Host::IsWindow(dialog));
}

TEST_F(HostWindowTest, FramesAndScrollBarsShrinkTheClientArea)
{
    const HostHandle top = MakeTop({ 0, 0, 500, 400 });
    struct Case {
        uint32_t style;
        uint32_t ex_style;
        HostRect client;
    };
    const Case cases[] = {
        { 0, 0, { 0, 0, 100, 80 } },
        { HostStyle::kBorder, 0, { 0, 0, 98, 78 } },
        { 0, HostExStyle::kClientEdge, { 0, 0, 96, 76 } },
        { HostStyle::kBorder, HostExStyle::kClientEdge, { 0, 0, 94, 74 } },
        { HostStyle::kVScroll, 0, { 0, 0, 84, 80 } },
        { HostStyle::kVScroll | HostStyle::kHScroll | HostStyle::kBorder, 0, { 0, 0, 82, 62 } },
    };
    for (const Case& c : cases) {
        const HostHandle child
            = MakeChild(top, { 10, 20, 110, 100 }, 0, HostStyle::kChild | c.style, c.ex_style);
        EXPECT_EQ(Host::ClientRect(child), c.client) << std::hex << c.style << " " << c.ex_style;
        EXPECT_EQ(Host::AdjustWindowRect(c.client, c.style | HostStyle::kChild, c.ex_style).Width(), 100);
        const int32_t border = (c.style & HostStyle::kBorder ? 1 : 0) + (c.ex_style ? 2 : 0);
        EXPECT_EQ(Host::ClientToScreen(child, { 0, 0 }), (HostPoint { 10 + border, 20 + border }));
        Host::DestroyWindow(child);
    }
    // A captioned top-level's frame is the window manager's: its client is its whole rectangle.
    EXPECT_EQ(Host::ClientRect(top), (HostRect { 0, 0, 500, 400 }));
    EXPECT_EQ(Host::Metric(HostMetric::VScrollWidth), 16);
}

TEST_F(HostWindowTest, StyleChangesResizeTheClientAtOnce)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 100, 100 });
    proc.log.clear();
    Host::SetStyle(child, Host::Style(child) | HostStyle::kVScroll);
    EXPECT_EQ(Host::ClientRect(child).Width(), 84);
    const auto sizes = proc.Of(HostMsg::kSize);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].lparam, HostMakeLParam(84, 100));
    // The visible state stays what ShowWindow made it.
    EXPECT_TRUE(Host::Style(child) & HostStyle::kVisible);
}

TEST_F(HostWindowTest, MovingSendsPositionMessagesAndAChangingHandlerMayAdjust)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 50, 50 });
    proc.answer = [](HostHandle, uint32_t message, HostWParam, HostLParam lparam) {
        if (message == HostMsg::kWindowPosChanging)
            Host::WindowPosOf(message, lparam)->cx = 70; // a minimum width
        return kHostNotHandled;
    };
    proc.log.clear();
    Host::MoveWindow(child, { 5, 6, 45, 46 });
    EXPECT_EQ(Host::WindowRect(child), (HostRect { 5, 6, 75, 46 }));
    const auto order = proc.Sequence(
        { HostMsg::kWindowPosChanging, HostMsg::kWindowPosChanged, HostMsg::kMove, HostMsg::kSize });
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[3].second, HostMsg::kSize);
    EXPECT_EQ(proc.Of(HostMsg::kMove)[0].lparam, HostMakeLParam(5, 6));
    // The same rectangle again changes nothing and says nothing after the asking.
    proc.log.clear();
    Host::MoveWindow(child, { 5, 6, 75, 46 });
    EXPECT_EQ(proc.Count(child, HostMsg::kWindowPosChanged), 0u);
}

TEST_F(HostWindowTest, ZOrderDecidesHitTesting)
{
    const HostHandle top = MakeTop({ 0, 0, 300, 200 });
    const HostHandle lower = MakeChild(top, { 0, 0, 100, 100 });
    const HostHandle upper = MakeChild(top, { 50, 50, 150, 150 });
    EXPECT_EQ(Host::WindowFromPoint({ 60, 60 }), upper);
    EXPECT_EQ(Host::WindowFromPoint({ 10, 10 }), lower);
    EXPECT_EQ(Host::WindowFromPoint({ 250, 180 }), top);
    Host::SetWindowPos(lower, kHostInsertTop, {}, HostSwp::kNoMove | HostSwp::kNoSize);
    EXPECT_EQ(Host::Children(top), (std::vector<HostHandle> { upper, lower }));
    EXPECT_EQ(Host::WindowFromPoint({ 60, 60 }), lower);
    Host::SetWindowPos(lower, upper, {}, HostSwp::kNoMove | HostSwp::kNoSize); // just below `upper`
    EXPECT_EQ(Host::WindowFromPoint({ 60, 60 }), upper);
    Host::ShowWindow(upper, HostShow::kHide);
    EXPECT_EQ(Host::WindowFromPoint({ 60, 60 }), lower);
    EXPECT_FALSE(Host::IsVisible(upper));
}

TEST_F(HostWindowTest, ShowCommandsSetTheSizeStateAndReportIt)
{
    const HostHandle top = MakeTop({ 10, 10, 210, 110 }, HostStyle::kOverlappedWindow);
    EXPECT_FALSE(Host::IsVisible(top));
    EXPECT_FALSE(Host::ShowWindow(top, HostShow::kShow));
    EXPECT_TRUE(Host::ShowWindow(top, HostShow::kShow));
    proc.log.clear();
    Host::ShowWindow(top, HostShow::kMaximized);
    EXPECT_EQ(Host::SizeState(top), 2);
    const HostRect work = Host::WorkArea();
    EXPECT_EQ(Host::WindowRect(top), work);
    ASSERT_FALSE(proc.Of(HostMsg::kSize).empty());
    EXPECT_EQ(proc.Of(HostMsg::kSize).back().wparam, kSizeMaximized);
    Host::ShowWindow(top, HostShow::kRestore);
    EXPECT_EQ(Host::SizeState(top), 0);
    EXPECT_EQ(Host::WindowRect(top), (HostRect { 10, 10, 210, 110 }));
    Host::ShowWindow(top, HostShow::kMinimize);
    EXPECT_EQ(Host::SizeState(top), 1);
    EXPECT_EQ(proc.Of(HostMsg::kSize).back().wparam, kSizeMinimized);
    Host::ShowWindow(top, HostShow::kHide);
    EXPECT_FALSE(Host::IsVisible(top));
}

TEST_F(HostWindowTest, MinMaxInfoIsAskedAtCreation)
{
    proc.answer = [](HostHandle, uint32_t message, HostWParam, HostLParam lparam) {
        if (message == HostMsg::kGetMinMaxInfo)
            Host::MinMaxInfoOf(message, lparam)->min_track = { 120, 90 };
        return kHostNotHandled;
    };
    const HostHandle top = MakeTop();
    EXPECT_GE(proc.Count(top, HostMsg::kGetMinMaxInfo), 1u);
}

TEST_F(HostWindowTest, ChildPaintsOnlyInsideItselfAfterItsParent)
{
    const HostHandle top = MakeTop({ 0, 0, 200, 150 });
    const HostHandle child = MakeChild(top, { 50, 40, 90, 70 });
    proc.fill[top] = kRed;
    proc.fill[child] = kBlue;
    Host::DrainMessages();
    const auto paints = proc.Sequence({ HostMsg::kPaint });
    ASSERT_EQ(paints.size(), 2u);
    EXPECT_EQ(paints[0].first, top);
    EXPECT_EQ(paints[1].first, child);
    const HostBitmap buffer = Host::BackBuffer(top);
    ASSERT_EQ(buffer.width, 200);
    int32_t blue = 0;
    for (int32_t y = 0; y < buffer.height; ++y)
        for (int32_t x = 0; x < buffer.width; ++x) {
            const RawColour pixel = buffer.ColourAt(x, y);
            const bool inside = x >= 50 && x < 90 && y >= 40 && y < 70;
            EXPECT_EQ(pixel, inside ? kBlue : kRed) << x << "," << y;
            blue += pixel == kBlue;
            if (HasFailure())
                return;
        }
    EXPECT_EQ(blue, 40 * 30);
    EXPECT_EQ(Host::PixelAt(child, { 0, 0 }), kBlue);
    EXPECT_EQ(Host::PixelAt(top, { 49, 40 }), kRed);
}

TEST_F(HostWindowTest, InvalidatingAPartRepaintsOnlyWindowsThatMeetIt)
{
    const HostHandle top = MakeTop({ 0, 0, 200, 150 });
    const HostHandle left = MakeChild(top, { 0, 0, 100, 150 });
    const HostHandle right = MakeChild(top, { 100, 0, 200, 150 });
    proc.fill[left] = kRed;
    proc.fill[right] = kBlue;
    Host::DrainMessages();
    proc.log.clear();
    proc.fill[right] = kGreen;
    const HostRect part { 10, 10, 20, 20 };
    Host::InvalidateRect(right, &part);
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(left, HostMsg::kPaint), 0u);
    EXPECT_EQ(proc.Count(right, HostMsg::kPaint), 1u);
    // The painter was clipped to the invalid part: only it turned green.
    EXPECT_EQ(Host::PixelAt(right, { 15, 15 }), kGreen);
    EXPECT_EQ(Host::PixelAt(right, { 25, 15 }), kBlue);
    EXPECT_EQ(Host::PixelAt(left, { 50, 50 }), kRed);
}

TEST_F(HostWindowTest, HiddenWindowsAndGrandchildrenOutsideTheirParentAreNotPainted)
{
    const HostHandle top = MakeTop({ 0, 0, 200, 150 });
    const HostHandle box = MakeChild(top, { 10, 10, 60, 60 });
    const HostHandle overflowing = MakeChild(box, { 30, 30, 100, 100 });
    const HostHandle hidden = MakeChild(top, { 100, 10, 150, 60 }, 0, HostStyle::kChild);
    proc.fill[top] = kRed;
    proc.fill[overflowing] = kBlue;
    proc.fill[hidden] = kGreen;
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(overflowing, { 0, 0 }), kBlue);
    EXPECT_EQ(Host::PixelAt(overflowing, { 19, 19 }), kBlue);
    EXPECT_EQ(Host::PixelAt(overflowing, { 20, 20 }), kRed); // outside `box`
    EXPECT_EQ(proc.Count(hidden, HostMsg::kPaint), 0u);
    EXPECT_EQ(Host::PixelAt(top, { 120, 20 }), kRed);
}

TEST_F(HostWindowTest, UpperSiblingsPaintOverLowerOnes)
{
    const HostHandle top = MakeTop({ 0, 0, 200, 150 });
    const HostHandle lower = MakeChild(top, { 0, 0, 60, 60 });
    const HostHandle upper = MakeChild(top, { 40, 40, 100, 100 });
    proc.fill[lower] = kRed;
    proc.fill[upper] = kBlue;
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(top, { 50, 50 }), kBlue);
    Host::SetWindowPos(lower, kHostInsertTop, {}, HostSwp::kNoMove | HostSwp::kNoSize);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(top, { 50, 50 }), kRed);
    EXPECT_EQ(Host::PixelAt(top, { 70, 70 }), kBlue);
}

TEST_F(HostWindowTest, StopDestroysTheWindowsStillAlive)
{
    const HostHandle top = MakeTop();
    const HostHandle child = MakeChild(top, { 0, 0, 10, 10 });
    Host::Stop();
    EXPECT_EQ(proc.Count(top, HostMsg::kDestroy), 1u);
    EXPECT_EQ(proc.Count(child, HostMsg::kNcDestroy), 1u);
    EXPECT_FALSE(Host::IsWindow(top));
    ASSERT_TRUE(Host::Start()); // for TearDown
}

TEST_F(HostWindowTest, TextGoesThroughTheProcedure)
{
    const HostHandle top = MakeTop();
    Host::SetText(top, "タイトル");
    EXPECT_EQ(Host::Text(top), "タイトル");
    // A procedure that takes kSetText itself decides what is kept.
    proc.answer = [](HostHandle, uint32_t message, HostWParam, HostLParam) {
        return message == HostMsg::kSetText ? HostResult { 1 } : kHostNotHandled;
    };
    Host::SetText(top, "other");
    EXPECT_EQ(Host::Text(top), "タイトル");
    EXPECT_EQ(Host::Text(0), "");
}

TEST_F(HostWindowTest, ScreenshotWritesThePaintedPixels)
{
    QuelvaneTest::TestFolder folder;
    const HostHandle top = MakeTop({ 0, 0, 40, 30 });
    proc.fill[top] = kRed;
    EXPECT_FALSE(Host::SaveWindowAsPng(top, folder.Path() + "/before.png")); // nothing painted yet
    Host::UpdateWindow(top);
    const std::string path = folder.Path() + "/shot.png";
    ASSERT_TRUE(Host::SaveWindowAsPng(top, path));
    const HostBitmap loaded = Host::LoadPng(path);
    ASSERT_EQ(loaded.width, 40);
    EXPECT_EQ(loaded.ColourAt(20, 15), kRed);
}

} // namespace
} // namespace HostTest
