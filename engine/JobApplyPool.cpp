#include <engine/JobApplyPool.h>

#include <algorithm>
#include <system_error>

namespace JobLayer {

namespace {

// More threads than this only queue up on the disk.
constexpr int32_t kMaxThreads = 64;

} // namespace

JobApplyPool::JobApplyPool(int32_t threads)
{
    int32_t wanted = std::clamp(threads, 1, kMaxThreads) - 1;
    for (int32_t worker = 1; worker <= wanted; ++worker) {
        // A machine that cannot give another thread runs the round on the ones it gave.
        try {
            threads_.emplace_back([this, worker] { WorkerLoop(worker); });
        } catch (const std::system_error&) {
            break;
        }
    }
    std::lock_guard guard(lock_);
    pool_threads_ = static_cast<int32_t>(threads_.size());
}

JobApplyPool::~JobApplyPool()
{
    {
        std::lock_guard guard(lock_);
        ending_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

int32_t JobApplyPool::MachineThreads()
{
    unsigned count = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int32_t>(std::min(count, 1024u)), 2, kMaxThreads);
}

void JobApplyPool::Run(int32_t count, const Task& task, int32_t width)
{
    if (count <= 0)
        return;
    if (threads_.empty() || width == 1) {
        for (int32_t index = 0; index < count; ++index)
            task(index, 0);
        return;
    }
    {
        std::lock_guard guard(lock_);
        task_ = &task;
        count_ = count;
        width_ = width > 0 ? width : Threads();
        finished_ = 0;
        next_.store(0, std::memory_order_relaxed);
        ++round_;
    }
    wake_.notify_all();
    Drain(0, task, count);
    // Every thread of the pool takes part in every round and reports its end, so none can
    // still be taking indexes when the next round resets the counter.
    std::unique_lock guard(lock_);
    done_.wait(guard, [this] { return finished_ == pool_threads_; });
    task_ = nullptr;
}

void JobApplyPool::WorkerLoop(int32_t worker)
{
    uint64_t seen = 0;
    std::unique_lock guard(lock_);
    for (;;) {
        wake_.wait(guard, [&] { return ending_ || round_ != seen; });
        if (ending_)
            return;
        seen = round_;
        const Task& task = *task_;
        int32_t count = count_;
        // A worker beyond the round's width takes no index, but ends the round like the others.
        bool takes_part = worker < width_;
        guard.unlock();
        if (takes_part)
            Drain(worker, task, count);
        guard.lock();
        if (++finished_ == pool_threads_)
            done_.notify_one();
    }
}

void JobApplyPool::Drain(int32_t worker, const Task& task, int32_t count)
{
    for (int32_t index = next_.fetch_add(1, std::memory_order_relaxed); index < count;
         index = next_.fetch_add(1, std::memory_order_relaxed))
        task(index, worker);
}

} // namespace JobLayer
