// The caret: a blink repaints only its rectangle, and it is drawn only while its window has
// the focus.

#include <toolkit/host/HostCaret.h>

#include <algorithm>

#include "tests/toolkit/host/HostWindowFixture.h"

namespace HostTest {
namespace {

using Caret = HostWindowTest;

TEST_F(Caret, BlinkRepaintsOnlyTheCaretAndNeedsTheFocus)
{
    const HostHandle top = MakeTop({ 100, 100, 400, 300 });
    const HostHandle edit = MakeChild(top, { 10, 10, 210, 60 });
    const HostHandle other = MakeChild(top, { 10, 100, 210, 150 });
    Host::SetFocus(edit);
    ASSERT_TRUE(Host::CreateCaret(edit, 2, 16));
    Host::SetCaretPos(edit, { 30, 5 });
    Host::ShowCaret(edit);
    Host::DrainMessages();
    const HostRect caret { 30, 5, 32, 21 };
    EXPECT_EQ(Host::CaretRect(edit), caret);
    const RawColour ground = Host::PixelAt(edit, { 60, 10 });
    const RawColour shown = Host::PixelAt(edit, { 30, 10 });
    EXPECT_NE(shown, ground) << "the caret is drawn over the window's painting";

    Host::BlinkCaret(edit);
    EXPECT_EQ(Host::InvalidRegion(edit), std::vector<HostRect> { caret });
    EXPECT_TRUE(Host::InvalidRegion(other).empty());
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(edit, { 30, 10 }), ground) << "blinked off";
    Host::BlinkCaret(edit);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(edit, { 30, 10 }), shown) << "blinked on";

    Host::SetFocus(other);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(edit, { 30, 10 }), ground) << "hidden without the focus";
    Host::SetFocus(edit);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(edit, { 30, 10 }), shown) << "shown again with the focus";
    Host::DestroyWindow(edit);
    Host::DrainMessages();
    EXPECT_EQ(Host::CaretRect(edit), HostRect {});
}

// A caret that cannot be seen does not blink: no repaints come from it.
TEST_F(Caret, HiddenOrUnfocusedCaretCausesNoRepaints)
{
    const HostHandle top = MakeTop({ 100, 100, 400, 300 });
    const HostHandle edit = MakeChild(top, { 10, 10, 210, 60 });
    ASSERT_TRUE(Host::CreateCaret(edit, 2, 16));
    Host::ShowCaret(edit);
    Host::DrainMessages();
    Host::BlinkCaret(edit);
    EXPECT_TRUE(Host::InvalidRegion(edit).empty()) << "no focus";

    Host::SetFocus(edit);
    Host::DrainMessages();
    Host::HideCaret(edit);
    Host::HideCaret(edit);
    Host::ShowCaret(edit);
    Host::DrainMessages();
    Host::BlinkCaret(edit);
    EXPECT_TRUE(Host::InvalidRegion(edit).empty()) << "one hide is still not undone";
    Host::ShowCaret(edit);
    Host::BlinkCaret(edit);
    EXPECT_FALSE(Host::InvalidRegion(edit).empty());
}

TEST_F(Caret, ACaretThatDoesNotBlinkStaysOn)
{
    const HostHandle top = MakeTop({ 100, 100, 400, 300 });
    const HostHandle edit = MakeChild(top, { 10, 10, 210, 60 });
    Host::SetFocus(edit);
    ASSERT_TRUE(Host::CreateCaret(edit, 2, 16));
    Host::ShowCaret(edit);
    Host::SetCaretBlinks(edit, false);
    Host::DrainMessages();
    const RawColour shown = Host::PixelAt(edit, { 0, 5 });
    Host::BlinkCaret(edit);
    EXPECT_TRUE(Host::InvalidRegion(edit).empty());
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(edit, { 0, 5 }), shown);
    Host::SetCaretBlinks(edit, true);
    Host::BlinkCaret(edit);
    EXPECT_FALSE(Host::InvalidRegion(edit).empty());
}

// Moving the caret repaints where it was and where it goes, and nothing between.
TEST_F(Caret, MoveRepaintsTheOldAndTheNewPlace)
{
    const HostHandle top = MakeTop({ 100, 100, 400, 300 });
    const HostHandle edit = MakeChild(top, { 0, 0, 300, 100 });
    Host::SetFocus(edit);
    ASSERT_TRUE(Host::CreateCaret(edit, 1, 10));
    Host::ShowCaret(edit);
    Host::DrainMessages();
    Host::SetCaretPos(edit, { 200, 50 });
    std::vector<HostRect> dirty = Host::InvalidRegion(edit);
    std::sort(
        dirty.begin(), dirty.end(), [](const HostRect& a, const HostRect& b) { return a.left < b.left; });
    EXPECT_EQ(dirty, (std::vector<HostRect> { { 0, 0, 1, 10 }, { 200, 50, 201, 60 } }));
    Host::DrainMessages();
    EXPECT_NE(Host::PixelAt(edit, { 200, 55 }), Host::PixelAt(edit, { 0, 5 }));
}

// The one caret of a top-level belongs to the window that made it last; a window that does not
// own it cannot move or remove it.
TEST_F(Caret, OneCaretPerTopLevel)
{
    const HostHandle top = MakeTop({ 100, 100, 400, 300 });
    const HostHandle first = MakeChild(top, { 0, 0, 100, 100 });
    const HostHandle second = MakeChild(top, { 100, 0, 200, 100 });
    const HostFont font(HostFontSpec {});
    ASSERT_TRUE(Host::CreateCaret(first, font));
    EXPECT_EQ(Host::CaretRect(first).Height(), font.LineHeight());
    ASSERT_TRUE(Host::CreateCaret(second, 3, 12));
    EXPECT_EQ(Host::CaretRect(first), HostRect {});
    Host::SetCaretPos(first, { 5, 5 });
    Host::DestroyCaret(first);
    EXPECT_EQ(Host::CaretRect(second), (HostRect { 0, 0, 3, 12 }));
    EXPECT_FALSE(Host::CreateCaret(second, 0, 12));
    EXPECT_FALSE(Host::CreateCaret(0, 2, 12));
}

// Scrolling moves the caret's pixels with the text; the caret itself stays, so it is drawn once.
TEST_F(Caret, ScrollLeavesOneCaretWhereItWas)
{
    const HostHandle top = MakeTop({ 100, 100, 400, 300 });
    const HostHandle edit = MakeChild(top, { 0, 0, 300, 200 });
    Host::SetFocus(edit);
    ASSERT_TRUE(Host::CreateCaret(edit, 2, 10));
    Host::SetCaretPos(edit, { 50, 50 });
    Host::ShowCaret(edit);
    Host::DrainMessages();
    const RawColour shown = Host::PixelAt(edit, { 50, 55 });
    const RawColour ground = Host::PixelAt(edit, { 100, 100 });
    Host::ScrollWindow(edit, 0, 20, nullptr);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(edit, { 50, 75 }), ground) << "no copy of the caret below";
    EXPECT_EQ(Host::PixelAt(edit, { 50, 55 }), shown);
}

} // namespace
} // namespace HostTest
