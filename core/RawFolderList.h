#pragma once

// The entries of one folder, in the order the file system returns them (never sorted), each
// tested by a word of skip options. Names are kept as the bytes the system gave, so an entry's
// path opens that same entry even when its name is not valid UTF-8.
//
// How the folder's attributes map to this system: a shortcut is a symbolic link; hidden means
// the name starts with "."; read-only means the owner's write bit is clear (a property of the
// file, the same for every user, root included); there are no system files.

#include <core/RawListR.h>
#include <core/RawString.h>

#include <cstdint>

namespace RawLayer {

struct RawFolderListUnit {
    // What a symbolic link points to, found by following it.
    enum class Target : uint8_t {
        None, // not a link, or a link that leads nowhere (dangling, a cycle, no access)
        Folder,
        File,  // a regular file
        Other, // a device, pipe or socket
    };

    RawString name; // the entry's name as the system gave it
    RawString path; // the listed folder joined with the name
    // False when the entry's attributes could not be read (it vanished, or no access); then
    // only the name and, where the system told it, is_folder are known.
    bool attributes_known = false;
    bool is_folder = false;  // the entry itself is a folder (a link to one is a link)
    bool is_regular = false; // the entry itself is a regular file
    bool is_link = false;
    Target link_target = Target::None;
    bool is_hidden = false;
    bool is_read_only = false;
    // Size in bytes and last-write time (100-ns ticks since 1601-01-01 UTC). For a link that
    // leads somewhere these and is_read_only describe where it leads, as reading the path does.
    int64_t size = 0;
    uint64_t write_ticks = 0;

    bool IsDotEntry() const;
};

class RawFolderListAllocator : public RawListAllocator<RawFolderListUnit> { };

class RawFolderList : public RawListR<RawFolderListAllocator, RawFolderListUnit> {
public:
    // Skip option bits: an entry of the given kind is left out of the listing.
    static constexpr uint32_t kSkipFolders = 0x01;
    static constexpr uint32_t kSkipNonFolders = 0x02; // all but folders and links
    static constexpr uint32_t kSkipLinks = 0x04;
    static constexpr uint32_t kSkipDots = 0x10;   // "." and ".."
    static constexpr uint32_t kSkipSystem = 0x20; // there are none here; kept for the option word
    static constexpr uint32_t kSkipHidden = 0x40; // names starting with "." other than "." and ".."
    static constexpr uint32_t kSkipReadOnly = 0x80;

    // Replaces the list by the entries of `folder` that pass `skip_options`. False when the
    // folder cannot be opened or read to its end (Error() tells why); the entries read before a
    // read error stay in the list.
    [[nodiscard]] bool Read(const RawString& folder, uint32_t skip_options);
    int Error() const { return error_; } // errno of the failed Read, 0 after success

    // Whether an entry with these attributes passes the skip options.
    static bool Keeps(const RawFolderListUnit& unit, uint32_t skip_options);

private:
    int error_ = 0;
};

} // namespace RawLayer
