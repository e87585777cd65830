#include <core/RawFd.h>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace RawLayer {

RawFd RawFd::Open(const char* path, int flags, mode_t mode)
{
    return OpenAt(AT_FDCWD, path, flags, mode);
}

RawFd RawFd::OpenAt(int folder, const char* path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::openat(folder, path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return RawFd(fd);
}

void RawFd::Reset(int fd)
{
    // close(2) is async-signal-safe, so this may run in the crash handler; errno is kept for a
    // caller that is reporting an earlier failure.
    if (fd_ >= 0 && fd_ != fd) {
        int saved = errno;
        ::close(fd_);
        errno = saved;
    }
    fd_ = fd;
}

int RawFd::Close()
{
    if (fd_ < 0)
        return 0;
    // The descriptor is gone after close(2) whatever it returns; EINTR must not be retried.
    int result = ::close(Release());
    return result == 0 ? 0 : errno;
}

} // namespace RawLayer
