#pragma once

// One backed-up file of a backup set: where the file lives, the name of its copy inside the set
// folder, and its last-write time as the apply left it, which tells whether the file was changed
// again later. One thread at a time uses an item (the apply while it runs, then the dialog).

#include <core/RawParameterList.h>
#include <core/RawString.h>
#include <engine/JobUndoUnit.h>

#include <cstdint>
#include <string>
#include <vector>

namespace JobLayer {

class JobBackupItemUnit : public JobUndoUnit {
public:
    // The values stored as "InfoType"; an item may hold another value read from elsewhere.
    enum class Kind : int32_t {
        Save = 0,   // the file was changed; the copy holds its previous content
        Delete = 1, // the file was removed; the copy holds its content
        New = 2,    // the file did not exist before; there is no copy
    };
    // The row states of GetState.
    static constexpr int32_t kStateNoCopy = 0;
    static constexpr int32_t kStateOriginal = 4;
    static constexpr int32_t kStateApplied = 5;
    static constexpr int32_t kStateChangedLater = 6;

    JobBackupItemUnit() = default;
    JobBackupItemUnit(const JobBackupItemUnit&) = delete;
    JobBackupItemUnit& operator=(const JobBackupItemUnit&) = delete;

    // "Save", "Delete", "New"; empty for another value.
    static RawString KindName(Kind kind);
    // The kind of an "InfoType" text; anything unknown reads as Save.
    static Kind KindFromName(const RawString& name);

    Kind ItemKind() const { return kind_; }
    void SetKind(Kind kind);
    const RawString& Source() const { return source_; }
    void SetSource(const RawString& source);
    // The folder of the set the item belongs to (not stored in "Backup.ini").
    const RawString& Folder() const { return set_folder_; }
    void SetFolder(const RawString& set_folder);
    const RawString& BackupName() const { return backup_name_; }
    void SetBackupName(const RawString& backup_name);

    // The file's last-write time after the apply, 100-ns ticks since 1601 ("TimeH", "TimeL").
    uint32_t TimeLow() const { return time_low_; }
    uint32_t TimeHigh() const { return time_high_; }
    uint64_t Time() const { return (uint64_t { time_high_ } << 32) | time_low_; }
    void SetTime(uint64_t ticks);
    void SetTimeParts(uint32_t low, uint32_t high);

    // The device and inode of the file as the apply left it ("Device", "Inode"); records made
    // before these keys were added have none.
    bool HasIdentity() const { return has_identity_; }
    uint64_t Device() const { return device_; }
    uint64_t Inode() const { return inode_; }
    void SetIdentity(uint64_t device, uint64_t inode);

    // The set folder joined with the backup name, computed on first use. Empty when either is
    // empty, so an item of a set without a folder never names a file in the current folder.
    const RawString& BackupPath() const;

    // "Name" = "(for KIND) BACKUP-NAME", "Source" = the source path; built on first call.
    RawParameterList GetInfo() override;
    int32_t GetState() const override;
    JobUndoLink* GetLink() override { return nullptr; }
    // What one restore did: whether the file was put back, why not, and the stale temporary
    // files of earlier runs it removed beside it.
    struct RestoreOutcome {
        bool restored = false;
        std::string error;
        std::vector<std::string> removed_temps;
    };

    // "New": deletes the source, but only the very file the apply recorded (same device and
    // inode; a record without them deletes nothing). Otherwise puts the copy's content in place
    // of the source through a temporary file and a rename (a link at the source is written
    // through), with the copy's last-write time and permission bits. A source that is not an
    // absolute path is refused: resolving it against whatever the current folder is would
    // write somewhere else. The copy must be a regular file of the set folder, no link and no
    // pipe. `remove_stale_temp` lets the write remove a temporary file an earlier run left
    // beside the source (only while the caller holds the backup folder's lock).
    RestoreOutcome RestoreFile(bool remove_stale_temp);
    [[nodiscard]] bool Restore() override { return RestoreFile(false).restored; }
    RawString GetFolder() const override { return set_folder_; }

private:
    void Forget();

    Kind kind_ = Kind::Save;
    RawString source_;
    RawString set_folder_;
    RawString backup_name_;
    uint32_t time_low_ = 0;
    uint32_t time_high_ = 0;
    bool has_identity_ = false;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    mutable RawString backup_path_;
    mutable bool backup_path_made_ = false;
    RawParameterList detail_;
    bool detail_made_ = false;
};

} // namespace JobLayer
