#pragma once

// Small helpers every test suite uses: UTF-8 strings from literals, a string list as plain
// strings for comparisons, a file's bytes, a fresh folder that is removed with all it holds, and
// a chain of folders deeper than the system's path length limit.

#include <core/RawString.h>
#include <core/RawStringList.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace QuelvaneTest {

// Removes `name` in the folder `parent_fd` with all it holds, by descriptors, so that a tree of
// any depth goes (a path-based removal stops at the path length limit).
inline void RemoveTreeAt(int parent_fd, const char* name)
{
    if (unlinkat(parent_fd, name, 0) == 0)
        return;
    int fd = openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    if (DIR* listing = fdopendir(fd)) {
        std::vector<std::string> names;
        while (dirent* entry = readdir(listing)) {
            std::string_view entry_name = entry->d_name;
            if (entry_name != "." && entry_name != "..")
                names.emplace_back(entry_name);
        }
        for (const std::string& child : names)
            RemoveTreeAt(dirfd(listing), child.c_str());
        closedir(listing);
    } else {
        close(fd);
    }
    unlinkat(parent_fd, name, AT_REMOVEDIR);
}

// Makes `levels` nested folders with names of `name_length` letters under `base`, going by
// descriptors; the full path of the deepest, empty when one could not be made.
inline std::string MakeDeepFolder(const std::string& base, int levels, size_t name_length)
{
    const std::string name(name_length, 'd');
    std::string path = base;
    int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < levels && fd >= 0; ++level) {
        int next = mkdirat(fd, name.c_str(), 0700) == 0
            ? openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
            : -1;
        close(fd);
        fd = next;
        path += "/" + name;
    }
    if (fd < 0)
        return std::string();
    close(fd);
    return path;
}

// Writes `content` to the file `name` in the deep folder `folder` (a path of any length).
inline bool WriteDeepFile(const std::string& folder, const std::string& name, const std::string& content)
{
    int fd = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    size_t from = 1;
    while (fd >= 0 && from < folder.size()) {
        size_t end = folder.find('/', from);
        std::string part = folder.substr(from, end == std::string::npos ? std::string::npos : end - from);
        int next = part.empty() ? dup(fd) : openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
        from = end == std::string::npos ? folder.size() : end + 1;
    }
    int file = fd >= 0 ? openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600) : -1;
    if (fd >= 0)
        close(fd);
    if (file < 0)
        return false;
    bool written = write(file, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    close(file);
    return written;
}

// The whole content of a file, byte for byte; empty when it cannot be read.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    if (in)
        content << in.rdbuf();
    return std::move(content).str();
}

inline RawLayer::RawString Utf8(std::string_view text)
{
    return RawLayer::RawString(text, RawLayer::RawEncoding::Utf8);
}

inline std::vector<std::string> Texts(const RawLayer::RawStringList& list)
{
    std::vector<std::string> texts;
    for (const RawLayer::RawString& text : list)
        texts.push_back(text.Str());
    return texts;
}

// A new folder in the temporary folder for one test; removed when the test ends.
class TestFolder {
public:
    TestFolder()
    {
        const char* temp = std::getenv("TMPDIR");
        std::string pattern
            = std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/quelvane-test-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TestFolder()
    {
        if (!path_.empty())
            RemoveTreeAt(AT_FDCWD, path_.c_str());
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // Empty when no folder could be made.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace QuelvaneTest
