#include <core/RawPathAt.h>
#include <core/RawSystemText.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include <fcntl.h>

namespace RawLayer {

RawPathAt::RawPathAt(const RawString& path)
    : folder_fd_(AT_FDCWD)
{
    RawSystemText system(path);
    std::string_view bytes = system.View();
    if (!system.IsValid() || bytes.empty()) {
        error_ = system.IsValid() ? ENOENT : EINVAL;
        return;
    }
    if (bytes.size() < PATH_MAX) {
        name_ = bytes;
        valid_ = true;
        return;
    }
    // Trailing "/" only ask for a folder, which the caller's call decides anyway.
    while (bytes.size() > 1 && bytes.back() == '/')
        bytes.remove_suffix(1);
    size_t slash = bytes.rfind('/');
    name_ = bytes.substr(slash == std::string_view::npos ? 0 : slash + 1);
    valid_ = slash == std::string_view::npos || OpenFolders(bytes.substr(0, slash == 0 ? 1 : slash));
}

// Each folder is opened for lookups only (O_PATH), which needs no more than the search
// permission a lookup of the whole path would need.
bool RawPathAt::OpenFolders(std::string_view folder)
{
    if (folder.starts_with('/')) {
        owned_fd_ = RawFd::Open("/", O_PATH | O_DIRECTORY);
        if (!owned_fd_.IsOpen()) {
            error_ = errno;
            return false;
        }
        folder_fd_ = owned_fd_.Get();
    }
    std::string component;
    while (!folder.empty()) {
        size_t end = std::min(folder.find('/'), folder.size());
        component.assign(folder.substr(0, end));
        folder.remove_prefix(std::min(end + 1, folder.size()));
        if (component.empty())
            continue;
        RawFd next = RawFd::OpenAt(folder_fd_, component.c_str(), O_PATH | O_DIRECTORY);
        if (!next.IsOpen()) {
            error_ = errno;
            return false;
        }
        owned_fd_ = std::move(next);
        folder_fd_ = owned_fd_.Get();
    }
    return true;
}

} // namespace RawLayer
