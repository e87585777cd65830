#pragma once

// Opening a file the program reads for its own records (backup records and copies, result data
// files, profiles, the language file). Anybody may have put something else at such a path: a
// pipe, which would block the first read for ever; a link to a device such as /dev/urandom,
// which never ends; a link planted where the program itself only ever writes plain files. So
// the file is opened without blocking, without following a link where none is meant, checked
// to be a regular file before anything is read, and refused when it is larger than the bound.

#include <core/RawFd.h>
#include <core/RawString.h>

#include <cstdint>
#include <string>

#include <sys/stat.h>

namespace RawLayer {

class RawRecordFile {
public:
    enum class Links : uint8_t {
        Follow, // the user may have linked it (a profile kept elsewhere, a data file)
        Refuse, // the program made it itself, so a link there is not ours
    };
    enum class Failure : uint8_t { None, System, NotRegular, TooLarge };

    // The bound of the records the program writes itself.
    static constexpr int64_t kRecordLimit = int64_t { 64 } << 20;
    static constexpr int64_t kNoLimit = -1;

    // Opens `path` for reading. False with Failure and Reason set; nothing is read.
    [[nodiscard]] bool Open(const RawString& path, Links links, int64_t size_limit = kRecordLimit);

    RawFd& Fd() { return fd_; }
    // The file's status at the opening (fstat of the open file).
    const struct stat& Info() const { return info_; }
    Failure FailureKind() const { return failure_; }
    int Error() const { return error_; } // errno when FailureKind is System
    // "No such file or directory", "not a regular file", "larger than 64 MB"; empty when open.
    std::string Reason() const;

private:
    bool Fail(Failure failure, int error);

    RawFd fd_;
    struct stat info_ { };
    Failure failure_ = Failure::None;
    int error_ = 0;
    int64_t size_limit_ = kNoLimit;
    Links links_ = Links::Follow;
};

} // namespace RawLayer
