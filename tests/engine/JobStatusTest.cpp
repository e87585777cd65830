#include <core/RawLineFile.h>
#include <engine/JobStatusCentre.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace JobLayer;
using RawLayer::RawEncoding;
using RawLayer::RawLineFile;

namespace {

JobStatusUnit Info(const RawString& text)
{
    return JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, text, {});
}

// Counts the codes posted, from any thread; the centre posts only kStatusAdded.
struct CountingSink : JobNotificationSink {
    void Post(uint32_t code) override { ++(code == kStatusAdded ? added : others); }
    std::atomic<int> added { 0 };
    std::atomic<int> others { 0 };
};

// A reader state that is no failure still makes an error entry. A file name the system gave us
// in the locale's codeset need not convert; its bytes are shown.
TEST(JobStatusUnitTest, EntriesShowTheirTextAndThePathInParentheses)
{
    using Centre = JobStatusCentre;
    const std::pair<JobStatusUnit, std::string> cases[] = {
        { Centre::MakeEntry(JobStatusUnit::kInformation, "No such path", "/d"), "No such path (/d)" },
        { Centre::MakeErrorEntry(RawLineFile::kStatusEndOfData, {}), "Unknown error" },
        { Centre::MakeLineErrorEntry(RawLineFile::kLineOverflow, 120, "/a/b.txt"),
            "Line overflow [line=120] (/a/b.txt)" },
        { Centre::MakeErrorEntry(RawLineFile::kReadError, RawString("/d/\xff.txt", RawEncoding::NoSet)),
            "Read error (/d/\xff.txt)" },
    };
    for (const auto& [entry, display] : cases)
        EXPECT_EQ(entry.display.Str(), display);
    EXPECT_EQ(cases[1].first.kind, JobStatusUnit::kError);
    EXPECT_EQ(cases[2].first.kind, JobStatusUnit::kError);
}

// The centre starts closed; the window opens it once it can show entries and closes it when it
// goes. Entries are never removed, so a viewer asks only for those it has not shown.
TEST(JobStatusCentreTest, EntriesAreKeptAndPostedOnlyWhileTheCentreAccepts)
{
    JobStatusCentre centre;
    CountingSink sink;
    centre.SetSink(&sink);
    EXPECT_FALSE(centre.AddEntry(Info("a")));
    centre.SetAccepting(true);
    EXPECT_TRUE(centre.AddEntry(Info("b")) && centre.AddEntry(Info("c")));
    centre.SetSink(nullptr); // accepted without a sink too
    JobStatusUnit last = Info("d");
    EXPECT_TRUE(centre.AddEntry(last));
    EXPECT_EQ(centre.Find(last.id).value_or(JobStatusUnit()).display.Str(), "d");
    ASSERT_EQ(centre.Entries(1).size(), 2u);
    EXPECT_EQ(centre.Entries(1)[0].text.Str(), "c");
    EXPECT_TRUE(centre.Entries(3).empty() && centre.Entries(7).empty());
    centre.SetAccepting(false);
    EXPECT_FALSE(centre.AddEntry(Info("e")));
    EXPECT_EQ(centre.Count(), 3);
    EXPECT_TRUE(sink.added == 2 && sink.others == 0);
}

TEST(JobStatusCentreTest, OldIdsMapToNewOnes)
{
    JobStatusCentre centre;
    EXPECT_EQ(centre.NewIdFor(5), 0u);
    centre.RecordOldId(5, 40);
    centre.RecordOldId(6, 41);
    centre.RecordOldId(5, 42);
    EXPECT_EQ(centre.NewIdFor(5), 42u);
    EXPECT_EQ(centre.NewIdFor(6), 41u);
    centre.ClearOldIds();
    EXPECT_EQ(centre.NewIdFor(6), 0u);
}

// Several jobs report at once while the window reads; halfway the window clears the sink, after
// which the centre must not post to it again.
TEST(JobStatusCentreTest, IdsNeverRepeatAcrossThreadsAndAClearedSinkIsLeftAlone)
{
    constexpr int kThreads = 4, kEach = 500;
    JobStatusCentre centre;
    CountingSink sink;
    centre.SetSink(&sink);
    centre.SetAccepting(true);
    std::vector<std::thread> jobs;
    for (int t = 0; t < kThreads; ++t)
        jobs.emplace_back([&] {
            for (int i = 0; i < kEach; ++i)
                EXPECT_TRUE(centre.AddEntry(Info("e")));
        });
    for (int32_t seen = 0; seen < kThreads * kEach / 2; seen = centre.Count())
        for (const JobStatusUnit& entry : centre.Entries(seen))
            EXPECT_TRUE(centre.Find(entry.id).has_value());
    const int before = centre.Count();
    centre.SetSink(nullptr);
    const int posted = sink.added;
    for (std::thread& job : jobs)
        job.join();
    std::set<uint32_t> ids;
    for (const JobStatusUnit& entry : centre.Entries())
        ids.insert(entry.id);
    EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(ids.count(0), 0u);
    EXPECT_GE(posted + kThreads, before); // at most one post in flight per job
    EXPECT_EQ(sink.added, posted);
}

} // namespace
