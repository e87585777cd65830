#pragma once

// The one way this program replaces a file. New content goes to a temporary file created
// exclusively beside the target; Commit gives it the target's permission bits (and owner and
// group where the process may set them), syncs it, renames it over the target and syncs the
// folder. Until Commit succeeds the target is untouched, and the destructor removes the
// temporary file on every path that did not commit. A user's file is never taken as the
// temporary file, so it is never overwritten or deleted by mistake.
//
// A symbolic link is written through: the temporary file sits beside the link's final target
// and replaces that target, so the link stays a link. A dangling link is written through too:
// the file it names is created, which is what writing to the link's path means.

#include <core/RawString.h>

#include <cstdint>
#include <string>

#include <sys/types.h>

namespace RawLayer {

class RawSafeWrite {
public:
    // The step that failed, for the caller's message.
    enum class Step : uint8_t {
        None,
        Path,       // the path cannot be given to the system
        Target,     // the target cannot be resolved, is not a regular file, or is read-only
        CreateTemp, // no temporary file could be created beside the target
        Attributes, // permission bits could not be set
        Sync,       // the data could not be synced or closed
        Rename,     // the temporary file could not replace the target
        SyncFolder, // the folder could not be synced; the new content is in place already
    };

    explicit RawSafeWrite(const RawString& path);
    ~RawSafeWrite();
    RawSafeWrite(const RawSafeWrite&) = delete;
    RawSafeWrite& operator=(const RawSafeWrite&) = delete;

    // Resolves the target and creates the temporary file. False with FailedStep set.
    [[nodiscard]] bool Open();
    // The temporary file's descriptor for writing; -1 unless open.
    int Fd() const { return fd_; }
    // The temporary file's path (bytes); empty unless open.
    const std::string& TempPath() const { return temp_path_; }
    // The file that will be replaced: the path, or the final target of a link (bytes).
    const std::string& TargetPath() const { return target_path_; }
    // Whether the target existed when Open ran.
    bool TargetExisted() const { return target_existed_; }

    // Puts the written content in place of the target. False with FailedStep set; on any
    // failure before Rename the target is untouched and the temporary file is gone.
    [[nodiscard]] bool Commit();
    // Closes and removes the temporary file; the target stays as it was.
    void Abandon();

    Step FailedStep() const { return failed_step_; }
    int Error() const { return error_; } // errno of the failed step
    // "rename: No such file or directory" and the like.
    std::string ErrorText() const;

private:
    bool Fail(Step step, int error);
    bool ResolveTarget();
    bool CreateTemp();
    bool CopyAttributes();
    bool SyncFolder();

    std::string path_;
    bool path_valid_ = false;
    std::string target_path_;
    std::string temp_path_;
    int fd_ = -1;
    bool target_existed_ = false;
    mode_t target_mode_ = 0;
    uid_t target_uid_ = 0;
    gid_t target_gid_ = 0;
    Step failed_step_ = Step::None;
    int error_ = 0;
};

} // namespace RawLayer
