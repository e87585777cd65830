#include <app/GuiSearchJob.h>
#include <engine/JobSearch.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using AppLayer::GuiSearchJob;

namespace {

using Codes = std::vector<uint32_t>;
using Texts = std::vector<std::string>;

// Each test searches a fresh temp folder. The fixture is the sink: it keeps every code posted
// and lets a test act on a code on the posting thread. Codes come from the search thread only,
// and they and the results are read without locks only once that thread is gone.
class JobSearchTest : public testing::Test, public JobNotificationSink {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        centre_.SetSink(this);
        centre_.SetAccepting(true);
    }

    void Post(uint32_t code) override
    {
        on_post_(code);
        codes_.push_back(code);
    }
    long CountOf(uint32_t code) const { return std::ranges::count(codes_, code); }

    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    std::string Write(const std::string& name, const std::string& content)
    {
        std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
        std::ofstream(Path(name), std::ios::binary) << content;
        return Path(name);
    }
    // Before any thread runs, so without the parameters' lock.
    void SetUpSearch(const Texts& targets, const std::string& expression)
    {
        for (const std::string& target : targets)
            params_.targets.Add(RawString(target, RawEncoding::Utf8));
        params_.expressions.Add(RawString(expression, RawEncoding::Utf8));
        params_.filters.Add("*");
    }
    // Runs the search on a thread of its own, as the desktop program does.
    void RunSearch(const Texts& targets, const std::string& expression, int32_t line_limit = 16384)
    {
        SetUpSearch(targets, expression);
        JobSearch search(params_, results_, centre_, *this, line_limit);
        std::thread([&] { search.Run([] { return false; }); }).join();
    }
    std::string Entry(size_t index) const { return centre_.Entries().at(index).display.Str(); }
    const JobBlockUnit& Block(int32_t index) const { return *results_.blocks.At(index); }

    QuelvaneTest::TestFolder temp_;
    const std::string& root_ = temp_.Path();
    JobParams params_;
    JobResultSet results_;
    JobStatusCentre centre_;
    std::function<void(uint32_t)> on_post_ = [](uint32_t) {}; // set before the search starts
    Codes codes_;
};

TEST_F(JobSearchTest, NoTargetStillAnnouncesStartAndFinish)
{
    RunSearch({}, "x");
    ASSERT_EQ(centre_.Count(), 2);
    EXPECT_EQ(Entry(0), "Search started...");
    EXPECT_EQ(Entry(1), "Search finished.");
    EXPECT_EQ(results_.Flags(), JobResultSet::kStt | JobResultSet::kFin);
    EXPECT_EQ(codes_, (Codes { kSearchStarted, kStatusAdded, kStatusAdded, kSearchFinished }));
}

// Folders below the first level change too fast to be shown: they leave the current folder and
// post nothing.
TEST_F(JobSearchTest, ReportsEachStepInOrder)
{
    std::string file = Write("t/one/two/a.txt", "one hit\r\nnothing\r\nhit two\r\n");
    Texts shown;
    on_post_ = [&](uint32_t code) {
        if (code == kFolderChanged)
            shown.push_back(results_.CurrentFolder().Str());
    };
    RunSearch({ Path("t") }, "hit");
    EXPECT_EQ(codes_,
        (Codes { kSearchStarted, kStatusAdded, kFolderChanged, kFolderChanged, kFolderChanged,
            kFileCountChanged, kBlockAdded, kBlockAdded, kFileFinished, kStatusAdded, kSearchFinished }));
    EXPECT_EQ(shown, (Texts { Path("t"), Path("t"), Path("t/one") }));
    EXPECT_EQ(results_.CurrentFolder().Str(), Path("t/one"));
    ASSERT_EQ(results_.blocks.Count(), 2);
    EXPECT_EQ(Block(0).line_number, 1);
    EXPECT_EQ(Block(1).line_number, 3);
    EXPECT_EQ(Block(1).file_path.Str(), file);
    EXPECT_EQ(Block(1).base_path.Str(), Path("t"));
    EXPECT_EQ(Block(1).Flags(), JobBlockUnit::kChk);
    EXPECT_EQ(Block(1).file_line_end.Str(), "\r\n");
    EXPECT_EQ(results_.FilesSearched(), 1);
    EXPECT_EQ(results_.BlockTick(), 3);
}

// The block line count comes from the expressions; a missing target gets one entry and the
// others are searched.
TEST_F(JobSearchTest, SearchesEveryTargetWithTheBlockLineCountOfTheExpressions)
{
    Write("a/two.txt", "a\nx\ny\nb\n");
    RunSearch({ Path("a"), Path("b") }, "x%Ny");
    EXPECT_EQ(params_.line_count, 2);
    ASSERT_EQ(results_.blocks.Count(), 1);
    EXPECT_EQ(Block(0).line_number, 2);
    EXPECT_EQ(Block(0).line_count, 2);
    EXPECT_EQ(Block(0).original.Str(), "x\ny");
    EXPECT_EQ(centre_.Count(), 3);
    EXPECT_EQ(Entry(1), "No such path (" + Path("b") + ")");
    EXPECT_EQ(results_.CurrentTarget().Str(), Path("b"));
}

// The blocks found before the overflow lose CHK and point at the entry; other files keep theirs.
TEST_F(JobSearchTest, LineOverflowMarksEveryBlockOfTheFile)
{
    std::string good = Write("good.txt", "hit\n");
    std::string bad = Write("bad.txt", "hit 1\nhit 2\n" + std::string(200, 'z') + "\nhit after\n");
    RunSearch({ good, bad }, "hit", 100);
    const JobStatusUnit overflow = centre_.Entries().at(1);
    EXPECT_EQ(overflow.display.Str(), "Line overflow [line=3] (" + bad + ")");
    ASSERT_EQ(results_.blocks.Count(), 3);
    EXPECT_EQ(Block(0).Flags(), JobBlockUnit::kChk);
    for (int32_t i : { 1, 2 }) {
        EXPECT_EQ(Block(i).Flags(), JobBlockUnit::kLng | JobBlockUnit::kUpd) << i;
        EXPECT_EQ(Block(i).status_id, overflow.id) << i;
    }
    EXPECT_EQ(CountOf(kBlocksFailed), 1);
}

TEST_F(JobSearchTest, EntriesAreDroppedWhileTheCentreDoesNotAccept)
{
    centre_.SetAccepting(false);
    RunSearch({ Path("missing") }, "x");
    EXPECT_EQ(centre_.Count(), 0);
    EXPECT_EQ(CountOf(kStatusAdded), 0);
    EXPECT_TRUE(results_.HasFlag(JobResultSet::kFin));
}

// The window thread reads the results under their locks while the search goes on, as it does
// when a code arrives; the thread sanitizer checks that every access is guarded.
TEST_F(JobSearchTest, WindowThreadReadsWhileTheSearchRuns)
{
    for (const char* name : { "t/a.txt", "t/b.txt", "t/c.txt", "t/d.txt" })
        Write(name, std::string(2000, '\n'));
    SetUpSearch({ Path("t") }, "!x"); // every line is a block
    GuiSearchJob job(params_, results_, *this, 16384, centre_);
    ASSERT_TRUE(job.Start());
    bool all_filled = true; // a block is linked only once it is filled, CHK included
    while (!results_.HasFlag(JobResultSet::kFin)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the window's other work
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        for (const JobBlockUnit& block : results_.blocks)
            all_filled = all_filled && block.IsChecked() && block.line_number > 0;
    }
    job.Wait();
    EXPECT_TRUE(all_filled);
    EXPECT_EQ(results_.blocks.Count(), 8000);
    EXPECT_EQ(results_.FilesSearched(), 4);
    EXPECT_EQ(CountOf(kBlocksProcessed), 8000 / 256);
    EXPECT_EQ(codes_.back(), kSearchFinished);
}

// The job is asked to stop while the first block is posted (asking from another thread is the
// thread unit's own concern): the search ends after that block, skips the remaining targets,
// and still finishes normally.
TEST_F(JobSearchTest, StopRequestEndsTheSearchAfterTheCurrentBlock)
{
    SetUpSearch({ Write("first.txt", "x\nx\nx\nx\n"), Write("second.txt", "x\n") }, "x");
    GuiSearchJob job(params_, results_, *this, 16384, centre_);
    on_post_ = [&](uint32_t code) {
        if (code == kBlockAdded)
            job.RequestStop();
    };
    ASSERT_TRUE(job.Start());
    job.Wait();
    EXPECT_EQ(results_.blocks.Count(), 1);
    EXPECT_EQ(CountOf(kFolderChanged), 1); // the second target never started
    EXPECT_EQ(CountOf(kFileFinished), 1);  // the file still finished
    EXPECT_EQ(results_.Flags(), JobResultSet::kStt | JobResultSet::kFin);
    EXPECT_EQ(Entry(centre_.Count() - 1), "Search finished.");
}

} // namespace
