#include <engine/JobApply.h>
#include <engine/JobBackupList.h>
#include <engine/JobReplace.h>
#include <engine/JobSearch.h>

#include <cstdio>
#include <mutex>

#include <cli/CliBackups.h>
#include <cli/CliProgram.h>
#include <cli/CliRun.h>
#include <cli/CliSignals.h>

namespace QuelvaneCli {

using JobLayer::JobResultFile;

CliRun::CliRun(
    const CliOptions& options, const JobLayer::JobConfig& config, JobLayer::JobStatusCentre& status)
    : options_(options)
    , config_(config)
    , status_(status)
    , printer_(status, options.OutputKind(), options.NameForm(), stdout, stderr)
{
    status_.SetSink(&printer_);
    status_.SetAccepting(true);
}

CliRun::~CliRun()
{
    status_.SetAccepting(false);
    status_.SetSink(nullptr);
}

int CliRun::Execute()
{
    bool has_results = false;
    if (!options_.LoadPath().IsEmpty() && !Load(has_results)) {
        printer_.Finish();
        return CliProgram::kTrouble;
    }
    std::string message;
    if (!PrepareParams(has_results, message)) {
        std::fprintf(stderr, "quelvane-cli: %s\n", message.c_str());
        return CliProgram::kTrouble;
    }
    bool keep_results = has_results || options_.KeepsResults();
    if (!has_results)
        Search(keep_results);
    if (options_.IsPreview())
        Preview();
    if (keep_results)
        printer_.PrintBlocks(results_, options_.IsPreview());
    bool applied = !options_.IsApply() || Apply();
    SaveFiles();
    printer_.Finish();
    if (stop_status_ != 0)
        return stop_status_;
    if (printer_.HadError() || !applied)
        return CliProgram::kTrouble;
    return printer_.BlockCount() > 0 ? CliProgram::kFound : CliProgram::kNotFound;
}

bool CliRun::Load(bool& has_results)
{
    JobResultFile::LoadResult loaded = JobResultFile::Load(options_.LoadPath(), params_, results_, status_);
    if (!loaded.success)
        return false;
    has_results = loaded.results;
    // The entries a "Detail" file brings back belong to the run that saved it: they are shown,
    // but this run has not failed by them.
    printer_.PrintEarlierEntries();
    return true;
}

bool CliRun::PrepareParams(bool has_results, std::string& message)
{
    if (has_results && options_.ChangesSearch()) {
        message = "the results of " + options_.LoadPath().Str()
            + " belong to its own search: -e, -f, -i and targets cannot be added (only -r)";
        return false;
    }
    std::lock_guard guard(params_.lock);
    options_.FillParams(params_);
    if (options_.IsPreview()) {
        // As the main window does when it stores the replacement texts: every block's preview,
        // loaded ones included, is computed afresh from the texts now in place.
        params_.preview = true;
        ++params_.checker;
    }
    return has_results || CliOptions::CheckParams(params_, message);
}

void CliRun::Search(bool keep_results)
{
    if (!keep_results) {
        JobLayer::JobSearch::SearchTargets(
            printer_, params_, status_, config_.MaxLineLength(), config_.SearchThreads());
        return;
    }
    JobLayer::JobSearch search(
        params_, results_, status_, printer_, config_.MaxLineLength(), config_.SearchThreads());
    search.Run(JobLayer::JobSearch::StopCheck());
}

void CliRun::Preview()
{
    // The search has ended (or there was none), so one pass computes every block.
    JobLayer::JobReplace replace(params_, results_, printer_);
    replace.Run(JobLayer::JobReplace::Check(), JobLayer::JobReplace::Check());
}

bool CliRun::Apply()
{
    JobLayer::JobBackupList& store = JobLayer::JobBackupList::Instance();
    CliBackups backups(store, config_.BackupFolder(), config_.BackupDays());
    JobLayer::JobApply apply(params_, results_, store, status_, printer_, config_.MaxLineLength());
    // A signal ends the run between two files; the program then ends with its status. The
    // check comes between files and while the run waits for the lock, with no lock held: the
    // entries added meanwhile are printed there, so that a waiting run says why it waits.
    CliSignals signals;
    apply.SetStopCheck([this] {
        printer_.PrintNewEntries();
        return CliSignals::IsStopRequested();
    });
    bool applied = apply.Run();
    stop_status_ = CliSignals::ExitStatus();
    return applied;
}

void CliRun::SaveFiles()
{
    Save(options_.SaveParamPath(), JobResultFile::Type::Param);
    Save(options_.SaveDetailPath(), JobResultFile::Type::Detail);
    Save(options_.SaveSimplePath(), JobResultFile::Type::Simple);
}

void CliRun::Save(const RawString& path, JobResultFile::Type type)
{
    // A failed save adds its error entry, which decides the exit status.
    if (!path.IsEmpty())
        (void)JobResultFile::Save(path, type, params_, results_, status_);
}

} // namespace QuelvaneCli
