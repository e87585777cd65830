#pragma once

// The backup store: every backup set known to this process, sorted by folder once the loader
// has read them from disk, with sets made by apply runs appended. One store per process
// (Instance); tests build their own.
//
// Locks: `lock` guards the list structure, the backup folder, the days and the loaded flag.
// Sets are never removed while the process runs, so a set reference stays valid.

#include <core/RawListR.h>
#include <core/RawParameterList.h>
#include <core/RawString.h>
#include <engine/JobBackupLoader.h>
#include <engine/JobBackupUnit.h>
#include <engine/JobUndoLink.h>

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace JobLayer {

class JobBackupListAllocator : public RawListAllocator<JobBackupUnit> { };

class JobBackupList : public RawListR<JobBackupListAllocator, JobBackupUnit>, public JobUndoLink {
public:
    // The buffer of the backup copy.
    static constexpr int32_t kCopyBufferSize = 16384;

    JobBackupList();
    ~JobBackupList() override;
    JobBackupList(const JobBackupList&) = delete;
    JobBackupList& operator=(const JobBackupList&) = delete;

    static JobBackupList& Instance();

    // Sets the backup folder ("BackupFolder"; empty switches backups off) and the age limit in
    // days ("BackupDays"), then starts the loader. False when the loader could not start; the
    // store then counts as loaded, so WaitReady never hangs.
    bool StartLoader(const RawString& backup_folder, int32_t days);
    // Asks the loader to stop deleting and waits until it has ended.
    void StopLoader();
    JobBackupLoader& Loader() { return loader_; }

    RawString BackupFolder() const;
    int32_t Days() const;
    bool IsLoaded() const;

    // A new set for an apply run at `local_time`, appended under the lock. With a backup folder
    // its folder is that folder joined with 'YYYYMMDD_HHMMSS' and is created on disk (mode
    // 0700, missing parents too); when a folder of that name exists already (two runs in one
    // second), "_2", "_3", ... is added. Without a backup folder the set has no folder. A
    // folder that cannot be created is not reported here: the copies into it fail.
    JobBackupUnit& CreateSet(const RawParameterList& comment, const std::tm& local_time);

    // The sets now in the list, in list order, copied under the lock.
    std::vector<JobBackupUnit*> Sets() const;

    // The name for the copy of `file_path` in `set_folder`: its file name, or, while something
    // exists under that name, the previous candidate's stem, a two-digit attempt number and
    // its extension ('a.txt', 'a01.txt', 'a0102.txt', ...). Without a set folder the file name.
    static RawString BackupNameFor(const RawString& file_path, const RawString& set_folder);
    // The same, telling `on_candidate` every name the rule looks up in the set folder, so a
    // caller that names several copies before any is made can see which names a choice
    // depended on.
    static RawString BackupNameFor(const RawString& file_path, const RawString& set_folder,
        const std::function<void(std::string_view)>& on_candidate);
    // Copies the regular file `source` (links followed) to `destination`; see the overload.
    [[nodiscard]] static bool CopyToBackup(const RawString& source, const RawString& destination);
    // Who syncs the set folder after a copy is in place.
    enum class FolderSync : uint8_t {
        Now,      // the copy syncs it before it returns
        ByCaller, // the caller syncs it once after a group of copies (RawSafeWrite::SyncFolderOf)
    };
    // Copies the file open at `from_fd` (whose fstat is `from_info`) to `destination`, which
    // must not exist: it is created through a temporary file and moved into place only if
    // nothing has appeared there (RawSafeWrite::Kind::CreateNew), with the source's last-write
    // time and permission bits, synced, the folder too (see FolderSync), before success is
    // returned. On failure nothing is left at `destination`, and `reason` says why. Copies to
    // different destinations may run on several threads at once.
    [[nodiscard]] static bool CopyToBackup(int from_fd, const struct stat& from_info,
        const RawString& destination, std::string& reason, FolderSync sync = FolderSync::Now);
    // Keeps the file open at `from_fd` as its own backup at `destination` (which must not
    // exist): a second name of the file, in place of a copy, when the file has no other name and
    // the set folder is on its file system. The caller then replaces the file by a rename only,
    // never by writing into it, so that the backup keeps the content it had; the file's data
    // is synced first. Otherwise, and when the system refuses the name, a copy as CopyToBackup
    // makes it. The set folder is synced by the caller (FolderSync::ByCaller).
    [[nodiscard]] static bool LinkToBackup(
        int from_fd, const struct stat& from_info, const RawString& destination, std::string& reason);
    // Makes the backup at `destination` a file of its own when it is a second name of another
    // (LinkToBackup) whose file was not replaced after all: its content goes to a new file that
    // takes its place, so that later changes to the file do not reach the backup. True when the
    // backup is now a file of its own.
    static bool SeparateBackup(const RawString& destination);
    // Copies the content of `from_fd` from its start (by pread, so a reader's position is kept)
    // into `to_fd` through the 16 KiB buffer, then gives `to_fd` the access and last-write times
    // of `from_info` (the source's fstat). Exactly `from_info.st_size` bytes are copied: a file
    // that has grown or shrunk meanwhile fails ("changed while it was copied"), so the copy
    // never reads without end. `reason` says why it failed.
    [[nodiscard]] static bool CopyContent(
        int from_fd, int to_fd, const struct stat& from_info, std::string& reason);

    // Whether `folder` may hold backups: a folder (a link to one is followed when
    // `follow_link`), owned by the user who runs the program and not writable by group or
    // others. Anybody else who can write there could plant records that make a restore write
    // over or delete any file. When not, `reason` says why.
    static bool IsTrustedFolder(const RawString& folder, bool follow_link, std::string& reason);

    // What the loader could not use, one text each ("Backup record error (PATH: reason)" and
    // the like), copied under the lock.
    std::vector<std::string> Problems() const;

    bool IsFileLevel() const override { return false; }
    // Blocks until the loader has read the store.
    void WaitReady() override;
    std::vector<JobUndoUnit*> Units() override;

    mutable std::mutex lock;

private:
    friend class JobBackupLoader;
    bool HasFolder(const RawString& folder) const; // the caller holds the lock
    // Called by the loader. IsListed takes the lock. AddLoaded takes `set`, and drops it when a set of that
    // folder is listed already (an apply of this process made it while the loader read the folder).
    bool IsListed(const RawString& folder) const;
    bool AddLoaded(JobBackupUnit* set);
    void SortAndMarkLoaded();
    void MarkLoaded();
    void AddProblem(std::string problem);

    RawString backup_folder_;
    int32_t days_ = 30;
    bool loaded_ = false;
    bool loader_started_ = false;
    std::vector<std::string> problems_;
    std::condition_variable loaded_signal_;
    // Last, so the loader ends before anything it uses goes away.
    JobBackupLoader loader_;
};

} // namespace JobLayer
