// The list box on the headless host: cursor positions, keys, mouse, focus colours read from
// pixels, wheel and scroll bar, appending while shown, and a million rows of mixed heights.

#include <toolkit/WinButton.h>
#include <toolkit/WinListBoxR.h>
#include <toolkit/host/HostPainter.h>

#include <algorithm>
#include <deque>

#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

struct Row {
    int32_t height = 0;
};

// Rows in colours of their own (blue never 0xFF, so never a selection colour); records what
// it measures and paints.
class TestList : public WinListBoxR<Row> {
public:
    static RawColour RowColour(int32_t row)
    {
        return RawColour::FromRgb(row & 0xFF, (row >> 8) & 0xFF, 0x40 + ((row >> 16) & 0x3F));
    }
    int32_t RowHeight(int32_t row) override
    {
        ++measured;
        return ItemOf(row)->height;
    }
    int32_t RowWidth(int32_t) override { return width; }
    void DrawRow(HostPainter& painter, const HostRect& rect, int32_t row) override
    {
        const bool selected = RowBackground(row) != kBackground;
        painter.FillRect(rect, selected ? RowBackground(row) : RowColour(row));
        ++painted;
    }
    void Paint(HostPainter& painter, const HostRect& dirty) override
    {
        dirty_rects.push_back(dirty);
        WinListBoxR<Row>::Paint(painter, dirty);
    }
    void ShowMenu(HostPoint, int32_t row) override { menu_rows.push_back(row); }
    bool MaySelect(int32_t row) override { return row != locked_row; }
    bool MayOpenMenu(int32_t row) override { return row != locked_row; }

    int32_t width = 0;
    int32_t locked_row = -5;
    int64_t measured = 0;
    int64_t painted = 0;
    std::vector<HostRect> dirty_rects;
    std::vector<int32_t> menu_rows;
};

class ListBoxTest : public ControlTest {
protected:
    // `count` rows of `height` pixels (the list's client area is 300 x 200).
    void Open(int32_t count, int32_t height = 20, uint32_t extra_style = 0)
    {
        Fill(count, [height](int32_t) { return height; });
        OpenFilled(extra_style);
    }
    template <class HeightOf> void Fill(int32_t count, HeightOf height_of)
    {
        for (int32_t row = 0; row < count; ++row)
            rows_.push_back({ height_of(row) });
        for (Row& row : rows_)
            list.Items().push_back(&row);
    }
    void OpenFilled(uint32_t extra_style = 0)
    {
        list.SetStyleWords(list.Style() | extra_style, 0);
        list.SetStandardRowHeight(20);
        list.Refresh();
        dialog.Add(list, { 10, 10, 310, 210 });
        dialog.Add(button, { 320, 10, 400, 40 });
        ASSERT_TRUE(dialog.Open());
        Host::SetFocus(list.Window());
        Host::DrainMessages();
        dialog.reports.clear();
    }
    int32_t ClientHeight() const { return Host::ClientRect(list.Window()).Height(); }
    void ExpectSelected(std::vector<int32_t> expected) const
    {
        std::vector<int32_t> selected;
        for (int32_t row = 0; row < list.RowCount(); ++row)
            if (list.IsSelected(row))
                selected.push_back(row);
        EXPECT_EQ(selected, expected);
        EXPECT_EQ(list.SelectedCount(), int32_t(expected.size()));
        EXPECT_EQ(list.FirstSelectedRow(), expected.empty() ? -1 : expected.front());
    }

    RecordingDialog dialog;
    TestList list;
    WinButton button;
    std::deque<Row> rows_;
};

constexpr uint32_t kChanged = WinListBox::kCursorChanged;
constexpr uint32_t kAccept = WinListBox::kAccept;
constexpr uint32_t kScrolled = WinListBox::kScrolled;

TEST_F(ListBoxTest, SetCursorOnRowsAndOutsideThem)
{
    Open(50);
    list.SetCursor(30);
    Host::DrainMessages();
    EXPECT_EQ(list.Cursor(), 30);
    EXPECT_EQ(list.Anchor(), 30);
    ExpectSelected({ 30 });
    EXPECT_GT(list.ScrollY(), 0) << "scrolled into view";
    EXPECT_EQ(list.RowRect(30).bottom, ClientHeight());

    dialog.reports.clear();
    list.SetCursor(50);
    Host::DrainMessages();
    EXPECT_EQ(dialog.Codes(), std::vector<uint32_t> { kChanged }) << "beyond the end: announced only";
    EXPECT_EQ(list.Cursor(), 30);
    ExpectSelected({ 30 });

    list.SetCursor(WinListBox::kAfterLast);
    EXPECT_EQ(list.Cursor(), -3);
    EXPECT_EQ(list.ScrollY(), 50 * 20 - ClientHeight());
    ExpectSelected({});
    list.SetCursor(WinListBox::kBeforeFirst);
    EXPECT_EQ(list.Cursor(), -2);
}

TEST_F(ListBoxTest, CursorKeys)
{
    Open(50);
    Key(HostKey::kDown);
    EXPECT_EQ(list.Cursor(), 0) << "from no cursor to the first row";
    Key(HostKey::kEnd);
    EXPECT_EQ(list.Cursor(), 49) << "rows fit the window: End stays on the last row";
    Key(HostKey::kDown);
    EXPECT_EQ(list.Cursor(), 49);
    Key(HostKey::kHome);
    EXPECT_EQ(list.Cursor(), 0);
    Key(HostKey::kDown, HostMod::kControl);
    EXPECT_EQ(list.Cursor(), 49) << "Ctrl+Down in a single-selection list is End";
    Key(HostKey::kUp, HostMod::kControl);
    EXPECT_EQ(list.Cursor(), 0);

    const int64_t before = list.ScrollY();
    Key(HostKey::kNext);
    EXPECT_EQ(list.ScrollY(), before + ClientHeight()) << "Page Down scrolls a page";
    EXPECT_EQ(list.Cursor(), 0) << "and leaves the cursor";

    dialog.reports.clear();
    Key('A', HostMod::kControl);
    Key(HostKey::kSpace);
    EXPECT_TRUE(dialog.Codes().empty()) << "Ctrl+A and Space do nothing in a single-selection list";
    ExpectSelected({ 0 });
    Key(HostKey::kReturn);
    EXPECT_EQ(dialog.Codes(), std::vector<uint32_t> { kAccept });
}

TEST_F(ListBoxTest, EndPastATallLastRowAndUpFromThere)
{
    Fill(5, [](int32_t row) { return row == 4 ? 500 : 20; });
    OpenFilled();
    Key(HostKey::kEnd);
    EXPECT_EQ(list.Cursor(), WinListBox::kAfterLast);
    EXPECT_EQ(list.ScrollY(), 80 + 500 - ClientHeight()) << "scrolled to the very end";
    Key(HostKey::kUp);
    EXPECT_EQ(list.Cursor(), 4);
    EXPECT_EQ(list.ScrollY(), 80) << "the tall row shows its top";
}

TEST_F(ListBoxTest, MultipleSelectionByKeysAndClicks)
{
    list.SetMultipleSelection(true);
    Open(20);
    Host::InjectClick(list.Window(), { 5, 45 });
    Host::InjectClick(list.Window(), { 5, 105 }, 1, 1, HostMod::kShift);
    Host::DrainMessages();
    ExpectSelected({ 2, 3, 4, 5 });
    EXPECT_EQ(list.Cursor(), 5);
    EXPECT_EQ(list.Anchor(), 2);
    Host::InjectClick(list.Window(), { 5, 65 }, 1, 1, HostMod::kControl);
    Host::InjectClick(list.Window(), { 5, 165 }, 1, 1, HostMod::kControl);
    Host::DrainMessages();
    ExpectSelected({ 2, 4, 5, 8 });
    Key(HostKey::kSpace);
    // Space toggles the cursor row.
    ExpectSelected({ 2, 4, 5 });
    Host::InjectClick(list.Window(), { 5, 25 }, 1, 1, HostMod::kShift);
    Host::DrainMessages();
    // Extends from the anchor of the last Ctrl+click.
    ExpectSelected({ 1, 2, 3, 4, 5, 6, 7, 8 });

    dialog.reports.clear();
    Key('A', HostMod::kControl);
    EXPECT_EQ(list.SelectedCount(), 20);
    EXPECT_EQ(dialog.Codes(), std::vector<uint32_t> { kChanged });
    Click(list, { 5, 5 });
    // A plain click selects its row alone.
    ExpectSelected({ 0 });
}

TEST_F(ListBoxTest, ClicksDoubleClicksAndMenuFollowTheHooks)
{
    Open(5);
    list.locked_row = 3;
    Click(list, { 5, 25 });
    EXPECT_EQ(list.Cursor(), 1);
    Click(list, { 5, 65 });
    EXPECT_EQ(list.Cursor(), 1) << "a row that may not be selected";

    dialog.reports.clear();
    Click(list, { 5, 150 });
    Click(list, { 5, 150 }, 2);
    EXPECT_TRUE(dialog.Codes().empty()) << "double click below the last row";
    EXPECT_EQ(list.Cursor(), 1);
    Click(list, { 5, 45 });
    Click(list, { 5, 45 }, 2);
    EXPECT_EQ(dialog.Codes(), (std::vector<uint32_t> { kChanged, kAccept }));

    Host::InjectClick(list.Window(), { 5, 85 }, 3);
    Host::InjectClick(list.Window(), { 5, 65 }, 3);
    Host::InjectClick(list.Window(), { 5, 150 }, 3);
    Host::DrainMessages();
    EXPECT_EQ(list.menu_rows, (std::vector<int32_t> { 4, -1 }));
    Key(HostKey::kApps);
    list.SetCursor(WinListBox::kNoCursor);
    Key(HostKey::kApps);
    EXPECT_EQ(list.menu_rows, (std::vector<int32_t> { 4, -1, 2, -1 })) << "from the keyboard: the cursor row";
}

TEST_F(ListBoxTest, SelectionColourFollowsTheFocus)
{
    Open(5);
    list.SetCursor(1);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 30 }), RawColour::FromBgrWord(0xFFD0C0));
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 50 }), TestList::RowColour(2));
    Host::SetFocus(button.Window());
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 30 }), RawColour::FromBgrWord(0xFFE3D8));
    list.SetSelectionShown(false);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 30 }), TestList::RowColour(1));
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 150 }), WinListBox::kBackground) << "below the rows";
}

TEST_F(ListBoxTest, WheelStepRepaintsOnlyTheUncoveredStrip)
{
    Open(1000);
    list.dirty_rects.clear();
    list.painted = 0;
    Host::InjectWheel(list.Window(), { 50, 50 }, -1);
    Host::DrainMessages();
    EXPECT_EQ(list.ScrollY(), 60);
    EXPECT_EQ(list.FirstVisibleRow(), 3);
    ASSERT_EQ(list.dirty_rects.size(), 1u);
    EXPECT_EQ(list.dirty_rects[0].Height(), 60);
    EXPECT_EQ(list.dirty_rects[0].bottom, ClientHeight());
    EXPECT_LE(list.painted, 4) << "the three uncovered rows (one may be cut)";
    for (int32_t y = 5; y < ClientHeight(); y += 20)
        ASSERT_EQ(Host::PixelAt(list.Window(), { 50, y }), TestList::RowColour(3 + y / 20)) << y;
    EXPECT_EQ(dialog.Codes(), std::vector<uint32_t> { kScrolled });
    EXPECT_EQ(Host::ScrollInfo(list.Window(), kSbVert).pos, 60);
}

TEST_F(ListBoxTest, ScrollBarsMoveTheRows)
{
    list.width = 1000;
    Open(1000, 20, HostStyle::kHScroll);
    Host::SendMessage(list.Window(), HostMsg::kVScroll, kSbThumbTrack, 12345);
    Host::DrainMessages();
    EXPECT_EQ(list.ScrollY(), 12345);
    EXPECT_EQ(list.FirstVisibleRow(), 617);
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 0 }), TestList::RowColour(617));
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 15 }), TestList::RowColour(618));
    Host::SendMessage(list.Window(), HostMsg::kVScroll, kSbBottom, 0);
    EXPECT_EQ(list.ScrollY(), 20000 - ClientHeight());

    Key(HostKey::kRight);
    EXPECT_EQ(list.ScrollX(), WinListBox::kHorizontalStep);
    Key(HostKey::kRight, HostMod::kControl);
    EXPECT_EQ(list.ScrollX(), 1000 - Host::ClientRect(list.Window()).Width());
    EXPECT_EQ(Host::ScrollInfo(list.Window(), kSbHorz).pos, list.ScrollX());
    Key(HostKey::kLeft, HostMod::kControl);
    EXPECT_EQ(list.ScrollX(), 0);
}

TEST_F(ListBoxTest, AppendingMeasuresOnlyTheNewRows)
{
    Open(3);
    list.measured = 0;
    list.dirty_rects.clear();
    for (int32_t i = 0; i < 100; ++i)
        rows_.push_back({ 20 });
    for (size_t i = 3; i < rows_.size(); ++i)
        list.Items().push_back(&rows_[i]);
    list.RefreshAppended();
    Host::DrainMessages();
    EXPECT_EQ(list.measured, 100);
    EXPECT_EQ(list.RowCount(), 103);
    ASSERT_EQ(list.dirty_rects.size(), 1u);
    EXPECT_EQ(list.dirty_rects[0].top, 60) << "the three rows shown are not painted again";
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, 70 }), TestList::RowColour(3));
    EXPECT_EQ(Host::ScrollInfo(list.Window(), kSbVert).max, 103 * 20 - 1);
}

TEST_F(ListBoxTest, ARowChangingHeightAboveTheViewKeepsTheRowsShown)
{
    Open(100);
    list.SetCursor(50);
    const int32_t first = list.FirstVisibleRow();
    const int64_t before = list.ScrollY();
    rows_[3].height = 65;
    list.RefreshRow(3);
    EXPECT_EQ(list.ScrollY(), before + 45);
    EXPECT_EQ(list.FirstVisibleRow(), first);
    rows_[60].height = 5;
    list.RefreshRow(60);
    EXPECT_EQ(list.ScrollY(), before + 45) << "a row below the view moves nothing";
    EXPECT_EQ(Host::ScrollInfo(list.Window(), kSbVert).max, 100 * 20 + 45 - 15 - 1);
}

TEST_F(ListBoxTest, AMillionRowsOfMixedHeightsEndExactly)
{
    constexpr int32_t kRows = 1'000'000;
    const auto height_of = [](int32_t row) { return 17 * (1 + row % 4) + (row % 3 == 0 ? 17 : 0); };
    Fill(kRows, height_of);
    OpenFilled();
    int64_t total = 0;
    for (int32_t row = 0; row < kRows; ++row)
        total += height_of(row);
    list.painted = 0;
    Key(HostKey::kEnd);
    EXPECT_EQ(list.Cursor(), kRows - 1);
    EXPECT_EQ(list.ScrollY(), total - ClientHeight());
    const int32_t last_top = ClientHeight() - height_of(kRows - 1);
    EXPECT_EQ(list.RowRect(kRows - 1).top, last_top);
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, last_top }), RawColour::FromBgrWord(0xFFD0C0));
    EXPECT_EQ(Host::PixelAt(list.Window(), { 50, last_top - 1 }), TestList::RowColour(kRows - 2));
    EXPECT_LE(list.painted, 20) << "only the visible rows are painted";
    Key(HostKey::kUp);
    EXPECT_EQ(list.RowAtPoint({ 5, last_top - 1 }), kRows - 2);
}

} // namespace
} // namespace QuelvaneTest
