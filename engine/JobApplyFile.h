#pragma once

// One file of an apply run, from the check that it is still the file the search read to its
// replacement. The steps are split by the thread they run on:
//   - on any thread of the run, files in any order: Prepare checks and opens the file and
//     writes its new content to a temporary file beside it; Sync, once the batch is prepared,
//     syncs that file and backs the file up into the set (under the name the run chose
//     beforehand), so the syncs of a batch are in flight together;
//   - on the run's own thread, in the order of the list: SetItem (the backup item), Replace (the
//     rename) and Publish (the status entries and the failed blocks' flags).
// Until Publish a file touches nothing shared: its status entries wait in the file, so they
// reach the status centre in the order a run of one file after the other gives them.
//
// A failure stays local to the file: its first error entry is the one all its blocks point at,
// and later steps do nothing once the file has failed.

#include <core/RawFd.h>
#include <core/RawLineFile.h>
#include <core/RawSafeWrite.h>
#include <core/RawString.h>
#include <engine/JobBackupItemUnit.h>
#include <engine/JobBlockUnit.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace JobLayer {

using RawLayer::RawLineFile;

class JobApplyFile {
public:
    // The files a run has replaced, by device and inode.
    using Identities = std::set<std::pair<dev_t, ino_t>>;

    // What Prepare needs of the run, the same for every file; it must not change while files
    // are prepared.
    struct Context {
        int32_t line_limit = 0;
        bool backups = false;       // copies are made and recorded (the set is enabled)
        bool stale_cleanup = false; // the run holds the backup folder's lock
        RawString set_folder;
        const Identities* replaced = nullptr;
    };

    explicit JobApplyFile(const RawString& path);
    JobApplyFile(const JobApplyFile&) = delete;
    JobApplyFile& operator=(const JobApplyFile&) = delete;

    const RawString& Path() const { return path_; }
    // The blocks of the file that this run applies, in list order.
    void AddBlock(JobBlockUnit& block) { blocks_.push_back(&block); }

    // The absolute path the backup record names and the name of the copy in the set folder.
    void SetBackupName(const RawString& source, const RawString& name);
    const RawString& Source() const { return source_; }
    const RawString& BackupName() const { return backup_name_; }

    // Everything up to the syncs; see above. `reader` and `writer` are the calling thread's
    // own, closed again when it returns.
    void Prepare(const Context& context, RawLineFile& reader, RawLineFile& writer);
    // Syncs the temporary file and makes the backup, after Prepare, on any thread.
    void Sync(const Context& context);

    // Whether the file got as far as its backup (with backups off, as far as it would have):
    // the run adds its item to the set.
    bool WantsItem() const { return wants_item_; }
    // Whether a backup stands in the set folder for this file.
    bool HasCopy() const { return has_copy_; }
    const RawString& CopyPath() const { return copy_path_; }
    // The run gives the item it added for the file; Replace stores the file's new time in it.
    void SetItem(JobBackupItemUnit& item) { item_ = &item; }
    // The backup or its record could not be made to last: the file fails with "Backup error"
    // and `reason`, as it would have before any of its blocks was written, and is not
    // replaced. The caller removes the backup and the item.
    void FailBackup(std::string_view reason);

    // Puts the sealed temporary file in place of the file and records the file's new identity
    // in `replaced` and in the item. The folder is left for the caller to sync.
    void Replace(Identities& replaced);
    // The file that was replaced (the final target of a link, as bytes); empty unless Replace
    // succeeded.
    const std::string& ReplacedPath() const { return replaced_path_; }

    // Adds the file's status entries to `status`, with ids drawn now so that ids rise in the
    // order entries are added, and gives every block of a failed file AFL and the id of its
    // error entry. True when the file did not fail.
    bool Publish(JobStatusCentre& status, JobResultSet& results);

private:
    bool CheckFile(const Identities& replaced);
    bool OpenReader(const Context& context, RawLineFile& reader);
    bool OpenWriter(const Context& context, RawLineFile& writer);
    bool CanBackUp(const Context& context);
    // Makes the backup: a second name of the file when it is `replacing`, else a copy.
    void BackUp(const Context& context, bool replacing);
    bool CopyLinesBefore(const JobBlockUnit& block, RawLineFile& reader, RawLineFile& writer);
    bool CheckBlockLines(const JobBlockUnit& block, RawLineFile& reader);
    bool WriteReplacement(const JobBlockUnit& block, RawLineFile& writer);
    bool CopyRest(RawLineFile& reader, RawLineFile& writer);
    bool CheckStillRead(const RawLineFile& reader);
    bool Seal();

    void KeepRemovedTemps();
    // Keeps an error entry and its id for the file's blocks; always false.
    bool Report(const JobStatusUnit& entry);
    bool Report(const RawString& text, std::string_view reason = {});
    bool ReportReader(const RawLineFile& reader);
    bool ReportWriter(const RawLineFile& writer, const JobBlockUnit* block = nullptr);
    void MarkFailed(JobResultSet& results);

    RawString path_;
    std::vector<JobBlockUnit*> blocks_;
    RawString source_;
    RawString backup_name_;
    RawString copy_path_;                // the backup in the set folder, once made
    std::vector<JobStatusUnit> entries_; // waiting for Publish
    uint32_t error_id_ = 0;              // the entry that made the file fail; 0 while it is fine
    bool done_before_ = false;           // replaced already by this run under another name
    bool wants_item_ = false;
    bool has_copy_ = false;
    std::size_t entries_at_backup_ = 0; // the entries the file had made when it was backed up
    struct stat read_info_ { };
    RawLayer::RawFd original_; // the file as it was read, from Prepare to its backup
    std::unique_ptr<RawLayer::RawSafeWrite> safe_;
    std::size_t temps_kept_ = 0; // removed stale temporary files already in `entries_`
    JobBackupItemUnit* item_ = nullptr;
    std::string replaced_path_;
    RawString line_;
    std::string raw_; // the bytes of the block's lines
};

} // namespace JobLayer
