#pragma once

// The process-wide configuration: what the configuration file and the command line say. It is
// loaded once at start-up and only read afterwards; the configuration file is never written.

#include <core/RawParameterList.h>
#include <core/RawProfile.h>
#include <core/RawString.h>
#include <core/RawStringList.h>
#include <engine/JobParams.h>

#include <cstdint>

namespace JobLayer {

using RawLayer::RawProfile;

class JobConfig {
public:
    JobConfig();
    JobConfig(const JobConfig&) = delete;
    JobConfig& operator=(const JobConfig&) = delete;

    // The one configuration of the process, with the defaults until Load runs.
    static JobConfig& Instance();

    // Reads "ViewParameter", "Params", "Tool" and "FilterHints" from the configuration file,
    // then applies the command line: "-e" expressions, "-f" filters, free arguments as targets
    // (after those of "Params"), "-p" and "-d" name the parameter file (the last one wins; "-d"
    // also marks a duplicate start). A missing file or section leaves the defaults in place.
    void Load(const RawString& config_path, const RawParameterList& command_line);

    // Opens `path` at `line` with the external tool the "Tool" section names for its extension
    // (or "Default"), else with the desktop's default action. True when something was started.
    bool OpenFileWithTool(const RawString& path, int64_t line);

    RawProfile& Profile() { return profile_; }
    const RawString& ParameterFile() const { return parameter_file_; }
    const RawParameterList& ToolTable() const { return tool_table_; }
    int32_t TabStop() const { return tab_stop_; }
    int32_t MaxViewLength() const { return max_view_length_; }
    int32_t MaxLineLength() const { return max_line_length_; }
    // "SearchThreads": at most this many threads search (0, the default: one per core).
    int32_t SearchThreads() const { return search_threads_; }
    const RawString& BackupFolder() const { return backup_folder_; }
    int32_t BackupDays() const { return backup_days_; }
    int32_t SlightlyMove() const { return slightly_move_; }
    bool IsDuplicate() const { return duplicate_; }
    JobParams& StartupParams() { return startup_params_; }
    const RawStringList& FilterHints() const { return filter_hints_; }

    // Where backups go unless "BackupFolder" says otherwise: a per-user state folder, because
    // the temporary folder is emptied at boot on most systems and would lose the undo data.
    static RawString DefaultBackupFolder();

private:
    void ReadViewParameters();
    void ReadStartupParams();
    void ReadFilterHints();
    void ApplyCommandLine(const RawParameterList& command_line);

    RawProfile profile_;
    RawString parameter_file_;
    RawParameterList tool_table_;
    int32_t tab_stop_ = 4;
    int32_t max_view_length_ = 1024;
    int32_t max_line_length_ = 16384;
    int32_t search_threads_ = 0;
    RawString backup_folder_;
    int32_t backup_days_ = 30;
    int32_t slightly_move_ = 20;
    bool duplicate_ = false;
    JobParams startup_params_;
    RawStringList filter_hints_;
};

} // namespace JobLayer
