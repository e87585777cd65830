#include <engine/JobHitMulti.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using JobLayer::JobHitMulti;
using JobLayer::JobHitSingle;
using JobLayer::JobHitUnit;
using RawLayer::RawColour;
using RawLayer::RawEncoding;
using RawLayer::RawString;

using Pairs = std::vector<std::pair<int32_t, int32_t>>;

JobHitSingle Single(const Pairs& units)
{
    JobHitSingle single;
    for (auto [start, end] : units)
        single.Emplace(JobHitUnit { start, end, {} });
    return single;
}

Pairs Units(const JobHitSingle& single)
{
    Pairs units;
    for (const JobHitUnit& unit : single)
        units.emplace_back(unit.start, unit.end);
    return units;
}

struct ShiftCase {
    const char* what;
    Pairs before;
    int32_t old_start, old_end, new_start, new_end;
    Pairs after;
};

class JobHitShift : public testing::TestWithParam<ShiftCase> { };

TEST_P(JobHitShift, MovesOrDestroysUnits)
{
    const ShiftCase& c = GetParam();
    JobHitSingle single = Single(c.before);
    single.ShiftRanges(c.old_start, c.old_end, c.new_start, c.new_end);
    EXPECT_EQ(Units(single), c.after) << c.what;
}

constexpr int32_t kMax = 2147483647;

INSTANTIATE_TEST_SUITE_P(Table, JobHitShift,
    testing::Values(ShiftCase { "shorter replacement", { { 0, 3 }, { 5, 8 }, { 10, 12 } }, 5, 8, 5, 6,
                        { { 0, 3 }, { -1, -1 }, { 8, 10 } } },
        ShiftCase { "longer replacement", { { 0, 3 }, { 5, 8 }, { 10, 12 } }, 0, 3, 0, 7,
            { { -1, -1 }, { 9, 12 }, { 14, 16 } } },
        ShiftCase { "partial overlap", { { 2, 6 }, { 6, 9 } }, 4, 7, 4, 4, { { -1, -1 }, { -1, -1 } } },
        ShiftCase { "touching is no overlap", { { 0, 4 }, { 4, 6 } }, 4, 4, 4, 6, { { 0, 4 }, { 6, 8 } } },
        ShiftCase { "empty unit inside stays", { { 5, 5 } }, 3, 8, 3, 3, { { 5, 5 } } },
        ShiftCase { "destroyed stays destroyed", { { -1, -1 } }, -1, -1, 0, 3, { { -1, -1 } } },
        ShiftCase { "no room to move", { { kMax - 2, kMax } }, 0, 1, 0, 5, { { -1, -1 } } }));

TEST(JobHitMultiCopy, SharesCapturesButNotUnits)
{
    JobHitMulti multi;
    JobHitSingle& first = multi.Emplace(Single({ { 0, 3 } }));
    first.colour = RawColour::FromRgb(0, 0, 7);
    first.Front().ranges.Add(1, 2);
    multi.Emplace(Single({ { 4, 6 } }));

    JobHitMulti copy = multi.Copy();
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_FALSE(copy.SharesBodyWith(multi));
    EXPECT_FALSE(copy.Front().SharesBodyWith(multi.Front()));
    EXPECT_TRUE(copy.Front().Front().ranges.SharesBodyWith(multi.Front().Front().ranges));
    EXPECT_EQ(copy.Front().colour, JobHitMulti::Colour(0));
    EXPECT_EQ(copy.Back().colour, JobHitMulti::Colour(1));

    copy.Front().ShiftRanges(0, 3, 0, 1);
    EXPECT_EQ(Units(multi.Front()), (Pairs { { 0, 3 } }));
}

RawString Text(const char* text)
{
    return RawString(std::string(text), RawEncoding::Utf8);
}

TEST(JobHitMultiText, RoundTrips)
{
    for (const char* text :
        { "((([0,3]([1,2]))([5,8]()))(([2,4]())))", "()", "(())", "((([-1,-1]([0,0][4,9]))))" }) {
        JobHitMulti multi = JobHitMulti::FromText(Text(text));
        EXPECT_EQ(multi.ToText().Str(), text);
    }
    JobHitMulti multi = JobHitMulti::FromText(Text("((([0,3]([1,2]))([5,8]()))(([2,4]())))"));
    ASSERT_EQ(multi.Count(), 2);
    EXPECT_EQ(Units(multi.Front()), (Pairs { { 0, 3 }, { 5, 8 } }));
    EXPECT_EQ(multi.Front().Front().ranges.Front().end, 2);
    EXPECT_EQ(multi.Back().colour, JobHitMulti::Colour(1));
}

TEST(JobHitMultiText, MalformedReadsAsEmpty)
{
    for (const char* text : { "", "(", ")", "((x))", "x()", "(()", "()x", "((([0,3]()))", "((([0,3]())))x",
             "((([0,3]([1,2],[3,4]))))", "((([0 ,3]())))", "((([a,3]())))", "((([-,3]())))", "((([0,3]))))",
             "((([0,3]()()))))", "((([99999999999,3]())))", "((([2147483648,2147483648]())))",
             "((([3,1]())))", "((([-2,-2]())))", "((([-1,4]())))", "(([0,3]()))" }) {
        EXPECT_TRUE(JobHitMulti::FromText(Text(text)).IsEmpty()) << text;
    }
}

} // namespace
