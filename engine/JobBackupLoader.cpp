#include <core/RawFd.h>
#include <core/RawFolderList.h>
#include <core/RawPath.h>
#include <core/RawSystemText.h>
#include <engine/JobBackupList.h>
#include <engine/JobBackupLoader.h>

#include <string>
#include <tuple>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawFd;
using RawLayer::RawFolderList;
using RawLayer::RawFolderListUnit;
using RawLayer::RawPath;
using RawLayer::RawSystemText;

namespace {

constexpr std::time_t kSecondsPerDay = 86400;
// Folders nested deeper than this inside an expired set are left in place (the store makes
// none; this only bounds the descent).
constexpr int kMaxDepth = 64;

bool IsDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

int32_t Number(std::string_view digits)
{
    int32_t value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// The names in the folder open at `fd`, "." and ".." left out. The folder is read to its end
// before anything in it is removed.
bool ListNames(int fd, std::vector<std::string>& names)
{
    RawFd own(dup(fd));
    DIR* dir = own.IsOpen() ? fdopendir(own.Get()) : nullptr;
    if (dir == nullptr)
        return false;
    own.Release(); // the folder stream owns it now
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    closedir(dir);
    return true;
}

} // namespace

JobBackupLoader::JobBackupLoader(JobBackupList& list)
    : list_(list)
{
}

JobBackupLoader::~JobBackupLoader()
{
    StopAndWait();
}

bool JobBackupLoader::StartWith(const RawString& backup_folder, int32_t days)
{
    if (IsRunning())
        return false;
    backup_folder_ = backup_folder;
    // A negative age limit would reach into the future and delete every set.
    days_ = days < 0 ? 0 : days;
    return Start();
}

bool JobBackupLoader::ParseSetName(std::string_view name, SetName& parsed)
{
    if (name.size() < 15 || name[8] != '_' || !IsDigits(name.substr(0, 8)) || !IsDigits(name.substr(9, 6)))
        return false;
    // The suffix that tells apart runs of the same second.
    std::string_view suffix = name.substr(15);
    if (!suffix.empty() && (suffix.size() > 10 || suffix[0] != '_' || !IsDigits(suffix.substr(1))))
        return false;
    parsed.year = Number(name.substr(0, 4));
    parsed.month = Number(name.substr(4, 2));
    parsed.day = Number(name.substr(6, 2));
    parsed.hour = Number(name.substr(9, 2));
    parsed.minute = Number(name.substr(11, 2));
    parsed.second = Number(name.substr(13, 2));
    return true;
}

bool JobBackupLoader::IsExpired(const SetName& name) const
{
    return std::tie(name.year, name.month, name.day)
        <= std::make_tuple(cutoff_.tm_year + 1900, cutoff_.tm_mon + 1, cutoff_.tm_mday);
}

void JobBackupLoader::Run()
{
    delete_list_.Clear();
    std::time_t now = now_ != 0 ? now_ : std::time(nullptr);
    std::time_t cutoff = now - static_cast<std::time_t>(days_) * kSecondsPerDay;
    localtime_r(&cutoff, &cutoff_);
    if (!backup_folder_.IsEmpty())
        LoadSets();
    list_.SortAndMarkLoaded();
    DeleteExpired();
}

void JobBackupLoader::Finished()
{
    // Also reached when no thread could be made: whoever waits for the store must not hang.
    list_.MarkLoaded();
}

// A store only the user can write is trusted; anything else is reported, and no set of it is
// read or deleted.
void JobBackupLoader::LoadSets()
{
    if (!RawPath::Exists(backup_folder_))
        return; // nothing there yet
    std::string reason;
    if (!JobBackupList::IsTrustedFolder(backup_folder_, true, reason)) {
        list_.AddProblem("Backup folder error (" + backup_folder_.Str() + ": " + reason + ")");
        return;
    }
    RawFolderList entries;
    // A folder that cannot be read holds no sets we could use; what was read is still used.
    (void)entries.Read(backup_folder_, RawFolderList::kSkipDots);
    for (const RawFolderListUnit& entry : entries) {
        SetName name;
        // Only real folders of the set form are sets; links and files are the user's.
        if (!entry.attributes_known || !entry.is_folder || entry.is_link
            || !ParseSetName(entry.name.View(), name))
            continue;
        // A run of this process made it while the folder was read: listed already, and in use.
        if (list_.IsListed(entry.path))
            continue;
        if (!JobBackupList::IsTrustedFolder(entry.path, false, reason)) {
            list_.AddProblem("Backup set error (" + entry.path.Str() + ": " + reason + ")");
            continue;
        }
        if (IsExpired(name)) {
            delete_list_.Add(entry.path);
            continue;
        }
        auto* set = new JobBackupUnit(JobBackupUnit::kOriginDisk, entry.path);
        set->Items().Load();
        if (!set->Items().LoadError().empty())
            list_.AddProblem("Backup record error (" + set->Items().IniPath().Str() + ": "
                + set->Items().LoadError() + ")");
        list_.AddLoaded(set);
    }
}

void JobBackupLoader::DeleteExpired()
{
    if (delete_list_.IsEmpty())
        return;
    RawSystemText folder(backup_folder_);
    RawFd root = folder.IsValid() ? RawFd::Open(folder.CStr(), O_RDONLY | O_DIRECTORY) : RawFd();
    if (!root.IsOpen())
        return;
    for (auto path = delete_list_.begin(); path != delete_list_.end() && !IsStopRequested();) {
        std::string_view bytes = path->View();
        std::string name(bytes.substr(bytes.rfind('/') + 1));
        if (RemoveFolderAt(root.Get(), name, 0))
            path = delete_list_.Remove(path);
        else
            ++path;
    }
}

// Removes the folder `name` inside the folder open at `parent` with everything in it. Nothing
// is reached through a symbolic link: a link is removed as a link, its target untouched, and
// every step is taken relative to a folder already open, so nothing outside can be reached by
// renaming things meanwhile.
bool JobBackupLoader::RemoveFolderAt(int parent, const std::string& name, int depth)
{
    if (depth > kMaxDepth)
        return false;
    RawFd folder = RawFd::OpenAt(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (!folder.IsOpen())
        return false;
    int fd = folder.Get();
    std::vector<std::string> names;
    bool removed = ListNames(fd, names);
    for (const std::string& entry : names) {
        if (!removed || IsStopRequested()) {
            removed = false;
            break;
        }
        struct stat info { };
        if (fstatat(fd, entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            removed = false;
        else if (S_ISDIR(info.st_mode))
            removed = RemoveFolderAt(fd, entry, depth + 1);
        else
            removed = unlinkat(fd, entry.c_str(), 0) == 0;
    }
    folder.Reset();
    return removed && unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

} // namespace JobLayer
