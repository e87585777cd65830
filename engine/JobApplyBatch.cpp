#include <core/RawPath.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobApplyBatch.h>
#include <engine/JobBackupList.h>

#include <string_view>

#include <sys/stat.h>

namespace JobLayer {

using RawLayer::RawPath;
using RawLayer::RawSafeWrite;
using RawLayer::RawSystemText;

JobApplyBatch::JobApplyBatch(const RawString& set_folder, bool stale_cleanup)
    : set_folder_(set_folder)
    , stale_cleanup_(stale_cleanup)
{
}

bool JobApplyBatch::IsFull() const
{
    return alone_ || std::ssize(files_) >= kMaxFiles || bytes_ >= kMaxBytes;
}

void JobApplyBatch::Clear()
{
    files_.clear();
    identities_.clear();
    names_.clear();
    bytes_ = 0;
    alone_ = false;
}

bool JobApplyBatch::Take(std::unique_ptr<JobApplyFile>& file)
{
    if (IsFull())
        return false;
    RawSystemText path(file->Path());
    struct stat info { };
    // A link is looked at only while it matters; the status of anything else is the file's.
    bool found
        = path.IsValid() && (stale_cleanup_ ? lstat(path.CStr(), &info) : stat(path.CStr(), &info)) == 0;
    bool link = found && S_ISLNK(info.st_mode);
    if (link)
        found = stat(path.CStr(), &info) == 0;
    bool alone = stale_cleanup_ && (path.View().ends_with(".tmp") || link);
    if (!IsEmpty() && (alone || (found && identities_.contains({ info.st_dev, info.st_ino }))))
        return false;
    RawString source = RawPath::MakeAbsolute(file->Path());
    bool shared = false;
    RawString name = JobBackupList::BackupNameFor(source, set_folder_,
        [&](std::string_view candidate) { shared = shared || names_.contains(candidate); });
    std::string temp = RawSafeWrite::TempNameFor(name.Str());
    if (!IsEmpty() && (shared || names_.contains(temp)))
        return false;
    file->SetBackupName(source, name);
    if (!set_folder_.IsEmpty()) {
        names_.insert(name.Str());
        names_.insert(temp);
    }
    if (found) {
        identities_.insert({ info.st_dev, info.st_ino });
        bytes_ += info.st_size;
    }
    alone_ = alone;
    files_.push_back(std::move(file));
    return true;
}

} // namespace JobLayer
