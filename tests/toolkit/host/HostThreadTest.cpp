// The message loop: posting from other threads (order, waking a waiting loop), timers, quit
// and nested loops, and posting after the host stopped.

#include <atomic>
#include <thread>

#include "tests/toolkit/host/HostWindowFixture.h"

namespace HostTest {
namespace {

using MessageLoop = HostWindowTest;

constexpr uint32_t kPing = HostMsg::kApp + 1;
constexpr uint32_t kDone = HostMsg::kApp + 2;

TEST_F(MessageLoop, PostsFromOtherThreadsArriveInOrderAndWakeTheLoop)
{
    const HostHandle top = MakeTop();
    constexpr int kThreads = 3;
    constexpr int kEach = 300;
    std::vector<std::vector<HostWParam>> seen(kThreads);
    int done = 0;
    proc.answer = [&](HostHandle, uint32_t message, HostWParam wparam, HostLParam lparam) {
        if (message == kPing)
            seen[static_cast<size_t>(lparam)].push_back(wparam);
        if (message == kDone && ++done == kThreads)
            Host::PostQuitMessage(7);
        return kHostNotHandled;
    };
    Host::DrainMessages();
    std::atomic<bool> go { false };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < kEach; ++i)
                EXPECT_TRUE(Host::PostMessage(top, kPing, static_cast<HostWParam>(i), t));
            Host::PostMessage(top, kDone, 0, t);
        });
    // The posts race with the loop, which may be waiting in SDL or working when they come.
    go.store(true);
    EXPECT_EQ(Host::RunMessageLoop(), 7);
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<size_t>(kEach)) << t;
        for (int i = 0; i < kEach; ++i)
            ASSERT_EQ(seen[t][i], static_cast<HostWParam>(i)) << t;
    }
}

TEST_F(MessageLoop, ASinglePostWakesAWaitingGetMessage)
{
    const HostHandle top = MakeTop();
    Host::DrainMessages();
    std::thread poster([top] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Host::PostMessage(top, kPing, 42, 0);
    });
    HostMessage message;
    ASSERT_TRUE(Host::GetMessage(message));
    poster.join();
    EXPECT_EQ(message.window, top);
    EXPECT_EQ(message.message, kPing);
    EXPECT_EQ(message.wparam, 42u);
}

TEST_F(MessageLoop, TimersFireUntilKilledAndRestartWhenSetAgain)
{
    const HostHandle top = MakeTop();
    int fast = 0;
    int slow = 0;
    proc.answer = [&](HostHandle window, uint32_t message, HostWParam wparam, HostLParam) {
        if (message != HostMsg::kTimer)
            return kHostNotHandled;
        if (wparam == 1 && ++fast == 3)
            Host::KillTimer(window, 1);
        if (wparam == 2 && ++slow == 2)
            Host::PostQuitMessage(0);
        return HostResult { 0 };
    };
    ASSERT_TRUE(Host::SetTimer(top, 1, 2));
    ASSERT_TRUE(Host::SetTimer(top, 2, 30));
    Host::RunMessageLoop();
    EXPECT_EQ(fast, 3);
    EXPECT_EQ(slow, 2);
    EXPECT_FALSE(Host::KillTimer(top, 1));
    EXPECT_TRUE(Host::KillTimer(top, 2));
    EXPECT_FALSE(Host::SetTimer(0, 3, 10));
    // A destroyed window's timers end with it.
    const HostHandle gone = MakeTop();
    ASSERT_TRUE(Host::SetTimer(gone, 1, 1));
    Host::DestroyWindow(gone);
    EXPECT_FALSE(Host::KillTimer(gone, 1));
}

TEST_F(MessageLoop, DrainingEndsDespiteAFastTimerAndASlowHandler)
{
    const HostHandle top = MakeTop();
    int fired = 0;
    proc.answer = [&](HostHandle, uint32_t message, HostWParam, HostLParam) {
        if (message == HostMsg::kTimer) {
            ++fired;
            std::this_thread::sleep_for(std::chrono::milliseconds(3)); // longer than the interval
        }
        return kHostNotHandled;
    };
    Host::SetTimer(top, 1, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Host::DrainMessages();
    EXPECT_EQ(fired, 1);
}

TEST_F(MessageLoop, QuitEndsOnlyTheInnermostLoopAndQueuedMessagesStay)
{
    const HostHandle top = MakeTop();
    std::vector<int> events;
    proc.answer = [&](HostHandle, uint32_t message, HostWParam wparam, HostLParam) {
        if (message != kPing)
            return kHostNotHandled;
        events.push_back(static_cast<int>(wparam));
        if (wparam == 1) {
            // A modal run inside the handler.
            Host::PostMessage(top, kPing, 2, 0);
            Host::PostMessage(top, kDone, 0, 0);
            HostMessage inner;
            while (Host::GetMessage(inner)) {
                if (inner.message == kDone) {
                    Host::PostQuitMessage(5);
                    Host::PostMessage(top, kPing, 3, 0); // for the outer loop
                    continue;
                }
                Host::DispatchMessage(inner);
            }
            EXPECT_EQ(inner.wparam, 5u);
            events.push_back(-1);
        }
        if (wparam == 3)
            Host::PostQuitMessage(9);
        return HostResult { 0 };
    };
    Host::PostMessage(top, kPing, 1, 0);
    EXPECT_EQ(Host::RunMessageLoop(), 9);
    EXPECT_EQ(events, (std::vector<int> { 1, 2, -1, 3 }));
}

TEST_F(MessageLoop, PeekLeavesTheMessageWhenAskedAndCurrentMessageFollowsDispatch)
{
    const HostHandle top = MakeTop();
    Host::DrainMessages();
    Host::PostMessage(top, kPing, 1, 0);
    HostMessage message;
    ASSERT_TRUE(Host::PeekMessage(message, false));
    EXPECT_EQ(message.message, kPing);
    ASSERT_TRUE(Host::PeekMessage(message, true));
    EXPECT_EQ(message.wparam, 1u);
    EXPECT_FALSE(Host::PeekMessage(message, true));
    uint32_t current = 0;
    proc.answer = [&](HostHandle, uint32_t msg, HostWParam, HostLParam) {
        if (msg == kPing)
            current = Host::CurrentMessage().message;
        return kHostNotHandled;
    };
    Host::PostMessage(top, kPing, 2, 0);
    Host::DrainMessages();
    EXPECT_EQ(current, kPing);
    // Messages for a window that is gone are dropped.
    Host::PostMessage(top, kPing, 3, 0);
    Host::DestroyWindow(top);
    Host::DrainMessages();
}

TEST(HostStopped, PostingAfterStopFailsAndTheLoopEnds)
{
    ASSERT_TRUE(Host::Start());
    Host::Stop();
    EXPECT_FALSE(Host::Started());
    EXPECT_FALSE(Host::PostMessage(1, kPing, 0, 0));
    HostMessage message;
    EXPECT_FALSE(Host::GetMessage(message));
    EXPECT_EQ(Host::CreateWindow({}), 0u);
    ASSERT_TRUE(Host::Start());
    EXPECT_TRUE(Host::Start()); // twice is harmless
    EXPECT_TRUE(Host::Headless());
    Host::Stop();
}

} // namespace
} // namespace HostTest
