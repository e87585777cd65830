#include <engine/JobExpressionUtility.h>
#include <engine/JobSearch.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace JobLayer {

JobSearch::JobSearch(JobParams& params, JobResultSet& results, JobStatusCentre& status,
    JobNotificationSink& sink, int32_t line_limit, int32_t threads)
    : params_(params)
    , results_(results)
    , status_(status)
    , sink_(sink)
    , line_limit_(line_limit)
    , threads_(threads)
{
}

void JobSearch::Run(const StopCheck& stop)
{
    stop_ = &stop;
    results_.SetFlags(JobResultSet::kStt);
    sink_.Post(JobNotificationSink::kSearchStarted);
    SearchTargets(*this, params_, status_, line_limit_, threads_);
    results_.SetFlags(JobResultSet::kFin);
    sink_.Post(JobNotificationSink::kSearchFinished);
    stop_ = nullptr;
}

void JobSearch::SearchTargets(JobFinder::Handler& handler, JobParams& params, JobStatusCentre& status,
    int32_t line_limit, int32_t threads)
{
    AddInformation(status, "Search started...");
    // The targets are copied under the lock so that the walk below holds no lock while it
    // searches; the finder reads the other fields without it (they do not change meanwhile).
    // They are made absolute here, once, from the current folder, so that every path the
    // search hands on (blocks, saved files, backup records) names the same file wherever it is
    // used later.
    std::vector<RawString> targets;
    {
        std::lock_guard guard(params.lock);
        params.line_count = JobExpressionUtility::BlockLineCount(params.expressions);
        params.MakeTargetsAbsolute();
        for (const RawString& target : params.targets)
            targets.push_back(target);
    }
    JobFinder finder(handler, params, status, line_limit, {}, ThreadCount(threads));
    for (const RawString& target : targets) {
        if (handler.IsStopRequested())
            break;
        handler.TargetStarted(target);
        finder.Search(target);
    }
    (void)status.AddEntry(JobStatusCentre::MakeEntry(
        JobStatusUnit::kInformation, "Search finished.", BinarySkippedDetail(finder.BinaryFilesSkipped())));
}

int32_t JobSearch::ThreadCount(int32_t configured)
{
    int32_t cores = std::max(static_cast<int32_t>(std::thread::hardware_concurrency()), 2);
    return configured > 0 ? std::min(configured, cores) : cores;
}

RawString JobSearch::BinarySkippedDetail(int64_t count)
{
    if (count == 0)
        return RawString();
    RawString detail = RawString::Number(count);
    detail.AppendUnits(count == 1 ? " binary file skipped" : " binary files skipped");
    return detail;
}

void JobSearch::AddInformation(JobStatusCentre& status, const RawString& text)
{
    (void)status.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, text, RawString()));
}

bool JobSearch::IsStopRequested()
{
    return stop_ != nullptr && *stop_ && (*stop_)();
}

void JobSearch::BlockFound(
    const JobFoundBlock& block, const RawString& file_line_end, const JobHitMulti& hits, int32_t line_count)
{
    (void)results_.AddFoundBlock(block, file_line_end, hits, line_count);
    sink_.Post(JobNotificationSink::kBlockAdded);
}

void JobSearch::FileFinished(const RawString& path, RawEncoding encoding)
{
    results_.SetFileEncoding(path, encoding);
    sink_.Post(JobNotificationSink::kFileFinished);
}

void JobSearch::TargetStarted(const RawString& target)
{
    results_.StartTarget(target);
    sink_.Post(JobNotificationSink::kFolderChanged);
}

void JobSearch::FolderEntered(const RawString& folder, int32_t depth)
{
    // Deeper folders change too fast to be read; the display stays on the target's own level.
    if (depth >= 2)
        return;
    results_.SetCurrentFolder(folder);
    sink_.Post(JobNotificationSink::kFolderChanged);
}

void JobSearch::FileStarted(const RawString& path)
{
    (void)path;
    results_.AddFileSearched();
    sink_.Post(JobNotificationSink::kFileCountChanged);
}

void JobSearch::BlockDone(int64_t index)
{
    (void)index;
    // One progress notification per 256 blocks keeps the window thread's queue short.
    if (results_.AdvanceBlockTick())
        sink_.Post(JobNotificationSink::kBlocksProcessed);
}

// The progress codes of the blocks one by one, counted at once.
void JobSearch::BlocksDone(int64_t first, int64_t count)
{
    (void)first;
    for (int64_t wraps = results_.AdvanceBlockTicks(count); wraps > 0; --wraps)
        sink_.Post(JobNotificationSink::kBlocksProcessed);
}

void JobSearch::FileFailed(const RawString& path, uint32_t status_id)
{
    (void)results_.MarkFileFailed(path, status_id);
    sink_.Post(JobNotificationSink::kBlocksFailed);
}

} // namespace JobLayer
