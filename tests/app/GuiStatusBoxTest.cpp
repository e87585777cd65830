// The status box on real windows: the colour mixing rule, row colours read from pixels, the row
// and natural heights, tabs and Japanese text, selecting by id, and a thousand entries.

#include <app/GuiStatusBox.h>
#include <toolkit/WinButton.h>
#include <toolkit/WinFont.h>
#include <toolkit/host/HostFont.h>

#include <memory>
#include <string>

#include "../toolkit/ControlTestSupport.h"

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiStatusBox;
using JobLayer::JobStatusCentre;
using JobLayer::JobStatusUnit;

constexpr RawColour kWhite = RawColour::FromRgb(255, 255, 255);

TEST(GuiStatusBoxMix, FollowsTheMixingRule)
{
    struct Case {
        RawColour row, selection, background, expected;
    };
    const RawColour pink = GuiStatusBox::kErrorColour;
    const RawColour focused = WinListBox::kFocusedSelection; // red 0xC0, green 0xD0, blue 0xFF
    const Case cases[] = {
        { kWhite, focused, kWhite, focused }, // an ordinary selected row: the selection colour
        { pink, kWhite, kWhite, pink },       // an unselected error row: pink
        { kWhite, kWhite, kWhite, kWhite },   // both equal the background
        { pink, focused, kWhite, RawColour::FromRgb(175, 164, 176) },
        { RawColour::FromRgb(0, 0, 0), RawColour::FromRgb(1, 3, 255), kWhite, RawColour::FromRgb(0, 1, 64) },
        { RawColour::FromRgb(9, 200, 255), RawColour::FromRgb(0, 255, 100), RawColour::FromRgb(1, 1, 1),
            RawColour::FromRgb(4, 164, 152) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(GuiStatusBox::Mix(c.row, c.selection, c.background), c.expected)
            << int(c.expected.Red()) << "," << int(c.expected.Green()) << "," << int(c.expected.Blue());
}

class GuiStatusBoxTest : public ControlTest {
protected:
    void SetUp() override { centre_.SetAccepting(true); }
    uint32_t Add(JobStatusUnit::Kind kind, const std::string& text)
    {
        const JobStatusUnit entry = JobStatusCentre::MakeEntry(
            kind, RawLayer::RawString(text, RawLayer::RawEncoding::Utf8), RawLayer::RawString());
        EXPECT_TRUE(centre_.AddEntry(entry));
        return entry.id;
    }
    void Open()
    {
        box_.Fetch();
        dialog_.Add(box_, { 10, 10, 410, 210 });
        dialog_.Add(button_, { 420, 10, 500, 40 });
        ASSERT_TRUE(dialog_.Open());
        box_.Focus();
        Host::DrainMessages();
    }
    int32_t Row() const { return box_.StandardRowHeight(); }
    RawColour Pixel(int32_t x, int32_t y) const { return Host::PixelAt(box_.Window(), { x, y }); }
    // A column right of any text, inside the client area.
    int32_t Right() const { return Host::ClientRect(box_.Window()).right - 4; }
    // The first column from the left with dark ink in a row's middle band; -1 for none.
    int32_t FirstInk(int32_t row) const
    {
        for (int32_t x = 0; x < Right(); ++x)
            for (int32_t y = row * Row() + 1; y < (row + 1) * Row() - 1; ++y)
                if (Pixel(x, y).Red() < 128)
                    return x;
        return -1;
    }

    JobStatusCentre centre_;
    RecordingDialog dialog_;
    GuiStatusBox box_ { centre_ };
    WinButton button_;
};

TEST_F(GuiStatusBoxTest, ErrorRowsArePinkAndSelectedRowsMixWithTheSelection)
{
    Add(JobStatusUnit::kInformation, "ordinary");
    const uint32_t error = Add(JobStatusUnit::kError, "error");
    Open();
    const int32_t x = Right();
    EXPECT_EQ(Pixel(x, Row() / 2), WinListBox::kBackground);
    EXPECT_EQ(Pixel(x, Row() + Row() / 2), GuiStatusBox::kErrorColour);
    EXPECT_EQ(Pixel(x, Row() - 1), GuiStatusBox::kRowLine) << "the line along the bottom";
    EXPECT_EQ(Pixel(x, 2 * Row() - 1), GuiStatusBox::kRowLine);

    centre_.SetSelectedId(error); // as the result list asks for it
    ASSERT_TRUE(box_.SelectRequested());
    Host::DrainMessages();
    EXPECT_EQ(box_.Cursor(), 1);
    EXPECT_EQ(Pixel(x, Row() + Row() / 2),
        GuiStatusBox::Mix(
            GuiStatusBox::kErrorColour, WinListBox::kFocusedSelection, WinListBox::kBackground));
    box_.SetCursor(0);
    Host::DrainMessages();
    EXPECT_EQ(Pixel(x, Row() / 2), WinListBox::kFocusedSelection);
    EXPECT_EQ(Pixel(x, Row() + Row() / 2), GuiStatusBox::kErrorColour);
    Host::SetFocus(button_.Window());
    Host::DrainMessages();
    EXPECT_EQ(Pixel(x, Row() / 2), WinListBox::kUnfocusedSelection);
}

TEST_F(GuiStatusBoxTest, RowHeightFollowsTheFontAndASizeChangeRemeasures)
{
    Add(JobStatusUnit::kInformation, "x");
    Add(JobStatusUnit::kInformation, "y");
    Open();
    const HostRect a = HostPainter::MeasureText(*WinFont::MessageFont()->Handle(), "A", { 0, 0, 999, 999 },
        HostText::kCalcRect | HostText::kSingleLine | HostText::kNoPrefix);
    EXPECT_EQ(Row(), a.Height() + 1);
    EXPECT_EQ(box_.Heights().Total(), 2 * Row());

    WinLogFont big = WinFont::FallbackLogFont();
    big.height = -40;
    box_.SetFont(std::make_shared<WinFont>(big));
    box_.MoveTo({ 10, 10, 400, 220 });
    Host::DrainMessages();
    EXPECT_GT(Row(), a.Height() + 10);
    EXPECT_EQ(box_.Heights().Total(), 2 * Row());

    box_.SetText(RawLayer::RawString("Status"));
    const HostSize text = box_.WinView::NaturalTextSize();
    EXPECT_EQ(box_.NaturalTextSize().cy, text.cy + text.cy / 2 + 2);
}

TEST_F(GuiStatusBoxTest, DrawsJapaneseAndExpandsTabsToTheTabLength)
{
    Add(JobStatusUnit::kError, "読み込みエラー");
    Add(JobStatusUnit::kInformation, "\tX");
    box_.SetTabLength(4);
    Open();
    EXPECT_GE(FirstInk(0), 0) << "the Japanese text is drawn";
    const int32_t average = WinFont::MessageFont()->Handle()->AverageCharWidth();
    const int32_t short_tab = FirstInk(1);
    EXPECT_GE(short_tab, 2 + 4 * average - 1);
    box_.SetTabLength(12);
    box_.Invalidate();
    Host::DrainMessages();
    const int32_t long_tab = FirstInk(1);
    EXPECT_GE(long_tab, 2 + 12 * average - 1);
    EXPECT_EQ(long_tab - short_tab, 8 * average) << short_tab << " " << long_tab << " " << average;
}

TEST_F(GuiStatusBoxTest, AThousandEntriesThenOnlyTheNewOnesAndAClear)
{
    for (int i = 0; i < 1000; ++i)
        Add(i % 7 == 0 ? JobStatusUnit::kError : JobStatusUnit::kInformation, "entry " + std::to_string(i));
    Open();
    ASSERT_EQ(box_.RowCount(), 1000);
    EXPECT_EQ(box_.Heights().Total(), 1000 * Row());
    Key(HostKey::kEnd);
    EXPECT_EQ(box_.Cursor(), 999);
    const int32_t client = Host::ClientRect(box_.Window()).Height();
    EXPECT_EQ(Pixel(Right(), client - 1), GuiStatusBox::kRowLine) << "the last row ends at the bottom";
    // Entry 994 (an error) sits five rows above the last.
    EXPECT_EQ(Pixel(Right(), client - 5 * Row() - Row() / 2), GuiStatusBox::kErrorColour);

    const uint32_t later = Add(JobStatusUnit::kInformation, "later");
    box_.Fetch();
    EXPECT_EQ(box_.RowCount(), 1001);
    EXPECT_EQ(box_.ItemOf(1000)->id, later);
    EXPECT_TRUE(box_.SelectId(later));
    EXPECT_EQ(box_.Cursor(), 1000);

    box_.Clear();
    EXPECT_EQ(box_.RowCount(), 0);
    EXPECT_FALSE(box_.SelectId(later));
    EXPECT_FALSE(box_.SelectId(0));
    Add(JobStatusUnit::kInformation, "new job");
    box_.Fetch();
    ASSERT_EQ(box_.RowCount(), 1);
    EXPECT_EQ(box_.ItemOf(0)->text.Str(), "new job");
}

} // namespace
