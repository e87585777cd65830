#include <core/RawRecordFile.h>
#include <core/RawSystemText.h>

#include <cerrno>
#include <system_error>

#include <fcntl.h>

namespace RawLayer {

bool RawRecordFile::Fail(Failure failure, int error)
{
    fd_.Reset();
    failure_ = failure;
    error_ = error;
    return false;
}

bool RawRecordFile::Open(const RawString& path, Links links, int64_t size_limit)
{
    size_limit_ = size_limit;
    links_ = links;
    failure_ = Failure::None;
    error_ = 0;
    RawSystemText name(path);
    if (path.IsEmpty() || !name.IsValid())
        return Fail(Failure::System, path.IsEmpty() ? ENOENT : EINVAL);
    // O_NONBLOCK makes opening a pipe without a writer return at once; on a regular file it
    // changes nothing.
    int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | (links == Links::Refuse ? O_NOFOLLOW : 0);
    fd_ = RawFd::Open(name.CStr(), flags);
    if (!fd_.IsOpen())
        return Fail(Failure::System, errno);
    if (fstat(fd_.Get(), &info_) != 0)
        return Fail(Failure::System, errno);
    if (!S_ISREG(info_.st_mode))
        return Fail(Failure::NotRegular, 0);
    if (size_limit >= 0 && info_.st_size > size_limit)
        return Fail(Failure::TooLarge, 0);
    return true;
}

std::string RawRecordFile::Reason() const
{
    switch (failure_) {
    case Failure::None:
        return std::string();
    case Failure::System:
        // O_NOFOLLOW reports a link as ELOOP, which would read as a loop of links.
        if (error_ == ELOOP && links_ == Links::Refuse)
            return "a symbolic link";
        return std::error_code(error_, std::generic_category()).message();
    case Failure::NotRegular:
        return "not a regular file";
    case Failure::TooLarge:
        return "larger than " + std::to_string(size_limit_ >> 20) + " MB";
    }
    return std::string();
}

} // namespace RawLayer
