#pragma once

// The worker threads of a parallel search and the window that puts their reports back in walk
// order. The walk (on the search's own thread) hands every step to the pool in the order it
// comes: folders entered and status entries, which need no worker, and files, opened already,
// which the workers take in the same order and search whole, each on its own JobFileSearch.
// Everything is reported to the handler and the status centre on the walk's thread only, in
// walk order, as a one-thread search reports it: a file's reports go out once every step before
// it has gone out, while the files after it are still being searched.
//
// Memory stays flat however slow one file is: the window holds at most kWindow steps (the walk
// waits when it is full), and a worker whose file has more than kHeldBytes of reports waiting
// pauses until its file is first in line, whose reports go out as they come.
//
// Stop: the walk's thread polls the handler; once it asks to stop, the workers end their files
// after the current block and take no more. What goes out is what a one-thread search stopped
// at the same block gives: everything up to and including the first file the stop cut short;
// the rest is dropped, and every worker has ended when Finish returns.

#include <engine/JobFileRecord.h>
#include <engine/JobFileSearch.h>
#include <engine/JobFindHandler.h>
#include <engine/JobStatusCentre.h>
#include <engine/JobStatusUnit.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace JobLayer {

class JobSearchPool : private JobFileRecord::Owner {
public:
    // Called on the walk's thread for every file whose reports have gone out, in walk order,
    // with what its search came to.
    using FileEnd = std::function<void(const RawString& path, JobFileSearch::Outcome& outcome)>;

    static constexpr size_t kWindow = 128;
    static constexpr int64_t kHeldBytes = 1024 * 1024;

    // Starts `threads` workers, each with a file search over `settings` and `limits` (whose stop
    // flag the pool sets to its own).
    JobSearchPool(int32_t threads, const JobFileSearch::Settings& settings, JobMatchLimits limits,
        JobFindHandler& handler, JobStatusCentre& status, FileEnd file_end);
    // Ends the workers without reporting what is left.
    ~JobSearchPool() override;
    JobSearchPool(const JobSearchPool&) = delete;
    JobSearchPool& operator=(const JobSearchPool&) = delete;

    // --- On the walk's thread -------------------------------------------------------------------
    void AddFolder(const RawString& folder, int32_t depth);
    void AddEntry(const JobStatusUnit& entry);
    // A file that passed the filters, open on `fd` (or not opened, with `open_error`).
    void AddFile(const RawString& path, int fd, int open_error);
    // Asks the handler; once it has said stop, the answer stays true.
    bool IsStopRequested();
    // Reports everything still in the window (what was searched, after a stop) and ends the
    // workers.
    void Finish();

private:
    struct Item {
        enum class Kind : uint8_t { Folder, Entry, File };
        explicit Item(Kind item_kind)
            : kind(item_kind)
        {
        }
        Kind kind;
        RawString path;
        int32_t depth = 0;
        JobStatusUnit entry;
        std::unique_ptr<JobFileRecord> record;
        enum class State : uint8_t { Queued, Running, Done } state = State::Queued;
        bool started = false; // FileStarted has gone out
    };

    void Add(std::unique_ptr<Item> item);
    // Reports what is ready at the front of the window; then, while it holds more than `limit`
    // items, waits for more to become ready. Called and returns with `lock` held.
    void Release(std::unique_lock<std::mutex>& lock, size_t limit);
    // Reports the front item as far as it is ready; true when it went out whole.
    bool ReleaseFront(std::unique_lock<std::mutex>& lock);
    // Reports the ready part of the file at the front.
    bool ReleaseFile(Item& item, std::unique_lock<std::mutex>& lock);
    void WorkerMain(size_t index);
    void ChunkFull(JobFileRecord& record) override;
    void StopWorkers();

    JobFindHandler& handler_;
    JobStatusCentre& status_;
    FileEnd file_end_;
    std::atomic<bool> stop_ { false };
    bool stop_seen_ = false;    // the walk's copy
    bool cut_released_ = false; // a file cut short by the stop went out: nothing follows it

    std::mutex lock_;
    std::condition_variable work_ready_;    // a file was queued, or the workers must end
    std::condition_variable release_ready_; // a file's reports grew or it ended
    std::condition_variable taken_;         // a file's published reports were taken
    std::deque<std::unique_ptr<Item>> window_;
    std::deque<Item*> queue_; // files no worker has begun, in walk order
    int32_t running_ = 0;     // files in a worker's hands
    bool ending_ = false;
    std::vector<std::unique_ptr<JobFileSearch>> searches_;
    std::vector<std::thread> workers_;
    std::vector<JobFileRecord::Step> steps_; // reused by Deliver
};

} // namespace JobLayer
