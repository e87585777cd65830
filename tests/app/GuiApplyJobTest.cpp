#include <app/GuiApplyJob.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/engine/JobApplyFixture.h>

using namespace JobLayer;
using AppLayer::GuiApplyJob;

namespace {

using QuelvaneTest::ReadFile;

// The fixture searches and previews on the test's thread, then runs the apply on its own thread
// as the desktop program does; it is the sink of the codes that thread posts.
class GuiApplyJobTest : public QuelvaneTest::JobApplyFixture {
protected:
    // Started, asked to stop at once, and waited for: the run still goes to its end.
    bool RunApply()
    {
        GuiApplyJob job(params_, results_, *this, kSearchLimit, store_, centre_);
        EXPECT_TRUE(job.Start());
        job.RequestStop();
        job.Wait();
        return job.Succeeded();
    }
};

TEST_F(GuiApplyJobTest, RunsToItsEndAndTellsWhetherEveryFileWasWritten)
{
    std::string a = Write("a.txt", "a hit\n"), b = Write("b.txt", "b hit\n"), c = Write("c.txt", "c hit\n");
    ASSERT_EQ(chmod(b.c_str(), 0444), 0);
    params_.targets.Add(QuelvaneTest::Utf8(a));
    params_.targets.Add(QuelvaneTest::Utf8(b));
    Search(c, "hit", "HIT");
    EXPECT_FALSE(RunApply());
    EXPECT_EQ(ReadFile(a) + ReadFile(b) + ReadFile(c), "a HIT\nb hit\nc HIT\n");
    EXPECT_EQ(std::ranges::count(codes_, kApplyStarted), 1);
    EXPECT_EQ(codes_.back(), kApplyFinished);
}

TEST_F(GuiApplyJobTest, SucceedsWhenEveryFileIsWritten)
{
    std::string a = Write("a.txt", "a hit\n");
    Search(a, "hit", "HIT");
    EXPECT_TRUE(RunApply());
    EXPECT_EQ(ReadFile(a), "a HIT\n");
}

} // namespace
