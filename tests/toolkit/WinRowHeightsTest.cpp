// Row heights and their running sums: a table of small cases, a randomised comparison against a
// plain prefix-sum array with changes in between, and exact positions at a million rows.

#include <toolkit/WinRowHeights.h>

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace WinLayer {
namespace {

struct RowAtCase {
    int64_t offset;
    int32_t row;
};

TEST(WinRowHeights, OffsetsAndRowsOfASmallList)
{
    WinRowHeights heights;
    EXPECT_EQ(heights.RowAt(0), -1) << "no rows";
    // Rows 0..4: 10, 0, 25, 5, 0 pixels.
    for (int32_t height : { 10, 0, 25, 5, -3 })
        heights.Append(height);
    EXPECT_EQ(heights.Count(), 5);
    EXPECT_EQ(heights.Total(), 40);
    EXPECT_EQ(heights.Height(4), 0) << "a negative height counts as 0";
    EXPECT_EQ(heights.Height(5), 0);
    const int64_t offsets[] = { 0, 10, 10, 35, 40, 40 };
    for (int32_t row = 0; row <= 5; ++row)
        EXPECT_EQ(heights.OffsetOf(row), offsets[row]) << "row " << row;
    EXPECT_EQ(heights.OffsetOf(-2), 0);
    EXPECT_EQ(heights.OffsetOf(99), 40);
    const RowAtCase cases[] = {
        { -5, 0 },
        { 0, 0 },
        { 9, 0 },
        { 10, 2 },
        { 34, 2 },
        { 35, 3 },
        { 39, 3 },
        { 40, 4 },
        { 1000, 4 },
    };
    for (const RowAtCase& c : cases)
        EXPECT_EQ(heights.RowAt(c.offset), c.row) << "offset " << c.offset;

    heights.Set(1, 7);
    heights.Set(9, 100);
    EXPECT_EQ(heights.Total(), 47);
    EXPECT_EQ(heights.OffsetOf(2), 17);
    EXPECT_EQ(heights.RowAt(12), 1);
    heights.Clear();
    EXPECT_EQ(heights.Count(), 0);
    EXPECT_EQ(heights.Total(), 0);
    heights.Append(3);
    EXPECT_EQ(heights.RowAt(2), 0) << "usable again after Clear";
}

TEST(WinRowHeights, MatchesPlainPrefixSumsThroughAppendsAndChanges)
{
    std::mt19937 random(13);
    std::uniform_int_distribution<int32_t> height_of(0, 60);
    WinRowHeights heights;
    std::vector<int32_t> plain;
    for (int32_t round = 0; round < 40; ++round) {
        const int32_t appended = std::uniform_int_distribution<int32_t>(0, 70)(random);
        for (int32_t i = 0; i < appended; ++i) {
            plain.push_back(height_of(random));
            heights.Append(plain.back());
        }
        for (int32_t i = 0; i < 10 && !plain.empty(); ++i) {
            const int32_t row = std::uniform_int_distribution<int32_t>(0, int32_t(plain.size()) - 1)(random);
            plain[row] = height_of(random);
            heights.Set(row, plain[row]);
        }
        int64_t top = 0;
        for (int32_t row = 0; row < int32_t(plain.size()); ++row) {
            ASSERT_EQ(heights.OffsetOf(row), top) << "round " << round << " row " << row;
            if (plain[row] > 0) {
                ASSERT_EQ(heights.RowAt(top), row);
                ASSERT_EQ(heights.RowAt(top + plain[row] - 1), row);
            }
            top += plain[row];
        }
        ASSERT_EQ(heights.Total(), top);
    }
}

TEST(WinRowHeights, ExactAtAMillionRowsOfMixedHeights)
{
    // Blocks of one to four lines of 17 pixels, every third with a preview row of 17 under it.
    constexpr int32_t kRows = 1'000'000;
    WinRowHeights heights;
    int64_t total = 0;
    std::vector<int64_t> tops;
    tops.reserve(kRows);
    for (int32_t row = 0; row < kRows; ++row) {
        const int32_t height = 17 * (1 + row % 4) + (row % 3 == 0 ? 17 : 0);
        tops.push_back(total);
        heights.Append(height);
        total += height;
    }
    EXPECT_EQ(heights.Total(), total);
    for (int32_t row : { 0, 1, 4095, 4096, 524287, 524288, 999'998, kRows - 1 }) {
        EXPECT_EQ(heights.OffsetOf(row), tops[row]) << "row " << row;
        EXPECT_EQ(heights.RowAt(tops[row]), row);
        EXPECT_EQ(heights.RowAt(tops[row] - 1), row - (row > 0 ? 1 : 0));
    }
    EXPECT_EQ(heights.RowAt(total - 1), kRows - 1);
    heights.Set(0, 0);
    EXPECT_EQ(heights.OffsetOf(kRows - 1), tops[kRows - 1] - 34);
}

} // namespace
} // namespace WinLayer
