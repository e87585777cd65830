#include <core/RawFolderWalk.h>
#include <core/RawPathAt.h>
#include <core/RawSystemText.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace RawLayer {

namespace {

bool IsDots(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The listing's type of an entry whose type the listing did not give; DT_UNKNOWN when it
// vanished or cannot be looked at.
unsigned char TypeAt(int folder_fd, const char* name)
{
    struct stat info { };
    if (fstatat(folder_fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    if (S_ISDIR(info.st_mode))
        return DT_DIR;
    if (S_ISREG(info.st_mode))
        return DT_REG;
    if (S_ISLNK(info.st_mode))
        return DT_LNK;
    return DT_FIFO; // any of the kinds never opened
}

} // namespace

// One folder of the walk. A streamed level reads from its open listing; a buffered one has read
// every entry into `names` when it was entered and may give up its descriptor meanwhile.
struct RawFolderWalk::Level {
    struct Entry {
        uint32_t name; // offset in `names`
        unsigned char type;
    };

    RawFd fd; // a streamed level's descriptor belongs to its stream
    DIR* stream = nullptr;
    size_t path_length = 0; // the folder's own path in path_
    dev_t device = 0;
    ino_t inode = 0;
    std::string names; // every name, each ended by a zero byte
    std::vector<Entry> entries;
    size_t next = 0;
    int error = 0;         // why the listing broke off, reported when its entries are used up
    bool done = false;     // nothing more to report
    bool given_up = false; // the descriptor was given up and could not be taken back

    void Close()
    {
        if (stream != nullptr) {
            fd.Release();
            closedir(stream); // closes the descriptor as well
            stream = nullptr;
        }
        fd.Reset();
    }
};

RawFolderWalk::RawFolderWalk() = default;

RawFolderWalk::~RawFolderWalk()
{
    CloseAll();
}

void RawFolderWalk::CloseAll()
{
    for (; top_ >= 0; --top_)
        levels_[static_cast<size_t>(top_)].Close();
    start_pending_ = false;
}

bool RawFolderWalk::Start(const RawString& folder)
{
    CloseAll();
    error_ = 0;
    RawSystemText system(folder);
    path_.assign(system.View());
    name_start_ = 0;
    RawPathAt at(folder);
    if (!at.IsValid()) {
        error_ = at.Error();
        return false;
    }
    RawFd fd = RawFd::OpenAt(at.Folder(), at.Name(), O_RDONLY | O_DIRECTORY);
    if (!fd.IsOpen()) {
        error_ = errno;
        return false;
    }
    if (!Push(std::move(fd)))
        return false;
    start_pending_ = true;
    return true;
}

int RawFolderWalk::FolderFd() const
{
    return top_ >= 0 ? levels_[static_cast<size_t>(top_)].fd.Get() : -1;
}

RawFolderWalk::Target RawFolderWalk::LinkTarget() const
{
    struct stat info { };
    if (fstatat(FolderFd(), path_.c_str() + name_start_, &info, 0) != 0)
        return Target::None;
    if (S_ISDIR(info.st_mode))
        return Target::Folder;
    return S_ISREG(info.st_mode) ? Target::File : Target::Other;
}

// Makes the open folder `fd` (whose path is path_) the new innermost level.
bool RawFolderWalk::Push(RawFd fd)
{
    auto index = static_cast<size_t>(top_ + 1);
    if (index == levels_.size())
        levels_.emplace_back();
    Level& level = levels_[index];
    level.fd = std::move(fd);
    level.path_length = path_.size();
    level.entries.clear();
    level.names.clear();
    level.next = 0;
    level.error = 0;
    level.done = false;
    level.given_up = false;
    bool streamed = static_cast<int32_t>(index) < kStreamLevels;
    // A buffered level lists a copy of its descriptor, which closedir takes, and keeps its own.
    RawFd copy(streamed ? -1 : fcntl(level.fd.Get(), F_DUPFD_CLOEXEC, 0));
    int list_fd = streamed ? level.fd.Get() : copy.Get();
    struct stat info { };
    DIR* stream
        = list_fd >= 0 && (streamed || fstat(level.fd.Get(), &info) == 0) ? fdopendir(list_fd) : nullptr;
    if (stream == nullptr) {
        error_ = errno;
        level.fd.Reset();
        return false;
    }
    copy.Release(); // the stream owns it now
    top_ = static_cast<int32_t>(index);
    if (streamed) {
        level.stream = stream;
        return true;
    }
    level.device = info.st_dev;
    level.inode = info.st_ino;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(stream);
        if (entry == nullptr) {
            level.error = errno;
            break;
        }
        if (IsDots(entry->d_name))
            continue;
        level.entries.push_back({ static_cast<uint32_t>(level.names.size()), entry->d_type });
        level.names.append(entry->d_name, std::strlen(entry->d_name) + 1);
    }
    closedir(stream);
    return true;
}

// The next entry of `level` other than "." and ".."; false when there is none (level.error
// tells whether the listing broke off).
bool RawFolderWalk::ReadEntry(Level& level, const char*& name, unsigned char& type)
{
    if (level.stream == nullptr) {
        if (level.next == level.entries.size())
            return false;
        const Level::Entry& entry = level.entries[level.next++];
        name = level.names.c_str() + entry.name;
        type = entry.type;
        return true;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(level.stream);
        if (entry == nullptr) {
            level.error = errno;
            return false;
        }
        if (!IsDots(entry->d_name)) {
            name = entry->d_name;
            type = entry->d_type;
            return true;
        }
    }
}

void RawFolderWalk::NameEntry(const Level& level, const char* name)
{
    path_.resize(level.path_length);
    if (path_.empty() || path_.back() != '/')
        path_.push_back('/');
    name_start_ = path_.size();
    path_.append(name);
}

// Opens the sub-folder `name` of `level` (never through a link) and enters it. A buffered
// level gives up its descriptor while the sub-folder is walked.
bool RawFolderWalk::Descend(Level& level, const char* name)
{
    RawFd fd = RawFd::OpenAt(level.fd.Get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    bool opened = fd.IsOpen();
    if (!opened)
        error_ = errno;
    if (!opened || !Push(std::move(fd))) {
        kind_ = Kind::Unopened;
        depth_ = top_;
        return true;
    }
    Level& parent = levels_[static_cast<size_t>(top_ - 1)];
    if (parent.stream == nullptr)
        parent.fd.Reset();
    kind_ = Kind::Folder;
    depth_ = top_;
    return true;
}

bool RawFolderWalk::Next()
{
    if (start_pending_) {
        start_pending_ = false;
        kind_ = Kind::Folder;
        depth_ = 0;
        return true;
    }
    while (top_ >= 0) {
        Level& level = levels_[static_cast<size_t>(top_)];
        const char* name = nullptr;
        unsigned char type = DT_UNKNOWN;
        if (level.done || level.given_up || !ReadEntry(level, name, type)) {
            if (level.done || level.error == 0) {
                Leave();
                continue;
            }
            // A broken listing is reported once, with the folder's own path.
            level.done = true;
            path_.resize(level.path_length);
            name_start_ = path_.rfind('/', path_.size() > 1 ? path_.size() - 2 : 0) + 1;
            kind_ = Kind::Unread;
            error_ = level.error;
            depth_ = top_;
            return true;
        }
        NameEntry(level, name);
        depth_ = top_;
        if (type == DT_UNKNOWN)
            type = TypeAt(level.fd.Get(), name);
        switch (type) {
        case DT_DIR:
            return Descend(level, path_.c_str() + name_start_);
        case DT_REG:
            kind_ = Kind::File;
            return true;
        case DT_LNK:
            kind_ = Kind::Link;
            return true;
        default:
            kind_ = Kind::Other;
            return true;
        }
    }
    return false;
}

// Ends the innermost level; a parent that gave up its descriptor takes it back first.
void RawFolderWalk::Leave()
{
    Level& level = levels_[static_cast<size_t>(top_)];
    if (top_ > 0) {
        Level& parent = levels_[static_cast<size_t>(top_ - 1)];
        if (!parent.fd.IsOpen() && !parent.given_up)
            Regain(parent, level);
    }
    level.Close();
    --top_;
}

// The parent's ".." seen from the child must be the folder the parent was; when it is not (the
// tree was moved meanwhile) or cannot be opened, the parent's remaining entries are given up:
// the parent reports the failure, and every buffered folder above it that also waits for its
// descriptor gives up silently, as it could only be reached through the parent.
void RawFolderWalk::Regain(Level& parent, const Level& child)
{
    RawFd fd = child.fd.IsOpen() ? RawFd::OpenAt(child.fd.Get(), "..", O_RDONLY | O_DIRECTORY) : RawFd();
    int error = fd.IsOpen() ? ESTALE : errno;
    struct stat info { };
    if (fd.IsOpen() && fstat(fd.Get(), &info) == 0 && info.st_dev == parent.device
        && info.st_ino == parent.inode) {
        parent.fd = std::move(fd);
        return;
    }
    parent.given_up = true;
    parent.error = error;
    for (int32_t k = top_ - 2; k >= 0; --k) {
        Level& above = levels_[static_cast<size_t>(k)];
        if (above.fd.IsOpen())
            break;
        above.given_up = true;
        above.done = true;
    }
}

} // namespace RawLayer
