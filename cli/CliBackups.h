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
    // "%n", "%r", so each set stays one line). What the store could not use (an untrusted
    // folder, a record that is a pipe, ...) goes to `err`. The exit status: 0, or 2 when
    // anything could not be used.
    int List(std::FILE* out, std::FILE* err);

    struct RestoreRules {
        CliOptions::Output output = CliOptions::Output::Lines;
        bool force = false; // also files changed since the apply
    };

    // Restores every file of the set whose folder name is `name`, holding the backup folder's
    // lock: each restored path goes to `out` (unless quiet), each failure to `err` as "Restore
    // error (PATH: reason)". A file changed since the apply is skipped with an error unless
    // `rules.force`. SIGINT, SIGTERM and SIGHUP stop it after the file it is writing. The exit
    // status: 0 when every file was put back; 2 when any was not, the set's record was refused
    // or no set has that name; 128 + the signal when one stopped it.
    int Restore(const RawString& name, const RestoreRules& rules, std::FILE* out, std::FILE* err);

    // The last segment of a set folder's path.
    static std::string_view FolderName(const RawString& folder);

private:
    void PrintProblems(std::FILE* err) const;
    bool RestoreItem(
        JobLayer::JobBackupItemUnit& item, const RestoreRules& rules, std::FILE* out, std::FILE* err);

    JobLayer::JobBackupList& store_;
};

} // namespace QuelvaneCli
