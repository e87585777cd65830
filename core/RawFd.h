#pragma once

// An open file descriptor with one owner: it is closed when its owner goes, on every path, so no
// caller writes close() by hand. Moving hands the descriptor on; copying is not possible.

#include <sys/types.h>

namespace RawLayer {

class RawFd {
public:
    RawFd() = default;
    explicit RawFd(int fd)
        : fd_(fd)
    {
    }
    ~RawFd() { Reset(); }
    RawFd(RawFd&& other) noexcept
        : fd_(other.Release())
    {
    }
    RawFd& operator=(RawFd&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    RawFd(const RawFd&) = delete;
    RawFd& operator=(const RawFd&) = delete;

    // open(2) and openat(2) with O_CLOEXEC added and EINTR retried; a closed RawFd on failure,
    // with errno as the call left it.
    static RawFd Open(const char* path, int flags, mode_t mode = 0);
    static RawFd OpenAt(int folder, const char* path, int flags, mode_t mode = 0);

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes the descriptor held (if any) and takes `fd`.
    void Reset(int fd = -1);
    // Closes now. The errno of a failed close (a delayed write error, for one), or 0.
    int Close();

private:
    int fd_ = -1;
};

} // namespace RawLayer
