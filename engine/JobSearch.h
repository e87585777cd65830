#pragma once

// The work of one whole search, free of any window or thread: announces the start, computes the
// block line count, hands every target to a JobFinder, and turns the finder's reports into result
// blocks in the shared JobResultSet and into notification codes for whoever shows them. The
// desktop program runs it on a background unit (GuiSearchJob); tests run it on their own thread.
//
// Locks, in this order only: the result set's lock, then the block list's lock, then a block's
// own lock (JobResultSet takes them). The parameters' lock and the status centre's locks are
// taken alone. Nothing here waits for the thread that receives the notifications.

#include <core/RawEncoding.h>
#include <core/RawString.h>
#include <engine/JobFinder.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <cstdint>
#include <functional>

namespace JobLayer {

class JobSearch : public JobFinder::Handler {
public:
    // Polled before each target, folder entry and block; true ends the search early.
    using StopCheck = std::function<bool()>;

    // `sink` receives the codes of the search; `line_limit` is the longest line accepted
    // ("MaxLineLength"); `threads` read and match the files (0: one per core, ThreadCount).
    // Every reference must outlive the search.
    JobSearch(JobParams& params, JobResultSet& results, JobStatusCentre& status, JobNotificationSink& sink,
        int32_t line_limit, int32_t threads = 0);

    // The thread body: flags STT, searches every target of the parameters, then adds "Search
    // finished." and flags FIN, also when `stop` ended the search early.
    void Run(const StopCheck& stop);

    // The part of a search that does not depend on where its results go, shared with every other
    // receiver of a finder's reports (the console front end): "Search started...", the line count
    // stored in `params`, target started and the finder's search for each target until `handler`
    // asks to stop, and "Search finished." (with BinarySkippedDetail as its detail).
    static void SearchTargets(JobFinder::Handler& handler, JobParams& params, JobStatusCentre& status,
        int32_t line_limit, int32_t threads = 0);

    // The threads a search uses: one per core, at least 2, or `configured` ("SearchThreads")
    // when that is lower and above 0.
    static int32_t ThreadCount(int32_t configured);

    // --- JobFinder::Handler ----------------------------------------------------------------------
    bool IsStopRequested() override;
    void BlockFound(const JobFoundBlock& block, const RawString& file_line_end, const JobHitMulti& hits,
        int32_t line_count) override;
    void FileFinished(const RawString& path, RawEncoding encoding) override;
    void TargetStarted(const RawString& target) override;
    void FolderEntered(const RawString& folder, int32_t depth) override;
    void FileStarted(const RawString& path) override;
    void BlockDone(int64_t index) override;
    void BlocksDone(int64_t first, int64_t count) override;
    void FileFailed(const RawString& path, uint32_t status_id) override;

    // The detail of the finish entry: "N binary files skipped" ("1 binary file skipped"), or
    // empty when the search read every file it chose.
    static RawString BinarySkippedDetail(int64_t count);

private:
    static void AddInformation(JobStatusCentre& status, const RawString& text);

    JobParams& params_;
    JobResultSet& results_;
    JobStatusCentre& status_;
    JobNotificationSink& sink_;
    int32_t line_limit_;
    int32_t threads_;
    const StopCheck* stop_ = nullptr; // set while Run runs
};

} // namespace JobLayer
