#include <core/RawFd.h>
#include <core/RawFolderList.h>
#include <core/RawPath.h>
#include <core/RawSystemText.h>

#include <cerrno>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawLayer {

namespace {

RawFolderListUnit::Target TargetOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return RawFolderListUnit::Target::Folder;
    if (S_ISREG(mode))
        return RawFolderListUnit::Target::File;
    return RawFolderListUnit::Target::Other;
}

// Reads the attributes of one entry of the open folder `folder_fd`. The walk needs sizes and
// times, so every entry is looked at with fstatat; the type readdir reported stands in only
// when that fails.
void Describe(int folder_fd, const dirent& entry, RawFolderListUnit& unit)
{
    std::string_view name = entry.d_name;
    unit.is_hidden = name.starts_with('.') && !unit.IsDotEntry();
    struct stat info { };
    if (fstatat(folder_fd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        unit.is_folder = entry.d_type == DT_DIR;
        unit.is_regular = entry.d_type == DT_REG;
        unit.is_link = entry.d_type == DT_LNK;
        return;
    }
    unit.attributes_known = true;
    unit.is_folder = S_ISDIR(info.st_mode);
    unit.is_regular = S_ISREG(info.st_mode);
    unit.is_link = S_ISLNK(info.st_mode);
    if (unit.is_link) {
        struct stat target { };
        if (fstatat(folder_fd, entry.d_name, &target, 0) == 0) {
            unit.link_target = TargetOf(target.st_mode);
            info = target;
        }
    }
    // A link that leads nowhere keeps its own mode, which always has the write bits.
    unit.is_read_only = (info.st_mode & S_IWUSR) == 0;
    unit.size = static_cast<int64_t>(info.st_size);
    unit.write_ticks = RawPath::TicksFromTimespec(info.st_mtim);
}

} // namespace

bool RawFolderListUnit::IsDotEntry() const
{
    std::string_view text = name.View();
    return text == "." || text == "..";
}

bool RawFolderList::Read(const RawString& folder, uint32_t skip_options)
{
    Clear();
    error_ = 0;
    RawSystemText system(folder);
    if (!system.IsValid()) {
        error_ = EINVAL;
        return false;
    }
    RawFd folder_fd = RawFd::Open(system.CStr(), O_RDONLY | O_DIRECTORY);
    if (!folder_fd.IsOpen()) {
        error_ = errno;
        return false;
    }
    DIR* dir = fdopendir(folder_fd.Get());
    if (dir == nullptr) {
        error_ = errno;
        return false;
    }
    int fd = folder_fd.Release(); // the folder stream owns it now
    RawString base(system.View(), RawEncoding::Utf8);
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            error_ = errno;
            break;
        }
        RawFolderListUnit unit;
        unit.name = RawString(std::string_view(entry->d_name), RawEncoding::Utf8);
        Describe(fd, *entry, unit);
        if (!Keeps(unit, skip_options))
            continue;
        unit.path = RawPath::Join(base, unit.name);
        Emplace(std::move(unit));
    }
    closedir(dir);
    return error_ == 0;
}

bool RawFolderList::Keeps(const RawFolderListUnit& unit, uint32_t skip_options)
{
    if ((skip_options & kSkipDots) != 0 && unit.IsDotEntry())
        return false;
    if ((skip_options & kSkipHidden) != 0 && unit.is_hidden)
        return false;
    if ((skip_options & kSkipReadOnly) != 0 && unit.is_read_only)
        return false;
    if ((skip_options & kSkipFolders) != 0 && unit.is_folder)
        return false;
    if (unit.is_link)
        return (skip_options & kSkipLinks) == 0;
    if ((skip_options & kSkipNonFolders) == 0)
        return true;
    // An entry whose attributes could not be read may be a folder, so it is not dropped here.
    return unit.is_folder || !unit.attributes_known;
}

} // namespace RawLayer
