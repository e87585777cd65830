#include <engine/JobBackupItemUnit.h>
#include <engine/JobBackupLock.h>
#include <engine/JobBackupUnit.h>

#include <string>
#include <vector>

#include <cli/CliBackups.h>
#include <cli/CliProgram.h>
#include <cli/CliSignals.h>

namespace QuelvaneCli {

using JobLayer::JobBackupItemUnit;
using JobLayer::JobBackupUnit;

namespace {

// A comment text as one field of a tab-separated line.
void AppendField(std::string& line, std::string_view text)
{
    line.push_back('\t');
    for (char c : text) {
        if (c == '\t')
            line.append("%t");
        else if (c == '\n')
            line.append("%n");
        else if (c == '\r')
            line.append("%r");
        else
            line.push_back(c);
    }
}

void PrintLine(std::FILE* file, const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), file);
}

} // namespace

CliBackups::CliBackups(JobLayer::JobBackupList& store, const RawString& backup_folder, int32_t days)
    : store_(store)
{
    // A loader that cannot start leaves the store marked as loaded (and empty), so the waits
    // below cannot hang.
    (void)store_.StartLoader(backup_folder, days);
}

CliBackups::~CliBackups()
{
    store_.Loader().Wait();
}

std::string_view CliBackups::FolderName(const RawString& folder)
{
    std::string_view path = folder.View();
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void CliBackups::PrintProblems(std::FILE* err) const
{
    for (const std::string& problem : store_.Problems())
        PrintLine(err, problem + "\n");
}

int CliBackups::List(std::FILE* out, std::FILE* err)
{
    store_.WaitReady();
    std::vector<JobBackupUnit*> sets = store_.Sets();
    std::string line;
    // The loader sorts the sets by folder, which is by time: the newest is last.
    for (auto it = sets.rbegin(); it != sets.rend(); ++it) {
        const JobBackupUnit& set = **it;
        const RawLayer::RawParameterList& comment = set.Items().Comment();
        line.assign(FolderName(set.Folder()));
        AppendField(line, comment.GetText("Time", RawString()).View());
        AppendField(line, comment.GetText("Search", RawString()).View());
        AppendField(line, comment.GetText("Replace", RawString()).View());
        AppendField(line, std::to_string(set.Items().Count()));
        line.push_back('\n');
        PrintLine(out, line);
    }
    std::fflush(out);
    PrintProblems(err);
    return store_.Problems().empty() ? CliProgram::kFound : CliProgram::kTrouble;
}

int CliBackups::Restore(const RawString& name, const RestoreRules& rules, std::FILE* out, std::FILE* err)
{
    store_.WaitReady();
    PrintProblems(err);
    JobBackupUnit* found = nullptr;
    for (JobBackupUnit* set : store_.Sets()) {
        if (FolderName(set->Folder()) == name.View())
            found = set;
    }
    if (found == nullptr) {
        std::fprintf(err, "No such backup set (%s)\n", name.Bytes());
        return CliProgram::kTrouble;
    }
    if (!found->Items().LoadError().empty())
        return CliProgram::kTrouble; // its record was refused, and said so above
    // The same lock as an apply's: a restore must not write a file an apply is writing.
    CliSignals signals;
    JobLayer::JobBackupLock lock;
    JobLayer::JobBackupLock::Result locked = lock.Acquire(
        store_.BackupFolder(), [] { return CliSignals::IsStopRequested(); },
        [&] { PrintLine(err, "Waiting for another apply to finish\n"); });
    if (locked == JobLayer::JobBackupLock::Result::Stopped)
        return CliSignals::ExitStatus();
    if (locked != JobLayer::JobBackupLock::Result::Held) {
        PrintLine(
            err, "Backup folder error (" + store_.BackupFolder().Str() + ": lock: " + lock.Reason() + ")\n");
        return CliProgram::kTrouble;
    }
    bool all_restored = true;
    for (JobBackupItemUnit& item : found->Items()) {
        if (CliSignals::IsStopRequested())
            break;
        all_restored = RestoreItem(item, rules, out, err) && all_restored;
    }
    std::fflush(out);
    if (int stopped = CliSignals::ExitStatus(); stopped != 0)
        return stopped;
    return all_restored ? CliProgram::kFound : CliProgram::kTrouble;
}

bool CliBackups::RestoreItem(
    JobBackupItemUnit& item, const RestoreRules& rules, std::FILE* out, std::FILE* err)
{
    const std::string source(item.Source().View());
    // Work done on the file after the apply is not thrown away unless asked for.
    if (!rules.force && item.GetState() == JobBackupItemUnit::kStateChangedLater) {
        PrintLine(err, "Changed since the apply, not restored (" + source + "); --force restores it\n");
        return false;
    }
    JobBackupItemUnit::RestoreOutcome outcome = item.RestoreFile(true);
    if (rules.output != CliOptions::Output::Quiet) {
        for (const std::string& temp : outcome.removed_temps)
            PrintLine(err, "Stale temporary file removed (" + temp + ")\n");
    }
    if (!outcome.restored) {
        PrintLine(err, "Restore error (" + source + ": " + outcome.error + ")\n");
        return false;
    }
    if (rules.output == CliOptions::Output::Lines)
        PrintLine(out, source + "\n");
    return true;
}

} // namespace QuelvaneCli
