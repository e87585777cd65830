#include <engine/JobMatcher.h>

#include <atomic>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace {

using JobLayer::JobHitMulti;
using JobLayer::JobHitSingle;
using JobLayer::JobMatcher;
using JobLayer::JobMatchLimits;
using JobLayer::JobMatchOutcome;
using RawLayer::RawEncoding;
using RawLayer::RawString;
using RawLayer::RawStringList;

RawString Text(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

// "start-end:capture,capture" per hit, hits separated by spaces.
std::string Describe(const JobHitSingle& single)
{
    std::string out;
    for (const auto& unit : single) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(unit.start) + "-" + std::to_string(unit.end);
        std::string captures;
        for (const auto& range : unit.ranges)
            captures += (captures.empty() ? ":" : ",") + std::to_string(range.start) + "-"
                + std::to_string(range.end);
        out += captures;
    }
    return out;
}

struct CollectCase {
    const char* expression;
    const char* text;
    bool ignore_case;
    const char* hits;
};

void PrintTo(const CollectCase& c, std::ostream* out)
{
    *out << "'" << c.expression << "' on '" << c.text << "'";
}

class JobMatcherCollect : public testing::TestWithParam<CollectCase> { };

TEST_P(JobMatcherCollect, GivesHitsAndCaptures)
{
    const CollectCase& c = GetParam();
    JobMatchOutcome outcome = JobMatchOutcome::Stopped;
    JobHitSingle hits = JobMatcher::CollectOne(Text(c.text), Text(c.expression), c.ignore_case, {}, &outcome);
    EXPECT_EQ(Describe(hits), c.hits) << "expression '" << c.expression << "'";
    EXPECT_EQ(outcome, JobMatchOutcome::Finished);
}

const CollectCase kCollectCases[] = {
    // Shortest first, leftmost first, the next search where the last hit ended.
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

INSTANTIATE_TEST_SUITE_P(Search, JobMatcherCollect, testing::ValuesIn(kCollectCases));

struct WholeCase {
    const char* expression;
    const char* name;
    bool matches;
};

void PrintTo(const WholeCase& c, std::ostream* out)
{
    *out << "'" << c.expression << "' on '" << c.name << "'";
}

class JobMatcherWhole : public testing::TestWithParam<WholeCase> { };

TEST_P(JobMatcherWhole, CoversTheWholeName)
{
    const WholeCase& c = GetParam();
    JobMatcher matcher(Text(c.expression));
    EXPECT_EQ(matcher.MatchWhole(Text(c.name)), c.matches)
        << "'" << c.expression << "' on '" << c.name << "'";
}

const WholeCase kWholeCases[] = {
    { "*.txt", "A.TXT", true },
    { "*.txt", "a.txt.bak", false },
    { "*.txt", "txt", false },
    { "*.txt", ".txt", true },
    { "!*.bak", "a.txt", true },
    { "!*.bak", "a.bak", false },
    { "*", "", true },
    { "", "", true },
    { "", "a", false },
    { "a*", "abc", true },
    { "*a", "abc", false },
    { "?", "é", true },
    { "??", "é", false },
    { "$a.txt", "a.txt", true },
    { "$a.txt", "A.txt", false },
    { "$a", "ab", false },
    { "@[a-z]*.c", "main.c", true },
    { "@[a-z]*.c", "Main.c", false },
    { "@m.*%.C", "main.c", true },
    { "a%N", "a\r\n", true },
};

INSTANTIATE_TEST_SUITE_P(Filters, JobMatcherWhole, testing::ValuesIn(kWholeCases));

TEST(JobMatcherRange, StaysInsideTheRange)
{
    JobMatcher matcher(Text("b*"));
    ASSERT_TRUE(matcher.Find(Text("abab"), 2, 4, false));
    EXPECT_EQ(matcher.Hit().start, 3);
    EXPECT_FALSE(matcher.Find(Text("abab"), 0, 1, false));
    JobMatcher star(Text("a*b"));
    EXPECT_FALSE(star.Find(Text("aab"), 0, 2, false));
    JobMatcher whole(Text("*.c"));
    EXPECT_TRUE(whole.MatchWhole(Text("x/a.c/y"), 2, 5));
}

// A stray lead byte takes the next unit with it, so "ab" right after it is not where a
// character starts; long texts take the word-at-a-time and two-way scans.
TEST(JobMatcherRange, HitsStartWhereCharactersStart)
{
    std::string accents;
    for (int k = 0; k < 300; ++k)
        accents += "é";
    RawString text = Text(accents
        + "\xC3"
          "abxab"
        + std::string(300, '-'));
    for (const char* expression : { "ab", "AB", "$ab", "@ab", "@[a]b", "a?", "x*b" }) {
        JobMatcher matcher(Text(expression));
        ASSERT_TRUE(matcher.Find(text, 0, text.Length(), true)) << expression;
        EXPECT_EQ(matcher.Hit().start, expression[0] == 'x' ? 603 : 604) << expression;
    }
}

TEST(JobMatcherHit, IsClearedAfterAFailedCall)
{
    JobMatcher matcher(Text("a?"));
    ASSERT_TRUE(matcher.Find(Text("xab"), 0, 3, false));
    EXPECT_EQ(matcher.Hit().ranges.Count(), 1);
    EXPECT_FALSE(matcher.Find(Text("xyz"), 0, 3, false));
    EXPECT_EQ(matcher.Hit().start, 0);
    EXPECT_EQ(matcher.Hit().end, 0);
    EXPECT_TRUE(matcher.Hit().ranges.IsEmpty());
}

TEST(JobMatcherHit, CollectedHitsKeepTheirOwnCaptures)
{
    JobHitSingle hits = JobMatcher::CollectOne(Text("a1b2"), Text("?"), false);
    ASSERT_EQ(hits.Count(), 4);
    EXPECT_FALSE(hits.At(0)->ranges.SharesBodyWith(hits.At(1)->ranges));
    EXPECT_EQ(hits.At(0)->ranges.Front().end, 1);
}

RawStringList List(std::initializer_list<const char*> items)
{
    RawStringList list;
    for (const char* item : items)
        list.Add(Text(item));
    return list;
}

TEST(JobMatcherCollectAll, NeedsEveryExpression)
{
    EXPECT_TRUE(JobMatcher::CollectAll(Text("foo"), List({ "foo", "bar" }), false).IsEmpty());
    EXPECT_TRUE(JobMatcher::CollectAll(Text("foo"), List({}), false).IsEmpty());

    JobHitMulti multi = JobMatcher::CollectAll(Text("bar foo bar"), List({ "foo", "bar" }), false);
    ASSERT_EQ(multi.Count(), 2);
    EXPECT_EQ(Describe(*multi.At(0)), "4-7");
    EXPECT_EQ(multi.At(0)->colour, 0xFFA0FFu);
    EXPECT_EQ(Describe(*multi.At(1)), "0-3 8-11");
    EXPECT_EQ(multi.At(1)->colour, 0xFFC580u);
}

TEST(JobMatcherCollectAll, TakesColoursInTurn)
{
    JobHitMulti multi = JobMatcher::CollectAll(Text("abcde"), List({ "a", "b", "c", "d", "e" }), false);
    ASSERT_EQ(multi.Count(), 5);
    EXPECT_EQ(multi.At(2)->colour, 0x80FF80u);
    EXPECT_EQ(multi.At(3)->colour, 0xC0C0FFu);
    EXPECT_EQ(multi.At(4)->colour, 0xFFA0FFu);
}

TEST(JobMatcherCollectAll, CollectorServesBlockAfterBlock)
{
    JobLayer::JobHitCollector collector(List({ "!x", "@[0-9]+" }), true);
    EXPECT_EQ(collector.Collect(Text("a1b2")).Count(), 2);
    EXPECT_TRUE(collector.Collect(Text("x1")).IsEmpty());
    EXPECT_TRUE(collector.Collect(Text("ab")).IsEmpty());
    EXPECT_EQ(Describe(*collector.Collect(Text("77")).At(1)), "0-1:0-1 1-2:1-2");
}

// Backtracking that runs away: every "*" retries all the "*"s after it.
const char* const kRunaway = "*a*a*a*a*a*a*a*a*b";

TEST(JobMatcherBudget, RunawayExpressionExhaustsTheBudget)
{
    RawString text = Text(std::string(200, 'a'));
    JobMatcher matcher(Text(kRunaway), JobMatchLimits { 100000, nullptr });
    EXPECT_FALSE(matcher.Find(text, 0, text.Length(), false));
    EXPECT_TRUE(matcher.Exhausted());

    JobMatchOutcome outcome = JobMatchOutcome::Finished;
    EXPECT_TRUE(JobMatcher::CollectOne(text, Text(kRunaway), false, { 100000, nullptr }, &outcome).IsEmpty());
    EXPECT_EQ(outcome, JobMatchOutcome::Exhausted);
    EXPECT_TRUE(JobMatcher::CollectAll(text, List({ "a", kRunaway }), false, { 100000, nullptr }, &outcome)
                    .IsEmpty());
    EXPECT_EQ(outcome, JobMatchOutcome::Exhausted);
    // A negated expression that runs out does not turn into a hit.
    JobMatcher negated(Text(std::string("!") + kRunaway), JobMatchLimits { 100000, nullptr });
    EXPECT_FALSE(negated.Find(text, 0, text.Length(), false));
    EXPECT_TRUE(negated.Exhausted());
}

TEST(JobMatcherBudget, ExpressionWithinTheBudgetIsExact)
{
    JobMatcher matcher(Text(kRunaway), JobMatchLimits { 100000, nullptr });
    ASSERT_TRUE(matcher.Find(Text("xaaaaaaaab"), 0, 10, false));
    EXPECT_EQ(matcher.Outcome(), JobMatchOutcome::Finished);
    EXPECT_EQ(matcher.Hit().end, 10);
    EXPECT_EQ(matcher.Hit().ranges.Count(), 9);
}

TEST(JobMatcherBudget, CollectorSharesOneBudgetPerBlock)
{
    RawString text = Text(std::string(60, 'a') + "b");
    RawString expression = Text("*a*a*b");
    auto fits = [&](int64_t steps) {
        JobMatchOutcome outcome = JobMatchOutcome::Stopped;
        JobMatcher::CollectOne(text, expression, false, { steps, nullptr }, &outcome);
        return outcome == JobMatchOutcome::Finished;
    };
    int64_t low = 1;
    int64_t high = JobMatchLimits::kDefaultSteps;
    while (low < high) {
        int64_t middle = (low + high) / 2;
        if (fits(middle))
            high = middle;
        else
            low = middle + 1;
    }
    // The smallest budget that fits one of them cannot fit two in one block.
    JobLayer::JobHitCollector one(List({ "*a*a*b" }), false, { low, nullptr });
    EXPECT_EQ(one.Collect(text).Count(), 1);
    JobLayer::JobHitCollector two(List({ "*a*a*b", "*a*a*b" }), false, { low, nullptr });
    EXPECT_TRUE(two.Collect(text).IsEmpty());
    EXPECT_EQ(two.Outcome(), JobMatchOutcome::Exhausted);
}

TEST(JobMatcherBudget, RaisedStopFlagEndsALongMatch)
{
    std::atomic<bool> stop { true };
    RawString text = Text(std::string(200, 'a'));
    JobMatcher matcher(Text(kRunaway), JobMatchLimits { JobMatchLimits::kDefaultSteps, &stop });
    EXPECT_FALSE(matcher.Find(text, 0, text.Length(), false));
    EXPECT_EQ(matcher.Outcome(), JobMatchOutcome::Stopped);
}

} // namespace
