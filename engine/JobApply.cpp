// JobApply: sections
//   1. Helpers (the comment, stepping through the list)
//   2. Batches: taking files, writing them, their backups
//   3. The run

#include <core/RawPath.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobApply.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawLineFile;
using RawLayer::RawPath;
using RawLayer::RawSafeWrite;
using RawLayer::RawSystemText;

// --- 1. Helpers --------------------------------------------------------------------------------

namespace {

RawString JoinNonEmpty(const RawStringList& list)
{
    RawString joined;
    for (const RawString& text : list) {
        RawString piece;
        // A text that cannot be held in UTF-8 is left out, like an empty one.
        if (text.IsEmpty() || !piece.Acquire(text, RawEncoding::Utf8))
            continue;
        if (!joined.IsEmpty())
            joined.AppendUnits(";");
        joined.AppendUnits(piece.View());
    }
    return joined;
}

// The folder part of a path (bytes); empty for a bare name.
std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

// Steps through the block list, holding the locks for one step only, so that the window thread
// can read the list while files are written.
class JobApply::BlockCursor {
public:
    explicit BlockCursor(JobResultSet& results)
        : results_(results)
    {
    }
    // The next block, or nullptr after the last (not to be called again then).
    JobBlockUnit* Next()
    {
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        at_ = started_ ? std::next(at_) : results_.blocks.begin();
        started_ = true;
        return at_ == results_.blocks.end() ? nullptr : &*at_;
    }

private:
    JobResultSet& results_;
    JobBlockList::Iterator at_;
    bool started_ = false;
};

// --- 2. Batches --------------------------------------------------------------------------------

// The blocks of one file follow each other in the list; blocks that are not applied may lie
// between them. A stop is asked before a file is begun, so that no file is left half done.
std::unique_ptr<JobApplyFile> JobApply::NextFile(BlockCursor& cursor, JobBlockUnit*& block)
{
    while (block != nullptr && !IsApplicable(block->Flags()))
        block = cursor.Next();
    if (block == nullptr)
        return nullptr;
    if (IsStopRequested()) {
        stopped_ = true;
        return nullptr;
    }
    files_begun_.fetch_add(1, std::memory_order_relaxed);
    auto file = std::make_unique<JobApplyFile>(block->file_path);
    for (; block != nullptr; block = cursor.Next()) {
        if (!IsApplicable(block->Flags()))
            continue;
        if (!block->file_path.Equals(file->Path()))
            break;
        (void)block->ChangeFlags(JobBlockUnit::kApl | JobBlockUnit::kUpd, JobBlockUnit::kChk);
        file->AddBlock(*block);
    }
    return file;
}

// The batch's backups are in the set folder, their content synced; one sync of the folder makes
// their names last, and one write of the record names them all. A backup whose name or record
// could not be made to last fails its file, which is then not replaced.
void JobApply::RecordBackups(const JobApplyBatch& batch, JobBackupUnit& set)
{
    JobBackupItemList& items = set.Items();
    auto fail_copies = [&](std::string_view reason) {
        for (const auto& file : batch.Files()) {
            if (!file->HasCopy())
                continue;
            RawSystemText copy(file->CopyPath());
            unlink(copy.CStr());
            file->FailBackup(reason);
        }
    };
    bool copies = false;
    for (const auto& file : batch.Files())
        copies = copies || file->HasCopy();
    if (copies) {
        RawSystemText record(items.IniPath());
        if (int error = RawSafeWrite::SyncFolderOf(std::string(record.View())); error != 0)
            fail_copies(std::error_code(error, std::generic_category()).message());
    }
    int32_t added = 0;
    for (const auto& file : batch.Files()) {
        if (!file->WantsItem())
            continue;
        JobBackupItemUnit& item = items.AddItem();
        item.SetKind(JobBackupItemUnit::Kind::Save);
        item.SetSource(file->Source());
        item.SetBackupName(file->BackupName());
        file->SetItem(item);
        ++added;
    }
    if (!set.IsEnabled() || added == 0 || items.Save())
        return;
    for (; added > 0; --added)
        items.Remove(--items.end());
    fail_copies("the record cannot be written");
}

bool JobApply::RunBatch(const JobApplyBatch& batch, JobApplyPool& pool,
    const std::vector<std::unique_ptr<Lines>>& lines, JobBackupUnit& set, bool holds_lock)
{
    const auto& files = batch.Files();
    JobApplyFile::Context context;
    context.line_limit = line_limit_;
    context.backups = set.IsEnabled();
    context.stale_cleanup = holds_lock;
    context.set_folder = set.Items().Folder();
    context.replaced = &replaced_;
    auto count = static_cast<int32_t>(files.size());
    // Files next to each other in the list mostly share a folder, and files are created in a
    // folder one at a time: the threads start on parts of the batch far apart, so that they
    // mostly work in different folders. Task k takes file k / width of part k % width.
    auto width = static_cast<int32_t>(lines.size());
    int32_t part = (count + width - 1) / width;
    pool.Run(
        part * width,
        [&](int32_t task, int32_t worker) {
            int32_t index = task % width * part + task / width;
            Lines& own = *lines[static_cast<std::size_t>(worker)];
            if (index < count)
                files[static_cast<std::size_t>(index)]->Prepare(context, own.reader, own.writer);
        },
        width);
    // The syncs of the batch in flight together, so that the system can serve many with one
    // flush of the disk's cache.
    pool.Run(count, [&](int32_t index, int32_t) { files[static_cast<std::size_t>(index)]->Sync(context); });
    RecordBackups(batch, set);
    // One file of each folder names the folder to sync.
    std::map<std::string, std::string> folders;
    for (const auto& file : files) {
        file->Replace(replaced_);
        if (!file->ReplacedPath().empty())
            folders.try_emplace(FolderOf(file->ReplacedPath()), file->ReplacedPath());
    }
    // A folder that cannot be synced still holds the new files; see JobApplyFile::Replace.
    for (const auto& [folder, path] : folders)
        (void)RawSafeWrite::SyncFolderOf(path);
    bool ok = true;
    for (const auto& file : files)
        ok = file->Publish(status_, results_) && ok;
    return ok;
}

// --- 3. The run --------------------------------------------------------------------------------

JobApply::JobApply(const JobParams& params, JobResultSet& results, JobBackupList& store,
    JobStatusCentre& status, JobNotificationSink& sink, int32_t line_limit)
    : params_(params)
    , results_(results)
    , store_(store)
    , status_(status)
    , sink_(sink)
    , line_limit_(line_limit)
{
}

bool JobApply::Run()
{
    sink_.Post(JobNotificationSink::kApplyStarted);
    (void)status_.AddEntry(
        JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Apply started...", RawString()));
    bool ok = ApplyBlocks();
    (void)status_.AddEntry(JobStatusCentre::MakeEntry(
        JobStatusUnit::kInformation, "Apply finished.", ok ? RawString() : "Failed"));
    sink_.Post(JobNotificationSink::kApplyFinished);
    return ok;
}

bool JobApply::IsApplicable(uint16_t flags)
{
    return (flags & (JobBlockUnit::kChk | JobBlockUnit::kRep | JobBlockUnit::kOvw | JobBlockUnit::kApl))
        == (JobBlockUnit::kChk | JobBlockUnit::kRep);
}

RawParameterList JobApply::MakeComment(const JobParams& params, const std::tm& local_time)
{
    char time[128];
    std::snprintf(time, sizeof time, "%04d/%02d/%02d %02d:%02d:%02d", local_time.tm_year + 1900,
        local_time.tm_mon + 1, local_time.tm_mday, local_time.tm_hour, local_time.tm_min, local_time.tm_sec);
    RawParameterList comment;
    comment.Add("Search", JoinNonEmpty(params.expressions));
    comment.Add("Replace", JoinNonEmpty(params.replacements));
    comment.Add("Time", RawString(time, RawEncoding::Utf8));
    return comment;
}

bool JobApply::OpenBackupFolder(JobBackupLock& lock, uint32_t& error_id)
{
    RawString folder = store_.BackupFolder();
    auto report = [&](std::string_view reason) {
        JobStatusUnit entry = JobStatusCentre::MakeEntry(
            JobStatusUnit::kError, "Backup folder error", JobStatusCentre::PathWithReason(folder, reason));
        error_id = entry.id;
        (void)status_.AddEntry(entry);
        return false;
    };
    std::string reason;
    // A folder that cannot be made is reported by the check, which says what stands there.
    (void)RawPath::CreateFolders(folder, 0700);
    if (!JobBackupList::IsTrustedFolder(folder, true, reason))
        return report(reason);
    JobBackupLock::Result result = lock.Acquire(
        folder, [this] { return IsStopRequested(); },
        [&] {
            (void)status_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation,
                "Waiting for another apply to finish", RawPath::Join(folder, JobBackupLock::kFileName)));
        });
    if (result == JobBackupLock::Result::Stopped) {
        stopped_ = true;
        return false;
    }
    return result == JobBackupLock::Result::Held || report("lock: " + lock.Reason());
}

void JobApply::FailAll(uint32_t error_id)
{
    BlockCursor cursor(results_);
    while (JobBlockUnit* block = cursor.Next()) {
        if (!IsApplicable(block->Flags()))
            continue;
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        block->status_id = error_id;
        (void)block->ChangeFlags(
            JobBlockUnit::kApl | JobBlockUnit::kAfl | JobBlockUnit::kUpd, JobBlockUnit::kChk);
    }
}

void JobApply::FinishSet(JobBackupUnit& set)
{
    if (!set.IsEnabled())
        return;
    JobBackupItemList& items = set.Items();
    if (items.Count() == 0) {
        // Nothing to undo: no folder stays behind for it.
        RawSystemText ini(items.IniPath());
        RawSystemText folder(set.Folder());
        unlink(ini.CStr());
        rmdir(folder.CStr());
        return;
    }
    // The record gets the times of the replaced files. The files themselves are in place, so a
    // record that cannot be written is reported but fails no file.
    if (!items.Save())
        (void)status_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError, "Backup error",
            JobStatusCentre::PathWithReason(items.IniPath(), "the record cannot be written")));
}

bool JobApply::ApplyBlocks()
{
    stopped_ = false;
    files_begun_.store(0, std::memory_order_relaxed);
    std::time_t now = std::time(nullptr);
    std::tm local_time {};
    localtime_r(&now, &local_time);
    RawParameterList comment;
    {
        std::lock_guard guard(params_.lock);
        comment = MakeComment(params_, local_time);
    }
    JobBackupLock lock;
    uint32_t folder_error = 0;
    if (!store_.BackupFolder().IsEmpty() && !OpenBackupFolder(lock, folder_error)) {
        if (stopped_) {
            (void)status_.AddEntry(
                JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Apply stopped.", RawString()));
            return true;
        }
        FailAll(folder_error);
        return false;
    }
    JobBackupUnit& set = store_.CreateSet(comment, local_time);
    last_set_ = &set;

    // Files wait in `waiting` when a batch cannot take them; the next batch begins with them.
    int32_t threads = threads_ > 0 ? threads_ : JobApplyPool::MachineThreads();
    JobApplyPool pool(threads == 1 ? 1 : std::max(threads, kSyncsInFlight));
    std::vector<std::unique_ptr<Lines>> lines;
    for (int32_t worker = 0; worker < std::min(threads, pool.Threads()); ++worker)
        lines.push_back(std::make_unique<Lines>());
    replaced_.clear();
    JobApplyBatch batch(set.IsEnabled() ? set.Items().Folder() : RawString(), lock.IsHeld());
    BlockCursor cursor(results_);
    JobBlockUnit* block = cursor.Next();
    std::unique_ptr<JobApplyFile> waiting;
    bool ok = true;
    for (;;) {
        for (;;) {
            if (!waiting && !stopped_)
                waiting = NextFile(cursor, block);
            if (!waiting || !batch.Take(waiting))
                break;
        }
        if (batch.IsEmpty())
            break;
        ok = RunBatch(batch, pool, lines, set, lock.IsHeld()) && ok;
        batch.Clear();
    }
    FinishSet(set);
    if (stopped_)
        (void)status_.AddEntry(
            JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Apply stopped.", RawString()));
    return ok;
}

} // namespace JobLayer
