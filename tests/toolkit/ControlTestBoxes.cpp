// Static boxes, image boxes and the divider on the headless host.

#include <toolkit/WinDivider.h>
#include <toolkit/WinImageBox.h>
#include <toolkit/WinStaticBox.h>

#include <algorithm>

#include "../TestSupport.h"
#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

constexpr RawColour kTop = RawColour::FromRgb(0x20, 0x60, 0xA0);
constexpr RawColour kBottom = RawColour::FromRgb(0xE0, 0xC0, 0x10);
constexpr RawColour kInk = RawColour::FromRgb(0x10, 0x10, 0x10);

TEST_F(ControlTest, StaticBoxPaintsOneOrTwoColours)
{
    RecordingDialog dialog;
    WinStaticBox one;
    WinStaticBox two;
    one.SetColours(kTop, RawColour::None(), kInk);
    two.SetColours(kTop, kBottom, kInk);
    dialog.Add(one, { 10, 10, 110, 50 });
    dialog.Add(two, { 120, 10, 220, 50 });
    ASSERT_TRUE(dialog.Open());

    for (int32_t y : { 0, 19, 20, 39 })
        EXPECT_EQ(Host::PixelAt(one.Window(), { 50, y }), kTop) << y;
    // The second colour starts at the vertical middle.
    EXPECT_EQ(Host::PixelAt(two.Window(), { 50, 0 }), kTop);
    EXPECT_EQ(Host::PixelAt(two.Window(), { 50, 19 }), kTop);
    EXPECT_EQ(Host::PixelAt(two.Window(), { 50, 20 }), kBottom);
    EXPECT_EQ(Host::PixelAt(two.Window(), { 50, 39 }), kBottom);
}

// The columns where a box's text is drawn in `colour` (a full block character fills its cell).
std::pair<int32_t, int32_t> InkColumns(const WinView& box, RawColour colour)
{
    int32_t first = -1;
    int32_t last = -1;
    HostRect client = Host::ClientRect(box.Window());
    for (int32_t x = 0; x < client.right; ++x) {
        for (int32_t y = 0; y < client.bottom; ++y) {
            if (Host::PixelAt(box.Window(), { x, y }) == colour) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return { first, last };
}

TEST_F(ControlTest, StaticBoxAlignsItsTextInsideTheMarginsAndGreysItWhenDisabled)
{
    RecordingDialog dialog;
    WinStaticBox left;
    WinStaticBox right;
    WinStaticBox centre;
    WinStaticBox disabled;
    for (WinStaticBox* box : { &left, &right, &centre, &disabled }) {
        box->SetText(Utf8("\u2588\u2588"));
        box->SetColours(RawColour::FromRgb(0xFF, 0xFF, 0xFF), RawColour::None(), kInk);
        box->SetMargins({ 12, 2, 12, 2 });
    }
    left.SetBoxStyle(WinStaticBox::kAlignLeft);
    right.SetBoxStyle(WinStaticBox::kAlignRight);
    disabled.Enable(false);
    dialog.Add(left, { 10, 10, 210, 40 });
    dialog.Add(right, { 10, 50, 210, 80 });
    dialog.Add(centre, { 10, 90, 210, 120 });
    dialog.Add(disabled, { 10, 130, 210, 160 });
    ASSERT_TRUE(dialog.Open());

    auto [left_first, left_last] = InkColumns(left, kInk);
    auto [right_first, right_last] = InkColumns(right, kInk);
    auto [centre_first, centre_last] = InkColumns(centre, kInk);
    ASSERT_GE(left_first, 0);
    EXPECT_LE(std::abs(left_first - 12), 2);
    EXPECT_LE(std::abs(right_last - (200 - 12)), 2);
    EXPECT_LE(std::abs((centre_first + centre_last) / 2 - 100), 2);
    EXPECT_EQ(right_last - right_first, left_last - left_first);

    EXPECT_EQ(InkColumns(disabled, kInk).first, -1);
    EXPECT_GE(InkColumns(disabled, WinStaticBox::kDisabledText).first, 0);
}

TEST_F(ControlTest, MultiLineStaticBoxWrapsItsWords)
{
    WinStaticBox box;
    box.SetText(Utf8("many short words that cannot fit on one line of a narrow box"));
    HostSize unwrapped = box.WrappedTextSize(32767);
    box.SetBoxStyle(WinStaticBox::kMultiLine);
    HostSize wrapped = box.WrappedTextSize(120);
    EXPECT_LE(wrapped.cx, 120);
    EXPECT_GE(wrapped.cy, 3 * unwrapped.cy);
}

TEST_F(ControlTest, ImageBoxShowsThePoolBitmapScaledAndCentred)
{
    HostBitmap red;
    red.width = 4;
    red.height = 4;
    red.pixels.assign(16, 0xFFFF0000);
    WinBitmapPool::Instance().AddSource("test.red", red);

    RecordingDialog dialog;
    WinImageBox stretched;
    WinImageBox same_size;
    stretched.SetImage("test.red", WinBitmapAlpha::FunctionBilinear);
    same_size.SetImage("test.red", WinBitmapAlpha::FunctionSameSize);
    dialog.Add(stretched, { 10, 10, 50, 50 });
    dialog.Add(same_size, { 60, 10, 100, 50 });
    ASSERT_TRUE(dialog.Open());

    EXPECT_EQ(Host::PixelAt(stretched.Window(), { 0, 0 }), RawColour::FromRgb(0xFF, 0, 0));
    EXPECT_EQ(Host::PixelAt(stretched.Window(), { 39, 39 }), RawColour::FromRgb(0xFF, 0, 0));
    // At its own size the 4 x 4 bitmap sits in the middle of the 40 x 40 box.
    EXPECT_EQ(Host::PixelAt(same_size.Window(), { 18, 18 }), RawColour::FromRgb(0xFF, 0, 0));
    EXPECT_EQ(Host::PixelAt(same_size.Window(), { 21, 21 }), RawColour::FromRgb(0xFF, 0, 0));
    EXPECT_EQ(Host::PixelAt(same_size.Window(), { 17, 17 }), WinImageBox::kDefaultBackground);
    EXPECT_EQ(Host::PixelAt(same_size.Window(), { 22, 22 }), WinImageBox::kDefaultBackground);
}

class DividerTest : public ControlTest {
protected:
    void Open()
    {
        divider_.Attach(left_, right_);
        divider_.SetMinimumSize(30);
        divider_.SetCode(0x1008);
        dialog_.Add(left_, { 10, 10, 110, 110 });
        dialog_.Add(divider_, { 110, 10, 116, 110 });
        dialog_.Add(right_, { 116, 10, 310, 110 });
        ASSERT_TRUE(dialog_.Open());
    }
    void Drag(int32_t by)
    {
        int32_t start = Host::WindowRect(divider_.Window()).left;
        Host::InjectMouseDown(divider_.Window(), { 3, 50 });
        Host::InjectMouseMove(divider_.Window(), { 3 + by / 2, 50 });
        Host::DrainMessages();
        // Coordinates are the divider's own: it has moved by the first half already.
        int32_t moved = Host::WindowRect(divider_.Window()).left - start;
        Host::InjectMouseMove(divider_.Window(), { 3 + by - moved, 50 });
        Host::InjectMouseUp(divider_.Window(), { 3 + by - moved, 50 });
        Host::DrainMessages();
    }
    RecordingDialog dialog_;
    WinStaticBox left_;
    WinDivider divider_;
    WinStaticBox right_;
};

TEST_F(DividerTest, DraggingMovesTheBorderWithinTheLimits)
{
    Open();
    struct Case {
        int32_t by;
        int32_t position;
    };
    // The left view keeps at least 30 pixels (left edge 10), the right view too (right edge 310).
    const Case cases[] = { { 40, 150 }, { -60, 90 }, { -200, 40 }, { 400, 274 }, { 0, 274 } };
    for (const Case& c : cases) {
        int32_t before = divider_.Position();
        dialog_.reports.clear();
        Drag(c.by);
        EXPECT_EQ(divider_.Position(), c.position) << c.by;
        EXPECT_EQ(left_.Rect().right, c.position) << c.by;
        EXPECT_EQ(right_.Rect().left, c.position + 6) << c.by;
        EXPECT_EQ(Host::WindowRect(left_.Window()).right, c.position) << c.by;
        EXPECT_EQ(Host::WindowRect(right_.Window()).left, c.position + 6) << c.by;
        // One report per drag that moved the border; none when it stayed.
        size_t reports = c.position != before ? 1 : 0;
        EXPECT_EQ(dialog_.reports.size(), reports) << c.by;
        if (reports == 1) {
            EXPECT_EQ(dialog_.reports[0], (RecordingDialog::Report { divider_.Id(), 0x1008 }));
        }
    }
    EXPECT_EQ(left_.Rect().left, 10);
    EXPECT_EQ(right_.Rect().right, 310);
}

// A horizontal divider over a header and a list: the header keeps its height and rides on the
// border; the list starts below it and keeps its minimum.
TEST_F(ControlTest, DividerCarriesItsFollowerBetweenTheBorderAndTheSecondView)
{
    RecordingDialog dialog;
    WinStaticBox upper;
    WinDivider divider(WinDivider::Orientation::Horizontal);
    WinStaticBox header;
    WinStaticBox list;
    dialog.Add(upper, { 10, 10, 300, 100 });
    dialog.Add(divider, { 10, 100, 300, 106 });
    dialog.Add(header, { 10, 106, 300, 126 });
    dialog.Add(list, { 10, 126, 300, 300 });
    divider.Attach(upper, list);
    divider.SetFollower(&header);
    divider.SetMinimumSize(30);
    ASSERT_TRUE(dialog.Open());
    struct Case {
        int32_t to;
        int32_t position;
    };
    // The list keeps 30 pixels below the 20-pixel header: the border goes no lower than 244.
    const Case cases[] = { { 150, 150 }, { 400, 244 }, { 0, 40 } };
    for (const Case& c : cases) {
        EXPECT_EQ(divider.MoveBorder(c.to), c.position) << c.to;
        EXPECT_EQ(upper.Rect().bottom, c.position) << c.to;
        EXPECT_EQ(header.Rect(), (HostRect { 10, c.position + 6, 300, c.position + 26 })) << c.to;
        EXPECT_EQ(list.Rect(), (HostRect { 10, c.position + 26, 300, 300 })) << c.to;
        EXPECT_EQ(Host::WindowRect(header.Window()).top, c.position + 6) << c.to;
    }
}

} // namespace
} // namespace QuelvaneTest
