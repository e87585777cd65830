#pragma once

// The threads of one apply run: a fixed number of workers, the calling thread among them, that
// run one task over a range of indexes and return when every index has run. The run hands each
// task only its own file; the workers share nothing else, so a task needs no lock of its own.
//
// Locks: `lock_` guards the round (its task, its count, the threads that have ended it). The
// indexes are handed out by an atomic counter, so a worker takes no lock between tasks.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace JobLayer {

class JobApplyPool {
public:
    // The task of a round: the index to run and the worker (0 is the calling thread) running it.
    using Task = std::function<void(int32_t index, int32_t worker)>;

    // `threads` workers in all, at least 1: the calling thread and `threads` - 1 threads of the
    // pool, started here. A pool of 1 runs every task on the calling thread.
    explicit JobApplyPool(int32_t threads);
    // Ends the threads once they are idle.
    ~JobApplyPool();
    JobApplyPool(const JobApplyPool&) = delete;
    JobApplyPool& operator=(const JobApplyPool&) = delete;

    int32_t Threads() const { return static_cast<int32_t>(threads_.size()) + 1; }

    // Runs `task` for every index of [0, count) on the first `width` workers (all when 0) and
    // returns when all have run. One round at a time: only the thread that made the pool calls
    // it.
    void Run(int32_t count, const Task& task, int32_t width = 0);

    // The machine's count of hardware threads, at least 2 (a count the system does not know
    // counts as 2).
    static int32_t MachineThreads();

private:
    void WorkerLoop(int32_t worker);
    // Runs `task` for indexes of the current round until none is left.
    void Drain(int32_t worker, const Task& task, int32_t count);

    std::vector<std::thread> threads_;
    std::mutex lock_;
    std::condition_variable wake_; // a new round, or the end
    std::condition_variable done_; // every thread of the pool has ended the round
    int32_t pool_threads_ = 0;     // the threads started, without the caller
    const Task* task_ = nullptr;
    int32_t count_ = 0;
    int32_t width_ = 0;
    int32_t finished_ = 0; // threads of the pool that have ended the current round
    uint64_t round_ = 0;
    bool ending_ = false;
    std::atomic<int32_t> next_ { 0 }; // the next index to hand out
};

} // namespace JobLayer
