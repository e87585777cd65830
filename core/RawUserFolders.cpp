#include <core/RawPath.h>
#include <core/RawRecordFile.h>
#include <core/RawUserFolders.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace RawLayer {

namespace {

RawString Bytes(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

constexpr int64_t kTextLimit = 1 << 20; // these files are a few kilobytes

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || static_cast<int64_t>(text.size()) + got > kTextLimit)
            return text;
        text.append(buffer, static_cast<size_t>(got));
    }
}

// The user's settings file, which may be a link (kept in a dotfiles repository); a pipe or a
// device planted there reads as empty.
std::string ReadSettingsFile(const RawString& path)
{
    RawRecordFile file;
    if (!file.Open(path, RawRecordFile::Links::Follow, kTextLimit))
        return {};
    return ReadAll(file.Fd().Get());
}

// The kernel's mounts table: not a regular file (its size reads as 0), so it is read as it is.
std::string ReadMounts()
{
    const RawFd fd = RawFd::Open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    return fd.Get() < 0 ? std::string() : ReadAll(fd.Get());
}

// The quoted value after `KEY=` with its backslash escapes removed; false when it is not quoted.
bool QuotedValue(std::string_view rest, std::string& value)
{
    if (rest.size() < 2 || rest.front() != '"')
        return false;
    for (size_t i = 1; i < rest.size(); ++i) {
        if (rest[i] == '"')
            return true;
        if (rest[i] == '\\' && i + 1 < rest.size())
            ++i;
        value += rest[i];
    }
    return false;
}

// A mounts-file field with its octal escapes ("\040" for a blank) decoded.
std::string DecodeMountField(std::string_view field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
            const std::string_view digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string_view::npos) {
                out += static_cast<char>(std::stoi(std::string(digits), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool IsWorkMount(const std::string& point)
{
    if (point == "/" || point == "/home")
        return true;
    for (const char* root : { "/home/", "/media/", "/mnt/", "/run/media/" })
        if (point.rfind(root, 0) == 0 && point.size() > std::string_view(root).size())
            return true;
    return false;
}

} // namespace

RawString RawUserFolders::ParseUserDirs(std::string_view text, std::string_view key, const RawString& home)
{
    std::istringstream lines { std::string(text) };
    std::string line;
    RawString found;
    while (std::getline(lines, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const std::string_view entry = std::string_view(line).substr(start);
        if (entry.substr(0, key.size()) != key || entry.substr(key.size(), 1) != "=")
            continue;
        std::string value;
        if (!QuotedValue(entry.substr(key.size() + 1), value))
            continue;
        // The last valid line wins, as the shell that sources the file would have it.
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/') && !home.IsEmpty())
            found = RawPath::Join(home, Bytes(value.substr(value.size() > 5 ? 6 : 5)));
        else if (!value.empty() && value.front() == '/')
            found = Bytes(value);
    }
    return found;
}

RawString RawUserFolders::Lookup(const char* variable, std::string_view key, const char* fallback)
{
    const RawString home = RawPath::HomeFolder();
    if (const char* set = std::getenv(variable); set != nullptr && set[0] == '/')
        return Bytes(set);
    if (home.IsEmpty())
        return home;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const RawString config_folder
        = config != nullptr && config[0] == '/' ? Bytes(config) : RawPath::Join(home, RawString(".config"));
    const RawString dirs = RawPath::Join(config_folder, RawString("user-dirs.dirs"));
    RawString found = ParseUserDirs(ReadSettingsFile(dirs), key, home);
    if (!found.IsEmpty() && RawPath::IsFolder(found))
        return found;
    found = RawPath::Join(home, Bytes(fallback));
    return RawPath::IsFolder(found) ? found : home;
}

RawString RawUserFolders::Desktop()
{
    return Lookup("XDG_DESKTOP_DIR", "XDG_DESKTOP_DIR", "Desktop");
}

RawString RawUserFolders::Documents()
{
    return Lookup("XDG_DOCUMENTS_DIR", "XDG_DOCUMENTS_DIR", "Documents");
}

RawStringList RawUserFolders::WorkMounts(std::string_view mounts_text)
{
    std::istringstream lines { std::string(mounts_text) };
    std::string line;
    std::vector<std::string> seen;
    RawStringList mounts;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device;
        std::string point;
        if (!(fields >> device >> point))
            continue;
        point = DecodeMountField(point);
        if (!IsWorkMount(point) || std::find(seen.begin(), seen.end(), point) != seen.end())
            continue;
        seen.push_back(point);
        mounts.Add(Bytes(point));
    }
    return mounts;
}

RawStringList RawUserFolders::Drives()
{
    RawStringList drives;
    for (const RawString& point : WorkMounts(ReadMounts()))
        if (RawPath::IsFolder(point))
            drives.Add(point);
    return drives;
}

} // namespace RawLayer
