#pragma once

// The reports of one file searched on a worker thread, kept until the search's own thread hands
// them on in walk order. The worker's file search reports into the record as into any handler;
// the record keeps each hit with its block and folds runs of blocks done into one step, so that
// a file of a million lines without a hit costs one step. The worker's steps are handed over in
// parts: when they grow past a chunk the record tells its owner, which publishes them under its
// own lock (Publish) for the taker (TakeSteps), so a file with many hits need not be held whole.

#include <core/RawString.h>
#include <engine/JobFileSearch.h>
#include <engine/JobFindHandler.h>

#include <atomic>
#include <cstdint>
#include <variant>
#include <vector>

namespace JobLayer {

class JobFileRecord : public JobFindHandler {
public:
    struct Found {
        JobFoundBlock block;
        RawString file_line_end;
        JobHitMulti hits;
        int32_t line_count = 1;
    };
    // BlockDone for `count` blocks from index `first` on, one after the other.
    struct Done {
        int64_t first = 0;
        int64_t count = 0;
    };
    using Step = std::variant<Found, Done>;

    // Told on the worker when the steps recorded since the last Publish pass kChunkBytes.
    class Owner {
    public:
        virtual ~Owner() = default;
        virtual void ChunkFull(JobFileRecord& record) = 0;
    };
    static constexpr int64_t kChunkBytes = 64 * 1024;

    // The file `path`, open on `fd` (or not opened, with `open_error`); `stop` is polled before
    // each block.
    JobFileRecord(const RawString& path, int fd, int open_error, const std::atomic<bool>& stop, Owner& owner);
    ~JobFileRecord() override;
    JobFileRecord(const JobFileRecord&) = delete;
    JobFileRecord& operator=(const JobFileRecord&) = delete;

    const RawString& Path() const { return path_; }

    // --- On the worker --------------------------------------------------------------------------
    // Searches the file with `search`; the descriptor passes to it.
    void Search(JobFileSearch& search);
    bool IsStopRequested() override { return stop_.load(std::memory_order_relaxed); }
    void BlockFound(const JobFoundBlock& block, const RawString& file_line_end, const JobHitMulti& hits,
        int32_t line_count) override;
    void BlockDone(int64_t index) override;
    void BlocksDone(int64_t first, int64_t count) override;

    // --- Under the owner's lock -----------------------------------------------------------------
    // Moves the worker's steps behind the published ones (called by the worker).
    void Publish();
    // Moves the published steps into `steps`, in order.
    void TakeSteps(std::vector<Step>& steps);
    // The bytes the published steps not yet taken hold, roughly.
    int64_t PublishedBytes() const { return published_bytes_; }

    // Reports `steps` to `handler`.
    static void Deliver(const std::vector<Step>& steps, JobFindHandler& handler);
    // After Search: what the file came to, and whether a stop may have cut it short.
    JobFileSearch::Outcome& Outcome() { return outcome_; }
    bool WasCut() const { return cut_; }

private:
    void AddDone(int64_t first, int64_t count);

    RawString path_;
    int fd_;
    int open_error_;
    const std::atomic<bool>& stop_;
    Owner& owner_;
    std::vector<Step> steps_; // the worker's
    int64_t held_bytes_ = 0;
    std::vector<Step> published_;
    int64_t published_bytes_ = 0;
    JobFileSearch::Outcome outcome_;
    bool cut_ = false;
};

} // namespace JobLayer
