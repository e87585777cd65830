#include <core/RawThreadUnit.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace RawLayer;

namespace {

// A unit whose work is given by the test, recording where and how often Run and Finished ran.
class TestUnit : public RawThreadUnit {
public:
    explicit TestUnit(std::function<void(TestUnit&)> work_to_do = {})
        : work(std::move(work_to_do))
    {
    }
    ~TestUnit() override { StopAndWait(); }

    using RawThreadUnit::FailNextThreadCreation;

    void Run() override
    {
        run_thread = std::this_thread::get_id();
        stop_at_entry = stop_at_entry || IsStopRequested(); // before the entry is counted
        ++runs;
        if (work)
            work(*this);
    }
    void Finished() override
    {
        finished_thread = std::this_thread::get_id();
        ++finished_calls;
        if (on_finished)
            on_finished(*this);
    }
    // Blocks until Run has begun `count` times.
    void WaitEntered(int count)
    {
        while (runs < count)
            std::this_thread::yield();
    }

    std::function<void(TestUnit&)> work;
    std::function<void(TestUnit&)> on_finished;
    std::atomic<int> runs { 0 };
    std::atomic<int> finished_calls { 0 };
    std::atomic<bool> stop_at_entry { false };
    std::atomic<std::thread::id> run_thread;
    std::atomic<std::thread::id> finished_thread;
};

TEST(RawThreadUnitStart, StartWhileRunningIsRefusedAndLeavesTheWorkAlone)
{
    std::atomic<bool> gate { false };
    TestUnit unit([&gate](TestUnit&) { gate.wait(false); });
    ASSERT_TRUE(unit.Start());
    unit.WaitEntered(1);
    unit.RequestStop();
    EXPECT_FALSE(unit.Start());
    // A refused start neither disturbs the work nor clears the request.
    EXPECT_TRUE(unit.IsRunning() && unit.IsStopRequested());
    gate = true;
    gate.notify_all();
    unit.Wait();
    EXPECT_TRUE(unit.runs == 1 && unit.finished_calls == 1 && unit.IsFinished() && !unit.IsRunning());
}

TEST(RawThreadUnitStart, RestartsOnANewThreadWithItsPriorityAndWaitRightAfterStartWaits)
{
    // Wait may come before the worker has taken its run lock; it must still wait. A non-zero
    // priority becomes the worker's nice value (unless this process already runs lower); 0 leaves
    // the default, and the owner's thread is untouched.
    int own_nice = getpriority(PRIO_PROCESS, 0);
    std::atomic<int> worker_nice { -100 };
    TestUnit unit([&worker_nice](TestUnit&) { worker_nice = getpriority(PRIO_PROCESS, 0); });
    for (int round = 1; round <= 200; ++round) {
        unit.SetPriority(round % 2 == 0 ? -3 : 0);
        ASSERT_TRUE(unit.Start());
        unit.Wait();
        ASSERT_EQ(unit.finished_calls, round);
        ASSERT_TRUE(unit.IsFinished() && !unit.IsRunning());
        ASSERT_NE(unit.run_thread.load(), std::this_thread::get_id());
        ASSERT_EQ(unit.finished_thread.load(), unit.run_thread.load());
        ASSERT_TRUE(own_nice > 3 || worker_nice == (round % 2 == 0 ? 3 : own_nice)) << worker_nice;
    }
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), own_nice);
}

TEST(RawThreadUnitStart, FailedCreationCallsFinishedOnceOnTheStartingThread)
{
    TestUnit unit;
    unit.FailNextThreadCreation();
    EXPECT_FALSE(unit.Start());
    EXPECT_TRUE(unit.runs == 0 && unit.finished_calls == 1);
    EXPECT_EQ(unit.finished_thread.load(), std::this_thread::get_id());
    EXPECT_FALSE(unit.IsRunning() || unit.IsFinished());
    unit.Wait();               // idle: returns at once
    ASSERT_TRUE(unit.Start()); // the unit is idle again and starts normally
    unit.Wait();
    EXPECT_TRUE(unit.runs == 1 && unit.finished_calls == 2);
}

TEST(RawThreadUnitStop, TheWorkSeesTheRequestAndTheNextStartClearsIt)
{
    std::atomic<int> stopped_runs { 0 };
    auto unit = std::make_unique<TestUnit>([&](TestUnit& self) {
        while (!self.IsStopRequested())
            std::this_thread::yield();
        ++stopped_runs;
    });
    ASSERT_TRUE(unit->Start());
    unit->WaitEntered(1);
    unit->RequestStop();
    unit->Wait();
    EXPECT_EQ(stopped_runs, 1);
    // The next start clears the request. Destroying the running unit asks it to stop and waits
    // for it, rather than leave a thread on a freed object.
    ASSERT_TRUE(unit->Start());
    unit->WaitEntered(2);
    EXPECT_FALSE(unit->stop_at_entry);
    unit.reset();
    EXPECT_EQ(stopped_runs, 2);
}

TEST(RawThreadUnitStop, TheUnitsOwnThreadMayWaitAndStartItAgain)
{
    // Waiting for itself returns at once rather than deadlock. A restart from Finished cannot
    // join the thread it runs on; that thread is let go and ends by itself.
    std::atomic<int> restarted { -1 };
    TestUnit unit([](TestUnit& self) { self.Wait(); });
    unit.on_finished = [&restarted](TestUnit& self) {
        if (self.finished_calls == 1) {
            self.Wait();
            restarted = self.Start() ? 1 : 0;
        }
    };
    ASSERT_TRUE(unit.Start());
    while (restarted < 0) // the first Wait may end between the two bodies
        unit.Wait();
    unit.Wait();
    EXPECT_TRUE(restarted == 1 && unit.runs == 2);
}

} // namespace
