#include <app/GuiSearchJob.h>
#include <engine/JobSearch.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace JobLayer;
using AppLayer::GuiSearchJob;
using RawLayer::RawEncoding;

namespace {

using Codes = std::vector<uint32_t>;

RawString Text(const std::string& bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

// Keeps every code posted, from any thread, and lets a test act on a code on the posting thread.
class RecordingSink : public JobNotificationSink {
public:
    void Post(uint32_t code) override
    {
        {
            std::lock_guard guard(lock_);
            codes_.push_back(code);
        }
        if (on_post)
            on_post(code);
    }
    Codes AllCodes() const
    {
        std::lock_guard guard(lock_);
        return codes_;
    }
    int CountOf(uint32_t code) const
    {
        Codes codes = AllCodes();
        return static_cast<int>(std::count(codes.begin(), codes.end(), code));
    }

    std::function<void(uint32_t)> on_post; // set before the search starts

private:
    mutable std::mutex lock_;
    Codes codes_;
};

class JobSearchTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::filesystem::temp_directory_path() / "quelvane-search-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        centre_.SetSink(&sink_);
        centre_.SetAccepting(true);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::filesystem::path path = root_ / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    void SetUpSearch(const std::vector<std::string>& targets, const std::vector<std::string>& expressions)
    {
        std::lock_guard guard(params_.lock);
        for (const std::string& target : targets)
            params_.targets.Add(Text(target));
        for (const std::string& expression : expressions)
            params_.expressions.Add(Text(expression));
        params_.filters.Add("*");
    }
    // Runs the search on a thread of its own, as the desktop program does.
    void RunSearch(int32_t line_limit = 16384)
    {
        JobSearch search(params_, results_, centre_, sink_, line_limit);
        std::thread thread([&] { search.Run([] { return false; }); });
        thread.join();
    }
    std::vector<std::string> EntryTexts() const
    {
        std::vector<std::string> texts;
        for (const JobStatusUnit& entry : centre_.Entries())
            texts.push_back(entry.display.Str());
        return texts;
    }
    std::vector<const JobBlockUnit*> Blocks()
    {
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        std::vector<const JobBlockUnit*> blocks;
        for (const JobBlockUnit& block : results_.blocks)
            blocks.push_back(&block);
        return blocks;
    }

    std::filesystem::path root_;
    JobParams params_;
    JobResultSet results_;
    JobStatusCentre centre_;
    RecordingSink sink_;
};

TEST_F(JobSearchTest, NoTargetStillAnnouncesStartAndFinish)
{
    SetUpSearch({}, { "x" });
    RunSearch();
    EXPECT_EQ(EntryTexts(), (std::vector<std::string> { "Search started...", "Search finished." }));
    EXPECT_EQ(results_.Flags(), JobResultSet::kStt | JobResultSet::kFin);
    EXPECT_EQ(sink_.AllCodes(),
        (Codes { JobNotificationSink::kSearchStarted, JobNotificationSink::kStatusAdded,
            JobNotificationSink::kStatusAdded, JobNotificationSink::kSearchFinished }));
}

TEST_F(JobSearchTest, ReportsEachStepInOrder)
{
    std::string folder = (root_ / "t").string();
    std::string file = Write("t/a.txt", "one hit\r\nnothing\r\nhit two\r\n");
    SetUpSearch({ folder }, { "hit" });
    RunSearch();
    EXPECT_EQ(sink_.AllCodes(),
        (Codes { JobNotificationSink::kSearchStarted, JobNotificationSink::kStatusAdded,
            JobNotificationSink::kFolderChanged, JobNotificationSink::kFolderChanged,
            JobNotificationSink::kFileCountChanged, JobNotificationSink::kBlockAdded,
            JobNotificationSink::kBlockAdded, JobNotificationSink::kFileFinished,
            JobNotificationSink::kStatusAdded, JobNotificationSink::kSearchFinished }));
    std::vector<const JobBlockUnit*> blocks = Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0]->line_number, 1);
    EXPECT_EQ(blocks[1]->line_number, 3);
    for (const JobBlockUnit* block : blocks) {
        EXPECT_EQ(block->file_path.Str(), file);
        EXPECT_EQ(block->base_path.Str(), folder);
        EXPECT_EQ(block->Flags(), JobBlockUnit::kChk);
        EXPECT_EQ(block->file_line_end.Str(), "\r\n");
    }
    EXPECT_EQ(results_.FilesSearched(), 1);
    EXPECT_EQ(results_.BlockTick(), 3);
    EXPECT_EQ(results_.CurrentTarget().Str(), folder);
}

TEST_F(JobSearchTest, StoresTheBlockLineCountOfTheExpressions)
{
    std::string file = Write("two.txt", "a\nx\ny\nb\n");
    SetUpSearch({ file }, { "x%Ny" });
    RunSearch();
    EXPECT_EQ(params_.line_count, 2);
    std::vector<const JobBlockUnit*> blocks = Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0]->line_number, 2);
    EXPECT_EQ(blocks[0]->line_count, 2);
    EXPECT_EQ(blocks[0]->original.Str(), "x\ny");
}

TEST_F(JobSearchTest, MissingTargetGivesOneEntryAndTheOthersAreSearched)
{
    std::string file = Write("a/found.txt", "needle\n");
    std::string missing = (root_ / "b").string();
    SetUpSearch({ (root_ / "a").string(), missing }, { "needle" });
    RunSearch();
    ASSERT_EQ(Blocks().size(), 1u);
    EXPECT_EQ(Blocks()[0]->file_path.Str(), file);
    EXPECT_EQ(EntryTexts(),
        (std::vector<std::string> {
            "Search started...", "No such path (" + missing + ")", "Search finished." }));
    EXPECT_EQ(results_.CurrentTarget().Str(), missing);
}

TEST_F(JobSearchTest, FoldersBelowTheFirstLevelDoNotChangeTheCurrentFolder)
{
    Write("t/one/two/three/deep.txt", "x\n");
    std::vector<std::string> shown;
    sink_.on_post = [&](uint32_t code) {
        if (code == JobNotificationSink::kFolderChanged)
            shown.push_back(results_.CurrentFolder().Str());
    };
    SetUpSearch({ (root_ / "t").string() }, { "x" });
    RunSearch();
    std::string target = (root_ / "t").string();
    EXPECT_EQ(shown, (std::vector<std::string> { target, target, target + "/one" }));
    EXPECT_EQ(results_.CurrentFolder().Str(), target + "/one");
}

TEST_F(JobSearchTest, LineOverflowMarksEveryBlockOfTheFile)
{
    std::string good = Write("good.txt", "hit\n");
    std::string content = "hit 1\nhit 2\nhit 3\n";
    for (int line = 4; line < 120; ++line)
        content += "filler\n";
    content += std::string(200, 'z') + "\nhit after\n";
    std::string bad = Write("bad.txt", content);
    SetUpSearch({ good, bad }, { "hit" });
    RunSearch(100);

    std::vector<JobStatusUnit> entries = centre_.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].display.Str(), "Line overflow [line=120] (" + bad + ")");
    std::vector<const JobBlockUnit*> blocks = Blocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0]->Flags(), JobBlockUnit::kChk);
    EXPECT_EQ(blocks[0]->status_id, 0u);
    for (size_t i = 1; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i]->Flags(), JobBlockUnit::kLng | JobBlockUnit::kUpd) << i;
        EXPECT_EQ(blocks[i]->status_id, entries[1].id) << i;
    }
    EXPECT_EQ(sink_.CountOf(JobNotificationSink::kBlocksFailed), 1);
}

TEST_F(JobSearchTest, EntriesAreDroppedWhileTheCentreDoesNotAccept)
{
    centre_.SetAccepting(false);
    Write("t/a.txt", "x\n");
    SetUpSearch({ (root_ / "t").string(), (root_ / "missing").string() }, { "x" });
    RunSearch();
    EXPECT_EQ(centre_.Count(), 0);
    EXPECT_EQ(sink_.CountOf(JobNotificationSink::kStatusAdded), 0);
    EXPECT_EQ(Blocks().size(), 1u);
    EXPECT_TRUE(results_.HasFlag(JobResultSet::kFin));
}

// The window thread reads the results under their locks whenever a code arrives, while the
// search goes on; the thread sanitizer checks that every access is guarded.
TEST_F(JobSearchTest, WindowThreadReadsWhileTheSearchRuns)
{
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "line " + std::to_string(i) + "\n";
    for (int f = 0; f < 4; ++f)
        Write("t/f" + std::to_string(f) + ".txt", many);
    SetUpSearch({ (root_ / "t").string() }, { "line" });
    GuiSearchJob job(params_, results_, sink_, 16384, centre_);
    ASSERT_TRUE(job.Start());
    size_t seen = 0;
    while (!results_.HasFlag(JobResultSet::kFin)) {
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        seen = 0;
        for (const JobBlockUnit& block : results_.blocks)
            seen += block.HasFlag(JobBlockUnit::kChk) ? 1 : 0;
    }
    job.Wait();
    EXPECT_LE(seen, 8000u);
    EXPECT_EQ(Blocks().size(), 8000u);
    EXPECT_EQ(results_.FilesSearched(), 4);
    EXPECT_EQ(sink_.CountOf(JobNotificationSink::kBlocksProcessed), 8000 / 256);
    EXPECT_EQ(sink_.AllCodes().back(), JobNotificationSink::kSearchFinished);
}

TEST_F(JobSearchTest, JobStartedAndWaitedFinishes)
{
    std::string file = Write("a.txt", "x\n");
    SetUpSearch({ file }, { "x" });
    GuiSearchJob job(params_, results_, sink_, 16384, centre_);
    ASSERT_TRUE(job.Start());
    job.Wait();
    EXPECT_EQ(results_.Flags(), JobResultSet::kStt | JobResultSet::kFin);
    EXPECT_EQ(Blocks().size(), 1u);
    EXPECT_TRUE(job.IsFinished());
}

// The window asks the job to stop after the first block: the search ends after that block,
// skips the remaining targets, and still finishes normally.
TEST_F(JobSearchTest, StopRequestEndsTheSearchAfterTheCurrentBlock)
{
    std::string first = Write("first.txt", "x\nx\nx\nx\n");
    std::string second = Write("second.txt", "x\n");
    SetUpSearch({ first, second }, { "x" });
    GuiSearchJob job(params_, results_, sink_, 16384, centre_);

    std::mutex lock;
    std::condition_variable changed;
    bool block_seen = false;
    bool stop_sent = false;
    sink_.on_post = [&](uint32_t code) {
        if (code != JobNotificationSink::kBlockAdded)
            return;
        std::unique_lock guard(lock);
        block_seen = true;
        changed.notify_all();
        changed.wait(guard, [&] { return stop_sent; });
    };
    ASSERT_TRUE(job.Start());
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return block_seen; });
        job.RequestStop();
        stop_sent = true;
        changed.notify_all();
    }
    job.Wait();
    EXPECT_EQ(Blocks().size(), 1u);
    EXPECT_EQ(sink_.CountOf(JobNotificationSink::kFolderChanged), 1); // the second target never started
    EXPECT_EQ(sink_.CountOf(JobNotificationSink::kFileFinished), 1);  // the file still finished
    EXPECT_EQ(results_.Flags(), JobResultSet::kStt | JobResultSet::kFin);
    EXPECT_EQ(EntryTexts().back(), "Search finished.");
}

} // namespace
