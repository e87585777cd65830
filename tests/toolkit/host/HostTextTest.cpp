// Fonts and text layouts of the host: sizes, wrapping, tabs, prefix marks and caret positions.

#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostTextLayout.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace WinLayer;

HostFontSpec FontSpec(int32_t height, int32_t weight = 400)
{
    HostFontSpec font_spec;
    font_spec.height = height;
    font_spec.weight = weight;
    return font_spec;
}

const HostFont& UiFont()
{
    static const HostFont font(FontSpec(-12));
    return font;
}

HostSize Measure(const std::string& text, uint32_t flags, int32_t width = 0)
{
    return HostTextLayout(UiFont(), text, flags, width).Size();
}

TEST(HostFontTest, SizesFollowTheSpec)
{
    const HostFont small(FontSpec(-10));
    const HostFont large(FontSpec(-24));
    EXPECT_GT(large.LineHeight(), small.LineHeight());
    EXPECT_GT(large.AverageCharWidth(), small.AverageCharWidth());
    EXPECT_GT(large.Ascent(), small.Ascent());
    EXPECT_LT(large.Ascent(), large.LineHeight());
    // The default size is 9 points at 96 dots per inch: 12 pixels.
    EXPECT_EQ(HostFont(HostFontSpec()).LineHeight(), HostFont(FontSpec(-12)).LineHeight());
    // A positive height asks for the cell: ascent plus descent.
    for (int32_t cell : { 13, 16, 20, 30, 45 }) {
        SCOPED_TRACE(cell);
        EXPECT_NEAR(HostFont(FontSpec(cell)).LineHeight(), cell, 1);
    }
}

TEST(HostFontTest, StyleAndFaceChangeTheLook)
{
    const std::string text = "Wide Bold Text";
    const HostSize normal = HostTextLayout(HostFont(FontSpec(-14, 400)), text, 0, 0).Size();
    const HostSize bold = HostTextLayout(HostFont(FontSpec(-14, 700)), text, 0, 0).Size();
    EXPECT_GT(bold.cx, normal.cx);
    HostFontSpec mono_spec = FontSpec(-14);
    mono_spec.face = "DejaVu Sans Mono";
    const HostFont mono(mono_spec);
    // In a fixed-pitch face every character takes the average width.
    EXPECT_EQ(HostTextLayout(mono, "iiiiiiiiii", 0, 0).Size().cx, 10 * mono.AverageCharWidth());
    EXPECT_EQ(HostTextLayout(mono, "WWWWWWWWWW", 0, 0).Size().cx, 10 * mono.AverageCharWidth());
}

TEST(HostFontTest, DesktopFontsAndFamilies)
{
    const std::vector<std::string> families = HostFont::Families();
    EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
    EXPECT_NE(std::find(families.begin(), families.end(), "DejaVu Sans"), families.end());
    EXPECT_NE(std::find(families.begin(), families.end(), "IPAGothic"), families.end());
    for (const HostFontSpec& font_spec :
        { HostFont::MenuFontSpec(), HostFont::StatusFontSpec(), HostFont::MessageFontSpec() }) {
        EXPECT_LT(font_spec.height, 0);
        EXPECT_NE(std::find(families.begin(), families.end(), font_spec.face), families.end())
            << font_spec.face;
    }
}

TEST(HostTextLayoutTest, MeasuresText)
{
    EXPECT_GT(Measure("a longer text", 0).cx, Measure("a text", 0).cx);
    // Empty text keeps one line's height.
    const HostTextLayout empty(UiFont(), "", 0, 0);
    EXPECT_EQ(empty.LineCount(), 1);
    EXPECT_EQ(empty.Size().cy, UiFont().LineHeight());
    EXPECT_GT(empty.Size().cx, 0);
    // Japanese falls back to a face that has it; lines stay the font's height.
    const HostSize japanese = Measure("\xE6\xBC\xA2\xE5\xAD\x97\xE3\x81\x8B\xE3\x81\xAA", 0);
    EXPECT_GT(japanese.cx, 3 * UiFont().AverageCharWidth());
    EXPECT_EQ(japanese.cy, UiFont().LineHeight());
    EXPECT_EQ(Measure("one\ntwo\nthree", 0).cy, 3 * UiFont().LineHeight());
    EXPECT_EQ(Measure("\n", 0).cy, 2 * UiFont().LineHeight());
    // Bytes that are no UTF-8 still lay out, one character each.
    const HostTextLayout broken(UiFont(), std::string("a\xFF\xFE") + '\0' + "b", 0, 0);
    EXPECT_GT(broken.Size().cx, Measure("ab", 0).cx);
    EXPECT_EQ(broken.IndexFromPoint({ 1000, 1 }), 5);
}

TEST(HostTextLayoutTest, LineModes)
{
    const std::string text = "the quick brown fox jumps over the lazy dog again and again";
    const int32_t width = Measure(text, 0).cx / 3;
    const HostTextLayout wrapped(UiFont(), text, HostText::kWordBreak, width);
    EXPECT_GE(wrapped.LineCount(), 3);
    EXPECT_LE(wrapped.Size().cx, width);
    EXPECT_EQ(wrapped.Size().cy, wrapped.LineCount() * UiFont().LineHeight());
    // A word longer than the width breaks between characters.
    const HostTextLayout long_word(UiFont(), std::string(60, 'x'), HostText::kWordBreak, 50);
    EXPECT_GT(long_word.LineCount(), 1);
    EXPECT_LE(long_word.Size().cx, 50);
    // Without word break the width does not wrap.
    EXPECT_EQ(HostTextLayout(UiFont(), text, 0, width).LineCount(), 1);
    // A single line shows its line breaks as blanks.
    const HostTextLayout single(
        UiFont(), "one\r\ntwo\nthree", HostText::kSingleLine | HostText::kWordBreak, 20);
    EXPECT_EQ(single.LineCount(), 1);
    EXPECT_EQ(single.Size().cx, Measure("one two three", 0).cx);
    EXPECT_EQ(HostTextLayout(UiFont(), "one\r\ntwo", 0, 0).LineCount(), 2);
}

TEST(HostTextLayoutTest, EndEllipsisStaysInTheWidth)
{
    const std::string text = "a text much too long for its little box";
    const HostSize full = Measure(text, HostText::kSingleLine);
    const HostSize cut = Measure(text, HostText::kSingleLine | HostText::kEndEllipsis, full.cx / 2);
    EXPECT_LE(cut.cx, full.cx / 2);
    EXPECT_GT(cut.cx, 0);
    // Wrapped text still wraps; drawing cuts it where the rectangle ends.
    const uint32_t wrapped = HostText::kWordBreak | HostText::kEndEllipsis;
    EXPECT_GT(HostTextLayout(UiFont(), text, wrapped, full.cx / 3).LineCount(), 2);
    HostBitmap bitmap { full.cx / 3, 60, std::vector<uint32_t>(static_cast<size_t>(full.cx / 3) * 60, 0) };
    HostPainter painter(bitmap);
    HostRect rect { 0, 0, full.cx / 3, 2 * UiFont().LineHeight() };
    EXPECT_EQ(painter.DrawText(UiFont(), text, rect, wrapped, RawColour()), 2 * UiFont().LineHeight());
}

TEST(HostTextLayoutTest, TabsStopAtTheirLength)
{
    const int32_t average = UiFont().AverageCharWidth();
    struct Case {
        uint32_t flags;
        int32_t stop;
    } cases[] = {
        { HostText::kExpandTabs, 8 }, { HostText::kExpandTabs | HostText::kTabStop | (4u << 8), 4 },
        { HostText::kExpandTabs | HostText::kTabStop | (2u << 8), 2 },
        { HostText::kExpandTabs | HostText::kTabStop, 8 }, // length 0 is the default
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stop);
        const HostTextLayout layout(UiFont(), "a\tb\t\tc\t", c.flags, 0);
        EXPECT_EQ(layout.CaretRect(2).left, c.stop * average);
        EXPECT_EQ(layout.CaretRect(5).left, 3 * c.stop * average);
        EXPECT_EQ(layout.Size().cx, 4 * c.stop * average);
    }
}

TEST(HostTextLayoutTest, AlignmentWithinTheWidth)
{
    const int32_t width = 300;
    const int32_t text_width = Measure("middle", 0).cx;
    const HostTextLayout centre(UiFont(), "middle", HostText::kCenter, width);
    const HostTextLayout right(UiFont(), "middle", HostText::kRight, width);
    EXPECT_EQ(centre.CaretRect(0).left, (width - text_width) / 2);
    EXPECT_EQ(right.CaretRect(0).left, width - text_width);
    EXPECT_EQ(right.CaretRect(6).left, width);
    EXPECT_EQ(right.Size().cx, text_width);
    // Wrapped lines are aligned each on its own.
    const HostTextLayout wrapped(
        UiFont(), "short\na much longer line", HostText::kRight | HostText::kWordBreak, width);
    EXPECT_EQ(wrapped.CaretRect(5).left, width);
    EXPECT_EQ(wrapped.CaretRect(24).left, width);
    EXPECT_EQ(wrapped.IndexFromPoint({ width - 1, UiFont().LineHeight() / 2 }), 5);
}

TEST(HostTextLayoutTest, PrefixMarks)
{
    const uint32_t no_prefix = HostText::kNoPrefix;
    // "&x" shows x, "&&" shows one "&", a lone mark at the end shows nothing.
    EXPECT_EQ(Measure("&File", 0).cx, Measure("File", no_prefix).cx);
    EXPECT_EQ(Measure("Save && Quit", 0).cx, Measure("Save & Quit", no_prefix).cx);
    EXPECT_EQ(Measure("End&", 0).cx, Measure("End", no_prefix).cx);
    EXPECT_GT(Measure("&File", no_prefix).cx, Measure("File", no_prefix).cx);
    // Text with its own tab length is data text: no marks are read.
    EXPECT_EQ(Measure("a&b", HostText::kExpandTabs | HostText::kTabStop | (4u << 8)).cx,
        Measure("a&b", no_prefix).cx);
    // A mark and its letter share one caret position.
    const HostTextLayout layout(UiFont(), "Op&en && go", 0, 0);
    EXPECT_EQ(layout.CaretRect(2).left, layout.CaretRect(3).left);
    EXPECT_EQ(layout.CaretRect(6).left, layout.CaretRect(7).left);
    EXPECT_LT(layout.CaretRect(5).left, layout.CaretRect(6).left);
    EXPECT_LT(layout.CaretRect(3).left, layout.CaretRect(4).left);
    EXPECT_EQ(layout.CaretRect(11).left, layout.Size().cx);
}

TEST(HostTextLayoutTest, CaretPositionsRoundTrip)
{
    struct Case {
        const char* text;
        uint32_t flags;
        std::vector<int32_t> indexes; // every caret position, in characters of the text as given
    } cases[] = {
        { "plain ascii", HostText::kNoPrefix, { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 } },
        { "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\x61\xE3\x81\x8B", HostText::kNoPrefix, { 0, 1, 2, 3, 4, 5 } },
        { "&Open && close&", 0, { 0, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 15 } },
        { "two\nlines", HostText::kNoPrefix, { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 } },
        { "a\tb", HostText::kExpandTabs, { 0, 1, 2, 3 } },
        { "centred", HostText::kCenter | HostText::kNoPrefix, { 0, 3, 7 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const HostTextLayout layout(UiFont(), c.text, c.flags, 200);
        int32_t previous_left = -1;
        int32_t previous_top = -1;
        for (int32_t index : c.indexes) {
            SCOPED_TRACE(index);
            const HostRect caret = layout.CaretRect(index);
            EXPECT_EQ(caret.Height(), UiFont().LineHeight());
            EXPECT_EQ(caret.top % UiFont().LineHeight(), 0);
            if (caret.top == previous_top) {
                EXPECT_GT(caret.left, previous_left);
            }
            previous_left = caret.left;
            previous_top = caret.top;
            EXPECT_EQ(layout.IndexFromPoint({ caret.left, caret.top + caret.Height() / 2 }), index);
        }
    }
}

TEST(HostTextLayoutTest, PointsOutsideTheText)
{
    const HostTextLayout layout(UiFont(), "first\nsecond line", HostText::kNoPrefix, 0);
    const int32_t line = UiFont().LineHeight();
    EXPECT_EQ(layout.IndexFromPoint({ -20, line / 2 }), 0);
    EXPECT_EQ(layout.IndexFromPoint({ 1000, line / 2 }), 5); // before the line break
    EXPECT_EQ(layout.IndexFromPoint({ 1000, 10 * line }), 17);
    EXPECT_EQ(layout.IndexFromPoint({ 0, -5 }), 0);
    EXPECT_EQ(layout.CaretRect(-3), layout.CaretRect(0));
    EXPECT_EQ(layout.CaretRect(99), layout.CaretRect(17));
    EXPECT_EQ(layout.CaretRect(6).top, line);
}

TEST(HostTextLayoutTest, MeasureTextMatchesCalcRect)
{
    const std::string text = "measured\tthe same\nboth ways";
    const uint32_t flags = HostText::kExpandTabs | HostText::kWordBreak | HostText::kNoPrefix;
    const HostRect measured = HostPainter::MeasureText(UiFont(), text, { 5, 7, 80, 32767 }, flags);
    HostRect calc { 5, 7, 80, 32767 };
    HostBitmap untouched { 4, 4, std::vector<uint32_t>(16, 0) };
    {
        HostPainter painter(untouched);
        const int32_t height
            = painter.DrawText(UiFont(), text, calc, flags | HostText::kCalcRect, RawColour());
        EXPECT_EQ(height, calc.Height());
    }
    EXPECT_EQ(measured, calc);
    EXPECT_EQ(measured.left, 5);
    EXPECT_LE(measured.right, 80);
    EXPECT_GT(measured.Height(), 2 * UiFont().LineHeight());
    EXPECT_EQ(std::count(untouched.pixels.begin(), untouched.pixels.end(), 0u), 16);
}

} // namespace
