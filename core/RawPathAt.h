#pragma once

// A path handed to the system's *at calls as a folder descriptor and a name in that folder. A path
// within the system's length limit is used whole, relative to the current folder (AT_FDCWD); a
// longer one is opened folder by folder, each relative to the one before, so that no single call
// sees more than one name of it and a path of any length can be reached. The path's bytes are
// used as they are.

#include <core/RawFd.h>
#include <core/RawString.h>

#include <string>

namespace RawLayer {

class RawPathAt {
public:
    explicit RawPathAt(const RawString& path);

    // False when the folder part of a long path could not be opened, or the path cannot be
    // handed to the system at all (Error() tells why).
    bool IsValid() const { return valid_; }
    int Error() const { return error_; }

    int Folder() const { return folder_fd_; }
    const char* Name() const { return name_.c_str(); }

private:
    bool OpenFolders(std::string_view folder);

    std::string name_;
    int folder_fd_;
    RawFd owned_fd_; // the innermost folder of a long path, which folder_fd_ then names
    int error_ = 0;
    bool valid_ = false;
};

} // namespace RawLayer
