// The invalid region: what is merged and what is kept apart.

#include <toolkit/host/HostRegion.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace WinLayer {
namespace {

using Rects = std::vector<HostRect>;

TEST(HostRegionTest, MergesOnlyWhatCostsNothingToMerge)
{
    struct Case {
        const char* name;
        Rects added;
        Rects expected;
    };
    const Case cases[] = {
        { "a caret far from a changed row stays apart", { { 0, 100, 200, 120 }, { 50, 10, 52, 26 } },
            { { 0, 100, 200, 120 }, { 50, 10, 52, 26 } } },
        { "a caret inside the changed row adds nothing", { { 0, 100, 200, 120 }, { 50, 102, 52, 118 } },
            { { 0, 100, 200, 120 } } },
        { "rows side by side become one", { { 0, 0, 200, 10 }, { 0, 10, 200, 20 } }, { { 0, 0, 200, 20 } } },
        { "a rectangle covering earlier ones replaces them",
            { { 5, 5, 10, 10 }, { 50, 50, 60, 60 }, { 0, 0, 100, 100 } }, { { 0, 0, 100, 100 } } },
        { "empty rectangles are ignored", { { 5, 5, 5, 50 }, { 10, 10, 0, 0 } }, {} },
    };
    for (const Case& c : cases) {
        HostRegion region;
        for (const HostRect& r : c.added)
            region.Add(r);
        EXPECT_EQ(region.Rects(), c.expected) << c.name;
    }
}

TEST(HostRegionTest, ManyScatteredRectanglesStayCoveredWithinTheLimit)
{
    HostRegion region;
    Rects added;
    for (int32_t i = 0; i < 20; ++i)
        added.push_back({ i * 30, i * 20, i * 30 + 5, i * 20 + 5 });
    for (const HostRect& r : added)
        region.Add(r);
    EXPECT_LE(region.Rects().size(), HostRegion::kMaxRects);
    for (const HostRect& r : added) {
        const bool covered
            = std::any_of(region.Rects().begin(), region.Rects().end(), [&](const HostRect& k) {
                  return k.left <= r.left && k.top <= r.top && k.right >= r.right && k.bottom >= r.bottom;
              });
        EXPECT_TRUE(covered) << r.left;
    }
}

} // namespace
} // namespace WinLayer
