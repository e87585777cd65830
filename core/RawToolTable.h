#pragma once

// The external-tool table: the section "Tool" of the configuration file maps a file extension
// (without the dot, compared ignoring ASCII case) or "Default" to the name of a tool section,
// which holds "Command", "Parameter", "Directory" and "ShowStatus" for RawShell.

#include <core/RawParameterList.h>
#include <core/RawString.h>

#include <cstdint>

namespace RawLayer {

class RawProfile;

class RawToolTable {
public:
    // The tool section for `file_path`: the table's value for its extension, or, when that is
    // missing or empty, the value of "Default"; empty when neither names one.
    static RawString SectionFor(const RawParameterList& tool_table, const RawString& file_path);

    // Opens `file_path` at `line_number` with its tool, read from `config`; a file without a
    // tool is opened with the desktop's default action. The started process is let go at once.
    // True when something was started.
    [[nodiscard]] static bool OpenFile(const RawParameterList& tool_table, RawProfile& config,
        const RawString& file_path, int64_t line_number);
};

} // namespace RawLayer
