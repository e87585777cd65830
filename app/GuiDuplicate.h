#pragma once

// "Duplicate": a second window of the program on a copy of the current state. The parameters and
// results are written as a "Detail" data file to a state file of our own in the temporary folder
// ($TMPDIR or /tmp), named "Quelvane_DupTemp.XXXXXX.txt" with a unique part and mode 0600, and the
// program is started again, without a shell, as `PROGRAM -d STATE_FILE`. The child is reaped.
//
// The second process loads the file named by "-d" with TakeStateFile, which removes it after
// loading, but only when it is such a state file: a regular file of this user, directly in the
// temporary folder, whose name begins "Quelvane_DupTemp". A file a user named with "-d" by hand
// is loaded and left alone.
//
// Main window:   GuiDuplicate(JobStatusCentre::Instance()).Start(params, results);
// Start-up (-d): GuiDuplicate::TakeStateFile(config.ParameterFile(), params, results, status);
// Every failure (the file cannot be made or written, the program cannot be started) becomes a
// status entry.

#include <core/RawString.h>
#include <engine/JobParams.h>
#include <engine/JobResultFile.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <string_view>

#include <sys/types.h>

namespace AppLayer {

class GuiDuplicate {
public:
    static constexpr std::string_view kPrefix = "Quelvane_DupTemp";

    explicit GuiDuplicate(JobLayer::JobStatusCentre& status);

    // The program to start; the running executable unless set (tests start a stand-in).
    void SetProgram(const RawLayer::RawString& program) { program_ = program; }

    // Writes the state file and starts the second process. False, with a status entry, when any
    // step fails; a state file already made is then removed again.
    bool Start(const JobLayer::JobParams& params, const JobLayer::JobResultSet& results);
    // The state file of the last Start (empty before one or after a failure) and the child's pid.
    const RawLayer::RawString& StateFile() const { return state_file_; }
    pid_t Process() const { return process_; }

    // Makes a new, empty state file (mode 0600, unique name) and returns its absolute path;
    // empty, with a status entry, when it cannot be made.
    static RawLayer::RawString CreateStateFile(JobLayer::JobStatusCentre& status);

    // Loads a "-d" file and then removes it when it is one of our state files.
    static JobLayer::JobResultFile::LoadResult TakeStateFile(const RawLayer::RawString& path,
        JobLayer::JobParams& params, JobLayer::JobResultSet& results, JobLayer::JobStatusCentre& status);
    // Removes `path` when it is one of our state files (see above); true when it was removed.
    static bool RemoveStateFile(const RawLayer::RawString& path);

private:
    JobLayer::JobStatusCentre& status_;
    RawLayer::RawString program_;
    RawLayer::RawString state_file_;
    pid_t process_ = 0;
};

} // namespace AppLayer
