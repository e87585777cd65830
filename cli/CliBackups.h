#pragma once

// The backup store seen from the console: --list-backups prints the sets, --restore puts the
// files of one set back, and --apply adds a set. The store is opened the way the desktop
// program opens it at start-up: the loader reads the sets and then deletes those older than
// "BackupDays". Listing and restoring wait until the sets are read; the loader is always let
// finish its deletions before the program ends.

#include <core/RawString.h>
#include <engine/JobBackupList.h>

#include <cstdio>
#include <string_view>

#include <cli/CliOptions.h>

namespace QuelvaneCli {

class CliBackups {
public:
    // Starts the loader of `store`, which has not been started yet; `backup_folder` and `days`
    // are the configuration's.
    CliBackups(JobLayer::JobBackupList& store, const RawString& backup_folder, int32_t days);
    // Waits for the loader to end.
    ~CliBackups();
    CliBackups(const CliBackups&) = delete;
    CliBackups& operator=(const CliBackups&) = delete;

    // One line per set, newest first: folder name, time, search, replacement and file count,
    // separated by tabs (a tab or line break inside a text is shown in its escaped form, "%t",
    // "%n", "%r", so each set stays one line). The exit status: 0.
    int List(std::FILE* out);

    // Restores every file of the set whose folder name is `name`: each restored path goes to
    // `out` (unless quiet), each failure to `err` as "Restore error (PATH)". The exit status: 0
    // when every file was put back, 2 when any was not or no set has that name.
    int Restore(const RawString& name, CliOptions::Output output, std::FILE* out, std::FILE* err);

    // The last segment of a set folder's path.
    static std::string_view FolderName(const RawString& folder);

private:
    JobLayer::JobBackupList& store_;
};

} // namespace QuelvaneCli
