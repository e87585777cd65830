#pragma once

// Which file a path or a descriptor stood for, and in which state: device and inode name the
// file, size and last-write time tell whether its content may have changed. A writer keeps the
// identity of what it read and compares it again just before it replaces the file.

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

namespace RawLayer {

struct RawFileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec mtime {};

    static RawFileIdentity Of(const struct stat& info)
    {
        return { info.st_dev, info.st_ino, info.st_size, info.st_mtim };
    }
    bool SameFile(const RawFileIdentity& other) const
    {
        return device == other.device && inode == other.inode;
    }
    // The same file, unchanged as far as size and time can tell.
    bool operator==(const RawFileIdentity& other) const
    {
        return SameFile(other) && size == other.size && mtime.tv_sec == other.mtime.tv_sec
            && mtime.tv_nsec == other.mtime.tv_nsec;
    }
};

} // namespace RawLayer
