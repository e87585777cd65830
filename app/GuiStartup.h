#pragma once

// Start-up of the desktop program, from the argument vector to the point where the main window
// is built: the command line as a parameter list, help, the program profile next to the
// executable, and what the profile hands to the language table, the GUI profile and the
// configuration. It needs no display, so it runs the same in tests.

#include <core/RawLanguageTable.h>
#include <core/RawParameterList.h>
#include <core/RawString.h>
#include <engine/JobConfig.h>

#include <string>
#include <vector>

namespace AppLayer {

using RawLayer::RawLanguageTable;
using RawLayer::RawParameterList;
using RawLayer::RawString;

class GuiStartup {
public:
    enum class Outcome {
        GoOn,       // build the main window
        Help,       // "-h": the usage was shown; end without a window
        BadProfile, // the program profile is not ours; end without a window
    };

    static constexpr const char* kCaption = "Quelvane";
    static constexpr const char* kUsage
        = "Arguments = [-h] [-p Profile] [-f Filter]* [-e Expression]* [TargetPath]*";
    static constexpr const char* kBadProfile = "Bad format profile !!";

    GuiStartup(JobLayer::JobConfig& config, RawLanguageTable& language);

    // The words after the program's name, as the shell split and unquoted them, as a parameter
    // list with exact keys: "-x value" gives (x, value), "-h" never takes a value, a word that
    // begins with "-" is never a value, and every other word is a target "NoTag_<n>".
    static RawParameterList ParseArguments(const std::vector<std::string>& words);

    // The program profile beside `executable`: its path with ".ini" in place of its extension,
    // or appended when it has none.
    static RawString ProgramProfilePath(const RawString& executable);

    // Runs start-up for `words` as if the program were `executable`. On Help and BadProfile,
    // `message` holds the text to show the user.
    Outcome Run(const std::vector<std::string>& words, const RawString& executable, std::string& message);

    const RawParameterList& CommandLine() const { return command_line_; }
    const RawString& ProgramProfile() const { return program_profile_; }
    const RawString& GuiProfile() const { return gui_profile_; }
    const RawString& ConfigPath() const { return config_path_; }

private:
    bool FindProgramProfile(const RawString& executable);
    bool CheckProgramProfile(const RawString& path, bool& usable);
    void ReadProgramProfile();

    JobLayer::JobConfig& config_;
    RawLanguageTable& language_;
    RawParameterList command_line_;
    RawString program_profile_;
    RawString gui_profile_;
    RawString config_path_;
    RawString executable_folder_;
};

// The program's main body under the crash guard: start-up, with its messages printed on
// standard error and, when there is a display, shown in a message dialog. The exit code is 0 on
// every path.
int GuiMain(int argc, char** argv);

} // namespace AppLayer
