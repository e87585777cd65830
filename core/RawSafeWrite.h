#pragma once

// The one way this program writes a file. New content goes to a temporary file created
// exclusively beside the target; Commit gives it its permission bits (the target's, and owner and
// group where the process may set them), syncs it, puts it in place and syncs the folder. Until
// Commit succeeds the target is untouched, and the destructor removes the temporary file on every
// path that did not commit. A user's file is never taken as the temporary file, so it is never
// overwritten or deleted by mistake.
//
// Two kinds of write:
//   - Replace: the temporary file is renamed over the target. A symbolic link is written
//     through: the temporary file sits beside the link's final target and replaces that target,
//     so the link stays a link; a dangling link names the file to create. A target without the
//     user's write permission bit is read-only for every user, root included, and is refused.
//   - CreateNew: the target must not exist, and never comes to be overwritten: the temporary
//     file is moved into place only if nothing has appeared there meanwhile. The backup copies
//     are made this way.
//
// The temporary file is named after the target with ".tmp" appended, or, when a file of that
// name exists, a unique variant of it; when that name would be longer than a name may be, a
// short name made from a hash of the target's name (".qv" HASH ".tmp"). A temporary file of such
// a name, of mode 0600 and this user's, that is older than the file beside it, was left by a run
// that was cut off; with SetStaleCleanup the write removes it (the caller asks for that only
// while it holds the lock that keeps other runs of this program away).

#include <core/RawFd.h>
#include <core/RawFileIdentity.h>
#include <core/RawString.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

namespace RawLayer {

class RawSafeWrite {
public:
    enum class Kind : uint8_t { Replace, CreateNew };

    // The step that failed, for the caller's message.
    enum class Step : uint8_t {
        None,
        Path,       // the path cannot be given to the system
        Target,     // the target cannot be resolved, is not a regular file, is read-only, or exists
        CreateTemp, // no temporary file could be created beside the target
        Attributes, // permission bits could not be set
        Sync,       // the data could not be synced or closed
        Changed,    // the target is no longer the file the caller read (SetExpected)
        Rename,     // the temporary file could not be put in place of the target
        SyncFolder, // the folder could not be synced; the new content is in place already
    };

    explicit RawSafeWrite(const RawString& path, Kind kind = Kind::Replace);
    ~RawSafeWrite();
    RawSafeWrite(const RawSafeWrite&) = delete;
    RawSafeWrite& operator=(const RawSafeWrite&) = delete;

    // Resolves the target and creates the temporary file. False with FailedStep set.
    [[nodiscard]] bool Open();
    // The temporary file's descriptor for writing; -1 unless open.
    int Fd() const { return fd_.Get(); }
    // The temporary file's path (bytes); empty unless open.
    const std::string& TempPath() const { return temp_path_; }
    // The file that will be replaced: the path, or the final target of a link (bytes).
    const std::string& TargetPath() const { return target_path_; }
    // Whether the target existed when Open ran.
    bool TargetExisted() const { return target_existed_; }

    // Commit puts the new content in place only when the target (the final target of a link) is
    // still this file, unchanged; otherwise it fails with Step::Changed and removes the
    // temporary file.
    void SetExpected(const RawFileIdentity& identity) { expected_ = identity; }
    // The permission bits the written file gets; by default the target's, and for a new file
    // 0666 less the umask.
    void SetMode(mode_t mode) { mode_ = mode & 07777; }
    // Whether Open and Commit remove a stale temporary file of this target (see above).
    void SetStaleCleanup(bool cleanup) { stale_cleanup_ = cleanup; }
    // The stale temporary files removed so far (bytes).
    const std::vector<std::string>& RemovedStale() const { return removed_stale_; }

    // Puts the written content in place of the target: Seal, Place, then the folder sync. False
    // with FailedStep set; on any failure before Rename the target is untouched and the
    // temporary file is gone.
    [[nodiscard]] bool Commit();
    // Commit in two steps, for a caller that writes many files at once and syncs each folder
    // once for all of them (SyncFolderOf) after the last Place. Seal gives the temporary file
    // its permission bits, syncs and closes it; it may run on any thread, one write at a time.
    // Place checks the target (SetExpected), puts the sealed file in its place and leaves the
    // folder unsynced. On failure both leave the target untouched and remove the temporary file.
    [[nodiscard]] bool Seal();
    [[nodiscard]] bool Place();
    // The temporary file's status once sealed; after Place that of the file in the target's
    // place (a rename changes neither its inode nor its last-write time).
    const struct stat& SealedInfo() const { return sealed_info_; }
    // Closes and removes the temporary file; the target stays as it was.
    void Abandon();

    Step FailedStep() const { return failed_step_; }
    int Error() const { return error_; } // errno of the failed step; 0 for Changed
    // "rename: No such file or directory" and the like.
    std::string ErrorText() const;
    // What went wrong in the user's words: "No space left on device", "read-only file", ...
    std::string Reason() const;

    // Syncs the folder that holds `path` (the current folder for a bare name). The errno of the
    // failure, or 0; a file system that cannot sync a folder at all counts as success.
    static int SyncFolderOf(const std::string& path);
    // The first name tried for the temporary file of `target_path` (bytes).
    static std::string TempNameFor(const std::string& target_path);

private:
    bool Fail(Step step, int error);
    bool ResolveTarget();
    bool ResolveNew();
    bool CreateTemp();
    bool CopyAttributes();
    bool IsStillExpected();
    bool PutInPlace();
    void RemoveStaleTemp(const timespec& reference);

    std::string path_;
    Kind kind_;
    bool path_valid_ = false;
    std::string target_path_;
    std::string temp_path_;
    RawFd fd_;
    bool target_existed_ = false;
    bool read_only_ = false;
    mode_t target_mode_ = 0;
    uid_t target_uid_ = 0;
    gid_t target_gid_ = 0;
    timespec target_mtime_ {};
    struct stat sealed_info_ { };
    std::optional<RawFileIdentity> expected_;
    std::optional<mode_t> mode_;
    bool stale_cleanup_ = false;
    std::vector<std::string> removed_stale_;
    Step failed_step_ = Step::None;
    int error_ = 0;
};

} // namespace RawLayer
