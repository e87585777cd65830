// RawSafeWrite: sections
//   1. Helpers (links, the umask, temporary names)
//   2. Opening: the target and the temporary file
//   3. Committing, abandoning, stale temporary files
//   4. Errors and the folder sync

#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawLayer {

// --- 1. Helpers --------------------------------------------------------------------------------

namespace {

// Links are followed this many times before the target counts as a loop (the kernel's limit).
constexpr int kMaxLinkHops = 40;
// Unique temporary names tried after the first before giving up.
constexpr int kMaxTempAttempts = 100;
// The longest file name (not path) the file systems in use take.
constexpr std::size_t kMaxName = 255;

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

// The short temporary name of a target whose own name is too long to take ".tmp": 64 bits of
// the FNV-1a hash of the name, so a later run finds the same name for the same file.
std::string ShortTempName(std::string_view name)
{
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    char text[32];
    std::snprintf(text, sizeof text, ".qv%016llx.tmp", static_cast<unsigned long long>(hash));
    return text;
}

bool IsOlder(const timespec& time, const timespec& than)
{
    return time.tv_sec < than.tv_sec || (time.tv_sec == than.tv_sec && time.tv_nsec < than.tv_nsec);
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
    case RawSafeWrite::Step::Changed:
        return "check";
    case RawSafeWrite::Step::Rename:
        return "rename";
    case RawSafeWrite::Step::SyncFolder:
        return "sync folder";
    }
    return "unknown";
}

} // namespace

std::string RawSafeWrite::TempNameFor(const std::string& target_path)
{
    std::string folder = FolderOf(target_path);
    std::string_view name = std::string_view(target_path).substr(folder.size());
    if (name.size() + 4 > kMaxName)
        return folder + ShortTempName(name);
    return target_path + ".tmp";
}

// --- 2. Opening --------------------------------------------------------------------------------

RawSafeWrite::RawSafeWrite(const RawString& path, Kind kind)
    : kind_(kind)
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
    if (fd_.IsOpen() || !temp_path_.empty())
        return Fail(Step::CreateTemp, EBUSY);
    failed_step_ = Step::None;
    error_ = 0;
    read_only_ = false;
    if (!path_valid_ || path_.empty())
        return Fail(Step::Path, EINVAL);
    if (path_.back() == '/')
        return Fail(Step::Target, EISDIR);
    if (!(kind_ == Kind::Replace ? ResolveTarget() : ResolveNew()))
        return false;
    if (stale_cleanup_ && target_existed_)
        RemoveStaleTemp(target_mtime_);
    return CreateTemp();
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
        // replacing it. The permission bit decides for root too, for whom access(2) allows
        // everything: a read-only file means the same whoever runs the program.
        read_only_ = (info.st_mode & S_IWUSR) == 0;
        if (read_only_)
            return Fail(Step::Target, EACCES);
        if (faccessat(AT_FDCWD, current.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail(Step::Target, errno);
        target_path_ = current;
        target_existed_ = true;
        target_mode_ = info.st_mode & 07777;
        target_uid_ = info.st_uid;
        target_gid_ = info.st_gid;
        target_mtime_ = info.st_mtim;
        return true;
    }
    return Fail(Step::Target, ELOOP);
}

// A new file: nothing at all may stand at the path, not even a dangling link.
bool RawSafeWrite::ResolveNew()
{
    struct stat info { };
    if (lstat(path_.c_str(), &info) == 0)
        return Fail(Step::Target, EEXIST);
    if (errno != ENOENT)
        return Fail(Step::Target, errno);
    target_path_ = path_;
    target_existed_ = false;
    return true;
}

bool RawSafeWrite::CreateTemp()
{
    static std::atomic<unsigned> counter { 0 };
    std::string first = target_path_ + ".tmp";
    std::string candidate = first;
    bool shortened = false;
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
        // O_EXCL also refuses a symbolic link standing at the name, dangling or not.
        fd_ = RawFd::Open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd_.IsOpen()) {
            temp_path_ = candidate;
            return true;
        }
        if (errno == ENAMETOOLONG && !shortened) {
            // The target's own name is too long to take ".tmp": the short name instead.
            std::string folder = FolderOf(target_path_);
            first = folder + ShortTempName(std::string_view(target_path_).substr(folder.size()));
            candidate = first;
            shortened = true;
            continue;
        }
        if (errno != EEXIST)
            return Fail(Step::CreateTemp, errno);
        candidate = first + "." + std::to_string(getpid()) + "." + std::to_string(++counter);
    }
    return Fail(Step::CreateTemp, EEXIST);
}

// --- 3. Committing -----------------------------------------------------------------------------

bool RawSafeWrite::CopyAttributes()
{
    mode_t mode = mode_ ? *mode_ : target_existed_ ? target_mode_ : 0666 & ~CurrentUmask();
    if (target_existed_) {
        // Only a privileged process may give a file away; anyone else keeps their own ids.
        if (fchown(fd_.Get(), target_uid_, target_gid_) != 0 && errno != EPERM)
            return Fail(Step::Attributes, errno);
    }
    if (fchmod(fd_.Get(), mode) != 0)
        return Fail(Step::Attributes, errno);
    return true;
}

bool RawSafeWrite::IsStillExpected()
{
    if (!expected_)
        return true;
    struct stat info { };
    return lstat(target_path_.c_str(), &info) == 0 && S_ISREG(info.st_mode)
        && RawFileIdentity::Of(info) == *expected_;
}

// Replace renames over the target. CreateNew never overwrites: a rename that refuses an existing
// name, or, where the file system has no such rename, a hard link, which refuses one as well.
bool RawSafeWrite::PutInPlace()
{
    if (kind_ == Kind::Replace)
        return rename(temp_path_.c_str(), target_path_.c_str()) == 0;
    if (renameat2(AT_FDCWD, temp_path_.c_str(), AT_FDCWD, target_path_.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (link(temp_path_.c_str(), target_path_.c_str()) != 0)
        return false;
    unlink(temp_path_.c_str());
    return true;
}

bool RawSafeWrite::Commit()
{
    if (!Seal() || !Place())
        return false;
    int error = SyncFolderOf(target_path_);
    return error == 0 || Fail(Step::SyncFolder, error);
}

bool RawSafeWrite::Seal()
{
    if (!fd_.IsOpen())
        return Fail(Step::Sync, EBADF);
    if (!CopyAttributes()) {
        Abandon();
        return false;
    }
    if (fsync(fd_.Get()) != 0 || fstat(fd_.Get(), &sealed_info_) != 0) {
        int error = errno;
        Abandon();
        return Fail(Step::Sync, error);
    }
    if (int error = fd_.Close(); error != 0) {
        Abandon();
        return Fail(Step::Sync, error);
    }
    return true;
}

bool RawSafeWrite::Place()
{
    // Only a sealed temporary file is put in place: one still open was never synced.
    if (fd_.IsOpen() || temp_path_.empty())
        return Fail(Step::Sync, EBADF);
    // As late as it can be: the check and the rename are two calls, but nothing slow lies
    // between them.
    if (!IsStillExpected()) {
        Abandon();
        return Fail(Step::Changed, 0);
    }
    if (!PutInPlace()) {
        int error = errno;
        Abandon();
        return Fail(Step::Rename, error);
    }
    temp_path_.clear();
    if (stale_cleanup_)
        RemoveStaleTemp(sealed_info_.st_mtim);
    return true;
}

void RawSafeWrite::Abandon()
{
    fd_.Reset();
    if (!temp_path_.empty()) {
        unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

// Only the first name a run tries: a unique variant is made only when that name was taken, and
// once a stale file there is gone the next run takes the first name again.
void RawSafeWrite::RemoveStaleTemp(const timespec& reference)
{
    std::string candidate = TempNameFor(target_path_);
    if (candidate == temp_path_)
        return;
    struct stat info { };
    if (lstat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & 07777) != 0600
        || info.st_uid != geteuid() || info.st_nlink != 1 || !IsOlder(info.st_mtim, reference))
        return;
    if (unlink(candidate.c_str()) == 0)
        removed_stale_.push_back(candidate);
}

// --- 4. Errors and the folder sync -------------------------------------------------------------

std::string RawSafeWrite::ErrorText() const
{
    if (failed_step_ == Step::None)
        return std::string();
    return std::string(StepName(failed_step_)) + ": " + Reason();
}

std::string RawSafeWrite::Reason() const
{
    if (failed_step_ == Step::None)
        return std::string();
    if (failed_step_ == Step::Changed)
        return "changed while it was written";
    if (read_only_)
        return "read-only file";
    return std::error_code(error_, std::generic_category()).message();
}

int RawSafeWrite::SyncFolderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    // The folder as its own string, built from a counted prefix of the path.
    std::string folder
        = slash == std::string::npos ? std::string(1, '.') : std::string(path.data(), slash == 0 ? 1 : slash);
    RawFd fd = RawFd::Open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (!fd.IsOpen())
        return errno;
    int error = fsync(fd.Get()) != 0 ? errno : 0;
    // Some file systems cannot sync a folder at all; that is no failure of a write.
    return error == EINVAL || error == ENOTSUP ? 0 : error;
}

} // namespace RawLayer
