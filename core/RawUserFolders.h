#pragma once

// The folders a file chooser offers for quick navigation: the user's desktop and documents
// folders by the freedesktop user-dirs rules, and the mounted file systems a user works in.

#include <core/RawString.h>
#include <core/RawStringList.h>

#include <string_view>

namespace RawLayer {

class RawUserFolders {
public:
    // $XDG_DESKTOP_DIR / $XDG_DOCUMENTS_DIR when set, else the entry of user-dirs.dirs in
    // $XDG_CONFIG_HOME (default ~/.config), else ~/Desktop or ~/Documents when it is a folder,
    // else the home folder. Empty when no home folder is known.
    static RawString Desktop();
    static RawString Documents();

    // The value of `key` in the text of a user-dirs.dirs file: a line `KEY="$HOME/path"` or
    // `KEY="/path"`, with "\" escaping the next character; empty when the key is missing or its
    // value is neither form. `home` replaces "$HOME".
    static RawString ParseUserDirs(std::string_view text, std::string_view key, const RawString& home);

    // The mount points of a /proc/self/mounts text that are folders a user works in: "/", "/home"
    // and what lies under /home, /media, /mnt and /run/media, in the order mounted, each once
    // ("\040" and the other octal escapes of the mounts file decoded).
    static RawStringList WorkMounts(std::string_view mounts_text);
    // WorkMounts of this process's mounts, keeping only the ones that are folders now.
    static RawStringList Drives();

private:
    static RawString Lookup(const char* variable, std::string_view key, const char* fallback);
};

} // namespace RawLayer
