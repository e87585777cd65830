// Anchored layout, placement over an owner, and the view list's identifiers: pure arithmetic and
// bookkeeping, no windows.

#include <toolkit/WinDialog.h>
#include <toolkit/WinView.h>
#include <toolkit/WinViewList.h>

#include <gtest/gtest.h>

namespace WinLayer {
namespace {

struct ShiftCase {
    const char* name;
    uint32_t anchors;
    HostRect expected;
};

// Rectangle (10, 20, 110, 70); the parent goes from (0, 0, 400, 300) to (3, -7, 451, 333):
// left +3, right +51, top -7, bottom +33, centre x +27, centre y +13.
TEST(WinLayoutShift, EveryFlagAndCombinations)
{
    const HostRect rect { 10, 20, 110, 70 };
    const HostRect old_parent { 0, 0, 400, 300 };
    const HostRect new_parent { 3, -7, 451, 333 };
    const ShiftCase cases[] = {
        { "none", 0, { 10, 20, 110, 70 } },
        { "left by left", 0x0001, { 13, 20, 110, 70 } },
        { "left by right", 0x0002, { 61, 20, 110, 70 } },
        { "left by centre", 0x0004, { 37, 20, 110, 70 } },
        { "right by left", 0x0020, { 10, 20, 113, 70 } },
        { "right by right", 0x0010, { 10, 20, 161, 70 } },
        { "right by centre", 0x0040, { 10, 20, 137, 70 } },
        { "top by top", 0x0100, { 10, 13, 110, 70 } },
        { "top by bottom", 0x0200, { 10, 53, 110, 70 } },
        { "top by centre", 0x0400, { 10, 33, 110, 70 } },
        { "bottom by top", 0x2000, { 10, 20, 110, 63 } },
        { "bottom by bottom", 0x1000, { 10, 20, 110, 103 } },
        { "bottom by centre", 0x4000, { 10, 20, 110, 83 } },
        { "two flags on the left add up", 0x0003, { 64, 20, 110, 70 } },
        { "three flags on the left add up", 0x0007, { 91, 20, 110, 70 } },
        { "three flags on the bottom add up", 0x7000, { 10, 20, 110, 109 } },
        { "follows the right edge, keeps its width", 0x0012, { 61, 20, 161, 70 } },
        { "stretches with the dialog", 0x0011, { 13, 20, 161, 70 } },
        { "stays centred", 0x0044, { 37, 20, 137, 70 } },
        { "stretches both ways", 0x1111, { 13, 13, 161, 103 } },
        { "follows the bottom-right corner", 0x1212, { 61, 53, 161, 103 } },
    };
    for (const ShiftCase& c : cases)
        EXPECT_EQ(WinViewResize::Shift(rect, old_parent, new_parent, c.anchors), c.expected) << c.name;
}

TEST(WinLayoutShift, CentreHalvesRoundTowardZeroEach)
{
    struct CentreCase {
        const char* name;
        HostRect old_parent;
        HostRect new_parent;
        HostRect rect;
        HostRect expected;
    };
    const CentreCase cases[] = {
        // (0 + 4) / 2 - (0 + 3) / 2 = 2 - 1 = 1; halving the difference would give 0.
        { "odd old size", { 0, 0, 3, 3 }, { 0, 0, 4, 4 }, { 0, 0, 1, 1 }, { 1, 1, 2, 2 } },
        // (-3 + 4) / 2 - (-3 + 0) / 2 = 0 - (-1) = 1; rounding down would give 2.
        { "negative coordinates", { -3, -3, 0, 0 }, { -3, -3, 4, 4 }, { -10, -10, -5, -5 },
            { -9, -9, -4, -4 } },
        // (-9 + 0) / 2 - (-4 + 0) / 2 = -4 - (-2) = -2; rounding down would give -3.
        { "shrinking to the left", { -4, -4, 0, 0 }, { -9, -9, 0, 0 }, { 0, 0, 10, 10 }, { -2, -2, 8, 8 } },
    };
    for (const CentreCase& c : cases)
        EXPECT_EQ(WinViewResize::Shift(c.rect, c.old_parent, c.new_parent, 0x4444), c.expected) << c.name;
}

TEST(WinLayoutShift, RoundTripThroughAnySizeRestoresTheRectangle)
{
    // Centre shifts telescope: growing and shrinking back lands where it started.
    const HostRect rect { 40, 30, 90, 60 };
    const HostRect small { 0, 0, 201, 151 };
    const HostRect large { 0, 0, 777, 555 };
    const HostRect grown = WinViewResize::Shift(rect, small, large, 0x7777);
    EXPECT_EQ(WinViewResize::Shift(grown, large, small, 0x7777), rect);
}

TEST(WinLayoutFollow, LinkedRecordMovesOnlyOnChange)
{
    HostRect parent { 0, 0, 300, 200 };
    WinViewResize record;
    record.SetRect({ 200, 150, 280, 180 });
    EXPECT_FALSE(record.FollowParent()) << "no link: not moved";

    record.SetAnchors(0x1212, &parent);
    EXPECT_FALSE(record.FollowParent()) << "parent unchanged";
    parent = { 0, 0, 350, 260 };
    EXPECT_TRUE(record.FollowParent());
    EXPECT_EQ(record.Rect(), (HostRect { 250, 210, 330, 240 }));
    EXPECT_FALSE(record.FollowParent()) << "the new parent is remembered";
}

TEST(WinLayoutFollow, LinkToAnEmptyParentStartsFromTheFirstRealOne)
{
    // A child anchored before its dialog's window exists must not jump by the whole size.
    HostRect parent {};
    WinViewResize record;
    record.SetRect({ 10, 10, 50, 30 });
    record.SetAnchors(0x0011, &parent);
    parent = { 0, 0, 400, 300 };
    EXPECT_FALSE(record.FollowParent());
    EXPECT_EQ(record.Rect(), (HostRect { 10, 10, 50, 30 }));
    parent = { 0, 0, 420, 300 };
    EXPECT_TRUE(record.FollowParent());
    EXPECT_EQ(record.Rect(), (HostRect { 10, 10, 70, 30 }));
}

struct PlaceCase {
    const char* name;
    HostRect dialog;
    HostRect owner;
    HostRect expected;
};

TEST(WinLayoutPlaceOver, CentresAndKeepsInsideTheWorkArea)
{
    const HostRect work { 0, 0, 1000, 800 };
    const HostRect d { 0, 0, 200, 100 };
    const PlaceCase cases[] = {
        { "centred", d, { 100, 100, 501, 301 }, { 200, 150, 400, 250 } },
        { "odd sizes: each half rounds toward zero", { 0, 0, 201, 101 }, { 0, 0, 401, 301 },
            { 100, 100, 301, 201 } },
        { "near the left edge", d, { -150, 100, 50, 300 }, { 0, 150, 200, 250 } },
        { "near the top edge", d, { 300, -80, 500, 20 }, { 300, 0, 500, 100 } },
        { "near the right edge", d, { 900, 100, 1100, 300 }, { 800, 150, 1000, 250 } },
        { "near the bottom edge", d, { 300, 750, 500, 850 }, { 300, 700, 500, 800 } },
        { "bottom-right corner", d, { 950, 780, 1150, 880 }, { 800, 700, 1000, 800 } },
        { "owner larger than the work area", d, { -500, -500, 1500, 1300 }, { 400, 350, 600, 450 } },
        { "owner entirely off the work area", d, { -3000, -900, -2800, -700 }, { 0, 0, 200, 100 } },
        { "dialog wider than the work area: right edges meet", { 0, 0, 1200, 100 }, { 0, 0, 1000, 800 },
            { -200, 350, 1000, 450 } },
    };
    for (const PlaceCase& c : cases)
        EXPECT_EQ(WinDialog::PlaceOver(c.dialog, c.owner, work), c.expected) << c.name;
}

TEST(WinLayoutPlaceOver, NegativeOwnerAndOffsetWorkArea)
{
    // Halves of the sizes: -301 + 301 / 2 - 101 / 2 = -201 (not (-301 + 0) / 2 - 50 = -200).
    EXPECT_EQ(WinDialog::PlaceOver({ 0, 0, 101, 51 }, { -301, -101, 0, 0 }, { -2000, -2000, 2000, 2000 }),
        (HostRect { -201, -76, -100, -25 }));
    // A work area that does not start at 0 (a panel on the left and top).
    EXPECT_EQ(WinDialog::PlaceOver({ 0, 0, 200, 100 }, { 0, 0, 100, 60 }, { 64, 32, 1000, 800 }),
        (HostRect { 64, 32, 264, 132 }));
}

// Views in a list only need to exist: the list never touches their windows here.
class PlainView : public WinView { };

TEST(WinViewListIds, IdentifiersCountAndLookups)
{
    WinViewList list(WinViewList::kDialogFirstId);
    PlainView a, b, c, d;
    EXPECT_EQ(list.NextId(), 2500);
    EXPECT_EQ(list.Add(a), 2500);
    EXPECT_EQ(list.Add(b), 2501);
    EXPECT_EQ(list.Add(a), 0) << "a view is in a list once";
    EXPECT_EQ(list.Add(c), 2502);
    EXPECT_EQ(list.Count(), 3);

    EXPECT_TRUE(list.Remove(b));
    EXPECT_FALSE(list.Remove(b));
    EXPECT_EQ(list.Add(d), 2503) << "identifiers are not reused while the list holds views";
    EXPECT_EQ(list.Snapshot(), (std::vector<WinView*> { &a, &c, &d })) << "appended at the end";

    a.AttachWindow(0, nullptr, 2500);
    c.AttachWindow(0, nullptr, 2502);
    d.AttachWindow(0, nullptr, 2502);
    EXPECT_EQ(list.FindById(2502), &c) << "the first match wins";
    EXPECT_EQ(list.FindById(2501), nullptr);
    EXPECT_EQ(list.FindByWindow(0), nullptr) << "no window is never a match";

    list.Remove(a);
    list.Remove(c);
    list.Remove(d);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Add(b), 2500) << "an emptied list starts again";
}

} // namespace
} // namespace WinLayer
