#include <app/GuiDuplicate.h>
#include <core/RawFd.h>
#include <core/RawPath.h>
#include <core/RawShell.h>
#include <core/RawSystemText.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AppLayer {

using JobLayer::JobResultFile;
using JobLayer::JobStatusCentre;
using JobLayer::JobStatusUnit;
using RawLayer::RawEncoding;
using RawLayer::RawPath;
using RawLayer::RawString;
using RawLayer::RawSystemText;

namespace {

constexpr std::string_view kUniqueSuffix = ".XXXXXX.txt";
constexpr int kSuffixLength = 4; // ".txt" after the unique part

RawString Bytes(std::string_view bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

// The temporary folder as an absolute path, as the bytes the system takes.
std::string TempFolderBytes()
{
    const RawSystemText folder(RawPath::MakeAbsolute(RawPath::TempFolder()));
    return folder.IsValid() ? std::string(folder.View()) : std::string();
}

void AddError(JobStatusCentre& status, const char* message, const RawString& path, int error)
{
    status.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError,
        RawString(std::string_view(message), RawEncoding::Utf8),
        JobStatusCentre::PathWithReason(path, std::strerror(error))));
}

} // namespace

GuiDuplicate::GuiDuplicate(JobStatusCentre& status)
    : status_(status)
{
}

RawString GuiDuplicate::CreateStateFile(JobStatusCentre& status)
{
    std::string folder = TempFolderBytes();
    if (folder.empty())
        folder = "/tmp";
    std::string name = folder + (folder.ends_with('/') ? "" : "/");
    name.append(kPrefix).append(kUniqueSuffix);
    // mkostemps creates the file exclusively with mode 0600 under a name no other file has.
    const int fd = mkostemps(name.data(), kSuffixLength, O_CLOEXEC);
    if (fd < 0) {
        AddError(status, "Write open error", Bytes(name), errno);
        return RawString();
    }
    RawLayer::RawFd closing(fd);
    return Bytes(name);
}

bool GuiDuplicate::Start(const JobLayer::JobParams& params, const JobLayer::JobResultSet& results)
{
    state_file_ = RawString();
    process_ = 0;
    const RawString state = CreateStateFile(status_);
    if (state.IsEmpty())
        return false;
    // A "Detail" file, so that the second window shows the same results.
    if (!JobResultFile::Save(state, JobResultFile::Type::Detail, params, results, status_)) {
        RemoveStateFile(state);
        return false;
    }
    const RawString program = program_.IsEmpty() ? RawPath::ExecutablePath() : program_;
    const RawSystemText program_bytes(program);
    const RawSystemText state_bytes(state);
    if (program_bytes.IsValid() && !program.IsEmpty())
        process_ = RawLayer::RawShell::StartArguments(
            { std::string(program_bytes.View()), "-d", std::string(state_bytes.View()) });
    if (process_ == 0) {
        status_.AddEntry(
            JobStatusCentre::MakeEntry(JobStatusUnit::kError, RawString("Start error"), program));
        RemoveStateFile(state);
        return false;
    }
    state_file_ = state;
    return true;
}

JobResultFile::LoadResult GuiDuplicate::TakeStateFile(const RawString& path, JobLayer::JobParams& params,
    JobLayer::JobResultSet& results, JobStatusCentre& status)
{
    const JobResultFile::LoadResult loaded = JobResultFile::Load(path, params, results, status);
    // Removed even when it did not load: nothing else will ever read it again.
    RemoveStateFile(path);
    return loaded;
}

bool GuiDuplicate::RemoveStateFile(const RawString& path)
{
    const RawSystemText system(path);
    if (!system.IsValid())
        return false;
    const std::string bytes(system.View());
    const std::size_t slash = bytes.rfind('/');
    if (slash == std::string::npos)
        return false;
    const std::string folder = slash == 0 ? std::string("/") : bytes.substr(0, slash);
    const std::string name = bytes.substr(slash + 1);
    if (!name.starts_with(kPrefix) || folder != TempFolderBytes())
        return false;
    const RawLayer::RawFd folder_fd = RawLayer::RawFd::Open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (!folder_fd.IsOpen())
        return false;
    // Looked at and removed through the folder's descriptor, without following a link: a link
    // or a file of another user placed under our name is never what gets deleted.
    struct stat status { };
    if (fstatat(folder_fd.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (!S_ISREG(status.st_mode) || status.st_uid != geteuid())
        return false;
    return unlinkat(folder_fd.Get(), name.c_str(), 0) == 0;
}

} // namespace AppLayer
