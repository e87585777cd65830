#include <app/GuiStartup.h>
#include <app/GuiStartupMessage.h>
#include <app/GuiTMenuExecution.h>
#include <app/GuiViewDialog.h>
#include <app/GuiViewItems.h>
#include <core/RawPath.h>
#include <core/RawProfile.h>
#include <core/RawThreadDump.h>
#include <core/RawThreadHook.h>
#include <toolkit/host/HostSystem.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace AppLayer {

using RawLayer::RawEncoding;
using RawLayer::RawPath;
using RawLayer::RawProfile;

namespace {

RawString Utf8(std::string_view bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

bool TakesNoValue(std::string_view name)
{
    return name == "h";
}

} // namespace

GuiStartup::GuiStartup(JobLayer::JobConfig& config, RawLanguageTable& language)
    : config_(config)
    , language_(language)
{
    command_line_.SetExactKeys(true);
}

RawParameterList GuiStartup::ParseArguments(const std::vector<std::string>& words)
{
    RawParameterList list;
    list.SetExactKeys(true);
    int free_count = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        std::string_view word = words[i];
        if (!word.starts_with('-')) {
            list.Add(Utf8("NoTag_" + std::to_string(++free_count)), Utf8(word));
            continue;
        }
        // A doubled "-" makes an entry without a name, then starts a new option.
        while (word.starts_with("--")) {
            list.Add(RawString());
            word.remove_prefix(1);
        }
        std::string_view name = word.substr(1);
        bool has_value = !name.empty() && !TakesNoValue(name) && i + 1 < words.size()
            && !std::string_view(words[i + 1]).starts_with('-');
        RawLayer::RawParameterUnit& unit = list.Add(Utf8(name));
        if (has_value)
            unit.value = Utf8(words[++i]);
    }
    return list;
}

RawString GuiStartup::ProgramProfilePath(const RawString& executable)
{
    RawString extension = RawPath::Extension(executable);
    RawString stem
        = executable.Substring(0, executable.Length() - (extension.IsEmpty() ? 0 : extension.Length() + 1));
    RawString path = stem;
    (void)path.Append(RawString(".ini"));
    return path;
}

GuiStartup::Outcome GuiStartup::Run(
    const std::vector<std::string>& words, const RawString& executable, std::string& message)
{
    command_line_ = ParseArguments(words);
    executable_folder_ = RawPath::FolderPart(executable);
    if (command_line_.Contains(RawString("h"))) {
        message = kUsage;
        return Outcome::Help;
    }
    if (!FindProgramProfile(executable)) {
        message = kBadProfile;
        return Outcome::BadProfile;
    }
    ReadProgramProfile();
    return Outcome::GoOn;
}

// The profile beside the executable; when it is missing and cannot be made there (a program
// installed in a folder the user may not write), the one in the user's own folder.
bool GuiStartup::FindProgramProfile(const RawString& executable)
{
    bool usable = false;
    RawString beside = ProgramProfilePath(executable);
    if (!CheckProgramProfile(beside, usable))
        return false;
    if (usable) {
        program_profile_ = beside;
        return true;
    }
    RawString own = RawPath::Join(RawPath::UserFolder(), RawString("Quelvane.ini"));
    if (!CheckProgramProfile(own, usable))
        return false;
    program_profile_ = usable ? own : beside;
    return true;
}

// False when the file is not a profile of ours. `usable` tells whether the path can serve:
// an existing folder or file, or a file that could be created with "Program=Quelvane".
bool GuiStartup::CheckProgramProfile(const RawString& path, bool& usable)
{
    usable = true;
    if (RawPath::IsFolder(path))
        return true;
    RawProfile profile(path);
    if (!RawPath::Exists(path)) {
        usable = profile.SetText(RawString("Common"), RawString("Program"), RawString("Quelvane"));
        return true;
    }
    return !profile.GetText(RawString("Common"), RawString("Program"), RawString()).IsEmpty();
}

void GuiStartup::ReadProgramProfile()
{
    gui_profile_ = program_profile_;
    config_path_ = program_profile_;
    RawParameterList common;
    RawProfile profile(program_profile_);
    if (!RawPath::IsFolder(program_profile_) && profile.ReadSection(RawString("Common"), common)) {
        if (const auto* unit = common.Find(RawString("GuiProfile")))
            gui_profile_ = RawPath::ResolveProfilePath(unit->value, executable_folder_);
        if (const auto* unit = common.Find(RawString("ConfigFile")))
            config_path_ = RawPath::ResolveProfilePath(unit->value, executable_folder_);
        if (const auto* unit = common.Find(RawString("Language")))
            language_.SetLanguage(unit->value);
        if (const auto* unit = common.Find(RawString("LanguageFile")))
            language_.SetFilePath(RawPath::ResolveProfilePath(unit->value, executable_folder_));
    }
    language_.Load(RawPath::FolderPart(config_path_), executable_folder_);
    config_.Load(config_path_, command_line_);
}

namespace {

void OnTermination(int)
{
    GuiViewItems::RequestClose();
}

void OnSnapshotSignal(int)
{
    GuiViewItems::RequestSnapshot();
}

// A termination signal closes the window as its close button does, so an apply that is writing
// files finishes first; pictures on SIGUSR1 only when a test asked for them.
void InstallSignalHandlers(bool install)
{
    for (int signal : { SIGTERM, SIGINT, SIGHUP })
        std::signal(signal, install ? OnTermination : SIG_DFL);
    const char* prefix = std::getenv("QUELVANE_SNAPSHOT_PREFIX");
    if (prefix != nullptr && *prefix != '\0')
        std::signal(SIGUSR1, install ? OnSnapshotSignal : SIG_DFL);
}

// Main window, message loop, shutdown: the objects go in the reverse order of their making, and
// the windows write their own state to the GUI profile as they close.
void RunMainWindow(const GuiStartup& startup)
{
    if (!WinLayer::Host::Start()) {
        std::fprintf(stderr, "%s: %s\n", GuiStartup::kCaption, WinLayer::Host::LastError().c_str());
        return;
    }
    InstallSignalHandlers(true);
    {
        RawProfile gui_profile(startup.GuiProfile());
        GuiViewDialog dialog;
        GuiTMenuExecution title_menu(gui_profile, JobLayer::JobConfig::Instance().Profile());
        title_menu.Attach(dialog);
        GuiViewItems items(dialog, JobLayer::JobConfig::Instance(), gui_profile);
        items.Prepare();
        if (items.Open())
            (void)WinLayer::WinDialog::RunMessageLoop();
        else
            std::fprintf(stderr, "%s: the main window could not be made\n", GuiStartup::kCaption);
    }
    InstallSignalHandlers(false);
    WinLayer::Host::Stop();
}

} // namespace

int GuiMain(int argc, char** argv)
{
    static RawLayer::RawThreadDump dump;
    (void)dump.Install(); // without a usable dump folder the program still runs
    RawLayer::RawThreadHook::RunGuarded([&] {
        std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
        GuiStartup startup(JobLayer::JobConfig::Instance(), RawLanguageTable::Instance());
        std::string message;
        GuiStartup::Outcome outcome = startup.Run(words, RawPath::ExecutablePath(), message);
        if (outcome != GuiStartup::Outcome::GoOn) {
            GuiStartupMessage::Show(message,
                outcome == GuiStartup::Outcome::BadProfile ? GuiStartupMessage::Kind::Warning
                                                           : GuiStartupMessage::Kind::Information);
            return;
        }
        RunMainWindow(startup);
    });
    return 0;
}

} // namespace AppLayer
