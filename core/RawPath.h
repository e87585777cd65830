#pragma once

// Small operations on path texts. A path is bytes: it is split and joined at "/" only and never
// re-encoded, so a file name the system gave us comes back to the system unchanged. A "\" is an
// ordinary name character on this system (file filters treat it as a separator, paths do not).
//
// Inputs of code 0 (the locale's codeset) or 2 (UTF-8) are used as their bytes; inputs of any
// other code are converted to UTF-8 first. Results carry code 2.
//
// Folder parts keep the root: the folder part of "/name" is "/", and the root has no parent
// but itself, so no operation here turns an absolute path into a relative one.

#include <core/RawString.h>

#include <cstdint>

#include <sys/types.h>
#include <time.h>

namespace RawLayer {

class RawPath {
public:
    // The text before the last "/", without it; "/" for a name in the root; empty when there is
    // no "/".
    static RawString FolderPart(const RawString& path);
    // The text after the last "." when the last of "/" and "." is a "."; otherwise empty.
    static RawString Extension(const RawString& path);
    // Whether the path starts with "/".
    static bool IsAbsolute(const RawString& path);
    // `folder`, "/" and `name`. No "/" is doubled at the seam (a folder ending in "/" or a name
    // starting with one gets none added); an empty folder gives `name`, an empty name `folder`.
    static RawString Join(const RawString& folder, const RawString& name);
    // An empty or absolute path unchanged; otherwise the path's leading "./" prefixes are dropped,
    // each leading "../" cuts the base to its folder part, and the rest is joined to the base.
    // The root's parent is the root. A "../" that finds the base already used up is kept, so
    // the result never names a different file than the path did ("../../x" on base "a" gives
    // "../x"). The base is taken as written: "." and ".." inside it are not folded.
    static RawString Resolve(const RawString& path, const RawString& base);
    // The path as an absolute path, made from the current folder: an empty or absolute path
    // unchanged, "." the current folder itself, leading "./" dropped, and the rest joined to the
    // current folder as it is. Nothing else is folded and no link is resolved, so the result
    // names the very file the path named ("../x" becomes "/cwd/../x"). The current folder is
    // $PWD when that names it (the user's own spelling, links kept), else getcwd(3). When no
    // current folder can be had (it was removed), the path is returned unchanged.
    static RawString MakeAbsolute(const RawString& path);
    // A leading "~" or "~/" becomes the home folder; any other path is returned unchanged.
    static RawString ExpandHome(const RawString& path);
    // The first "$(User)" becomes UserFolder(); the result is then resolved against the
    // executable's folder unless it is absolute. When no home folder is known, "$(User)" and
    // the "/" after it are dropped, so the file lands beside the executable rather than in "/".
    static RawString ResolveProfilePath(const RawString& path);
    // The same against `base` in place of the executable's folder.
    static RawString ResolveProfilePath(const RawString& path, const RawString& base);

    // The home folder: $HOME, else the password database; empty when neither knows it.
    static RawString HomeFolder();
    // The per-user folder of this program ($XDG_CONFIG_HOME, else ~/.config, then "Quelvane"),
    // created with mode 0700 when missing. Empty when no home folder is known.
    static RawString UserFolder();
    // The running program's file (/proc/self/exe); empty if it cannot be read.
    static RawString ExecutablePath();
    static RawString ExecutableFolder() { return FolderPart(ExecutablePath()); }
    // $TMPDIR when set and not empty, else "/tmp"; never with a trailing "/" (except the root).
    static RawString TempFolder();

    // Creates every missing folder of `path` with `mode` (less the umask). True when the path
    // is a folder afterwards.
    [[nodiscard]] static bool CreateFolders(const RawString& path, mode_t mode = 0777);

    // What the path names, following symbolic links.
    static bool Exists(const RawString& path);
    static bool IsFolder(const RawString& path);
    static bool IsFile(const RawString& path); // a regular file

    // File times as 100-ns ticks since 1601-01-01 UTC, the form stored in data files.
    static uint64_t TicksFromTimespec(const timespec& time);
    static timespec TimespecFromTicks(uint64_t ticks);
};

} // namespace RawLayer
