#pragma once

// A depth-first walk of a folder tree by descriptors. Every folder is opened relative to the
// descriptor of the folder that holds it and listed through that descriptor, and every entry is
// reported with the descriptor of its folder and its name, so that the caller opens and examines
// it with the *at calls: the depth of the tree is bounded neither by the system's path length
// limit nor by the number of descriptors a process may hold (below kStreamLevels, each folder
// listing stays open while its sub-folders are walked; deeper folders are read whole when
// entered and give up their descriptor while a sub-folder is walked, taking it back through the
// sub-folder's "..", checked to be the same folder).
//
// Order: the entries of each folder as the system lists them ("." and ".." left out), a
// sub-folder walked as it comes, before the entries after it. Symbolic links are reported, never
// followed into; devices, pipes and sockets are reported as Other and never opened. The type the
// listing gives is used as it is; only an entry of unknown type is looked at with fstatat. Names
// and paths are the bytes the system gave, never re-encoded, and the walk allocates nothing per
// entry once its buffers have grown.

#include <core/RawFd.h>
#include <core/RawString.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace RawLayer {

class RawFolderWalk {
public:
    enum class Kind : uint8_t {
        Folder,   // a folder was entered (the start folder first, at depth 0); its entries follow
        File,     // a regular file
        Link,     // a symbolic link
        Other,    // a device, pipe or socket, or an entry that vanished before its type was known
        Unopened, // a sub-folder that could not be opened (Error() says why); not walked
        Unread,   // a folder whose listing broke off (Error() says why); reported after the
                  // entries that could be read
    };

    // What a symbolic link leads to, found by following it.
    enum class Target : uint8_t { None, Folder, File, Other };

    // Folders nearer the start than this keep their listing open while their sub-folders are
    // walked.
    static constexpr int32_t kStreamLevels = 32;

    RawFolderWalk();
    ~RawFolderWalk();
    RawFolderWalk(const RawFolderWalk&) = delete;
    RawFolderWalk& operator=(const RawFolderWalk&) = delete;

    // Starts a walk at `folder` (a link to a folder is followed here, as the caller named it);
    // the first Next reports it as a Folder. False, with Error() telling why, when it cannot be
    // opened and listed.
    [[nodiscard]] bool Start(const RawString& folder);
    // Moves to the next entry; false when the walk has ended. The caller may stop calling at
    // any point; the walk's descriptors close with the next Start or with the walk.
    [[nodiscard]] bool Next();

    Kind EntryKind() const { return kind_; }
    // The depth of the entry's folder (0 for the start folder); for a Folder, its own depth.
    int32_t Depth() const { return depth_; }
    // The start folder joined with every name down to the entry; zero-terminated.
    const std::string& Path() const { return path_; }
    // The entry's name: the end of Path().
    std::string_view Name() const { return std::string_view(path_).substr(name_start_); }
    // The folder that holds the entry, for the *at calls (for a Folder, the folder itself). Valid
    // until the next call of Next.
    int FolderFd() const;
    // The errno of Unopened and Unread entries and of a failed Start.
    int Error() const { return error_; }
    // For a Link: where it leads.
    Target LinkTarget() const;

private:
    struct Level;

    void CloseAll();
    bool Push(RawFd fd);
    bool ReadEntry(Level& level, const char*& name, unsigned char& type);
    bool Descend(Level& level, const char* name);
    void Leave();
    void Regain(Level& parent, const Level& child);
    void NameEntry(const Level& level, const char* name);

    std::vector<Level> levels_; // reused from folder to folder; [0, top_] are in use
    int32_t top_ = -1;
    int32_t depth_ = 0;
    std::string path_;
    size_t name_start_ = 0;
    Kind kind_ = Kind::Folder;
    int error_ = 0;
    bool start_pending_ = false;
};

} // namespace RawLayer
