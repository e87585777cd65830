// Drawing on bitmaps: shapes are pixel-exact, clips hold, bitmaps blend by their alpha, text
// lands where its flags say, and PNG files keep the pixels.

#include <toolkit/host/HostBitmap.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostTextLayout.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

namespace {

using namespace WinLayer;

constexpr uint32_t kClear = 0x00000000;
constexpr uint32_t kWhitePixel = 0xFFFFFFFF;
constexpr uint32_t kRedPixel = 0xFFFF0000;
constexpr uint32_t kBluePixel = 0xFF0000FF;
const RawColour kRed = RawColour::FromRgb(255, 0, 0);
const RawColour kBlue = RawColour::FromRgb(0, 0, 255);
const RawColour kBlack = RawColour::FromRgb(0, 0, 0);

HostBitmap Blank(int32_t width, int32_t height, uint32_t pixel = kClear)
{
    return HostBitmap { width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, pixel) };
}

// The rectangle of pixels that differ from `background`; empty when none do.
HostRect Changed(const HostBitmap& bitmap, uint32_t background)
{
    HostRect box { bitmap.width, bitmap.height, 0, 0 };
    for (int32_t y = 0; y < bitmap.height; ++y)
        for (int32_t x = 0; x < bitmap.width; ++x)
            if (bitmap.At(x, y) != background) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box.Empty() ? HostRect {} : box;
}

const HostFont& TextFont()
{
    static const HostFont font = [] {
        HostFontSpec font_spec;
        font_spec.height = -14;
        return HostFont(font_spec);
    }();
    return font;
}

TEST(HostPainterTest, RectanglesArePixelExact)
{
    struct Case {
        const char* name;
        void (*draw)(HostPainter&);
        HostRect box;   // every pixel inside changed, none outside
        int32_t hollow; // the inside untouched that far from the box's edges (0: filled)
    } cases[] = {
        { "fill",
            [](HostPainter& p) {
                p.FillRect({ 2, 3, 7, 9 }, kRed);
            },
            { 2, 3, 7, 9 }, 0 },
        { "frame",
            [](HostPainter& p) {
                p.FrameRect({ 1, 1, 11, 9 }, kRed);
            },
            { 1, 1, 11, 9 }, 1 },
        { "thick frame",
            [](HostPainter& p) {
                p.FrameRect({ 0, 2, 12, 14 }, kRed, 3);
            },
            { 0, 2, 12, 14 }, 3 },
        { "line right",
            [](HostPainter& p) {
                p.Line({ 2, 5 }, { 9, 5 }, kRed);
            },
            { 2, 5, 9, 6 }, 0 },
        { "line left",
            [](HostPainter& p) {
                p.Line({ 9, 5 }, { 2, 5 }, kRed);
            },
            { 3, 5, 10, 6 }, 0 },
        { "line down",
            [](HostPainter& p) {
                p.Line({ 4, 1 }, { 4, 8 }, kRed);
            },
            { 4, 1, 5, 8 }, 0 },
        { "wide line",
            [](HostPainter& p) {
                p.Line({ 1, 6 }, { 11, 6 }, kRed, 3);
            },
            { 1, 5, 11, 8 }, 0 },
        { "clipped",
            [](HostPainter& p) {
                p.Save();
                p.ClipTo({ 3, 4, 8, 6 });
                p.FillRect({ 0, 0, 16, 16 }, kRed);
                p.Restore();
            },
            { 3, 4, 8, 6 }, 0 },
        { "empty",
            [](HostPainter& p) {
                p.FillRect({ 5, 5, 5, 9 }, kRed);
            },
            {}, 0 },
        { "no colour",
            [](HostPainter& p) {
                p.FillRect({ 1, 1, 5, 5 }, RawColour::None());
            },
            {}, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostBitmap bitmap = Blank(16, 16);
        {
            HostPainter painter(bitmap);
            c.draw(painter);
        }
        EXPECT_EQ(Changed(bitmap, kClear), c.box);
        for (int32_t y = c.box.top; y < c.box.bottom; ++y)
            for (int32_t x = c.box.left; x < c.box.right; ++x) {
                const bool inside = x >= c.box.left + c.hollow && x < c.box.right - c.hollow
                    && y >= c.box.top + c.hollow && y < c.box.bottom - c.hollow;
                EXPECT_EQ(bitmap.At(x, y), c.hollow > 0 && inside ? kClear : kRedPixel) << x << "," << y;
            }
    }
}

TEST(HostPainterTest, ClipsNestAndUnwind)
{
    HostBitmap bitmap = Blank(20, 10);
    HostPainter painter(bitmap);
    EXPECT_EQ(painter.ClipBox(), (HostRect { 0, 0, 20, 10 }));
    painter.Save();
    painter.ClipTo({ 2, 2, 15, 8 });
    painter.Save();
    painter.ClipTo({ 10, 0, 20, 10 });
    EXPECT_EQ(painter.ClipBox(), (HostRect { 10, 2, 15, 8 }));
    painter.Restore();
    EXPECT_EQ(painter.ClipBox(), (HostRect { 2, 2, 15, 8 }));
    painter.Restore();
    painter.Restore(); // one too many does nothing
    EXPECT_EQ(painter.ClipBox(), (HostRect { 0, 0, 20, 10 }));
    painter.Save();
    painter.ClipTo({ 5, 5, 5, 5 });
    painter.FillRect({ 0, 0, 20, 10 }, kRed);
    EXPECT_EQ(Changed(bitmap, kClear), HostRect {});
    // The painter ends with its Save undone; a new painter sees the whole bitmap.
}

TEST(HostPainterTest, RoundShapesLeaveTheirCorners)
{
    HostBitmap bitmap = Blank(40, 30, kWhitePixel);
    {
        HostPainter painter(bitmap);
        painter.RoundRect({ 0, 0, 20, 30 }, 6, kRed, kBlue);
        painter.Ellipse({ 20, 0, 40, 30 }, kRed, RawColour::None());
    }
    EXPECT_EQ(bitmap.At(0, 0), kWhitePixel);
    EXPECT_EQ(bitmap.At(19, 29), kWhitePixel);
    EXPECT_EQ(bitmap.At(10, 15), kRedPixel);
    EXPECT_EQ(bitmap.At(10, 0), kBluePixel);
    EXPECT_EQ(bitmap.At(0, 15), kBluePixel);
    EXPECT_EQ(bitmap.At(19, 15), kBluePixel);
    EXPECT_EQ(bitmap.At(10, 1), kRedPixel);
    EXPECT_EQ(bitmap.At(20, 0), kWhitePixel);
    EXPECT_EQ(bitmap.At(39, 29), kWhitePixel);
    EXPECT_EQ(bitmap.At(30, 15), kRedPixel);
    EXPECT_EQ(bitmap.At(30, 1), kRedPixel);
}

TEST(HostPainterTest, BitmapsBlendByTheirAlpha)
{
    // Premultiplied: opaque blue, half-transparent black, fully transparent.
    const HostBitmap source { 3, 1, { kBluePixel, 0x80000000, 0x00000000 } };
    HostBitmap bitmap = Blank(6, 3, kWhitePixel);
    {
        HostPainter painter(bitmap);
        painter.DrawBitmap(source, { 2, 1 });
        painter.DrawBitmap(HostBitmap {}, { 0, 0 });
    }
    EXPECT_EQ(bitmap.At(2, 1), kBluePixel);
    const uint32_t half = bitmap.At(3, 1);
    EXPECT_EQ(half >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>(half & 0xFF), 0x7F, 1);
    EXPECT_EQ(half & 0xFF, (half >> 8) & 0xFF);
    EXPECT_EQ(bitmap.At(4, 1), kWhitePixel);
    EXPECT_EQ(Changed(bitmap, kWhitePixel), (HostRect { 2, 1, 4, 2 }));
}

TEST(HostPainterTest, TextLandsWhereItsFlagsSay)
{
    const HostRect box { 10, 10, 190, 50 };
    struct Case {
        const char* name;
        uint32_t flags;
        int32_t low_left, high_left, low_top, high_top; // where the ink's top-left may lie
    } cases[] = {
        { "left top", HostText::kSingleLine, 10, 12, 10, 16 },
        { "right", HostText::kSingleLine | HostText::kRight, 120, 189, 10, 16 },
        { "centred", HostText::kSingleLine | HostText::kCenter | HostText::kVCenter, 60, 120, 17, 26 },
        { "bottom", HostText::kSingleLine | HostText::kBottom, 10, 12, 33, 40 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostBitmap bitmap = Blank(200, 60, kWhitePixel);
        HostRect rect = box;
        {
            HostPainter painter(bitmap);
            EXPECT_EQ(
                painter.DrawText(TextFont(), "Text here", rect, c.flags, kBlack), TextFont().LineHeight());
        }
        const HostRect ink = Changed(bitmap, kWhitePixel);
        EXPECT_GE(ink.left, c.low_left);
        EXPECT_LE(ink.left, c.high_left);
        EXPECT_GE(ink.top, c.low_top);
        EXPECT_LE(ink.top, c.high_top);
        EXPECT_LE(ink.right, box.right);
        EXPECT_LE(ink.bottom, box.bottom);
        EXPECT_EQ(rect, box);
    }
}

TEST(HostPainterTest, TextIsClippedToItsRectangle)
{
    const std::string text = "a line that is far too long";
    HostBitmap clipped = Blank(200, 30, kWhitePixel);
    HostBitmap free = Blank(200, 30, kWhitePixel);
    HostRect rect { 0, 0, 40, 30 };
    {
        HostPainter painter(clipped);
        painter.DrawText(TextFont(), text, rect, HostText::kSingleLine, kBlack);
    }
    {
        HostPainter painter(free);
        painter.DrawText(TextFont(), text, rect, HostText::kSingleLine | HostText::kNoClip, kBlack);
    }
    EXPECT_LE(Changed(clipped, kWhitePixel).right, 40);
    EXPECT_GT(Changed(free, kWhitePixel).right, 100);
}

TEST(HostPainterTest, LayoutsDrawAsDrawTextDoes)
{
    const std::string text = "Ca&ncel\tnow";
    const uint32_t flags = HostText::kExpandTabs | HostText::kCenter;
    HostBitmap by_text = Blank(150, 24, kWhitePixel);
    HostBitmap by_layout = Blank(150, 24, kWhitePixel);
    HostRect rect { 5, 2, 145, 24 };
    {
        HostPainter painter(by_text);
        painter.DrawText(TextFont(), text, rect, flags, kBlack);
    }
    {
        HostPainter painter(by_layout);
        painter.DrawLayout(HostTextLayout(TextFont(), text, flags, rect.Width()), { 5, 2 }, kBlack);
    }
    EXPECT_FALSE(Changed(by_text, kWhitePixel).Empty());
    EXPECT_EQ(by_text.pixels, by_layout.pixels);
}

// Renders one text in black on white.
HostBitmap Rendered(const std::string& text)
{
    HostBitmap bitmap = Blank(40, 24, kWhitePixel);
    HostPainter painter(bitmap);
    HostRect rect { 2, 2, 40, 24 };
    painter.DrawText(TextFont(), text, rect, HostText::kNoPrefix, kBlack);
    return bitmap;
}

TEST(HostPainterTest, JapaneseGlyphsAreDrawn)
{
    const HostBitmap kan = Rendered("\xE6\xBC\xA2");         // 漢
    const HostBitmap ji = Rendered("\xE5\xAD\x97");          // 字
    const HostBitmap missing = Rendered("\xF4\x8F\xBF\xBD"); // a code point no face has
    const HostBitmap other_missing = Rendered("\xF4\x8F\xBF\xBC");
    EXPECT_FALSE(Changed(kan, kWhitePixel).Empty());
    EXPECT_NE(kan.pixels, ji.pixels);
    // A face without the glyph would draw the box it draws for unknown characters.
    const HostRect box = Changed(missing, kWhitePixel);
    EXPECT_NE(Changed(kan, kWhitePixel), box);
    EXPECT_NE(Changed(ji, kWhitePixel), box);
    EXPECT_EQ(Changed(other_missing, kWhitePixel), box);
}

TEST(HostBitmapTest, PngRoundTrip)
{
    QuelvaneTest::TestFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string path = folder.Path() + "/picture.png";
    const HostBitmap original { 3, 2,
        { kRedPixel, kBluePixel, 0x00000000, 0xFF00FF00, 0xFFFFFFFF, 0xFF123456 } };
    ASSERT_TRUE(Host::SavePng(original, path));
    const HostBitmap loaded = Host::LoadPng(path);
    EXPECT_EQ(loaded.width, 3);
    EXPECT_EQ(loaded.height, 2);
    EXPECT_EQ(loaded.pixels, original.pixels);

    EXPECT_FALSE(Host::SavePng(original, folder.Path() + "/missing/picture.png"));
    EXPECT_FALSE(Host::SavePng(HostBitmap {}, folder.Path() + "/empty.png"));
    EXPECT_TRUE(Host::LoadPng(folder.Path() + "/none.png").Empty());
    const std::string not_png = folder.Path() + "/text.png";
    if (FILE* file = std::fopen(not_png.c_str(), "wb")) {
        std::fputs("not a picture", file);
        std::fclose(file);
    }
    EXPECT_TRUE(Host::LoadPng(not_png).Empty());
}

} // namespace
