#include <core/RawLineFile.h>
#include <engine/JobStatusCentre.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace JobLayer;
using RawLayer::RawEncoding;
using RawLayer::RawLineFile;

namespace {

RawString Text(const std::string& bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

// Keeps every code posted, from any thread.
class RecordingSink : public JobNotificationSink {
public:
    void Post(uint32_t code) override
    {
        std::lock_guard guard(lock_);
        codes_.push_back(code);
    }
    std::vector<uint32_t> Codes() const
    {
        std::lock_guard guard(lock_);
        return codes_;
    }

private:
    mutable std::mutex lock_;
    std::vector<uint32_t> codes_;
};

class JobStatusCentreTest : public testing::Test {
protected:
    JobStatusCentre centre_;
    RecordingSink sink_;
};

TEST(JobStatusUnitTest, DisplayShowsThePathInParentheses)
{
    struct Case {
        const char* text;
        const char* path;
        const char* display;
    };
    const Case cases[] = {
        { "Search started...", "", "Search started..." },
        { "No such path", "/data/b", "No such path (/data/b)" },
    };
    for (const Case& c : cases) {
        JobStatusUnit entry
            = JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, Text(c.text), Text(c.path));
        EXPECT_EQ(entry.display.Str(), c.display);
        EXPECT_EQ(entry.path.Str(), c.path);
    }
}

TEST(JobStatusUnitTest, ErrorEntriesNameTheReaderState)
{
    struct Case {
        int state;
        const char* text;
    };
    const Case cases[] = {
        { RawLineFile::kReadOpenError, "Read open error" },
        { RawLineFile::kCodeConversionError, "Code conversion error" },
        { RawLineFile::kLineOverflow, "Line overflow" },
        { RawLineFile::kStatusEndOfData, "Unknown error" },
        { 99, "Unknown error" },
    };
    for (const Case& c : cases) {
        JobStatusUnit entry = JobStatusCentre::MakeErrorEntry(c.state, Text("/a"));
        EXPECT_EQ(entry.kind, JobStatusUnit::kError);
        EXPECT_EQ(entry.text.Str(), c.text);
    }
    JobStatusUnit line
        = JobStatusCentre::MakeLineErrorEntry(RawLineFile::kLineOverflow, 120, Text("/a/b.txt"));
    EXPECT_EQ(line.display.Str(), "Line overflow [line=120] (/a/b.txt)");
    EXPECT_EQ(line.kind, JobStatusUnit::kError);
}

// A file name the system gave us in the locale's codeset need not convert; its bytes are shown.
TEST(JobStatusUnitTest, PathThatCannotBeConvertedKeepsItsBytes)
{
    JobStatusUnit entry = JobStatusCentre::MakeErrorEntry(
        RawLineFile::kReadError, RawString("/d/\xff.txt", RawEncoding::NoSet));
    EXPECT_EQ(entry.display.Str(), "Read error (/d/\xff.txt)");
}

TEST_F(JobStatusCentreTest, EntriesAreDroppedUntilTheCentreAccepts)
{
    centre_.SetSink(&sink_);
    EXPECT_FALSE(centre_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, Text("a"), {})));
    EXPECT_EQ(centre_.Count(), 0);
    EXPECT_TRUE(sink_.Codes().empty());

    centre_.SetAccepting(true);
    JobStatusUnit entry = JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, Text("b"), {});
    EXPECT_TRUE(centre_.AddEntry(entry));
    EXPECT_EQ(sink_.Codes(), std::vector<uint32_t> { JobNotificationSink::kStatusAdded });
    ASSERT_TRUE(centre_.Find(entry.id).has_value());
    EXPECT_EQ(centre_.Find(entry.id)->display.Str(), "b");

    // The window closes: entries are dropped again and nothing is posted.
    centre_.SetAccepting(false);
    EXPECT_FALSE(centre_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError, Text("c"), {})));
    EXPECT_EQ(centre_.Count(), 1);
    EXPECT_EQ(sink_.Codes().size(), 1u);
}

TEST_F(JobStatusCentreTest, AcceptsWithoutASinkAndListsFromAPosition)
{
    centre_.SetAccepting(true);
    for (const char* text : { "a", "b", "c" })
        (void)centre_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, Text(text), {}));
    std::vector<JobStatusUnit> entries = centre_.Entries(1);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text.Str(), "b");
    EXPECT_EQ(entries[1].text.Str(), "c");
    EXPECT_TRUE(centre_.Entries(3).empty());
}

TEST_F(JobStatusCentreTest, OldIdsMapToNewOnes)
{
    EXPECT_EQ(centre_.NewIdFor(5), 0u);
    centre_.RecordOldId(5, 40);
    centre_.RecordOldId(6, 41);
    centre_.RecordOldId(5, 42);
    EXPECT_EQ(centre_.NewIdFor(5), 42u);
    EXPECT_EQ(centre_.NewIdFor(6), 41u);
    centre_.ClearOldIds();
    EXPECT_EQ(centre_.NewIdFor(6), 0u);
}

// Several jobs report at once while the window reads and finally closes the centre.
TEST_F(JobStatusCentreTest, IdsNeverRepeatAcrossThreads)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    centre_.SetSink(&sink_);
    centre_.SetAccepting(true);
    std::vector<std::thread> jobs;
    for (int t = 0; t < kThreads; ++t) {
        jobs.emplace_back([this] {
            for (int i = 0; i < kEach; ++i) {
                JobStatusUnit entry
                    = JobStatusCentre::MakeEntry(JobStatusUnit::kError, Text("e"), Text("/p"));
                EXPECT_TRUE(centre_.AddEntry(entry));
            }
        });
    }
    int32_t seen = 0;
    while (seen < kThreads * kEach) {
        for (const JobStatusUnit& entry : centre_.Entries(seen))
            EXPECT_TRUE(centre_.Find(entry.id).has_value());
        seen = centre_.Count();
        std::this_thread::yield();
    }
    for (std::thread& job : jobs)
        job.join();

    std::set<uint32_t> ids;
    for (const JobStatusUnit& entry : centre_.Entries())
        ids.insert(entry.id);
    EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(ids.count(0), 0u);
    EXPECT_EQ(sink_.Codes().size(), static_cast<size_t>(kThreads * kEach));

    centre_.SetAccepting(false);
    centre_.SetSink(nullptr);
    EXPECT_FALSE(centre_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError, Text("late"), {})));
}

} // namespace
