#include <app/GuiApplyJob.h>
#include <engine/JobReplacer.h>
#include <engine/JobSearch.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using AppLayer::GuiApplyJob;

namespace {

using QuelvaneTest::Utf8;

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The fixture searches and previews on the test's thread, then runs the apply on its own thread
// as the desktop program does; it is the sink of the codes that thread posts.
class GuiApplyJobTest : public testing::Test, public JobNotificationSink, public JobReplacer::Handler {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        centre_.SetAccepting(true);
        ASSERT_TRUE(store_.StartLoader(Utf8(root_ + "/backup"), 30));
        store_.WaitReady();
    }
    void Post(uint32_t code) override
    {
        std::lock_guard guard(lock_);
        codes_.push_back(code);
    }
    bool IsCancelled() override { return false; }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::ofstream(root_ + "/" + name, std::ios::binary) << content;
        return root_ + "/" + name;
    }
    void SearchAndPreview(const std::vector<std::string>& targets)
    {
        for (const std::string& target : targets)
            params_.targets.Add(Utf8(target));
        params_.filters.Add("*");
        params_.expressions.Add("hit");
        params_.replacements.Add("HIT");
        params_.preview = true;
        params_.checker = 1;
        JobSearch(params_, results_, centre_, *this, 1 << 20).Run([] { return false; });
        JobReplacer(*this, params_).Pass(results_);
    }
    // Started, asked to stop at once, and waited for: the run still goes to its end.
    bool RunApply()
    {
        GuiApplyJob job(params_, results_, *this, 1 << 20, store_, centre_);
        EXPECT_TRUE(job.Start());
        job.RequestStop();
        job.Wait();
        return job.Succeeded();
    }

    QuelvaneTest::TestFolder folder_;
    const std::string& root_ = folder_.Path();
    JobParams params_;
    JobResultSet results_;
    JobStatusCentre centre_;
    JobBackupList store_;
    std::mutex lock_;
    std::vector<uint32_t> codes_;
};

TEST_F(GuiApplyJobTest, RunsToItsEndAndTellsWhetherEveryFileWasWritten)
{
    std::string a = Write("a.txt", "a hit\n"), b = Write("b.txt", "b hit\n"), c = Write("c.txt", "c hit\n");
    ASSERT_EQ(chmod(b.c_str(), 0444), 0);
    SearchAndPreview({ a, b, c });
    EXPECT_FALSE(RunApply());
    EXPECT_EQ(Read(a) + Read(b) + Read(c), "a HIT\nb hit\nc HIT\n");
    EXPECT_EQ(std::ranges::count(codes_, kApplyStarted), 1);
    EXPECT_EQ(codes_.back(), kApplyFinished);
}

TEST_F(GuiApplyJobTest, SucceedsWhenEveryFileIsWritten)
{
    std::string a = Write("a.txt", "a hit\n");
    SearchAndPreview({ a });
    EXPECT_TRUE(RunApply());
    EXPECT_EQ(Read(a), "a HIT\n");
}

} // namespace
