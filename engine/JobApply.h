#pragma once

// The apply run: writes the previewed replacements of the checked blocks into their files, free
// of any window or thread. The desktop program runs it on a background unit (GuiApplyJob); the
// console front end and the tests call it directly.
//
// Each file with blocks to apply is read once and written once: its new content goes to a
// temporary file beside it (RawSafeWrite), which replaces the file only when the whole of it was
// written without error. Lines the run does not change are copied as the bytes that were read,
// with their own line ends. Before a file is touched the run checks that it is the file the
// search read: it still exists, has the same last-write time, the same encoding and mark, and
// the block's lines still read as the block's text. Every file is backed up into the run's
// backup set, and the set's "Backup.ini" is on disk, before the file is replaced, so that the
// change can be undone even after a crash; a file whose backup fails is not touched. A file that
// is replaced keeps its old content in its old inode, which the replace leaves untouched, so
// its backup is a second name of that inode (JobBackupList::LinkToBackup); a file with other
// names, one on another file system, and one that is not replaced after all get a copy.
//
// Just before a file is replaced it must still be the file that was read: the open file and the
// path both still show the device, inode, size and last-write time seen when it was opened
// ("Modified file" otherwise). A file reached again through another name (a symbolic link and
// its target in one tree) is rewritten once and the second name reported as done already.
//
// One run at a time per backup folder: the run holds the folder's lock (JobBackupLock) from
// before its set is made until its record is written; a second run waits for it, with an
// information entry saying so. A backup folder that is not the user's alone is not used at all
// (an error entry, and no file is touched). While it holds the lock, a run removes a temporary
// file that a run cut off earlier left beside a file it rewrites, and says so.
//
// A failure stays local to its file: the file keeps its content, every block of it applied in
// this run gets AFL and the id of the status entry that says why, and the run goes on with the
// next file. The run does not look at a stop request of its thread: once started it goes
// through all blocks. Only a stop check given with SetStopCheck (the console's signals) ends it
// early, and then only between two files, so that no file is left half done.
//
// Files are written a batch at a time (JobApplyBatch): the files of a batch are read and
// written to their temporary files on several threads at once (SetThreadCount); then the
// temporary files are synced and the files backed up, all syncs in flight together; then, on
// the run's own thread, the batch's backups are made to last with one sync of the set folder,
// their record is written and synced once, the files are renamed in list order, and each
// folder they are in is synced once.
// Status entries, block flags and notifications come from the run's own thread only, in the
// order and with the content that writing one file after the other gives: the result does not
// depend on the number of threads.
//
// Locks, in this order only: the result set's lock, then the block list's lock (both for each
// step through the list and while a block's status id is written), then a block's own lock. The
// parameters' lock, the status centre's locks, the backup store's lock and the lock of the
// run's threads (JobApplyPool) are taken alone.

#include <core/RawLineFile.h>
#include <core/RawString.h>
#include <engine/JobApplyBatch.h>
#include <engine/JobApplyFile.h>
#include <engine/JobApplyPool.h>
#include <engine/JobBackupList.h>
#include <engine/JobBackupLock.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace JobLayer {

class JobApply {
public:
    // `line_limit` is the longest line accepted ("MaxLineLength"). Every reference must outlive
    // the run.
    JobApply(const JobParams& params, JobResultSet& results, JobBackupList& store, JobStatusCentre& status,
        JobNotificationSink& sink, int32_t line_limit);
    JobApply(const JobApply&) = delete;
    JobApply& operator=(const JobApply&) = delete;

    // The thread body: posts kApplyStarted, adds "Apply started...", applies (ApplyBlocks), adds
    // "Apply finished." with the detail "Failed" when a file failed, posts kApplyFinished.
    // True when no file failed.
    bool Run();

    // The apply itself: a new backup set with the run's comment and time, every block that is
    // checked, not overlapping, previewed and not yet applied written into its file, and the
    // set's "Backup.ini" saved at the end whatever the outcome. True when no file failed.
    [[nodiscard]] bool ApplyBlocks();

    // Asked before each file is taken into a batch (and while waiting for the backup folder's
    // lock); when it answers true the run ends once the files taken so far are written, with the
    // entry "Apply stopped.".
    void SetStopCheck(std::function<bool()> stop) { stop_ = std::move(stop); }
    // The threads that prepare files, the run's own among them; 0 (the default) takes the
    // machine's count of hardware threads, at least 2. 1 does all on the run's thread; with
    // more, the syncs of a batch run on at least kSyncsInFlight threads.
    void SetThreadCount(int32_t threads) { threads_ = threads; }
    // Threads that wait for the disk take no processor time, and syncs that are in flight
    // together are served by few flushes of the disk's cache: the syncs of a batch are all
    // started at once, up to this many.
    static constexpr int32_t kSyncsInFlight = 32;
    // Whether the last run ended early by the stop check.
    bool WasStopped() const { return stopped_; }

    // The files the current (or last) run has begun writing; read from any thread while it runs.
    int32_t FilesBegun() const { return files_begun_.load(std::memory_order_relaxed); }

    // The set made by the last run; nullptr before the first.
    JobBackupUnit* LastSet() const { return last_set_; }

    // The comment of a backup set: "Search" and "Replace", the non-empty expressions and
    // replacement texts joined with ";", and "Time" as 'YYYY/MM/DD HH:MM:SS'. The caller holds
    // the parameters' lock.
    static RawParameterList MakeComment(const JobParams& params, const std::tm& local_time);

    // Whether apply writes `flags`' block: CHK and REP set, OVW and APL clear.
    static bool IsApplicable(uint16_t flags);

private:
    class BlockCursor;

    bool IsStopRequested() const { return stop_ && stop_(); }
    // Opens the backup folder for the run: made when missing, trusted, locked. False with an
    // error entry whose id is in `error_id`, or when stopped while waiting.
    bool OpenBackupFolder(JobBackupLock& lock, uint32_t& error_id);
    // Every block the run would have applied fails with the entry `error_id`.
    void FailAll(uint32_t error_id);
    // The record at the end of the run; a set that backed up nothing leaves no folder.
    void FinishSet(JobBackupUnit& set);
    // The next file with blocks to apply, its blocks marked APL, from the cursor's `block` on;
    // nullptr at the end of the list or when stopped.
    std::unique_ptr<JobApplyFile> NextFile(BlockCursor& cursor, JobBlockUnit*& block);
    // The reader and the writer of one thread of the run.
    struct Lines {
        RawLayer::RawLineFile reader;
        RawLayer::RawLineFile writer;
    };
    // Writes the batch's files (see above), `lines` holding each thread's own. True when none
    // failed.
    bool RunBatch(const JobApplyBatch& batch, JobApplyPool& pool,
        const std::vector<std::unique_ptr<Lines>>& lines, JobBackupUnit& set, bool holds_lock);
    // The items and the record of the batch's copies, synced before any file is replaced.
    void RecordBackups(const JobApplyBatch& batch, JobBackupUnit& set);

    const JobParams& params_;
    JobResultSet& results_;
    JobBackupList& store_;
    JobStatusCentre& status_;
    JobNotificationSink& sink_;
    int32_t line_limit_;
    std::function<bool()> stop_;
    int32_t threads_ = 0;
    bool stopped_ = false;
    JobApplyFile::Identities replaced_; // the files the current run has replaced
    std::atomic<int32_t> files_begun_ { 0 };
    JobBackupUnit* last_set_ = nullptr;
};

} // namespace JobLayer
