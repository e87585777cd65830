#include <core/RawPath.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobBackupItemUnit.h>
#include <engine/JobBackupList.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawPath;
using RawLayer::RawSafeWrite;
using RawLayer::RawSystemText;

namespace {

// The last-write time of the file at `path`, following links. False when nothing is there or
// it is a folder: neither can stand for a file.
bool FileTicks(const RawString& path, uint64_t& ticks)
{
    RawSystemText text(path);
    struct stat info { };
    if (path.IsEmpty() || !text.IsValid() || stat(text.CStr(), &info) != 0 || S_ISDIR(info.st_mode))
        return false;
    ticks = RawPath::TicksFromTimespec(info.st_mtim);
    return true;
}

// Gives the file at `path` the permission bits `mode` unless it has them already.
bool SetMode(const std::string& path, mode_t mode)
{
    struct stat info { };
    if (stat(path.c_str(), &info) != 0)
        return false;
    return (info.st_mode & 07777) == mode || chmod(path.c_str(), mode) == 0;
}

} // namespace

RawString JobBackupItemUnit::KindName(Kind kind)
{
    switch (kind) {
    case Kind::Save:
        return "Save";
    case Kind::Delete:
        return "Delete";
    case Kind::New:
        return "New";
    }
    return RawString();
}

JobBackupItemUnit::Kind JobBackupItemUnit::KindFromName(const RawString& name)
{
    for (Kind kind : { Kind::Delete, Kind::New })
        if (name.Equals(KindName(kind)))
            return kind;
    return Kind::Save;
}

void JobBackupItemUnit::Forget()
{
    backup_path_made_ = false;
    detail_made_ = false;
}

void JobBackupItemUnit::SetKind(Kind kind)
{
    kind_ = kind;
    Forget();
}

void JobBackupItemUnit::SetSource(const RawString& source)
{
    source_ = source;
    Forget();
}

void JobBackupItemUnit::SetFolder(const RawString& set_folder)
{
    set_folder_ = set_folder;
    Forget();
}

void JobBackupItemUnit::SetBackupName(const RawString& backup_name)
{
    backup_name_ = backup_name;
    Forget();
}

void JobBackupItemUnit::SetTime(uint64_t ticks)
{
    SetTimeParts(static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32));
}

void JobBackupItemUnit::SetTimeParts(uint32_t low, uint32_t high)
{
    time_low_ = low;
    time_high_ = high;
}

const RawString& JobBackupItemUnit::BackupPath() const
{
    if (!backup_path_made_) {
        backup_path_ = set_folder_.IsEmpty() || backup_name_.IsEmpty()
            ? RawString()
            : RawPath::Join(set_folder_, backup_name_);
        backup_path_made_ = true;
    }
    return backup_path_;
}

RawParameterList JobBackupItemUnit::GetInfo()
{
    if (!detail_made_) {
        RawParameterList detail;
        RawString name("(for ");
        if (!name.Append(KindName(kind_), ") ", backup_name_))
            name = backup_name_;
        detail.Add("Name", name);
        detail.Add("Source", source_);
        // A new list, so a copy handed out earlier keeps what it showed.
        detail_ = detail;
        detail_made_ = true;
    }
    return detail_;
}

int32_t JobBackupItemUnit::GetState() const
{
    uint64_t copy_time = 0;
    uint64_t source_time = 0;
    bool has_copy = FileTicks(BackupPath(), copy_time);
    bool has_source = FileTicks(source_, source_time);
    switch (kind_) {
    case Kind::Delete:
        if (!has_copy)
            return kStateNoCopy;
        if (!has_source)
            return kStateApplied;
        return source_time == copy_time ? kStateOriginal : kStateChangedLater;
    case Kind::New:
        if (!has_source)
            return kStateOriginal;
        return source_time != Time() ? kStateChangedLater : kStateApplied;
    case Kind::Save:
    default:
        if (!has_copy)
            return kStateNoCopy;
        // A source that is gone has no time, which differs from any stored time.
        if (has_source && source_time == copy_time)
            return kStateOriginal;
        return !has_source || source_time != Time() ? kStateChangedLater : kStateApplied;
    }
}

bool JobBackupItemUnit::Restore()
{
    if (kind_ == Kind::New) {
        RawSystemText source(source_);
        return !source_.IsEmpty() && source.IsValid() && unlink(source.CStr()) == 0;
    }
    RawSystemText copy(BackupPath());
    if (BackupPath().IsEmpty() || !copy.IsValid())
        return false;
    int fd = open(copy.CStr(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info { };
    bool done = false;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        // The content goes in by a rename, so the file is never seen half-restored; the
        // write commits with the old file's permission bits, which the copy's replace after.
        RawSafeWrite write(source_);
        done = write.Open() && JobBackupList::CopyContent(fd, write.Fd(), info) && write.Commit()
            && SetMode(write.TargetPath(), info.st_mode & 07777);
    }
    close(fd);
    return done;
}

} // namespace JobLayer
