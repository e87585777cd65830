// Scaling functions and the bitmap pool.

#include <toolkit/WinBitmapAlpha.h>
#include <toolkit/WinBitmapPool.h>

#include <cstdint>
#include <random>

#include <gtest/gtest.h>

namespace {

using WinLayer::HostBitmap;
using WinLayer::WinBitmapAlpha;
using WinLayer::WinBitmapPool;

HostBitmap Make(int32_t width, int32_t height, std::vector<uint32_t> pixels)
{
    HostBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels = std::move(pixels);
    return bitmap;
}

// A bitmap of premultiplied pixels with random alpha and colour.
HostBitmap Random(int32_t width, int32_t height, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint32_t> pixels;
    for (int32_t i = 0; i < width * height; ++i)
        pixels.push_back(
            WinBitmapAlpha::Premultiplied(random() & 0xFFFFFF, static_cast<uint8_t>(random() & 0xFF)));
    return Make(width, height, std::move(pixels));
}

TEST(BitmapScaling, SameSizeIsAnExactCopy)
{
    HostBitmap source = Random(5, 3, 1);
    HostBitmap copy = WinBitmapAlpha::FunctionSameSize(source, 5, 3);
    EXPECT_EQ(copy.width, 5);
    EXPECT_EQ(copy.height, 3);
    EXPECT_EQ(copy.pixels, source.pixels);
}

TEST(BitmapScaling, SameSizeCentresOnOtherSizes)
{
    HostBitmap source = Make(2, 2, { 0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004 });
    // Larger: transparent around the source, which sits at the integer middle.
    HostBitmap larger = WinBitmapAlpha::FunctionSameSize(source, 4, 3);
    EXPECT_EQ(larger.pixels,
        (std::vector<uint32_t> { 0, 0xFF000001, 0xFF000002, 0, 0, 0xFF000003, 0xFF000004, 0, 0, 0, 0, 0 }));
    // Smaller: cut evenly, so the kept pixel is the one at the middle.
    HostBitmap smaller = WinBitmapAlpha::FunctionSameSize(Random(3, 3, 2), 1, 1);
    EXPECT_EQ(smaller.pixels[0], Random(3, 3, 2).At(1, 1));
}

TEST(BitmapScaling, AreaAverageGivesTheMeanOfTheCoveredArea)
{
    struct Case {
        const char* name;
        HostBitmap source;
        int32_t width;
        int32_t height;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        { "2x2 checker to one pixel", Make(2, 2, { 0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF }), 1, 1,
            { 0xFF808080 } },
        { "4x1 halves", Make(4, 1, { 0xFF000010, 0xFF000020, 0xFF000030, 0xFF000050 }), 2, 1,
            { 0xFF000018, 0xFF000040 } },
        // Three pixels into two: each result pixel takes one whole pixel and half of the middle one.
        { "3x1 into 2x1 by parts", Make(3, 1, { 0xFF000000, 0xFF000060, 0xFF0000C0 }), 2, 1,
            { 0xFF000020, 0xFF0000A0 } },
        { "transparent and opaque mix", Make(2, 1, { 0x00000000, 0xFFFF0000 }), 1, 1, { 0x80800000 } },
        { "enlarging repeats pixels", Make(2, 1, { 0xFF000010, 0xFF000020 }), 4, 1,
            { 0xFF000010, 0xFF000010, 0xFF000020, 0xFF000020 } },
    };
    for (const Case& c : cases) {
        HostBitmap result = WinBitmapAlpha::FunctionAreaAverage(c.source, c.width, c.height);
        EXPECT_EQ(result.pixels, c.expected) << c.name;
    }
}

TEST(BitmapScaling, BilinearKeepsCornersAndInterpolatesBetween)
{
    HostBitmap source = Random(3, 4, 3);
    for (auto [width, height] : { std::pair { 7, 5 }, { 2, 2 }, { 3, 4 }, { 11, 2 } }) {
        HostBitmap result = WinBitmapAlpha::FunctionBilinear(source, width, height);
        EXPECT_EQ(result.At(0, 0), source.At(0, 0)) << width << "x" << height;
        EXPECT_EQ(result.At(width - 1, 0), source.At(2, 0)) << width << "x" << height;
        EXPECT_EQ(result.At(0, height - 1), source.At(0, 3)) << width << "x" << height;
        EXPECT_EQ(result.At(width - 1, height - 1), source.At(2, 3)) << width << "x" << height;
    }
    // Halfway between two pixels is their mean.
    HostBitmap line = WinBitmapAlpha::FunctionBilinear(Make(2, 1, { 0xFF000000, 0xFF204060 }), 3, 1);
    EXPECT_EQ(line.At(1, 0), 0xFF102030u);
}

TEST(BitmapScaling, AlphaStaysPremultipliedAndBadInputGivesNothing)
{
    const WinBitmapAlpha::Function functions[] = { WinBitmapAlpha::FunctionSameSize,
        WinBitmapAlpha::FunctionBilinear, WinBitmapAlpha::FunctionAreaAverage };
    HostBitmap source = Random(9, 7, 4);
    ASSERT_TRUE(WinBitmapAlpha::IsPremultiplied(source));
    for (WinBitmapAlpha::Function function : functions) {
        for (auto [width, height] : { std::pair { 4, 3 }, { 13, 17 }, { 1, 1 }, { 9, 7 } })
            EXPECT_TRUE(WinBitmapAlpha::IsPremultiplied(function(source, width, height)))
                << width << "x" << height;
        EXPECT_TRUE(function(source, 0, 5).Empty());
        EXPECT_TRUE(function(source, 5, -1).Empty());
        EXPECT_TRUE(function(HostBitmap {}, 5, 5).Empty());
        // A bitmap whose pixels do not fill its size is refused, not read past its end.
        EXPECT_TRUE(function(Make(4, 4, { 0xFFFFFFFF }), 2, 2).Empty());
    }
}

TEST(BitmapPool, ScaledCopiesAreSharedUntilTheSourceChanges)
{
    WinBitmapPool pool;
    EXPECT_EQ(pool.Scaled("none", 4, 4, WinBitmapAlpha::FunctionBilinear), nullptr);
    pool.AddSource("dots", Random(8, 8, 5));
    auto first = pool.Scaled("dots", 4, 4, WinBitmapAlpha::FunctionAreaAverage);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(pool.Scaled("dots", 4, 4, WinBitmapAlpha::FunctionAreaAverage), first);
    EXPECT_NE(pool.Scaled("dots", 4, 4, WinBitmapAlpha::FunctionBilinear), first);
    EXPECT_NE(pool.Scaled("dots", 4, 5, WinBitmapAlpha::FunctionAreaAverage), first);
    EXPECT_EQ(pool.CachedCount(), 3u);

    pool.AddSource("dots", Make(1, 1, { 0xFF112233 }));
    auto renewed = pool.Scaled("dots", 4, 4, WinBitmapAlpha::FunctionAreaAverage);
    EXPECT_EQ(renewed->At(3, 3), 0xFF112233u);
    // The old copy stays valid for whoever holds it.
    EXPECT_EQ(first->width, 4);
}

TEST(BitmapPool, TheLeastRecentlyUsedCopyLeavesFirst)
{
    WinBitmapPool pool;
    pool.SetLimit(2);
    pool.AddSource("a", Random(4, 4, 6));
    auto one = pool.Scaled("a", 1, 1, WinBitmapAlpha::FunctionAreaAverage);
    auto two = pool.Scaled("a", 2, 2, WinBitmapAlpha::FunctionAreaAverage);
    EXPECT_EQ(pool.Scaled("a", 1, 1, WinBitmapAlpha::FunctionAreaAverage), one); // used again
    pool.Scaled("a", 3, 3, WinBitmapAlpha::FunctionAreaAverage);                 // pushes out 2x2
    EXPECT_EQ(pool.CachedCount(), 2u);
    EXPECT_EQ(pool.Scaled("a", 1, 1, WinBitmapAlpha::FunctionAreaAverage), one);
    EXPECT_NE(pool.Scaled("a", 2, 2, WinBitmapAlpha::FunctionAreaAverage), two);
}

TEST(BitmapPool, StandardIconsAreDrawnOpaqueInsideAndClearAtTheCorners)
{
    WinBitmapPool pool;
    for (auto icon :
        { WinBitmapPool::Icon::Question, WinBitmapPool::Icon::Warning, WinBitmapPool::Icon::Information }) {
        auto bitmap = pool.Scaled(WinBitmapPool::IconName(icon), 32, 32, WinBitmapAlpha::FunctionAreaAverage);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->At(0, 0) >> 24, 0u);
        EXPECT_EQ(bitmap->At(31, 0) >> 24, 0u);
        EXPECT_EQ(bitmap->At(16, 26) >> 24, 0xFFu);
        EXPECT_TRUE(WinBitmapAlpha::IsPremultiplied(*bitmap));
    }
    // The warning sign is yellow: more red and green than blue in its body.
    HostBitmap warning = WinBitmapPool::DrawIcon(WinBitmapPool::Icon::Warning, 64);
    uint32_t body = warning.At(20, 54);
    EXPECT_GT((body >> 8) & 0xFF, 0x80u);
    EXPECT_LT(body & 0xFF, 0x60u);
    // The question mark is white on blue.
    HostBitmap question = WinBitmapPool::DrawIcon(WinBitmapPool::Icon::Question, 64);
    int white = 0;
    for (uint32_t pixel : question.pixels)
        white += (pixel & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
    EXPECT_GT(white, 40);
    EXPECT_EQ(question.At(10, 32) & 0xFF, 0xC8u);
}

} // namespace
