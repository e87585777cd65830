#include <core/RawThreadUnit.h>

#include <atomic>
#include <cerrno>
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
        ++runs;
        run_thread = std::this_thread::get_id();
        stop_at_entry = IsStopRequested();
        entered = true;
        entered.notify_all();
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
    // Blocks until Run has begun, then re-arms for the next run.
    void WaitEntered()
    {
        entered.wait(false);
        entered = false;
    }
    void OpenGate()
    {
        gate_open = true;
        gate_open.notify_all();
    }

    std::function<void(TestUnit&)> work;
    std::function<void(TestUnit&)> on_finished;
    std::atomic<int> runs { 0 };
    std::atomic<int> finished_calls { 0 };
    std::atomic<bool> entered { false };
    std::atomic<bool> stop_at_entry { false };
    std::atomic<bool> gate_open { false };
    std::atomic<std::thread::id> run_thread;
    std::atomic<std::thread::id> finished_thread;
};

void WaitForStop(TestUnit& unit)
{
    while (!unit.IsStopRequested())
        std::this_thread::yield();
}

} // namespace

TEST(RawThreadUnitStart, StartWhileRunningIsRefusedAndLeavesTheWorkAlone)
{
    TestUnit unit([](TestUnit& self) { self.gate_open.wait(false); });
    ASSERT_TRUE(unit.Start());
    unit.WaitEntered();
    unit.RequestStop();
    EXPECT_FALSE(unit.Start());
    EXPECT_TRUE(unit.IsRunning());
    EXPECT_TRUE(unit.IsStopRequested()); // a refused start does not clear the request
    unit.OpenGate();
    unit.Wait();
    EXPECT_EQ(unit.runs, 1);
    EXPECT_EQ(unit.finished_calls, 1);
    EXPECT_FALSE(unit.IsRunning());
    EXPECT_TRUE(unit.IsFinished());
}

TEST(RawThreadUnitStart, RestartsAfterFinishingOnANewThread)
{
    TestUnit unit;
    EXPECT_FALSE(unit.IsFinished());
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(unit.Start());
        unit.Wait();
        EXPECT_EQ(unit.runs, round);
        EXPECT_EQ(unit.finished_calls, round);
        EXPECT_NE(unit.run_thread.load(), std::this_thread::get_id());
        EXPECT_EQ(unit.finished_thread.load(), unit.run_thread.load());
        EXPECT_TRUE(unit.IsFinished());
    }
}

TEST(RawThreadUnitStart, WaitRightAfterStartWaitsForFinished)
{
    // Wait may come before the worker has taken its run lock; it must still wait.
    TestUnit unit;
    for (int round = 1; round <= 200; ++round) {
        ASSERT_TRUE(unit.Start());
        unit.Wait();
        ASSERT_EQ(unit.finished_calls, round);
        ASSERT_FALSE(unit.IsRunning());
    }
}

TEST(RawThreadUnitStart, FailedCreationCallsFinishedOnceOnTheStartingThread)
{
    TestUnit unit;
    unit.FailNextThreadCreation();
    EXPECT_FALSE(unit.Start());
    EXPECT_EQ(unit.runs, 0);
    EXPECT_EQ(unit.finished_calls, 1);
    EXPECT_EQ(unit.finished_thread.load(), std::this_thread::get_id());
    EXPECT_FALSE(unit.IsRunning());
    EXPECT_FALSE(unit.IsFinished());
    unit.Wait(); // idle: returns at once
    // The unit is idle again and starts normally.
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_EQ(unit.runs, 1);
    EXPECT_EQ(unit.finished_calls, 2);
}

TEST(RawThreadUnitStop, TheWorkSeesTheRequestAndTheNextStartClearsIt)
{
    std::atomic<int> stopped_runs { 0 };
    TestUnit unit([&](TestUnit& self) {
        WaitForStop(self);
        ++stopped_runs;
    });
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(unit.Start());
        unit.WaitEntered();
        EXPECT_FALSE(unit.stop_at_entry);
        unit.RequestStop();
        unit.Wait();
        EXPECT_EQ(stopped_runs, round);
    }
}

TEST(RawThreadUnitStop, DestroyingARunningUnitStopsItAndWaits)
{
    std::atomic<bool> ended { false };
    auto unit = std::make_unique<TestUnit>([&](TestUnit& self) {
        WaitForStop(self);
        ended = true;
    });
    ASSERT_TRUE(unit->Start());
    unit->WaitEntered();
    unit.reset();
    EXPECT_TRUE(ended);
}

TEST(RawThreadUnitStop, TheUnitsOwnThreadMayWaitAndStartItAgain)
{
    // Waiting for itself returns at once rather than deadlock. A restart from Finished cannot
    // join the thread it runs on; that thread is let go and ends by itself.
    std::atomic<bool> restarted { false };
    std::atomic<bool> decided { false };
    TestUnit unit([](TestUnit& self) { self.Wait(); });
    unit.on_finished = [&](TestUnit& self) {
        if (self.finished_calls == 1) {
            self.Wait();
            restarted = self.Start();
            decided = true;
        }
    };
    ASSERT_TRUE(unit.Start());
    while (!decided) // the first Wait may end between the two bodies
        unit.Wait();
    unit.Wait();
    EXPECT_TRUE(restarted);
    EXPECT_EQ(unit.runs, 2);
    EXPECT_EQ(unit.finished_calls, 2);
}

TEST(RawThreadUnitPriority, ANonZeroPriorityBecomesTheWorkersNiceValue)
{
    errno = 0;
    int own_nice = getpriority(PRIO_PROCESS, 0);
    ASSERT_EQ(errno, 0);
    if (own_nice > 3)
        GTEST_SKIP() << "this process runs below the priority the test sets";
    std::atomic<int> worker_nice { -100 };
    TestUnit unit([&](TestUnit&) { worker_nice = getpriority(PRIO_PROCESS, 0); });
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_EQ(worker_nice, own_nice); // 0 leaves the default
    unit.SetPriority(-3);
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_EQ(worker_nice, 3);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), own_nice); // the owner's thread is untouched
}
