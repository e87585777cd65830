// The caret: a blink repaints only its rectangle, and it is drawn only while its window has
// the focus.

#include <toolkit/host/HostCaret.h>

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

} // namespace
} // namespace HostTest
