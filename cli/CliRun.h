#pragma once

// One search run of quelvane-cli: the parameters from a loaded file and the command line, the
// search (printed as it goes, or kept when later steps need the blocks), the replace preview,
// the apply with its backup set, the saved files, and the exit status.

#include <core/RawString.h>
#include <engine/JobConfig.h>
#include <engine/JobParams.h>
#include <engine/JobResultFile.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <string>

#include <cli/CliOptions.h>
#include <cli/CliPrinter.h>

namespace QuelvaneCli {

class CliRun {
public:
    // Opens `status` for the run, printing its entries to standard error.
    CliRun(const CliOptions& options, const JobLayer::JobConfig& config, JobLayer::JobStatusCentre& status);
    // Closes the status centre again.
    ~CliRun();
    CliRun(const CliRun&) = delete;
    CliRun& operator=(const CliRun&) = delete;

    // Runs every step the options ask for; the exit status.
    int Execute();

private:
    // Reads the --load file into the parameters and the results; false when it failed.
    bool Load(bool& has_results);
    // Appends the command line to the parameters and checks them; false (with the reason in
    // `message`) when the run cannot go on.
    bool PrepareParams(bool has_results, std::string& message);
    // The search, printed as it goes unless the blocks are kept.
    void Search(bool keep_results);
    void Preview();
    // True when every file was written. SIGINT, SIGTERM and SIGHUP stop it between two files.
    bool Apply();
    void SaveFiles();
    void Save(const RawString& path, JobLayer::JobResultFile::Type type);

    const CliOptions& options_;
    const JobLayer::JobConfig& config_;
    JobLayer::JobStatusCentre& status_;
    JobLayer::JobParams params_;
    JobLayer::JobResultSet results_;
    CliPrinter printer_;
    int stop_status_ = 0; // 128 + the signal that stopped the apply, or 0
};

} // namespace QuelvaneCli
