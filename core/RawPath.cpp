#include <core/RawPath.h>
#include <core/RawSystemText.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawLayer {

namespace {

// Seconds from 1601-01-01 to 1970-01-01, and ticks per second of the stored file times.
constexpr int64_t kEpochDifference = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

// The bytes of a path: codes 0 and 2 as they are, any other code converted to UTF-8.
std::string PathBytes(const RawString& path)
{
    RawEncoding encoding = path.Encoding();
    if (encoding == RawEncoding::NoSet || encoding == RawEncoding::Utf8)
        return path.Str();
    RawString utf8;
    return utf8.Acquire(path, RawEncoding::Utf8) ? utf8.Str() : std::string();
}

RawString FromBytes(std::string_view bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

std::string FolderPartOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string JoinBytes(const std::string& folder, std::string_view name)
{
    if (folder.empty())
        return std::string(name);
    if (name.empty())
        return folder;
    std::string joined = folder;
    if (joined.back() == '/' && name.front() == '/')
        joined.pop_back();
    else if (joined.back() != '/' && name.front() != '/')
        joined += '/';
    joined.append(name);
    return joined;
}

// $NAME when set and not empty.
std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeBytes()
{
    std::string home = Environment("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr)
        return found->pw_dir;
    return std::string();
}

bool StatPath(const RawString& path, struct stat& info)
{
    RawSystemText system(path);
    return system.IsValid() && !path.IsEmpty() && stat(system.CStr(), &info) == 0;
}

} // namespace

RawString RawPath::FolderPart(const RawString& path)
{
    return FromBytes(FolderPartOf(PathBytes(path)));
}

RawString RawPath::Extension(const RawString& path)
{
    std::string bytes = PathBytes(path);
    std::size_t last = bytes.find_last_of("/.");
    if (last == std::string::npos || bytes[last] != '.')
        return FromBytes({});
    return FromBytes(std::string_view(bytes).substr(last + 1));
}

bool RawPath::IsAbsolute(const RawString& path)
{
    return PathBytes(path).starts_with('/');
}

RawString RawPath::Join(const RawString& folder, const RawString& name)
{
    return FromBytes(JoinBytes(PathBytes(folder), PathBytes(name)));
}

RawString RawPath::Resolve(const RawString& path, const RawString& base)
{
    std::string bytes = PathBytes(path);
    if (bytes.empty() || bytes.front() == '/')
        return FromBytes(bytes);
    std::string folder = PathBytes(base);
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::string kept_parents; // "../" steps beyond the start of a relative base
    std::string_view rest = bytes;
    for (;;) {
        if (rest.starts_with("./")) {
            rest.remove_prefix(2);
        } else if (rest.starts_with("../")) {
            rest.remove_prefix(3);
            if (folder.empty())
                kept_parents += "../";
            else
                folder = FolderPartOf(folder);
        } else {
            break;
        }
    }
    return FromBytes(JoinBytes(folder, kept_parents + std::string(rest)));
}

RawString RawPath::ExpandHome(const RawString& path)
{
    std::string bytes = PathBytes(path);
    std::string home;
    if (bytes == "~" || bytes.starts_with("~/"))
        home = HomeBytes();
    if (home.empty())
        return FromBytes(bytes);
    return FromBytes(JoinBytes(home, std::string_view(bytes).substr(1)));
}

RawString RawPath::ResolveProfilePath(const RawString& path)
{
    return ResolveProfilePath(path, ExecutableFolder());
}

RawString RawPath::ResolveProfilePath(const RawString& path, const RawString& base)
{
    constexpr std::string_view kUserMacro = "$(User)";
    std::string bytes = PathBytes(path);
    std::size_t macro = bytes.find(kUserMacro);
    if (macro != std::string::npos) {
        std::string user = PathBytes(UserFolder());
        std::size_t length = kUserMacro.size();
        if (user.empty() && bytes.compare(macro + length, 1, "/") == 0)
            ++length;
        bytes.replace(macro, length, user);
    }
    return Resolve(FromBytes(bytes), base);
}

RawString RawPath::HomeFolder()
{
    return FromBytes(HomeBytes());
}

RawString RawPath::UserFolder()
{
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and is ignored.
    std::string config = Environment("XDG_CONFIG_HOME");
    if (!config.starts_with('/')) {
        std::string home = HomeBytes();
        if (home.empty())
            return RawString();
        config = JoinBytes(home, ".config");
    }
    RawString folder = FromBytes(JoinBytes(config, "Quelvane"));
    // A folder that cannot be made is still returned: the file operations on it fail and report.
    (void)CreateFolders(folder, 0700);
    return folder;
}

RawString RawPath::ExecutablePath()
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return RawString();
        if (static_cast<std::size_t>(length) < buffer.size())
            return FromBytes(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
        buffer.resize(buffer.size() * 2);
    }
}

RawString RawPath::TempFolder()
{
    std::string folder = Environment("TMPDIR");
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return FromBytes(folder.empty() ? std::string("/tmp") : folder);
}

bool RawPath::CreateFolders(const RawString& path, mode_t mode)
{
    RawSystemText system(path);
    if (!system.IsValid() || path.IsEmpty())
        return false;
    std::string bytes(system.View());
    // Each prefix that ends before a "/" is a folder to make, then the whole path.
    for (std::size_t slash = bytes.find('/', 1);; slash = bytes.find('/', slash + 1)) {
        std::string prefix = bytes.substr(0, slash);
        if (mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    return IsFolder(path);
}

bool RawPath::Exists(const RawString& path)
{
    struct stat info { };
    return StatPath(path, info);
}

bool RawPath::IsFolder(const RawString& path)
{
    struct stat info { };
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool RawPath::IsFile(const RawString& path)
{
    struct stat info { };
    return StatPath(path, info) && S_ISREG(info.st_mode);
}

uint64_t RawPath::TicksFromTimespec(const timespec& time)
{
    int64_t seconds = static_cast<int64_t>(time.tv_sec) + kEpochDifference;
    if (seconds < 0)
        return 0;
    return static_cast<uint64_t>(seconds) * kTicksPerSecond + static_cast<uint64_t>(time.tv_nsec / 100);
}

timespec RawPath::TimespecFromTicks(uint64_t ticks)
{
    timespec time {};
    time.tv_sec = static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochDifference);
    time.tv_nsec = static_cast<long>(ticks % kTicksPerSecond) * 100;
    return time;
}

} // namespace RawLayer
