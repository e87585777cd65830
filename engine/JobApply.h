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
// the block's lines still read as the block's text. Every file is copied into the run's backup
// set, and the set's "Backup.ini" is on disk, before the file is replaced, so that the change
// can be undone even after a crash; a file whose backup fails is not touched.
//
// A failure stays local to its file: the file keeps its content, every block of it applied in
// this run gets AFL and the id of the status entry that says why, and the run goes on with the
// next file. The run does not look at a stop request: once started it goes through all blocks.
//
// Locks, in this order only: the result set's lock, then the block list's lock (both for each
// step through the list and while a block's status id is written), then a block's own lock. The
// parameters' lock, the status centre's locks and the backup store's lock are taken alone.

#include <core/RawString.h>
#include <engine/JobBackupList.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <cstdint>
#include <ctime>

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

    // The set made by the last run; nullptr before the first.
    JobBackupUnit* LastSet() const { return last_set_; }

    // The comment of a backup set: "Search" and "Replace", the non-empty expressions and
    // replacement texts joined with ";", and "Time" as 'YYYY/MM/DD HH:MM:SS'. The caller holds
    // the parameters' lock.
    static RawParameterList MakeComment(const JobParams& params, const std::tm& local_time);

    // Whether apply writes `flags`' block: CHK and REP set, OVW and APL clear.
    static bool IsApplicable(uint16_t flags);

private:
    class FileRun;

    const JobParams& params_;
    JobResultSet& results_;
    JobBackupList& store_;
    JobStatusCentre& status_;
    JobNotificationSink& sink_;
    int32_t line_limit_;
    JobBackupUnit* last_set_ = nullptr;
};

} // namespace JobLayer
