#include <core/RawLineFile.h>
#include <core/RawParameterList.h>
#include <core/RawPath.h>
#include <core/RawProfile.h>
#include <engine/JobBackupList.h>
#include <engine/JobConfig.h>
#include <engine/JobStatusCentre.h>

#include <clocale>
#include <cstdio>
#include <string>

#include <cli/CliBackups.h>
#include <cli/CliOptions.h>
#include <cli/CliProgram.h>
#include <cli/CliRun.h>
#include <unistd.h>

namespace QuelvaneCli {

using JobLayer::JobConfig;
using JobLayer::JobStatusCentre;
using RawLayer::RawPath;
using RawLayer::RawProfile;
using RawLayer::RawString;

namespace {

constexpr const char* kProgram = "quelvane-cli";

int RunSearch(const CliOptions& options, const JobConfig& config)
{
    // A terminal gets each line as it is found; a pipe or a file gets large writes.
    if (!isatty(STDOUT_FILENO))
        std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    CliRun run(options, config, JobStatusCentre::Instance());
    return run.Execute();
}

int RunBackups(const CliOptions& options, const JobConfig& config, CliOptions::Outcome outcome)
{
    CliBackups backups(JobLayer::JobBackupList::Instance(), config.BackupFolder(), config.BackupDays());
    if (outcome == CliOptions::Outcome::ListBackups)
        return backups.List(stdout, stderr);
    return backups.Restore(options.RestoreSet(), { options.OutputKind(), options.IsForce() }, stdout, stderr);
}

} // namespace

int CliProgram::Main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    CliOptions options;
    std::string message;
    CliOptions::Outcome outcome = options.Parse(argc, argv, message);
    switch (outcome) {
    case CliOptions::Outcome::Help:
        std::fputs(CliOptions::HelpText(), stdout);
        return kFound;
    case CliOptions::Outcome::Version:
        std::printf("%s %s\n", kProgram, QUELVANE_VERSION);
        return kFound;
    case CliOptions::Outcome::Bad:
        if (!message.empty())
            std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
        std::fprintf(stderr, "%sTry '%s --help' for more information.\n", CliOptions::kUsage, kProgram);
        return kTrouble;
    case CliOptions::Outcome::Search:
    case CliOptions::Outcome::ListBackups:
    case CliOptions::Outcome::Restore:
        break;
    }
    RawString config_path = options.ConfigPath().IsEmpty() ? DefaultConfigPath() : options.ConfigPath();
    if (!options.ConfigPath().IsEmpty() && !RawPath::IsFile(config_path)) {
        std::fprintf(stderr, "%s: no such configuration file: %s\n", kProgram, config_path.Bytes());
        return kTrouble;
    }
    JobConfig& config = JobConfig::Instance();
    if (!config_path.IsEmpty()) {
        config.Load(config_path, RawLayer::RawParameterList());
        // A missing file means the defaults; one that is there but cannot be read (a pipe, a
        // device, too large) is an error, not silently the defaults.
        int state = config.Profile().Status();
        if (state == RawLayer::RawLineFile::kReadOpenError || state == RawLayer::RawLineFile::kReadError) {
            std::fprintf(stderr, "%s: cannot read the configuration file (%s: %s)\n", kProgram,
                config_path.Bytes(), config.Profile().Reason().c_str());
            return kTrouble;
        }
    }
    if (outcome == CliOptions::Outcome::Search)
        return RunSearch(options, config);
    return RunBackups(options, config, outcome);
}

RawString CliProgram::DefaultConfigPath()
{
    RawString folder = RawPath::ExecutableFolder();
    for (const RawString& profile_path :
        { RawPath::Join(folder, "quelvane.ini"), RawPath::Join(RawPath::UserFolder(), "Quelvane.ini") }) {
        if (!RawPath::IsFile(profile_path))
            continue;
        RawProfile profile(profile_path);
        // A file that does not say it is ours is not read as our profile.
        if (profile.GetText("Common", "Program", RawString()).IsEmpty())
            continue;
        RawString config = profile.GetText("Common", "ConfigFile", RawString());
        return config.IsEmpty() ? profile_path : RawPath::ResolveProfilePath(config, folder);
    }
    return RawString();
}

} // namespace QuelvaneCli
