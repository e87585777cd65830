#include <core/RawPath.h>
#include <core/RawToolTable.h>
#include <engine/JobConfig.h>

#include <algorithm>
#include <cstdlib>

namespace JobLayer {

using RawLayer::RawEncoding;
using RawLayer::RawParameterUnit;
using RawLayer::RawPath;

namespace {

int32_t ReadInteger(const RawParameterList& section, const char* key, int32_t current)
{
    return static_cast<int32_t>(
        section.GetInteger(RawString(std::string_view(key), RawEncoding::Utf8), current));
}

} // namespace

JobConfig::JobConfig()
    : profile_(RawString())
    , backup_folder_(DefaultBackupFolder())
{
}

JobConfig& JobConfig::Instance()
{
    static JobConfig config;
    return config;
}

RawString JobConfig::DefaultBackupFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && *state == '/')
        return RawPath::Join(
            RawString(std::string_view(state), RawEncoding::Utf8), RawString("QuelvaneBackup"));
    RawString home = RawPath::HomeFolder();
    if (home.IsEmpty())
        return RawPath::Join(RawPath::TempFolder(), RawString("QuelvaneBackup"));
    return RawPath::Join(RawPath::Join(home, RawString(".local/state")), RawString("QuelvaneBackup"));
}

void JobConfig::Load(const RawString& config_path, const RawParameterList& command_line)
{
    profile_ = RawProfile(config_path);
    ReadViewParameters();
    ReadStartupParams();
    profile_.ReadSection(RawString("Tool"), tool_table_);
    ReadFilterHints();
    ApplyCommandLine(command_line);
}

void JobConfig::ReadViewParameters()
{
    RawParameterList section;
    if (!profile_.ReadSection(RawString("ViewParameter"), section))
        return;
    tab_stop_ = ReadInteger(section, "TabStop", tab_stop_);
    max_view_length_ = ReadInteger(section, "MaxViewLength", max_view_length_);
    max_line_length_ = ReadInteger(section, "MaxLineLength", max_line_length_);
    search_threads_ = std::max(ReadInteger(section, "SearchThreads", search_threads_), 0);
    backup_folder_ = section.GetText(RawString("BackupFolder"), backup_folder_); // taken as written
    backup_days_ = ReadInteger(section, "BackupDays", backup_days_);
    slightly_move_ = ReadInteger(section, "SlightlyMove", slightly_move_);
}

void JobConfig::ReadStartupParams()
{
    RawParameterList section;
    if (!profile_.ReadSection(RawString("Params"), section))
        return;
    std::lock_guard guard(startup_params_.lock);
    startup_params_.ReadSection(section);
}

// Each entry is one hint: its value, or its key when it has none (a filter text written alone
// on a line, such as "*.c;*.h", reads as a key without a value).
void JobConfig::ReadFilterHints()
{
    RawParameterList section;
    filter_hints_.Clear();
    if (!profile_.ReadSection(RawString("FilterHints"), section))
        return;
    for (const RawParameterUnit& unit : section)
        filter_hints_.Add(unit.value.IsEmpty() ? unit.key : unit.value);
}

void JobConfig::ApplyCommandLine(const RawParameterList& command_line)
{
    std::lock_guard guard(startup_params_.lock);
    for (const RawParameterUnit& unit : command_line) {
        const RawString& key = unit.key;
        if (key.Equals(RawString("e"))) {
            startup_params_.expressions.Add(unit.value);
        } else if (key.Equals(RawString("f"))) {
            startup_params_.filters.Add(unit.value);
        } else if (key.StartsWith(RawString("NoTag"))) {
            startup_params_.targets.Add(unit.value);
        } else if (key.Equals(RawString("p"))) {
            parameter_file_ = unit.value;
        } else if (key.Equals(RawString("d"))) {
            parameter_file_ = unit.value;
            duplicate_ = true;
        }
    }
}

bool JobConfig::OpenFileWithTool(const RawString& path, int64_t line)
{
    return RawLayer::RawToolTable::OpenFile(tool_table_, profile_, path, line);
}

} // namespace JobLayer
