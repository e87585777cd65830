#pragma once

// One apply (or restore) at a time per backup folder: an exclusive advisory lock (flock) on the
// file "Quelvane.lock" in the backup folder, held for the whole run. Two runs that each checked
// a file's time and then replaced it could otherwise both "succeed" on the same file, and the
// later would silently undo the earlier. The lock file stays when the run ends; removing it
// would let a third run lock a new file while the second still holds the old one. The lock goes
// with the descriptor, so a run that is killed never leaves the folder locked.

#include <core/RawFd.h>
#include <core/RawString.h>

#include <functional>
#include <string>

namespace JobLayer {

using RawLayer::RawString;

class JobBackupLock {
public:
    static constexpr char kFileName[] = "Quelvane.lock";
    // How long a waiting run sleeps between two tries, in milliseconds.
    static constexpr int kRetryMilliseconds = 100;

    enum class Result : uint8_t {
        Held,   // this object holds the lock
        Busy,   // another run holds it
        Failed, // the lock file cannot be used; Reason says why
        Stopped // Acquire was asked to stop while it waited
    };

    JobBackupLock() = default;
    JobBackupLock(const JobBackupLock&) = delete;
    JobBackupLock& operator=(const JobBackupLock&) = delete;

    // Tries once, without waiting.
    Result TryLock(const RawString& backup_folder);
    // Tries until the lock is had, `stop` answers true, or the lock file fails. `waiting` is
    // called once, when the first try finds the lock taken.
    Result Acquire(const RawString& backup_folder, const std::function<bool()>& stop,
        const std::function<void()>& waiting);

    bool IsHeld() const { return fd_.IsOpen(); }
    void Unlock() { fd_.Reset(); }
    const std::string& Reason() const { return reason_; }

private:
    Result Fail(int error);

    RawLayer::RawFd fd_;
    std::string reason_;
};

} // namespace JobLayer
