#include <app/GuiReplaceJob.h>
#include <engine/JobMatcher.h>
#include <engine/JobReplacer.h>

#include <algorithm>
#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using Field = JobExpressionUtility::Field;
using RawLayer::RawEncoding;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

JobHitMulti Hits(const std::string& text, const std::string& search)
{
    return JobMatcher::CollectAll(
        Utf8(text), JobExpressionUtility::SplitList(Utf8(search), Field::Search), false);
}

RawStringList Texts(const std::string& field)
{
    return JobExpressionUtility::SplitList(Utf8(field), Field::Replace);
}

TEST(JobReplacerTest, ReplacesEveryHitAndRecordsTheInsertedRanges)
{
    // Text, search, replace, replaced text, inserted ranges; the file's line break is LF.
    const std::array<std::string, 5> cases[] = {
        { "xabcx", "a*c", "[%0]", "x[b]x", "((([1,4]())))" },
        { "xabcx", "a*c", "[%1]", "x[]x", "((([1,3]())))" },
        { "a foo b foo", "foo", "$%t", "a %t b %t", "((([2,4]())([7,9]())))" },
        { "foo", "foo", "@x", "@x", "((([0,2]())))" },
        { "foo", "foo", "!x", "!x", "((([0,2]())))" },
        { "foo", "foo", "!$%N", "%N", "((([0,2]())))" },
        { "foo", "foo", "a%Nb", "a\nb", "((([0,3]())))" },
        { "abab", "ab", "x%0y", "xyxy", "((([0,2]())([2,4]())))" },
        { "a b a", "a;b", "X", "X b X", "((([0,1]())([4,5]())))" },
        { "a b", "a;b", "x;", "x ", "((([0,1]()))(([2,2]())))" },
        { "bar", "!foo", "N:", "N:bar", "((([0,2]())))" },
        // Later hits move with the text, and so do ranges inserted before.
        { "aXb", "a;b", "long;B", "longXB", "((([0,4]()))(([5,6]())))" },
        { "ba", "a;b", "XX;YYY", "YYYXX", "((([3,5]()))(([0,3]())))" },
        // The hit of "bc" is destroyed by the replacement of "ab" and stays unreplaced.
        { "abc", "ab;bc", "X;Y", "Xc", "((([0,1]()))())" },
        { "x\xC3\xA4yz", "?y", "<%0>", "x<\xC3\xA4>z", "((([1,5]())))" },
    };
    for (const auto& [text, search, replace, replaced, inserted] : cases) {
        auto result = JobReplacer::Compute(Utf8(text), Utf8("\n"), Hits(text, search), Texts(replace));
        EXPECT_EQ(result.text.Str() + " " + result.hits.ToText().Str(), replaced + " " + inserted) << search;
    }

    // A record read back from a result file may not fit its text: what lies outside is skipped.
    auto result = JobReplacer::Compute(
        "abc", "", JobHitMulti::FromText("((([0,1]([1,7]))([2,9]())))"), Texts("%0%N"));
    EXPECT_EQ(result.text.Str(), "\r\nbc"); // no capture text, CR LF for a missing line break
    EXPECT_EQ(result.hits.ToText().Str(), "((([0,2]())))");
}

// The fixture is the handler and holds the shared objects; a block is "a" plus a suffix, with
// the hits of "a", and spans two lines.
class JobReplacerPassTest : public testing::Test, public JobReplacer::Handler {
protected:
    bool IsCancelled() override { return cancel_(); }
    void BlockReplaced(int32_t index) override { replaced_.push_back(index); }

    JobBlockUnit& Add(const std::string& path, int32_t line, const std::string& suffix = "")
    {
        JobFoundBlock found { Utf8(path), line - 1, Utf8("a" + suffix), "\n", RawEncoding::Utf8, false };
        return results_.AddFoundBlock(found, "\n", Hits("a" + suffix, "a"), 2);
    }
    void SetTexts(const std::string& field)
    {
        std::lock_guard guard(params_.lock);
        params_.replacements = Texts(field);
        ++params_.checker;
    }
    JobBlockUnit& Block(int32_t index) { return *results_.blocks.At(index); }
    // Every block holds `text` followed by its suffix, its index.
    void ExpectAll(const std::string& text)
    {
        for (int32_t i = 0; i < results_.blocks.Count(); ++i)
            EXPECT_EQ(Block(i).replaced.Str(), text + std::to_string(i)) << i;
    }

    JobParams params_;
    JobResultSet results_;
    JobReplacer replacer_ { *this, params_ };
    std::function<bool()> cancel_ = [] { return false; };
    std::vector<int32_t> replaced_;
};

TEST_F(JobReplacerPassTest, MarksCheckedBlocksThatOverlapThePreviousCheckedBlockOfTheirFile)
{
    // Blocks (path, first line, checked) and the expected marks.
    const std::pair<std::vector<std::tuple<std::string, int32_t, bool>>, std::string> cases[] = {
        { { { "f", 3, true }, { "f", 4, true } }, "01" },
        { { { "f", 3, false }, { "f", 4, true } }, "00" },
        { { { "f", 3, true }, { "f", 5, true } }, "00" },
        { { { "f", 3, true }, { "g", 4, true }, { "f", 4, true } }, "000" },
        { { { "f", 1, true }, { "f", 2, false }, { "f", 2, true } }, "001" },
    };
    for (const auto& [blocks, marks] : cases) {
        results_.Reset();
        for (const auto& [path, line, checked] : blocks)
            Add(path, line).ChangeFlags(JobBlockUnit::kOvw, checked ? 0 : JobBlockUnit::kChk);
        replacer_.Pass(results_);
        std::string found;
        for (const JobBlockUnit& block : results_.blocks)
            found += block.HasFlag(JobBlockUnit::kOvw) ? '1' : '0';
        EXPECT_EQ(found, marks);
    }
}

// The search appends its last block and sets FIN just after a pass took its last step: that
// block is still replaced, because the search's state is read before a pass, not after it.
TEST_F(JobReplacerPassTest, ABlockAddedJustBeforeFinIsReplaced)
{
    SetTexts("X");
    Add("f", 1);
    bool searching = true;
    cancel_ = [&] {
        if (searching && replaced_.size() == 1) {
            Add("f", 9);
            results_.SetFlags(JobResultSet::kStt | JobResultSet::kFin);
            searching = false;
        }
        return false;
    };
    replacer_.Run(results_, [&] { return searching; });
    EXPECT_TRUE(Block(1).HasFlag(JobBlockUnit::kRep));
}

// A stop ends the passes at once, but the preview ends only with the search: here one that
// finds one more block after the stop, while the texts change, and is over at its third poll.
TEST_F(JobReplacerPassTest, AStoppedPreviewComputesNothingMoreButWaitsForTheSearch)
{
    SetTexts("x");
    Add("f", 1);
    cancel_ = [this] { return !replaced_.empty(); };
    int polls = 0;
    replacer_.Run(results_, [&] {
        if (++polls == 2) {
            Add("f", 9);
            SetTexts("y");
        }
        return polls < 3;
    });
    ASSERT_EQ(polls, 3);
    EXPECT_EQ(replaced_, std::vector<int32_t> { 0 });
    EXPECT_FALSE(Block(1).HasFlag(JobBlockUnit::kRep));
}

// Stands in for the search job: 80 blocks, then FIN.
class FakeSearch : public RawLayer::RawThreadUnit {
public:
    explicit FakeSearch(std::function<void()> body)
        : body_(std::move(body))
    {
    }
    ~FakeSearch() override { StopAndWait(); }
    void Run() override { body_(); }

private:
    std::function<void()> body_;
};

class GuiReplaceJobTest : public JobReplacerPassTest, public JobNotificationSink {
protected:
    void Post(uint32_t code) override
    {
        std::lock_guard guard(lock_);
        codes_.push_back(code);
        if (code == kBlockReplaced && on_replaced_)
            std::exchange(on_replaced_, nullptr)();
    }

    std::mutex lock_;
    std::vector<uint32_t> codes_;
    std::function<void()> on_replaced_; // run once, on the replace thread, at the first block
    FakeSearch search_ { [this] {
        results_.SetFlags(JobResultSet::kStt);
        for (int32_t i = 0; i < 80; ++i)
            Add("f", 1 + i, std::to_string(i));
        results_.SetFlags(JobResultSet::kFin);
    } };
    AppLayer::GuiReplaceJob job_ { params_, results_, *this, search_ };
};

// The window edits the texts while the search and the preview run, and reads the previews all
// along under the result set's lock, as every walker of the blocks does.
TEST_F(GuiReplaceJobTest, EditingTheTextsDuringAPreviewRecomputesEveryBlock)
{
    SetTexts("old");
    on_replaced_ = [this] { SetTexts("new"); };
    ASSERT_TRUE(search_.Start() && job_.Start());
    while (job_.IsRunning()) {
        {
            std::lock_guard guard(results_.lock);
            std::lock_guard list_guard(results_.blocks.lock);
            for (JobBlockUnit& block : results_.blocks) {
                std::string expected = block.replace_stamp == 1 ? "old" : "new";
                EXPECT_TRUE(!block.HasFlag(JobBlockUnit::kRep) || block.replaced.Str().starts_with(expected));
            }
        }
        std::this_thread::yield();
    }
    EXPECT_EQ(results_.blocks.Count(), 80);
    ExpectAll("new");
    std::lock_guard guard(lock_);
    EXPECT_EQ(codes_.front(), kReplaceStarted);
    EXPECT_EQ(codes_.back(), kReplaceFinished);
}

// No search runs and FIN is not set (a result file saved during a search), so FIN will never
// come: the job ends after its pass, which is made again for the one block that got the texts
// from before they changed during it. Unchecked blocks get a preview too.
TEST_F(GuiReplaceJobTest, EndsWithoutFinWhenNoSearchRunsAndCatchesUpWithNewTexts)
{
    for (int32_t i = 0; i < 5; ++i)
        Add("f", 1 + i, std::to_string(i)).ChangeFlags(0, i == 2 ? JobBlockUnit::kChk : 0);
    results_.SetFlags(JobResultSet::kStt);
    SetTexts("old");
    on_replaced_ = [this] { SetTexts("new"); };
    ASSERT_TRUE(job_.Start());
    job_.Wait();
    ExpectAll("new");
    EXPECT_EQ(std::ranges::count(codes_, kBlockReplaced), 6);
}

} // namespace
