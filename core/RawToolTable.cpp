#include <core/RawPath.h>
#include <core/RawProfile.h>
#include <core/RawShell.h>
#include <core/RawToolTable.h>

namespace RawLayer {

RawString RawToolTable::SectionFor(const RawParameterList& tool_table, const RawString& file_path)
{
    // A file without extension goes straight to "Default": an empty key is no extension.
    RawString extension = RawPath::Extension(file_path);
    RawString section = extension.IsEmpty() ? RawString() : tool_table.GetText(extension, "");
    return section.IsEmpty() ? tool_table.GetText("Default", "") : section;
}

bool RawToolTable::OpenFile(
    const RawParameterList& tool_table, RawProfile& config, const RawString& file_path, int64_t line_number)
{
    RawString section_name = SectionFor(tool_table, file_path);
    if (section_name.IsEmpty())
        return RawShell::OpenWithShell(file_path);
    // A named section that is missing or empty leaves the launcher empty, and the empty
    // parameter text then names nothing to open.
    RawParameterList section;
    config.ReadSection(section_name, section);
    RawShell shell;
    shell.LoadTool(section);
    shell.SetPlaceholders(file_path, line_number);
    bool started = shell.Execute(shell.Parameter(), "");
    shell.ClosedProcess();
    return started;
}

} // namespace RawLayer
