#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawLayer {

namespace {

// Links are followed this many times before the target counts as a loop (the kernel's limit).
constexpr int kMaxLinkHops = 40;
// Unique temporary names tried after "path.tmp" before giving up.
constexpr int kMaxTempAttempts = 100;

// The folder part of a path with its trailing "/", or "" for a bare name.
std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReadLink(const std::string& path, std::string& target)
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The process's umask, read without changing it: umask(2) can only be read by setting it,
// which would race with other threads creating files.
mode_t CurrentUmask()
{
    mode_t mask = 022;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned value = 0;
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value & 0777);
                break;
            }
        }
        std::fclose(status);
    }
    return mask;
}

std::string_view StepName(RawSafeWrite::Step step)
{
    switch (step) {
    case RawSafeWrite::Step::None:
        return "none";
    case RawSafeWrite::Step::Path:
        return "path";
    case RawSafeWrite::Step::Target:
        return "target";
    case RawSafeWrite::Step::CreateTemp:
        return "create temporary file";
    case RawSafeWrite::Step::Attributes:
        return "set permissions";
    case RawSafeWrite::Step::Sync:
        return "sync";
    case RawSafeWrite::Step::Rename:
        return "rename";
    case RawSafeWrite::Step::SyncFolder:
        return "sync folder";
    }
    return "unknown";
}

} // namespace

RawSafeWrite::RawSafeWrite(const RawString& path)
{
    RawSystemText text(path);
    path_valid_ = text.IsValid();
    path_ = text.View();
}

RawSafeWrite::~RawSafeWrite()
{
    Abandon();
}

bool RawSafeWrite::Fail(Step step, int error)
{
    failed_step_ = step;
    error_ = error;
    return false;
}

bool RawSafeWrite::Open()
{
    if (fd_ >= 0 || !temp_path_.empty())
        return Fail(Step::CreateTemp, EBUSY);
    failed_step_ = Step::None;
    error_ = 0;
    if (!path_valid_ || path_.empty())
        return Fail(Step::Path, EINVAL);
    if (path_.back() == '/')
        return Fail(Step::Target, EISDIR);
    return ResolveTarget() && CreateTemp();
}

bool RawSafeWrite::ResolveTarget()
{
    std::string current = path_;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info { };
        if (lstat(current.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return Fail(Step::Target, errno);
            target_path_ = current;
            target_existed_ = false;
            return true;
        }
        if (S_ISLNK(info.st_mode)) {
            std::string link;
            if (!ReadLink(current, link))
                return Fail(Step::Target, errno);
            current = !link.empty() && link.front() == '/' ? link : FolderOf(current) + link;
            continue;
        }
        if (!S_ISREG(info.st_mode))
            return Fail(Step::Target, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        // A file the user may not write stays as it is, although the folder would allow
        // replacing it.
        if (faccessat(AT_FDCWD, current.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(Step::Target, errno);
        target_path_ = current;
        target_existed_ = true;
        target_mode_ = info.st_mode & 07777;
        target_uid_ = info.st_uid;
        target_gid_ = info.st_gid;
        return true;
    }
    return Fail(Step::Target, ELOOP);
}

bool RawSafeWrite::CreateTemp()
{
    static std::atomic<unsigned> counter { 0 };
    std::string candidate = target_path_ + ".tmp";
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
        // O_EXCL also refuses a symbolic link standing at the name, dangling or not.
        int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            fd_ = fd;
            temp_path_ = candidate;
            return true;
        }
        if (errno != EEXIST)
            return Fail(Step::CreateTemp, errno);
        candidate = target_path_ + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++counter);
    }
    return Fail(Step::CreateTemp, EEXIST);
}

bool RawSafeWrite::CopyAttributes()
{
    mode_t mode = 0666 & ~CurrentUmask();
    if (target_existed_) {
        mode = target_mode_;
        // Only a privileged process may give a file away; anyone else keeps their own ids.
        if (fchown(fd_, target_uid_, target_gid_) != 0 && errno != EPERM)
            return Fail(Step::Attributes, errno);
    }
    if (fchmod(fd_, mode) != 0)
        return Fail(Step::Attributes, errno);
    return true;
}

bool RawSafeWrite::Commit()
{
    if (fd_ < 0)
        return Fail(Step::Sync, EBADF);
    if (!CopyAttributes()) {
        Abandon();
        return false;
    }
    if (fsync(fd_) != 0) {
        int error = errno;
        Abandon();
        return Fail(Step::Sync, error);
    }
    int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        int error = errno;
        Abandon();
        return Fail(Step::Sync, error);
    }
    if (rename(temp_path_.c_str(), target_path_.c_str()) != 0) {
        int error = errno;
        Abandon();
        return Fail(Step::Rename, error);
    }
    temp_path_.clear();
    return SyncFolder();
}

bool RawSafeWrite::SyncFolder()
{
    std::string folder = FolderOf(target_path_);
    if (folder.empty())
        folder = ".";
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Fail(Step::SyncFolder, errno);
    int error = fsync(fd) != 0 ? errno : 0;
    close(fd);
    // Some file systems cannot sync a folder at all; that is no failure of this write.
    if (error != 0 && error != EINVAL && error != ENOTSUP)
        return Fail(Step::SyncFolder, error);
    return true;
}

void RawSafeWrite::Abandon()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temp_path_.empty()) {
        unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

std::string RawSafeWrite::ErrorText() const
{
    if (failed_step_ == Step::None)
        return std::string();
    return std::string(StepName(failed_step_)) + ": "
        + std::error_code(error_, std::generic_category()).message();
}

} // namespace RawLayer
