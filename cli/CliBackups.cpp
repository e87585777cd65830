#include <engine/JobBackupItemUnit.h>
#include <engine/JobBackupUnit.h>

#include <string>
#include <vector>

#include <cli/CliBackups.h>
#include <cli/CliProgram.h>

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

int CliBackups::List(std::FILE* out)
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
    return CliProgram::kFound;
}

int CliBackups::Restore(const RawString& name, CliOptions::Output output, std::FILE* out, std::FILE* err)
{
    store_.WaitReady();
    JobBackupUnit* found = nullptr;
    for (JobBackupUnit* set : store_.Sets()) {
        if (FolderName(set->Folder()) == name.View())
            found = set;
    }
    if (found == nullptr) {
        std::fprintf(err, "No such backup set (%s)\n", name.Bytes());
        return CliProgram::kTrouble;
    }
    bool all_restored = true;
    std::string line;
    for (JobBackupItemUnit& item : found->Items()) {
        bool restored = item.Restore();
        all_restored = all_restored && restored;
        line.assign(restored ? "" : "Restore error (");
        line.append(item.Source().View());
        line.append(restored ? "\n" : ")\n");
        if (!restored)
            PrintLine(err, line);
        else if (output == CliOptions::Output::Lines)
            PrintLine(out, line);
    }
    std::fflush(out);
    return all_restored ? CliProgram::kFound : CliProgram::kTrouble;
}

} // namespace QuelvaneCli
