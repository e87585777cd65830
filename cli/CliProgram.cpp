#include <core/RawParameterList.h>
#include <core/RawPath.h>
#include <core/RawProfile.h>
#include <engine/JobConfig.h>
#include <engine/JobParams.h>
#include <engine/JobSearch.h>
#include <engine/JobStatusCentre.h>

#include <clocale>
#include <cstdio>
#include <mutex>
#include <string>

#include <cli/CliOptions.h>
#include <cli/CliPrinter.h>
#include <cli/CliProgram.h>
#include <unistd.h>

namespace QuelvaneCli {

using JobLayer::JobConfig;
using JobLayer::JobStatusCentre;
using RawLayer::RawPath;
using RawLayer::RawProfile;
using RawLayer::RawString;

namespace {

constexpr const char* kProgram = "quelvane-cli";

// Searches as the options say, printing as it goes; the exit status.
int RunSearch(const CliOptions& options, int32_t line_limit)
{
    JobLayer::JobParams params;
    {
        std::lock_guard guard(params.lock);
        options.FillParams(params);
    }
    // A terminal gets each line as it is found; a pipe or a file gets large writes.
    if (!isatty(STDOUT_FILENO))
        std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    JobStatusCentre& status = JobStatusCentre::Instance();
    CliPrinter printer(status, options.OutputKind(), stdout, stderr);
    status.SetSink(&printer);
    status.SetAccepting(true);
    JobLayer::JobSearch::SearchTargets(printer, params, status, line_limit);
    status.SetAccepting(false);
    status.SetSink(nullptr);
    printer.Finish();
    if (printer.HadError())
        return CliProgram::kTrouble;
    return printer.BlockCount() > 0 ? CliProgram::kFound : CliProgram::kNotFound;
}

} // namespace

int CliProgram::Main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    CliOptions options;
    std::string message;
    switch (options.Parse(argc, argv, message)) {
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
        break;
    }
    RawString config_path = options.ConfigPath().IsEmpty() ? DefaultConfigPath() : options.ConfigPath();
    if (!options.ConfigPath().IsEmpty() && !RawPath::IsFile(config_path)) {
        std::fprintf(stderr, "%s: no such configuration file: %s\n", kProgram, config_path.Bytes());
        return kTrouble;
    }
    JobConfig& config = JobConfig::Instance();
    if (!config_path.IsEmpty())
        config.Load(config_path, RawLayer::RawParameterList());
    return RunSearch(options, config.MaxLineLength());
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
