#include <core/RawThreadHook.h>
#include <core/RawThreadUnit.h>

#include <algorithm>
#include <system_error>
#include <utility>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace RawLayer {

namespace {

// The unit whose body runs on this thread, so Wait can tell a unit waiting for itself.
thread_local const RawThreadUnit* running_body = nullptr;

} // namespace

RawThreadUnit::~RawThreadUnit()
{
    StopAndWait();
}

bool RawThreadUnit::Start()
{
    std::thread previous;
    {
        std::lock_guard state(state_lock_);
        if (running_ != 0)
            return false;
        starting_ = 1;
        stop_requested_ = 0;
        running_ = 1;
        finished_ = 0;
        previous = std::move(thread_);
    }
    // The previous body has cleared running but may still be in Finished; it needs no state
    // lock to end, and Finished may read the flags, so it is joined without the lock held.
    Release(previous);
    {
        std::lock_guard state(state_lock_);
        if (CreateThread())
            return true;
        starting_ = 0;
        running_ = 0;
        idle_.notify_all();
    }
    Finished();
    return false;
}

bool RawThreadUnit::CreateThread()
{
    if (std::exchange(fail_next_creation_, false))
        return false;
    try {
        thread_ = std::thread(&RawThreadUnit::Body, this);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void RawThreadUnit::Body()
{
    RawThreadHook::RunGuarded([this] {
        running_body = this;
        std::lock_guard run(run_lock_);
        {
            std::lock_guard state(state_lock_);
            if (priority_ != 0) {
                pid_t thread_id = static_cast<pid_t>(syscall(SYS_gettid));
                (void)setpriority(
                    PRIO_PROCESS, static_cast<id_t>(thread_id), std::clamp(-priority_, -20, 19));
            }
            starting_ = 0;
        }
        Run();
        {
            std::lock_guard state(state_lock_);
            running_ = 0;
            starting_ = 0;
            finished_ = 1;
            idle_.notify_all();
        }
        Finished();
    });
}

void RawThreadUnit::RequestStop()
{
    std::lock_guard state(state_lock_);
    stop_requested_ = 1;
}

bool RawThreadUnit::IsStopRequested() const
{
    std::lock_guard state(state_lock_);
    return stop_requested_ != 0;
}

bool RawThreadUnit::IsRunning() const
{
    std::lock_guard state(state_lock_);
    return running_ != 0;
}

bool RawThreadUnit::IsFinished() const
{
    std::lock_guard state(state_lock_);
    return finished_ != 0;
}

void RawThreadUnit::Wait()
{
    if (running_body == this)
        return;
    {
        // Waiting on the flag first closes the gap between Start and the worker taking the
        // run lock, in which entering the run lock alone would return at once.
        std::unique_lock state(state_lock_);
        idle_.wait(state, [this] { return running_ == 0; });
    }
    // Running is cleared before Finished; the run lock is held until Finished has returned.
    std::lock_guard run(run_lock_);
}

void RawThreadUnit::StopAndWait()
{
    {
        std::lock_guard state(state_lock_);
        if (running_ != 0)
            stop_requested_ = 1;
    }
    Wait();
    std::thread last;
    {
        std::lock_guard state(state_lock_);
        last = std::move(thread_);
    }
    Release(last);
}

void RawThreadUnit::SetPriority(int32_t priority)
{
    std::lock_guard state(state_lock_);
    priority_ = priority;
}

int32_t RawThreadUnit::Priority() const
{
    std::lock_guard state(state_lock_);
    return priority_;
}

void RawThreadUnit::FailNextThreadCreation()
{
    std::lock_guard state(state_lock_);
    fail_next_creation_ = true;
}

void RawThreadUnit::Release(std::thread& thread)
{
    if (!thread.joinable())
        return;
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach();
    else
        thread.join();
}

} // namespace RawLayer
