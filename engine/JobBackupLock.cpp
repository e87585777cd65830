#include <core/RawPath.h>
#include <core/RawSystemText.h>
#include <engine/JobBackupLock.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawFd;
using RawLayer::RawPath;
using RawLayer::RawSystemText;

JobBackupLock::Result JobBackupLock::Fail(int error)
{
    fd_.Reset();
    reason_ = error == ELOOP ? "a symbolic link" : std::error_code(error, std::generic_category()).message();
    return Result::Failed;
}

JobBackupLock::Result JobBackupLock::TryLock(const RawString& backup_folder)
{
    if (IsHeld())
        return Result::Held;
    reason_.clear();
    RawSystemText path(RawPath::Join(backup_folder, kFileName));
    if (backup_folder.IsEmpty() || !path.IsValid())
        return Fail(EINVAL);
    // No link and no pipe: the file is this program's, in a folder only the user may write.
    RawFd fd = RawFd::Open(path.CStr(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (!fd.IsOpen())
        return Fail(errno);
    struct stat info { };
    if (fstat(fd.Get(), &info) != 0)
        return Fail(errno);
    if (!S_ISREG(info.st_mode) || info.st_uid != geteuid())
        return Fail(EPERM);
    int locked;
    do
        locked = flock(fd.Get(), LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0)
        return errno == EWOULDBLOCK ? Result::Busy : Fail(errno);
    fd_ = std::move(fd);
    return Result::Held;
}

JobBackupLock::Result JobBackupLock::Acquire(
    const RawString& backup_folder, const std::function<bool()>& stop, const std::function<void()>& waiting)
{
    Result result = TryLock(backup_folder);
    if (result != Result::Busy)
        return result;
    if (waiting)
        waiting();
    // Polled rather than blocked in flock, so that a stop request is seen within a moment.
    for (;;) {
        if (stop && stop())
            return Result::Stopped;
        std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMilliseconds));
        result = TryLock(backup_folder);
        if (result != Result::Busy)
            return result;
    }
}

} // namespace JobLayer
