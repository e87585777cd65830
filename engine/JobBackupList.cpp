#include <core/RawPath.h>
#include <core/RawRecordFile.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobBackupList.h>
#include <engine/JobBackupListSort.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawEncoding;
using RawLayer::RawParameterUnit;
using RawLayer::RawPath;
using RawLayer::RawRecordFile;
using RawLayer::RawSafeWrite;
using RawLayer::RawSystemText;

namespace {

// A set folder name may get "_2" ... up to this suffix before creating one gives up.
constexpr int kMaxSetSuffix = 1000;
// Backup name candidates tried before the last one is used whatever it is.
// Each attempt of the name rule extends the previous candidate by two digits, so after this many
// the names would soon pass the file system's limit on a name; see NumberedName.
constexpr int kExtendingAttempts = 9;

// 'YYYYMMDD_HHMMSS' of a local time.
std::string SetFolderName(const std::tm& time)
{
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d", time.tm_year + 1900, time.tm_mon + 1,
        time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
    return name;
}

// Whether anything, a dangling link included, stands at `folder` joined with `name`. The set's
// own record counts as taken, so a changed file named like it never takes its place.
bool NameTaken(const RawString& folder, std::string_view name)
{
    if (name == "Backup.ini")
        return true;
    RawSystemText path(RawPath::Join(folder, RawString(name, RawEncoding::Utf8)));
    struct stat info { };
    return path.IsValid() && lstat(path.CStr(), &info) == 0;
}

} // namespace

JobBackupList::JobBackupList()
    : loader_(*this)
{
}

JobBackupList::~JobBackupList()
{
    loader_.StopAndWait();
}

JobBackupList& JobBackupList::Instance()
{
    static JobBackupList store;
    return store;
}

bool JobBackupList::StartLoader(const RawString& backup_folder, int32_t days)
{
    {
        std::lock_guard guard(lock);
        backup_folder_ = backup_folder;
        days_ = days;
        loader_started_ = true;
    }
    return loader_.StartWith(backup_folder, days);
}

void JobBackupList::StopLoader()
{
    loader_.StopAndWait();
}

RawString JobBackupList::BackupFolder() const
{
    std::lock_guard guard(lock);
    return backup_folder_;
}

int32_t JobBackupList::Days() const
{
    std::lock_guard guard(lock);
    return days_;
}

bool JobBackupList::IsLoaded() const
{
    std::lock_guard guard(lock);
    return loaded_;
}

JobBackupUnit& JobBackupList::CreateSet(const RawParameterList& comment, const std::tm& local_time)
{
    std::lock_guard guard(lock);
    RawString folder;
    if (!backup_folder_.IsEmpty()) {
        std::string name = SetFolderName(local_time);
        folder = RawPath::Join(backup_folder_, RawString(name, RawEncoding::Utf8));
        // The folder is made here, under the lock, so the loader never takes it for a set of
        // an earlier run, and made exclusively, so two runs never share one.
        if (RawPath::CreateFolders(backup_folder_, 0700)) {
            for (int suffix = 1;; ++suffix) {
                if (suffix > 1)
                    folder = RawPath::Join(
                        backup_folder_, RawString(name + "_" + std::to_string(suffix), RawEncoding::Utf8));
                RawSystemText path(folder);
                if (!path.IsValid() || mkdir(path.CStr(), 0700) == 0 || errno != EEXIST
                    || suffix == kMaxSetSuffix)
                    break;
            }
        }
    }
    int32_t origin = backup_folder_.IsEmpty() ? JobBackupUnit::kOriginNoBackup : JobBackupUnit::kOriginApply;
    JobBackupUnit& set = *Append(new JobBackupUnit(origin, folder));
    // A copy of its own, so the caller's later changes to its list do not reach the record.
    for (const RawParameterUnit& unit : comment)
        set.Items().Comment().Add(unit.key, unit.value);
    return set;
}

std::vector<JobBackupUnit*> JobBackupList::Sets() const
{
    std::lock_guard guard(lock);
    std::vector<JobBackupUnit*> sets;
    sets.reserve(static_cast<std::size_t>(Count()));
    for (JobBackupUnit& set : *this)
        sets.push_back(&set);
    return sets;
}

std::vector<JobUndoUnit*> JobBackupList::Units()
{
    const std::vector<JobBackupUnit*> sets = Sets();
    return std::vector<JobUndoUnit*>(sets.begin(), sets.end());
}

namespace {

// The name "stem_N.ext" with the lowest free N, found in a number of look-ups that grows with the
// logarithm of the names already made: a tree holds many files of one name (every
// "CMakeLists.txt"), and the extending rule would fail them all past about a hundred.
std::string NumberedName(const std::string& original, const std::function<bool(std::string_view)>& taken)
{
    std::size_t dot = original.rfind('.');
    std::string stem = original.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : original.substr(dot);
    auto name = [&](uint32_t n) { return stem + "_" + std::to_string(n) + extension; };
    uint32_t used = 0; // 0 or a number whose name is taken
    uint32_t free = 1;
    while (taken(name(free)) && free < (1u << 30)) {
        used = free;
        free *= 2;
    }
    while (free - used > 1) {
        uint32_t middle = used + (free - used) / 2;
        (taken(name(middle)) ? used : free) = middle;
    }
    return name(free);
}

} // namespace

RawString JobBackupList::BackupNameFor(const RawString& file_path, const RawString& set_folder)
{
    return BackupNameFor(file_path, set_folder, [](std::string_view) {});
}

RawString JobBackupList::BackupNameFor(const RawString& file_path, const RawString& set_folder,
    const std::function<void(std::string_view)>& on_candidate)
{
    RawString name;
    if (!name.Acquire(file_path, RawEncoding::Utf8))
        return RawString();
    std::string candidate(name.View().substr(name.View().rfind('/') + 1));
    if (set_folder.IsEmpty())
        return RawString(candidate, RawEncoding::Utf8);
    auto taken = [&](std::string_view look) {
        on_candidate(look);
        return NameTaken(set_folder, look);
    };
    const std::string original = candidate;
    for (int attempt = 1; taken(candidate); ++attempt) {
        if (attempt > kExtendingAttempts)
            return RawString(NumberedName(original, taken), RawEncoding::Utf8);
        std::size_t dot = candidate.rfind('.');
        std::string extension = dot == std::string::npos ? std::string() : candidate.substr(dot);
        char number[16];
        std::snprintf(number, sizeof number, "%02d", attempt);
        candidate = candidate.substr(0, dot) + number + extension;
    }
    return RawString(candidate, RawEncoding::Utf8);
}

bool JobBackupList::CopyContent(int from_fd, int to_fd, const struct stat& from_info, std::string& reason)
{
    auto fail = [&reason](std::string text) {
        reason = std::move(text);
        return false;
    };
    auto system
        = [&fail](int error) { return fail(std::error_code(error, std::generic_category()).message()); };
    std::string buffer(kCopyBufferSize, '\0');
    off_t offset = 0;
    // One byte beyond the size is asked for, to see that the file ends where it should.
    for (;;) {
        ssize_t got = pread(from_fd, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return system(errno);
        if (got == 0)
            break;
        offset += got;
        if (offset > from_info.st_size)
            return fail("changed while it was copied");
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(to_fd, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno != EINTR)
                return system(errno);
            done += put > 0 ? put : 0;
        }
    }
    if (offset != from_info.st_size)
        return fail("changed while it was copied");
    const timespec times[2] = { from_info.st_atim, from_info.st_mtim };
    return futimens(to_fd, times) == 0 || system(errno);
}

bool JobBackupList::CopyToBackup(const RawString& source, const RawString& destination)
{
    RawRecordFile from;
    std::string reason;
    return from.Open(source, RawRecordFile::Links::Follow, RawRecordFile::kNoLimit)
        && CopyToBackup(from.Fd().Get(), from.Info(), destination, reason);
}

bool JobBackupList::CopyToBackup(int from_fd, const struct stat& from_info, const RawString& destination,
    std::string& reason, FolderSync sync)
{
    if (destination.IsEmpty()) {
        reason = "no backup folder";
        return false;
    }
    RawSafeWrite write(destination, RawSafeWrite::Kind::CreateNew);
    write.SetMode(from_info.st_mode);
    if (!write.Open()) {
        reason = write.Reason();
        return false;
    }
    if (!CopyContent(from_fd, write.Fd(), from_info, reason))
        return false;
    // The copy's name must last too, before the file it saves is replaced: a folder that
    // cannot be synced fails the copy. A caller that syncs the folder itself fails its copies
    // when that sync fails.
    if (sync == FolderSync::ByCaller) {
        bool placed = write.Seal() && write.Place();
        if (!placed)
            reason = write.Reason();
        return placed;
    }
    if (!write.Commit()) {
        reason = write.Reason();
        if (write.FailedStep() == RawSafeWrite::Step::SyncFolder) {
            RawSystemText path(destination);
            unlink(path.CStr());
        }
        return false;
    }
    return true;
}

bool JobBackupList::LinkToBackup(
    int from_fd, const struct stat& from_info, const RawString& destination, std::string& reason)
{
    RawSystemText to(destination);
    // The descriptor's own entry in /proc names the very file that was read, whatever its path
    // names by now.
    std::string open_file = "/proc/self/fd/" + std::to_string(from_fd);
    if (!destination.IsEmpty() && to.IsValid() && from_info.st_nlink == 1 && fdatasync(from_fd) == 0
        && linkat(AT_FDCWD, open_file.c_str(), AT_FDCWD, to.CStr(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    return CopyToBackup(from_fd, from_info, destination, reason, FolderSync::ByCaller);
}

bool JobBackupList::SeparateBackup(const RawString& destination)
{
    RawRecordFile from;
    if (!from.Open(destination, RawRecordFile::Links::Refuse, RawRecordFile::kNoLimit))
        return false;
    if (from.Info().st_nlink <= 1)
        return true;
    RawSafeWrite write(destination);
    write.SetMode(from.Info().st_mode);
    std::string reason;
    return write.Open() && CopyContent(from.Fd().Get(), write.Fd(), from.Info(), reason) && write.Commit();
}

bool JobBackupList::IsTrustedFolder(const RawString& folder, bool follow_link, std::string& reason)
{
    RawSystemText path(folder);
    struct stat info { };
    if (folder.IsEmpty() || !path.IsValid()) {
        reason = "no folder";
        return false;
    }
    if ((follow_link ? stat(path.CStr(), &info) : lstat(path.CStr(), &info)) != 0) {
        reason = std::error_code(errno, std::generic_category()).message();
        return false;
    }
    if (!S_ISDIR(info.st_mode))
        reason = "not a folder";
    else if (info.st_uid != geteuid())
        reason = "owned by another user";
    else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        reason = "writable by other users";
    else
        return true;
    return false;
}

std::vector<std::string> JobBackupList::Problems() const
{
    std::lock_guard guard(lock);
    return problems_;
}

void JobBackupList::AddProblem(std::string problem)
{
    std::lock_guard guard(lock);
    problems_.push_back(std::move(problem));
}

void JobBackupList::WaitReady()
{
    std::unique_lock guard(lock);
    // Without a loader there is nothing to wait for.
    loaded_signal_.wait(guard, [this] { return loaded_ || !loader_started_; });
}

bool JobBackupList::HasFolder(const RawString& folder) const
{
    for (const JobBackupUnit& set : *this)
        if (set.Folder().Equals(folder))
            return true;
    return false;
}

bool JobBackupList::IsListed(const RawString& folder) const
{
    std::lock_guard guard(lock);
    return HasFolder(folder);
}

bool JobBackupList::AddLoaded(JobBackupUnit* set)
{
    std::lock_guard guard(lock);
    if (HasFolder(set->Folder())) {
        delete set;
        return false;
    }
    Append(set);
    return true;
}

void JobBackupList::SortAndMarkLoaded()
{
    std::lock_guard guard(lock);
    Sort(JobBackupListSort());
    loaded_ = true;
    loaded_signal_.notify_all();
}

void JobBackupList::MarkLoaded()
{
    std::lock_guard guard(lock);
    loaded_ = true;
    loaded_signal_.notify_all();
}

} // namespace JobLayer
