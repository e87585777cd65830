#include <core/RawPath.h>
#include <core/RawRecordFile.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobBackupItemUnit.h>
#include <engine/JobBackupList.h>

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawPath;
using RawLayer::RawRecordFile;
using RawLayer::RawSafeWrite;
using RawLayer::RawSystemText;

namespace {

// What stands at a path: its last-write time and which file it is. Nothing for a missing file
// or a folder, neither of which can stand for a file, and for a path that is not absolute,
// which would be looked up in whatever the current folder happens to be.
struct FileFacts {
    bool present = false;
    uint64_t ticks = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
};

FileFacts Facts(const RawString& path, bool follow_links)
{
    RawSystemText text(path);
    struct stat info { };
    FileFacts facts;
    if (!RawPath::IsAbsolute(path) || !text.IsValid()
        || (follow_links ? stat(text.CStr(), &info) : lstat(text.CStr(), &info)) != 0
        || S_ISDIR(info.st_mode))
        return facts;
    facts.present = true;
    facts.ticks = RawPath::TicksFromTimespec(info.st_mtim);
    facts.device = info.st_dev;
    facts.inode = info.st_ino;
    return facts;
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

void JobBackupItemUnit::SetIdentity(uint64_t device, uint64_t inode)
{
    has_identity_ = true;
    device_ = device;
    inode_ = inode;
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
    // The copy lies in the set folder, which the store made itself: a link there is not a copy.
    FileFacts copy = Facts(BackupPath(), false);
    FileFacts source = Facts(source_, kind_ != Kind::New);
    // Another file at the source than the one the apply left there was put there later, even
    // when it carries the same time.
    bool replaced = source.present && has_identity_ && (source.device != device_ || source.inode != inode_);
    switch (kind_) {
    case Kind::Delete:
        if (!copy.present)
            return kStateNoCopy;
        if (!source.present)
            return kStateApplied;
        return source.ticks == copy.ticks ? kStateOriginal : kStateChangedLater;
    case Kind::New:
        if (!source.present)
            return kStateOriginal;
        return replaced || source.ticks != Time() ? kStateChangedLater : kStateApplied;
    case Kind::Save:
    default:
        if (!copy.present)
            return kStateNoCopy;
        // A source that is gone has no time, which differs from any stored time.
        if (source.present && source.ticks == copy.ticks)
            return kStateOriginal;
        return !source.present || replaced || source.ticks != Time() ? kStateChangedLater : kStateApplied;
    }
}

JobBackupItemUnit::RestoreOutcome JobBackupItemUnit::RestoreFile(bool remove_stale_temp)
{
    RestoreOutcome outcome;
    auto fail = [&outcome](std::string reason) {
        outcome.error = std::move(reason);
        return outcome;
    };
    RawSystemText source(source_);
    if (source_.IsEmpty() || !source.IsValid())
        return fail("no source path");
    if (!RawPath::IsAbsolute(source_))
        return fail("relative source path, refused");
    if (kind_ == Kind::New) {
        // Only the file the apply made: a file put at that path since is someone's work.
        FileFacts now = Facts(source_, false);
        if (!has_identity_)
            return fail("the record names no device and inode, so the file is kept");
        if (!now.present)
            return fail("No such file or directory");
        if (now.device != device_ || now.inode != inode_)
            return fail("not the file the apply made, so it is kept");
        if (unlink(source.CStr()) != 0)
            return fail(std::error_code(errno, std::generic_category()).message());
        outcome.restored = true;
        return outcome;
    }
    if (BackupPath().IsEmpty())
        return fail("no backup copy");
    RawRecordFile copy;
    if (!copy.Open(BackupPath(), RawRecordFile::Links::Refuse, RawRecordFile::kNoLimit))
        return fail("backup copy: " + copy.Reason());
    // The content goes in by a rename, so the file is never seen half-restored, with the copy's
    // permission bits and time.
    RawSafeWrite write(source_);
    write.SetMode(copy.Info().st_mode);
    write.SetStaleCleanup(remove_stale_temp);
    std::string reason;
    bool done = write.Open() && JobBackupList::CopyContent(copy.Fd().Get(), write.Fd(), copy.Info(), reason);
    done = done && write.Commit();
    outcome.removed_temps = write.RemovedStale();
    if (!done && reason.empty())
        reason = write.Reason();
    if (!done && write.FailedStep() != RawSafeWrite::Step::SyncFolder)
        return fail(reason);
    outcome.restored = true;
    return outcome;
}

} // namespace JobLayer
