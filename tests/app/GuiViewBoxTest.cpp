// The result list on real windows on the headless host: rows appended from the result set, the
// header and its widths, row colours and hit colours read from pixels, the preview, check clicks,
// the report menu's commands, the status command and a million rows.

#include <app/GuiViewBox.h>
#include <engine/JobColumnHeaderHandler.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostTextLayout.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../toolkit/ControlTestSupport.h"

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiViewBox;
using JobLayer::JobBlockUnit;
using JobLayer::JobFoundBlock;
using JobLayer::JobHitMulti;
using JobLayer::JobHitSingle;
using RawLayer::RawEncoding;
using RawLayer::RawString;

// Records what the two external actions were asked to open.
class TestBox : public GuiViewBox {
public:
    using GuiViewBox::GuiViewBox;
    std::vector<std::pair<std::string, int64_t>> opened;
    std::vector<std::string> folders;

protected:
    bool OpenFile(const RawString& path, int64_t line) override
    {
        opened.emplace_back(path.Str(), line);
        return true;
    }
    bool OpenFolder(const RawString& folder) override
    {
        folders.push_back(folder.Str());
        return true;
    }
};

// Hits of one expression per entry: byte ranges of the block text.
JobHitMulti Hits(const std::vector<std::vector<std::pair<int32_t, int32_t>>>& expressions)
{
    JobHitMulti hits;
    for (size_t index = 0; index < expressions.size(); ++index) {
        JobHitSingle& single = hits.Emplace();
        single.colour = JobHitMulti::Colour(static_cast<int32_t>(index));
        for (auto [start, end] : expressions[index]) {
            auto& unit = single.Emplace();
            unit.start = start;
            unit.end = end;
        }
    }
    return hits;
}

class GuiViewBoxTest : public ControlTest {
protected:
    GuiViewBoxTest() { results_.StartTarget(RawString("/data")); }
    JobBlockUnit& Add(
        const std::string& path, int64_t index, const std::string& text, const JobHitMulti& hits = {})
    {
        JobFoundBlock found;
        found.path = RawString(path, RawEncoding::Utf8);
        found.index = index;
        found.text = RawString(text, RawEncoding::Utf8);
        found.line_end = RawString("\n");
        return results_.AddFoundBlock(found, RawString("\n"), hits, 1);
    }
    void Open()
    {
        dialog_.Add(box_.Header(), { 10, 10, 590, 30 });
        dialog_.Add(box_, { 10, 30, 590, 330 });
        ASSERT_TRUE(dialog_.Open());
        box_.AppendNewBlocks();
        Host::SetFocus(box_.Window());
        Host::DrainMessages();
        dialog_.reports.clear();
    }
    int LineHeight() const { return WinFont::MessageFont()->Handle()->LineHeight(); }
    long CountOf(uint32_t code) const { return std::ranges::count(dialog_.Codes(), code); }
    // Client points of a row's cell in a column, `dx` pixels into it, in the row's middle.
    HostPoint CellPoint(int32_t row, int32_t column, int32_t dx = 6) const
    {
        const HostRect rect = box_.RowRect(row);
        return { box_.ColumnLeft(column) + dx - box_.ScrollX(), rect.top + rect.Height() / 2 };
    }
    // The x of every pixel of a colour in a band of client rows.
    std::vector<int32_t> ColumnsOf(RawColour colour, int32_t top, int32_t bottom, int32_t from = 0) const
    {
        std::vector<int32_t> xs;
        const int32_t width = Host::ClientRect(box_.Window()).Width();
        for (int32_t x = from; x < width; ++x)
            for (int32_t y = top; y < bottom; ++y)
                if (Host::PixelAt(box_.Window(), { x, y }) == colour) {
                    xs.push_back(x);
                    break;
                }
        return xs;
    }

    JobLayer::JobResultSet results_;
    JobLayer::JobStatusCentre centre_;
    TestBox box_ { results_, centre_ };
    RecordingDialog dialog_;
};

TEST_F(GuiViewBoxTest, HeaderRowAndColumnWidths)
{
    const JobLayer::JobColumnHeaderHandler header;
    std::vector<std::string> titles;
    for (int32_t column = 0; column < 4; ++column)
        titles.push_back(header.ColumnText(column).Str());
    EXPECT_EQ(titles, (std::vector<std::string> { "Check", "File", "Line", "Text" }));
    EXPECT_FALSE(header.IsChecked());
    EXPECT_TRUE(header.BackgroundColour().IsNone());
    EXPECT_EQ(box_.ColumnWidths(), (std::vector<int32_t> { 100, 100, 100, 100 }));

    class WidthLog : public WinListBoxColumnControl::Handler {
    public:
        void ColumnWidthsChanged(const std::vector<WinListBoxColumn>& columns) override
        {
            last = columns.at(0).Width();
        }
        int32_t last = 0;
    } log;
    box_.SetWidthHandler(&log);
    box_.SetColumnWidths({ 30, 120, 50 });
    EXPECT_EQ(box_.ColumnWidths(), (std::vector<int32_t> { 30, 120, 50, 100 }));
    Open();
    // Dragging the first border 20 pixels right widens the check column; the list follows.
    const HostHandle header_window = box_.Header().Window();
    Host::InjectMouseDown(header_window, { 29, 10 });
    Host::InjectMouseMove(header_window, { 39, 10 });
    Host::InjectMouseMove(header_window, { 49, 10 });
    Host::InjectMouseUp(header_window, { 49, 10 });
    Host::DrainMessages();
    EXPECT_EQ(box_.ColumnWidths().at(0), 50);
    EXPECT_EQ(log.last, 50);
    EXPECT_EQ(box_.ColumnLeft(3), 220);
}

TEST_F(GuiViewBoxTest, RowsFollowTheBlockListAndAreMeasuredFromLineCounts)
{
    Add("/data/a.txt", 0, "one");
    Add("/data/b.txt", 4, "two\nlines");
    Open();
    ASSERT_EQ(box_.RowCount(), 2);
    Add("/data/c.txt", 9, "three\r\nlines\rhere");
    EXPECT_EQ(box_.AppendNewBlocks(), 1);
    EXPECT_EQ(box_.AppendNewBlocks(), 0);
    ASSERT_EQ(box_.RowCount(), 3);
    EXPECT_EQ(box_.ItemOf(2)->file_path.Str(), "/data/c.txt");
    EXPECT_EQ(box_.ItemUnit(1).Block(), box_.ItemOf(1));
    const int32_t margins = 2 * GuiViewBox::kRowMargin;
    EXPECT_EQ(box_.Heights().Height(0), LineHeight() + margins);
    EXPECT_EQ(box_.Heights().Height(1), 2 * LineHeight() + margins);
    EXPECT_EQ(box_.Heights().Height(2), 3 * LineHeight() + margins);
    box_.Clear();
    EXPECT_EQ(box_.RowCount(), 0);
    results_.Reset();
    Add("/data/d.txt", 0, "again");
    EXPECT_EQ(box_.AppendNewBlocks(), 1);
    EXPECT_EQ(box_.ItemOf(0)->file_path.Str(), "/data/d.txt");
}

// A long line is not wrapped: it widens the row, and the horizontal scroll reaches its end.
TEST_F(GuiViewBoxTest, LongLineRunsOnAndScrollsIntoView)
{
    Add("/data/a.txt", 0, std::string(300, 'w') + "\nshort");
    Open();
    EXPECT_EQ(box_.Heights().Height(0), 2 * LineHeight() + 2 * GuiViewBox::kRowMargin);
    EXPECT_GT(box_.WidestRow(), box_.ColumnLeft(3) + 100 + 300 * 4);
    Key(HostKey::kRight, HostMod::kControl);
    EXPECT_GT(box_.ScrollX(), 0);
    EXPECT_EQ(box_.Header().Offset(), box_.ScrollX());
}

TEST_F(GuiViewBoxTest, FailedBlockIsLightRedAndCannotBeChecked)
{
    Add("/data/a.txt", 0, "fine");
    Add("/data/bad.txt", 0, "lost");
    EXPECT_EQ(results_.MarkFileFailed(RawString("/data/bad.txt"), 7), 1);
    Open();
    EXPECT_EQ(Host::PixelAt(box_.Window(), CellPoint(1, 1, 90)), JobBlockUnit::kColourFailed);
    EXPECT_EQ(Host::PixelAt(box_.Window(), CellPoint(0, 1, 90)), WinListBox::kBackground);
    Click(box_, CellPoint(1, 0, GuiViewBox::kPadding + 6));
    EXPECT_FALSE(box_.ItemOf(1)->IsChecked());
    EXPECT_TRUE(box_.ItemOf(1)->HasFlag(JobBlockUnit::kLng));
    EXPECT_EQ(CountOf(GuiViewBox::kChecksChanged), 0);
    // The plain row toggles and tells the main window.
    Click(box_, CellPoint(0, 0, GuiViewBox::kPadding + 6));
    EXPECT_FALSE(box_.ItemOf(0)->IsChecked());
    EXPECT_EQ(CountOf(GuiViewBox::kChecksChanged), 1);
}

TEST_F(GuiViewBoxTest, SelectedRowsAreCheckedTogether)
{
    for (int index = 0; index < 5; ++index)
        Add("/data/f" + std::to_string(index), index, "x");
    results_.blocks.At(2)->SetFlags(JobBlockUnit::kApl);
    Open();
    for (int32_t row : { 0, 1, 2, 3 })
        box_.ItemOf(row)->ClearFlags(JobBlockUnit::kChk);
    box_.SelectRange(0, 3);
    Host::DrainMessages();
    const HostPoint check = CellPoint(1, 0, GuiViewBox::kPadding + 6);
    Click(box_, check);
    const auto checked = [this] {
        std::vector<bool> marks;
        for (int32_t row = 0; row < 5; ++row)
            marks.push_back(box_.ItemOf(row)->IsChecked());
        return marks;
    };
    EXPECT_EQ(checked(), (std::vector<bool> { true, true, false, true, true }));
    EXPECT_EQ(box_.SelectedCount(), 4);
    Click(box_, CellPoint(3, 0, GuiViewBox::kPadding + 6));
    EXPECT_EQ(checked(), (std::vector<bool> { false, false, false, false, true }));
    // With Shift the click only extends the selection.
    Host::InjectClick(box_.Window(), CellPoint(4, 0, GuiViewBox::kPadding + 6), 1, 1, HostMod::kShift);
    Host::DrainMessages();
    EXPECT_TRUE(box_.ItemOf(4)->IsChecked());
    EXPECT_TRUE(box_.IsSelected(4));
}

// From the keyboard: Space checks or unchecks the cursor row, Ctrl+Space selects.
TEST_F(GuiViewBoxTest, SpaceChecksTheCursorRowAndCtrlSpaceSelects)
{
    for (int index = 0; index < 3; ++index)
        Add("/data/f" + std::to_string(index), index, "x");
    Open();
    box_.Focus();
    box_.SetCursor(1);
    Key(HostKey::kSpace);
    EXPECT_FALSE(box_.ItemOf(1)->IsChecked());
    EXPECT_TRUE(box_.ItemOf(0)->IsChecked());
    EXPECT_EQ(CountOf(GuiViewBox::kChecksChanged), 1);
    Key(HostKey::kDown);
    const bool selected = box_.IsSelected(2);
    Key(HostKey::kSpace, HostMod::kControl);
    EXPECT_NE(box_.IsSelected(2), selected);
    EXPECT_TRUE(box_.ItemOf(2)->IsChecked());
    EXPECT_EQ(CountOf(GuiViewBox::kChecksChanged), 1);
}

TEST_F(GuiViewBoxTest, PreviewShowsReplacedInGreenBelowOriginal)
{
    JobBlockUnit& block = Add("/data/a.txt", 0, "old text");
    block.replaced = RawString("new text", RawEncoding::Utf8);
    block.SetFlags(JobBlockUnit::kRep);
    Open();
    const int32_t plain = box_.Heights().Height(0);
    EXPECT_TRUE(ColumnsOf(GuiViewBox::kReplacedText, 0, plain).empty());
    box_.SetPreviewShown(true);
    Host::DrainMessages();
    EXPECT_EQ(box_.Heights().Height(0), plain + LineHeight());
    const int32_t second_line = GuiViewBox::kRowMargin + LineHeight();
    EXPECT_TRUE(ColumnsOf(GuiViewBox::kReplacedText, 0, second_line).empty());
    const std::vector<int32_t> green
        = ColumnsOf(GuiViewBox::kReplacedText, second_line, second_line + LineHeight());
    ASSERT_FALSE(green.empty());
    EXPECT_GE(green.front(), box_.ColumnLeft(3));
}

// Hits take their expression's colour at the right characters, in Japanese text too (hits count
// bytes of the text, the layout UTF-16 units).
TEST_F(GuiViewBoxTest, HitsDrawnInTheirExpressionsColours)
{
    const std::string japanese = "日本語のテキスト"; // three bytes a character
    Add("/data/a.txt", 0, "alpha beta", Hits({ { { 0, 5 } }, { { 6, 10 } } }));
    Add("/data/j.txt", 0, japanese, Hits({ { { 12, 24 } } }));
    Open();
    const HostRect first = box_.RowRect(0);
    const std::vector<int32_t> one = ColumnsOf(JobHitMulti::Colour(0), first.top, first.bottom);
    const std::vector<int32_t> two = ColumnsOf(JobHitMulti::Colour(1), first.top, first.bottom);
    ASSERT_FALSE(one.empty());
    ASSERT_FALSE(two.empty());
    EXPECT_LT(one.back(), two.front());

    const HostRect second = box_.RowRect(1);
    const std::vector<int32_t> kana = ColumnsOf(JobHitMulti::Colour(0), second.top, second.bottom);
    ASSERT_FALSE(kana.empty());
    const HostTextLayout layout(*WinFont::MessageFont()->Handle(), japanese, HostText::kExpandTabs, 0);
    const int32_t text_left = box_.ColumnLeft(3) + GuiViewBox::kPadding;
    EXPECT_NEAR(kana.front(), text_left + layout.XOfIndex(4), 1);
    EXPECT_NEAR(kana.back() + 1, text_left + layout.XOfIndex(8), 1);
}

TEST_F(GuiViewBoxTest, ReportMenuCommands)
{
    Add("/data/sub/a.txt", 41, "x");
    Open();
    HostMenu menu;
    box_.BuildReportMenu(menu);
    ASSERT_EQ(menu.Items().size(), 3u);
    EXPECT_EQ(menu.Items()[0].text, "Open file.");
    EXPECT_EQ(menu.Items()[1].text, "Open base folder.");
    EXPECT_EQ(menu.Items()[2].text, "Copy file name to clipboard.");

    box_.RunReportCommand(GuiViewBox::kCommandNameToClipboard, 0);
    EXPECT_EQ(Host::ClipboardText(), "/data/sub/a.txt");
    box_.RunReportCommand(GuiViewBox::kCommandOpenFolder, 0);
    EXPECT_EQ(box_.folders, (std::vector<std::string> { "/data/sub" }));
    box_.RunReportCommand(GuiViewBox::kCommandOpenFile, 0);
    // Enter and a double click on the row open the file too.
    box_.SetCursor(0);
    Host::DrainMessages();
    Key(HostKey::kReturn);
    Click(box_, CellPoint(0, 3), 2);
    ASSERT_EQ(box_.opened.size(), 3u);
    for (const auto& [path, line] : box_.opened) {
        EXPECT_EQ(path, "/data/sub/a.txt");
        EXPECT_EQ(line, 42);
    }
}

TEST_F(GuiViewBoxTest, CursorOnBlockWithStatusAsksForIt)
{
    Add("/data/a.txt", 0, "x");
    Add("/data/bad.txt", 0, "y");
    results_.MarkFileFailed(RawString("/data/bad.txt"), 9);
    Open();
    box_.SetCursor(1);
    Host::DrainMessages();
    EXPECT_EQ(CountOf(GuiViewBox::kShowStatus), 0); // not accepting
    centre_.SetAccepting(true);
    box_.SetCursor(0);
    box_.SetCursor(1);
    Host::DrainMessages();
    EXPECT_EQ(CountOf(GuiViewBox::kShowStatus), 1);
    EXPECT_EQ(centre_.SelectedId(), 9u);
}

TEST_F(GuiViewBoxTest, UpdatedBlockDropsItsLayoutAndIsMeasuredAgain)
{
    for (int index = 0; index < 400; ++index)
        Add("/data/a.txt", index, "line");
    Open();
    EXPECT_TRUE(box_.ItemUnit(0).LayoutCached());
    EXPECT_FALSE(box_.ItemUnit(399).LayoutCached());
    box_.SetPreviewShown(true);
    JobBlockUnit& block = *box_.ItemOf(0);
    block.replaced = RawString("two\nlines", RawEncoding::Utf8);
    block.SetFlags(JobBlockUnit::kRep | JobBlockUnit::kUpd);
    Host::DrainMessages();
    box_.RefreshBlock(0);
    EXPECT_FALSE(block.HasFlag(JobBlockUnit::kUpd));
    EXPECT_FALSE(box_.ItemUnit(0).LayoutCached());
    EXPECT_EQ(box_.Heights().Height(0), 3 * LineHeight() + 2 * GuiViewBox::kRowMargin);
    // Paging through every row keeps no more layouts than the bound.
    for (int step = 0; step < 60; ++step)
        Key(HostKey::kNext);
    EXPECT_LE(box_.CachedLayouts(), GuiViewBox::kLayoutCacheBound);
    EXPECT_TRUE(box_.ItemUnit(399).LayoutCached());
    EXPECT_FALSE(box_.ItemUnit(0).LayoutCached());
}

TEST_F(GuiViewBoxTest, MillionRowsPlacedExactlyAtTheEnd)
{
    const std::string texts[] = { "a", "b\nb", "c\nc\nc" };
    int64_t lines = 0;
    for (int32_t index = 0; index < 1000000; ++index) {
        Add("/data/a.txt", index, texts[index % 3]);
        lines += index % 3 + 1;
    }
    Open();
    ASSERT_EQ(box_.RowCount(), 1000000);
    const int64_t total = lines * LineHeight() + 1000000 * 2 * GuiViewBox::kRowMargin;
    EXPECT_EQ(box_.Heights().Total(), total);
    Key(HostKey::kEnd);
    const int32_t client = Host::ClientRect(box_.Window()).Height();
    EXPECT_EQ(box_.Cursor(), 999999);
    EXPECT_EQ(box_.ScrollY(), total - client);
    EXPECT_EQ(box_.RowRect(999999).bottom, client);
    EXPECT_EQ(box_.Heights().OffsetOf(999999),
        total - LineHeight() - 2 * GuiViewBox::kRowMargin); // the last row has one line
}

} // namespace
