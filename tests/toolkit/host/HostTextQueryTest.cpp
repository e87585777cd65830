// Text layouts as text controls use them: indexes in UTF-16 units (surrogate pairs, combining
// marks), lines of multi-line and wrapped text, word boundaries, and coloured runs drawn at
// the right characters.

#include <toolkit/host/HostBitmap.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostTextLayout.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace WinLayer;

const HostFont& UiFont()
{
    static const HostFont font([] {
        HostFontSpec wanted;
        wanted.height = -14;
        return wanted;
    }());
    return font;
}

// UTF-16 units: a0 b1 \r2 \n3 c4 d5 \t6 e7 f8 \n9 U+1F600 10-11 x12 U+0301 13 ' '14 y15 z16, end 17.
const std::string kText = "ab\r\ncd\tef\n\xF0\x9F\x98\x80x\xCC\x81 yz";
constexpr uint32_t kFlags = HostText::kNoPrefix | HostText::kExpandTabs;

TEST(HostTextQueryTest, LinesOfMultiLineTextInUtf16Units)
{
    const HostTextLayout layout(UiFont(), kText, kFlags, 0);
    ASSERT_EQ(layout.LineCount(), 3);
    struct Line {
        int32_t start, end;
    };
    const Line lines[] = { { 0, 2 }, { 4, 9 }, { 10, 17 } };
    for (int32_t line = 0; line < 3; ++line) {
        SCOPED_TRACE(line);
        EXPECT_EQ(layout.LineStart(line), lines[line].start);
        EXPECT_EQ(layout.LineEnd(line), lines[line].end);
        EXPECT_EQ(layout.LineOfIndex(lines[line].start), line);
        EXPECT_EQ(layout.LineOfIndex(lines[line].end), line);
        EXPECT_EQ(layout.IndexFromX(line, 100000), lines[line].end);
        EXPECT_EQ(layout.IndexFromX(line, -5), lines[line].start);
    }
    struct Index {
        int32_t index;
        int32_t line;
    };
    for (const Index c : { Index { 1, 0 }, Index { 7, 1 }, Index { 11, 2 }, Index { 15, 2 } })
        EXPECT_EQ(layout.LineOfIndex(c.index), c.line) << c.index;

    // Inside a surrogate pair is the caret before it; the pair is one character wide.
    EXPECT_EQ(layout.XOfIndex(11), layout.XOfIndex(10));
    EXPECT_GT(layout.XOfIndex(12), layout.XOfIndex(10));
    EXPECT_EQ(layout.IndexFromX(2, layout.XOfIndex(12)), 12);
    // The combining mark sits on its letter: the blank after it starts where the letter ends.
    EXPECT_GT(layout.XOfIndex(14), layout.XOfIndex(12));
    EXPECT_EQ(layout.IndexFromX(2, layout.XOfIndex(14) + 1), 14);
    // The tab reaches the next stop, far wider than a letter.
    EXPECT_GT(layout.XOfIndex(7) - layout.XOfIndex(6), 2 * (layout.XOfIndex(6) - layout.XOfIndex(5)));
    EXPECT_EQ(layout.IndexFromX(1, layout.XOfIndex(7)), 7);
}

TEST(HostTextQueryTest, WordsByPangosBoundaries)
{
    const HostTextLayout layout(UiFont(), kText, kFlags, 0);
    struct Case {
        int32_t index;
        HostTextLayout::Word word;
    };
    const Case cases[] = {
        { 0, { 0, 2 } },    // at a word's start
        { 2, { 0, 2 } },    // at its end, before the line break
        { 5, { 4, 6 } },    // inside
        { 6, { 4, 6 } },    // before the tab
        { 12, { 12, 14 } }, // a letter with its combining mark is one word
        { 14, { 12, 14 } }, { 16, { 15, 17 } }, { 17, { 15, 17 } }, // the end of the text
    };
    for (const Case& c : cases)
        EXPECT_EQ(layout.WordAt(c.index), c.word) << c.index;
    const HostTextLayout spaces(UiFont(), "a   b", kFlags, 0);
    EXPECT_EQ(spaces.WordAt(2), (HostTextLayout::Word { 2, 2 })) << "between words";
}

TEST(HostTextQueryTest, CaretStopsPassOverWholeCharacters)
{
    const HostTextLayout layout(UiFont(), kText, kFlags, 0);
    // The CRLF, the surrogate pair and the letter with its combining mark are passed whole.
    const int32_t stops[] = { 0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 12, 14, 15, 16, 17 };
    for (size_t k = 0; k + 1 < std::size(stops); ++k) {
        EXPECT_EQ(layout.NextCaretStop(stops[k]), stops[k + 1]) << stops[k];
        EXPECT_EQ(layout.PreviousCaretStop(stops[k + 1]), stops[k]) << stops[k + 1];
    }
    EXPECT_EQ(layout.PreviousCaretStop(0), 0);
    EXPECT_EQ(layout.NextCaretStop(17), 17);
    EXPECT_EQ(layout.PreviousCaretStop(11), 10) << "inside the pair: the caret before it";
    const HostTextLayout empty(UiFont(), "", kFlags, 0);
    EXPECT_EQ(empty.NextCaretStop(0), 0);
    EXPECT_EQ(empty.PreviousCaretStop(0), 0);
}

TEST(HostTextQueryTest, WrappedLinesStartAtWords)
{
    const std::string text = "alpha \xF0\x9F\x98\x80"
                             "beta gamma delta epsilon zeta eta theta";
    const int32_t width = HostTextLayout(UiFont(), "alpha beta gamma", kFlags, 0).Size().cx;
    const HostTextLayout layout(UiFont(), text, kFlags | HostText::kWordBreak, width);
    ASSERT_GE(layout.LineCount(), 3);
    EXPECT_EQ(layout.LineStart(0), 0);
    for (int32_t line = 1; line < layout.LineCount(); ++line) {
        SCOPED_TRACE(line);
        const int32_t start = layout.LineStart(line);
        EXPECT_LE(layout.LineEnd(line - 1), start);
        EXPECT_EQ(layout.LineOfIndex(start), line) << "a caret at a wrap starts the next line";
        EXPECT_EQ(layout.WordAt(start).start, start) << "lines wrap between words";
        EXPECT_EQ(layout.XOfIndex(start), 0);
    }
    EXPECT_EQ(layout.LineEnd(layout.LineCount() - 1), 47); // the pair counts two units
}

// Runs: a selection and two hits, each at its characters, in ASCII and in Japanese.
TEST(HostTextQueryTest, RunsPaintTheirColoursAtTheirCharacters)
{
    constexpr RawColour kWhite = RawColour::FromRgb(255, 255, 255);
    constexpr RawColour kSelection = RawColour::FromRgb(0xC0, 0xD0, 0xFF);
    constexpr RawColour kHit = RawColour::FromRgb(0xFF, 0xFF, 0x00);
    constexpr RawColour kOtherHit = RawColour::FromRgb(0x00, 0xC0, 0x00);
    constexpr RawColour kRed = RawColour::FromRgb(0xFF, 0x00, 0x00);
    const std::vector<HostTextRun> runs {
        { 0, 2, RawColour::None(), kSelection, false },
        { 3, 5, RawColour::None(), kHit, false },
        { 6, 8, kRed, kOtherHit, true },
    };
    const RawColour expected[] = { kSelection, kSelection, kWhite, kHit, kHit, kWhite, kOtherHit, kOtherHit };
    for (const std::string text : { "abcdefgh",
             "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3"
             "\x82\xAD\xE3\x82\xB9\xE3\x83\x88" }) {
        SCOPED_TRACE(text);
        HostTextLayout layout(UiFont(), text, kFlags, 0);
        layout.SetRuns(runs);
        const HostSize size = layout.Size();
        HostBitmap bitmap { size.cx + 4, size.cy,
            std::vector<uint32_t>(static_cast<size_t>(size.cx + 4) * size.cy, 0) };
        HostPainter painter(bitmap);
        painter.FillRect({ 0, 0, bitmap.width, bitmap.height }, kWhite);
        painter.DrawLayout(layout, { 0, 0 }, RawColour::FromRgb(0, 0, 0));
        bool red_seen = false;
        for (int32_t i = 0; i < 8; ++i) {
            const int32_t left = layout.XOfIndex(i);
            const int32_t right = layout.XOfIndex(i + 1);
            // The top row lies above every glyph: only a background shows there.
            EXPECT_EQ(bitmap.ColourAt((left + right) / 2, 0), expected[i]) << i;
            for (int32_t y = 0; y < size.cy && i >= 6; ++y)
                for (int32_t x = left; x < right; ++x) {
                    const RawColour c = bitmap.ColourAt(x, y);
                    red_seen = red_seen || (c.Red() > 0xC0 && c.Green() < 0x80);
                }
        }
        EXPECT_TRUE(red_seen) << "the second hit's text is drawn red";
    }
}

} // namespace
