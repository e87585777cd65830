#include <engine/JobMatcher.h>

#include <atomic>
#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

using namespace JobLayer;
using RawLayer::RawEncoding;

// "start-end:capture,capture" per hit, hits separated by spaces.
std::string Describe(const JobHitSingle& single)
{
    std::string out;
    for (const JobHitUnit& unit : single) {
        out += (out.empty() ? "" : " ") + std::to_string(unit.start) + "-" + std::to_string(unit.end);
        const char* separator = ":";
        for (const JobHitRange& range : unit.ranges)
            out += std::exchange(separator, ",") + std::to_string(range.start) + "-"
                + std::to_string(range.end);
    }
    return out;
}

// Shortest first, leftmost first, the next search where the last hit ended; every hit with the
// captures of its "*", "?", "." and class items.
TEST(JobMatcherCollect, GivesHitsAndCaptures)
{
    const std::tuple<const char*, const char*, bool, const char*> cases[] = {
        { "a*c", "xabcbc", false, "1-4:2-3" },
        { "a*", "aaa", false, "0-1:1-1 1-2:2-2 2-3:3-3" },
        { "*", "abc", false, "0-0:0-0" },
        { "*b", "aab", false, "0-3:0-2" },
        { "", "abc", false, "0-0" },
        { "?", "", false, "" },
        { "?", "ab", false, "0-1:0-1 1-2:1-2" },
        { "?", "é", false, "0-2:0-2" },
        { "a?c", "abc a\nc", false, "0-3:1-2 4-7:5-6" },
        { "abc", "xABC", true, "1-4" },
        { "abc", "ABC", false, "" },
        { "é", "É", true, "" }, // only ASCII letters fold
        // Negation.
        { "!abc", "xxabcx", false, "" },
        { "!abc", "xyz", false, "0-0" },
        { "!", "abc", false, "" },
        { "!$a*", "a*", false, "" },
        { "!@a.", "a\n", false, "0-0" },
        // Literal form: no wildcards, no escapes, no folding.
        { "$a*b", "xa*b", false, "1-4" },
        { "$a*b", "A*B", true, "" },
        { "$a*b", "aXb", false, "" },
        { "$%N", "a%Nb", false, "1-3" },
        { "$", "ab", false, "0-0" },
        // Escapes.
        { "a%db", "a;b", false, "0-3" },
        { "%e", "50%", false, "2-3" },
        { "%%", "50%", false, "2-3" },
        { "%q", "say \"hi\"", false, "4-5 7-8" },
        { "%Q", "qQ", true, "1-2" },
        { "%*", "a*", false, "1-2" },
        { "%N", "a\r\nb\nc\rd", false, "1-3 4-5" },
        { "%n", "\r\n", false, "1-2" },
        { "%r%n", "x\r\n", false, "1-3" },
        { "%t%s", "\t \t", false, "0-2" },
        { "%7", "a7", false, "1-2" },
        { "%é", "aé", false, "1-3" },  // "%" before a multi-unit character takes all of it
        { "a%", "a%a", false, "0-2" }, // a trailing "%" of the wildcard form is itself
        // Pattern form.
        { "@[0-9]+", "a12b345", false, "1-2:1-2 2-3:2-3 4-5:4-5 5-6:5-6 6-7:6-7" },
        { "@x[0-9]+y", "x123y", false, "0-5:1-4" },
        { "@[a-c]+x", "abcabx", false, "0-6:0-5" },
        { "@[a-c]*x", "x", false, "0-1:0-0" },
        { "@a.c", "a\nc abc", false, "4-7:5-6" },
        { "@[^x]", "\r\nxy", false, "3-4:3-4" },
        { "@[a-z]", "Q", true, "" },
        { "@q", "Q", true, "0-1" },
        { "@[a-]", "b-a", false, "1-2:1-2 2-3:2-3" }, // "-" with no upper bound is itself
        { "@[-a]", "-", false, "0-1:0-1" },
        { "@[%]]x", "]x", false, "0-2:0-1" },
        { "@[%-]", "a-", false, "1-2:1-2" },
        { "@[ab", "cb[", false, "1-2:1-2" }, // an unclosed class takes the rest
        { "@[]", "a]", false, "" },
        { "@[^]", "\na", false, "1-2:1-2" },
        { "@[é-ë]", "eê", false, "1-3:1-3" },
        { "@[%N]", "\r\n", false, "0-1:0-1 1-2:1-2" },
        { "@[%N]", "\r", false, "" },
        { "@*a", "*a", false, "0-2" }, // a repetition mark with nothing before is itself
        { "@a**", "aa*", false, "0-3:0-2" },
        { "@a+*", "a*", false, "0-2:0-1" },
        { "@a%", "ba", false, "1-2" }, // a trailing "%" of the pattern form is empty
        { "@a?", "a?", false, "0-2" },
        { "@.*x", "ab\nx", false, "3-4:3-3" },
        { "@%N+", "\n\r\n", false, "0-1:0-1 1-3:1-3" },
    };
    for (const auto& [expression, text, ignore_case, hits] : cases) {
        JobMatchOutcome outcome = JobMatchOutcome::Stopped;
        EXPECT_EQ(
            Describe(JobMatcher::CollectOne(Utf8(text), Utf8(expression), ignore_case, {}, &outcome)), hits)
            << "'" << expression << "' on '" << text << "'";
        EXPECT_EQ(outcome, JobMatchOutcome::Finished);
    }
}

// A filter covers the whole name, ASCII case ignored.
TEST(JobMatcherWhole, CoversTheWholeName)
{
    const std::tuple<const char*, const char*, bool> cases[]
        = { { "*.txt", "A.TXT", true }, { "*.txt", "a.txt.bak", false }, { "*.txt", "txt", false },
              { "*.txt", ".txt", true }, { "!*.bak", "a.txt", true }, { "!*.bak", "a.bak", false },
              { "*", "", true }, { "", "", true }, { "", "a", false }, { "a*", "abc", true },
              { "*a", "abc", false }, { "?", "é", true }, { "??", "é", false }, { "$a.txt", "a.txt", true },
              { "$a.txt", "A.txt", false }, { "$a", "ab", false }, { "@[a-z]*.c", "main.c", true },
              { "@[a-z]*.c", "Main.c", false }, { "@m.*%.C", "main.c", true }, { "a%N", "a\r\n", true } };
    for (const auto& [expression, name, matches] : cases)
        EXPECT_EQ(JobMatcher(Utf8(expression)).MatchWhole(Utf8(name)), matches) << expression << " " << name;
}

TEST(JobMatcherRange, StaysInsideTheRange)
{
    JobMatcher matcher(Utf8("b*"));
    ASSERT_TRUE(matcher.Find(Utf8("abab"), 2, 4, false));
    EXPECT_EQ(matcher.Hit().start, 3);
    EXPECT_FALSE(matcher.Find(Utf8("abab"), 0, 1, false));
    EXPECT_FALSE(JobMatcher(Utf8("a*b")).Find(Utf8("aab"), 0, 2, false));
    EXPECT_TRUE(JobMatcher(Utf8("*.c")).MatchWhole(Utf8("x/a.c/y"), 2, 5));
}

// A stray lead byte takes the next unit with it, so "ab" right after it is not where a
// character starts; long texts take the word-at-a-time and two-way scans.
TEST(JobMatcherRange, HitsStartWhereCharactersStart)
{
    std::string accents;
    for (int k = 0; k < 300; ++k)
        accents += "é";
    RawString text = Utf8(accents + "\xC3" + "abxab" + std::string(300, '-'));
    for (const char* expression : { "ab", "AB", "$ab", "@ab", "@[a]b", "a?", "x*b" }) {
        JobMatcher matcher(Utf8(expression));
        ASSERT_TRUE(matcher.Find(text, 0, text.Length(), true)) << expression;
        EXPECT_EQ(matcher.Hit().start, expression[0] == 'x' ? 603 : 604) << expression;
    }
}

// A failed call leaves no hit behind; collected hits do not share their captures.
TEST(JobMatcherHit, IsClearedAfterAFailedCallAndCollectedHitsKeepTheirOwnCaptures)
{
    JobMatcher matcher(Utf8("a?"));
    ASSERT_TRUE(matcher.Find(Utf8("xab"), 0, 3, false));
    EXPECT_EQ(matcher.Hit().ranges.Count(), 1);
    EXPECT_FALSE(matcher.Find(Utf8("xyz"), 0, 3, false));
    EXPECT_TRUE(matcher.Hit().start == 0 && matcher.Hit().end == 0 && matcher.Hit().ranges.IsEmpty());

    JobHitSingle hits = JobMatcher::CollectOne(Utf8("a1b2"), Utf8("?"), false);
    ASSERT_EQ(hits.Count(), 4);
    EXPECT_FALSE(hits.At(0)->ranges.SharesBodyWith(hits.At(1)->ranges));
    EXPECT_EQ(hits.At(0)->ranges.Front().end, 1);
}

RawStringList List(std::initializer_list<const char*> items)
{
    RawStringList list;
    for (const char* item : items)
        list.Add(Utf8(item));
    return list;
}

// Every expression must match; the k-th takes the k-th of four colours, in turn.
TEST(JobMatcherCollectAll, NeedsEveryExpressionAndTakesColoursInTurn)
{
    EXPECT_TRUE(JobMatcher::CollectAll(Utf8("foo"), List({ "foo", "bar" }), false).IsEmpty());
    EXPECT_TRUE(JobMatcher::CollectAll(Utf8("foo"), List({}), false).IsEmpty());
    JobHitMulti all
        = JobMatcher::CollectAll(Utf8("bar foo bar"), List({ "foo", "bar", "o", "a", "r" }), false);
    // The colour taken: the first of the four again for the fifth expression.
    const std::pair<const char*, int32_t> expected[]
        = { { "4-7", 0 }, { "0-3 8-11", 1 }, { "5-6 6-7", 2 }, { "1-2 9-10", 3 }, { "2-3 10-11", 0 } };
    ASSERT_EQ(all.Count(), 5);
    for (int32_t k = 0; k < 5; ++k) {
        EXPECT_EQ(Describe(*all.At(k)), expected[k].first) << k;
        EXPECT_EQ(all.At(k)->colour, JobHitMulti::Colour(expected[k].second)) << k;
    }
}

TEST(JobMatcherCollectAll, CollectorServesBlockAfterBlock)
{
    JobHitCollector collector(List({ "!x", "@[0-9]+" }), true);
    EXPECT_EQ(collector.Collect(Utf8("a1b2")).Count(), 2);
    EXPECT_TRUE(collector.Collect(Utf8("x1")).IsEmpty());
    EXPECT_TRUE(collector.Collect(Utf8("ab")).IsEmpty());
    EXPECT_EQ(Describe(*collector.Collect(Utf8("77")).At(1)), "0-1:0-1 1-2:1-2");
}

// Backtracking that runs away: every "*" retries all the "*"s after it. Within the budget the
// answer is exact; a block that runs out counts as no match, negated or not, and says why.
TEST(JobMatcherBudget, RunawayExpressionExhaustsTheBudget)
{
    const char* const runaway = "*a*a*a*a*a*a*a*a*b";
    const JobMatchLimits limits { 100000, nullptr };
    JobMatcher matcher(Utf8(runaway), limits);
    ASSERT_TRUE(matcher.Find(Utf8("xaaaaaaaab"), 0, 10, false));
    EXPECT_EQ(matcher.Outcome(), JobMatchOutcome::Finished);
    EXPECT_EQ(matcher.Hit().end, 10);
    EXPECT_EQ(matcher.Hit().ranges.Count(), 9);

    RawString text = Utf8(std::string(200, 'a'));
    EXPECT_FALSE(matcher.Find(text, 0, text.Length(), false));
    EXPECT_TRUE(matcher.Exhausted());
    JobMatcher negated(Utf8(std::string("!") + runaway), limits);
    EXPECT_FALSE(negated.Find(text, 0, text.Length(), false));
    EXPECT_TRUE(negated.Exhausted());
    JobMatchOutcome outcome = JobMatchOutcome::Finished;
    EXPECT_TRUE(JobMatcher::CollectOne(text, Utf8(runaway), false, limits, &outcome).IsEmpty());
    EXPECT_EQ(outcome, JobMatchOutcome::Exhausted);
    outcome = JobMatchOutcome::Finished;
    EXPECT_TRUE(JobMatcher::CollectAll(text, List({ "a", runaway }), false, limits, &outcome).IsEmpty());
    EXPECT_EQ(outcome, JobMatchOutcome::Exhausted);

    std::atomic<bool> stop { true };
    JobMatcher stopped(Utf8(runaway), JobMatchLimits { JobMatchLimits::kDefaultSteps, &stop });
    EXPECT_FALSE(stopped.Find(text, 0, text.Length(), false));
    EXPECT_EQ(stopped.Outcome(), JobMatchOutcome::Stopped);
}

// The smallest budget that fits one search cannot fit two in one block.
TEST(JobMatcherBudget, CollectorSharesOneBudgetPerBlock)
{
    RawString text = Utf8(std::string(60, 'a') + "b");
    auto fits = [&](int64_t steps) {
        JobMatchOutcome outcome = JobMatchOutcome::Stopped;
        (void)JobMatcher::CollectOne(text, Utf8("*a*a*b"), false, { steps, nullptr }, &outcome);
        return outcome == JobMatchOutcome::Finished;
    };
    int64_t low = 1;
    for (int64_t high = JobMatchLimits::kDefaultSteps; low < high;) {
        int64_t middle = (low + high) / 2;
        if (fits(middle))
            high = middle;
        else
            low = middle + 1;
    }
    JobHitCollector one(List({ "*a*a*b" }), false, { low, nullptr });
    EXPECT_EQ(one.Collect(text).Count(), 1);
    JobHitCollector two(List({ "*a*a*b", "*a*a*b" }), false, { low, nullptr });
    EXPECT_TRUE(two.Collect(text).IsEmpty());
    EXPECT_EQ(two.Outcome(), JobMatchOutcome::Exhausted);
}

} // namespace
