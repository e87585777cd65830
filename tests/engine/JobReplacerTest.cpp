#include <app/GuiReplaceJob.h>
#include <engine/JobMatcher.h>
#include <engine/JobReplacer.h>

#include <algorithm>
#include <array>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace JobLayer;
using Field = JobExpressionUtility::Field;
using RawLayer::RawEncoding;

namespace {

RawString Utf8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

JobHitMulti Hits(const std::string& text, const std::string& search)
{
    return JobMatcher::CollectAll(
        Utf8(text), JobExpressionUtility::SplitList(Utf8(search), Field::Search), false);
}

RawStringList Texts(const std::string& field)
{
    return JobExpressionUtility::SplitList(Utf8(field), Field::Replace);
}

// text, search, replace, the file's line break, replaced text, inserted ranges.
using ComputeCase = std::array<std::string, 6>;
class JobReplacerComputeTest : public testing::TestWithParam<ComputeCase> { };

TEST_P(JobReplacerComputeTest, ReplacesEveryHitAndRecordsTheInsertedRanges)
{
    const auto& [text, search, replace, line_break, replaced, inserted] = GetParam();
    auto result = JobReplacer::Compute(Utf8(text), Utf8(line_break), Hits(text, search), Texts(replace));
    EXPECT_EQ(result.text.Str(), replaced);
    EXPECT_EQ(result.hits.ToText().Str(), inserted);
}

INSTANTIATE_TEST_SUITE_P(Cases, JobReplacerComputeTest,
    testing::Values(ComputeCase { "xabcx", "a*c", "[%0]", "\r\n", "x[b]x", "((([1,4]())))" },
        ComputeCase { "xabcx", "a*c", "[%1]", "\r\n", "x[]x", "((([1,3]())))" },
        ComputeCase { "a foo b foo", "foo", "$%t", "\r\n", "a %t b %t", "((([2,4]())([7,9]())))" },
        ComputeCase { "foo", "foo", "@x", "\r\n", "@x", "((([0,2]())))" },
        ComputeCase { "foo", "foo", "!x", "\r\n", "!x", "((([0,2]())))" },
        ComputeCase { "foo", "foo", "!$%N", "\r\n", "%N", "((([0,2]())))" },
        ComputeCase { "foo", "foo", "a%Nb", "\n", "a\nb", "((([0,3]())))" },
        ComputeCase { "abab", "ab", "x%0y", "\r\n", "xyxy", "((([0,2]())([2,4]())))" },
        ComputeCase { "a b a", "a;b", "X", "\r\n", "X b X", "((([0,1]())([4,5]())))" },
        ComputeCase { "a b", "a;b", "x;", "\r\n", "x ", "((([0,1]()))(([2,2]())))" },
        ComputeCase { "bar", "!foo", "N:", "\r\n", "N:bar", "((([0,2]())))" },
        // Later hits move with the text, and so do ranges inserted before.
        ComputeCase { "aXb", "a;b", "long;B", "\r\n", "longXB", "((([0,4]()))(([5,6]())))" },
        ComputeCase { "ba", "a;b", "XX;YYY", "\r\n", "YYYXX", "((([3,5]()))(([0,3]())))" },
        // The hit of "bc" is destroyed by the replacement of "ab" and stays unreplaced.
        ComputeCase { "abc", "ab;bc", "X;Y", "\r\n", "Xc", "((([0,1]()))())" },
        ComputeCase { "x\xC3\xA4yz", "?y", "<%0>", "\r\n", "x<\xC3\xA4>z", "((([1,5]())))" }));

// A record read back from a result file may not fit its text: what lies outside is skipped.
TEST(JobReplacerTest, RangesOutsideTheTextAreSkipped)
{
    auto result = JobReplacer::Compute(
        "abc", "", JobHitMulti::FromText("((([0,1]([1,7]))([2,9]())))"), Texts("%0%N"));
    EXPECT_EQ(result.text.Str(), "\r\nbc"); // no capture text, CR LF for a missing line break
    EXPECT_EQ(result.hits.ToText().Str(), "((([0,2]())))");
}

// The fixture is the handler and holds the shared objects; a block is "a" plus a suffix, with
// the hits of "a".
class JobReplacerPassTest : public testing::Test, public JobReplacer::Handler {
protected:
    bool IsCancelled() override { return on_cancel_check_ ? on_cancel_check_() : cancelled_; }
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
    void ExpectAll(const std::string& text, int32_t from, int32_t to)
    {
        for (int32_t i = from; i < to; ++i)
            EXPECT_EQ(Block(i).replaced.Str(), text + std::to_string(i)) << i;
    }

    JobParams params_;
    JobResultSet results_;
    JobReplacer replacer_ { *this, params_ };
    bool cancelled_ = false;
    std::function<bool()> on_cancel_check_;
    std::vector<int32_t> replaced_;
};

TEST_F(JobReplacerPassTest, MarksCheckedBlocksThatOverlapThePreviousCheckedBlockOfTheirFile)
{
    struct Case {
        std::vector<std::tuple<std::string, int32_t, bool>> blocks; // path, line, checked
        std::vector<bool> marks;
    };
    const std::vector<Case> cases {
        { { { "f", 3, true }, { "f", 4, true } }, { false, true } },
        { { { "f", 3, false }, { "f", 4, true } }, { false, false } },
        { { { "f", 3, true }, { "f", 5, true } }, { false, false } },
        { { { "f", 3, true }, { "g", 4, true }, { "f", 4, true } }, { false, false, false } },
        { { { "f", 1, true }, { "f", 2, false }, { "f", 2, true } }, { false, false, true } },
    };
    for (const Case& c : cases) {
        results_.Reset();
        for (const auto& [path, line, checked] : c.blocks)
            Add(path, line).ChangeFlags(JobBlockUnit::kOvw, checked ? 0 : JobBlockUnit::kChk);
        replacer_.Pass(results_);
        for (int32_t i = 0; i < results_.blocks.Count(); ++i)
            EXPECT_EQ(Block(i).HasFlag(JobBlockUnit::kOvw), c.marks[static_cast<size_t>(i)])
                << "case " << &c - cases.data() << " block " << i;
    }
}

TEST_F(JobReplacerPassTest, RecomputesEveryBlockWhenTheTextsChangeAndNoneOtherwise)
{
    SetTexts("X");
    Add("f", 1, "0").ClearFlags(JobBlockUnit::kChk);
    Add("f", 5, "1");
    replacer_.Pass(results_);
    Block(0).ChangeFlags(JobBlockUnit::kApl, JobBlockUnit::kUpd);
    replacer_.Pass(results_);
    EXPECT_EQ(replaced_, (std::vector<int32_t> { 0, 1 }));
    EXPECT_TRUE(Block(0).HasFlag(JobBlockUnit::kApl));

    SetTexts("Y");
    replacer_.Pass(results_);
    EXPECT_EQ(replaced_, (std::vector<int32_t> { 0, 1, 0, 1 }));
    ExpectAll("Y", 0, 2);
    for (int32_t i : { 0, 1 }) {
        EXPECT_EQ(Block(i).replace_stamp, 2u);
        EXPECT_EQ(Block(i).Flags() & ~JobBlockUnit::kChk, JobBlockUnit::kRep | JobBlockUnit::kUpd);
    }
    cancelled_ = true;
    SetTexts("Z");
    replacer_.Pass(results_);
    EXPECT_EQ(replaced_.size(), 4u);
}

// The search appends its last block and sets FIN just after a pass took its last step: that
// block is still replaced, because the search's state is read before a pass, not after it.
TEST_F(JobReplacerPassTest, ABlockAddedJustBeforeFinIsReplaced)
{
    SetTexts("X");
    Add("f", 1);
    bool searching = true;
    on_cancel_check_ = [&] {
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

// Stands in for the search job: 40 blocks, a wait until the test lets it go on, 40 more, FIN.
class FakeSearch : public RawLayer::RawThreadUnit {
public:
    explicit FakeSearch(std::function<void(int32_t)> add)
        : add_(std::move(add))
    {
    }
    ~FakeSearch() override { StopAndWait(); }
    void Run() override
    {
        for (int32_t i = 0; i < 80; ++i) {
            if (i == 40)
                go.get_future().wait();
            add_(i);
        }
    }
    std::promise<void> go;

private:
    std::function<void(int32_t)> add_;
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
    std::promise<void> first_;
    FakeSearch search_ { [this](int32_t i) {
        results_.SetFlags(JobResultSet::kStt);
        Add("f", 1 + i, std::to_string(i));
        if (i == 79)
            results_.SetFlags(JobResultSet::kFin);
    } };
    AppLayer::GuiReplaceJob job_ { params_, results_, *this, search_ };
};

// The window edits the texts while the search and the preview run, and reads the previews all
// along under the result set's lock, as every walker of the blocks does.
TEST_F(GuiReplaceJobTest, EditingTheTextsDuringAPreviewRecomputesEveryBlock)
{
    SetTexts("old");
    on_replaced_ = [this] { first_.set_value(); };
    ASSERT_TRUE(search_.Start() && job_.Start());
    first_.get_future().wait();
    SetTexts("new");
    search_.go.set_value();
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
    ExpectAll("new", 0, 80);
    std::lock_guard guard(lock_);
    EXPECT_EQ(codes_.front(), kReplaceStarted);
    EXPECT_EQ(codes_.back(), kReplaceFinished);
}

// No search runs and FIN is not set (a result file saved during a search), so FIN will never
// come: the job ends after its pass, which is made again because the texts changed during it.
TEST_F(GuiReplaceJobTest, EndsWithoutFinWhenNoSearchRunsAndCatchesUpWithNewTexts)
{
    for (int32_t i = 0; i < 5; ++i)
        Add("f", 1 + i, std::to_string(i));
    results_.SetFlags(JobResultSet::kStt);
    SetTexts("old");
    on_replaced_ = [this] { SetTexts("new"); };
    ASSERT_TRUE(job_.Start());
    job_.Wait();
    ExpectAll("new", 0, 5);
    EXPECT_EQ(std::ranges::count(codes_, kBlockReplaced), 6);
}

// A stop ends the passes at once, but the job ends only with the search.
TEST_F(GuiReplaceJobTest, AStoppedPreviewComputesNothingMoreButWaitsForTheSearch)
{
    SetTexts("x");
    on_replaced_ = [this] { first_.set_value(); };
    ASSERT_TRUE(search_.Start() && job_.Start());
    first_.get_future().wait();
    job_.RequestStop();
    EXPECT_TRUE(job_.IsRunning());
    search_.go.set_value();
    job_.Wait();
    for (int32_t i = 40; i < 80; ++i)
        EXPECT_FALSE(Block(i).HasFlag(JobBlockUnit::kRep)) << i;
}

} // namespace
