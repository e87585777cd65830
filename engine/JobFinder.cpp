#include <core/RawPathAt.h>
#include <engine/JobFinder.h>
#include <engine/JobSearchPool.h>
#include <engine/JobStatusCentre.h>

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>

namespace JobLayer {

using RawLayer::RawFolderWalk;
using RawLayer::RawPathAt;

namespace {

bool IsFilterSeparator(char c)
{
    return c == '/' || c == '\\';
}

// The file name of a path: what follows its last "/".
RawString NameOf(const RawString& path)
{
    std::string_view text = path.View();
    size_t slash = text.rfind('/');
    return slash == std::string_view::npos ? path
                                           : path.Substring(static_cast<int32_t>(slash) + 1, path.Length());
}

} // namespace

JobFinder::JobFinder(Handler& handler, const JobParams& params, JobStatusCentre& status, int32_t line_limit,
    const JobMatchLimits& limits, int32_t threads)
    : handler_(handler)
    , status_(status)
    , limits_(limits)
    , threads_(threads)
    , settings_ { &params, line_limit }
    , file_search_(settings_, limits)
{
    filters_.reserve(static_cast<size_t>(params.filters.Count()));
    for (const RawString& filter : params.filters)
        filters_.push_back(MakeFilter(filter, limits));
}

JobFinder::~JobFinder() = default;

// A path filter is cut into segments from the right, each ending at a separator or at the
// filter's start; the range before a leading separator is empty and adds nothing.
JobFinder::Filter JobFinder::MakeFilter(const RawString& filter, const JobMatchLimits& limits)
{
    Filter made;
    std::string_view text = filter.View();
    made.is_path = text.find_first_of("/\\") != std::string_view::npos;
    if (!made.is_path) {
        made.segments.emplace_back(filter, limits);
        return made;
    }
    size_t end = text.size();
    while (end > 0) {
        size_t start = end;
        while (start > 0 && !IsFilterSeparator(text[start - 1]))
            --start;
        made.segments.emplace_back(
            filter.Substring(static_cast<int32_t>(start), static_cast<int32_t>(end)), limits);
        end = start > 0 ? start - 1 : 0;
    }
    return made;
}

// Paths separate their segments by "/" only: a "\" is part of a file name on this system.
// Once the path is used up, each further filter segment is matched against an empty name.
bool JobFinder::MatchesPath(Filter& filter, const RawString& path)
{
    std::string_view text = path.View();
    size_t end = text.size();
    for (JobMatcher& segment : filter.segments) {
        size_t slash = end > 0 ? text.rfind('/', end - 1) : std::string_view::npos;
        size_t start = slash == std::string_view::npos ? 0 : slash + 1;
        if (!segment.MatchWhole(path, static_cast<int32_t>(start), static_cast<int32_t>(end)))
            return false;
        end = slash == std::string_view::npos ? 0 : slash;
    }
    return true;
}

bool JobFinder::PassesFilters(const RawString& path, const RawString& name)
{
    return PassesFilters(name.View(), path.View());
}

void JobFinder::Search(const RawString& target)
{
    RawPathAt at(target);
    struct stat info { };
    if (!at.IsValid() || fstatat(at.Folder(), at.Name(), &info, 0) != 0) {
        status_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError, "No such path", target));
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        if (threads_ > 1) {
            pool_ = std::make_unique<JobSearchPool>(threads_, settings_, limits_, handler_, status_,
                [this](const RawString& path, JobFileSearch::Outcome& outcome) { FileEnded(path, outcome); });
        }
        Walk(target);
        if (pool_) {
            pool_->Finish();
            pool_.reset();
        }
    } else if (S_ISREG(info.st_mode) && PassesFilters(target, NameOf(target)))
        SearchFile(at.Folder(), at.Name(), Following::Links, target);
}

// Sub-folders are walked as they come, before the entries after them. A folder that cannot be
// opened or listed (or only in part) is walked as far as it could be read; that is reported
// unless the folder may not be read or vanished meanwhile. The name filters are tried on the
// name alone before anything is looked up, so entries that no filter passes cost no system call.
void JobFinder::Walk(const RawString& folder)
{
    if (!walk_.Start(folder)) {
        ReportUnreadable(RawLineFile::kReadOpenError, walk_.Error(), folder);
        return;
    }
    using Kind = RawFolderWalk::Kind;
    while (!IsStopRequested() && walk_.Next()) {
        Kind kind = walk_.EntryKind();
        const std::string& path = walk_.Path();
        switch (kind) {
        case Kind::Folder:
            entry_path_.Assign(path, RawEncoding::Utf8);
            if (pool_)
                pool_->AddFolder(entry_path_, walk_.Depth());
            else
                handler_.FolderEntered(entry_path_, walk_.Depth());
            break;
        case Kind::File:
        case Kind::Link:
            if (!PassesFilters(walk_.Name(), path)
                || (kind == Kind::Link && walk_.LinkTarget() != RawFolderWalk::Target::File))
                break;
            entry_path_.Assign(path, RawEncoding::Utf8);
            // The name is the end of the path, so it is zero-terminated.
            SearchFile(walk_.FolderFd(), walk_.Name().data(),
                kind == Kind::Link ? Following::Links : Following::None, entry_path_);
            break;
        case Kind::Unopened:
        case Kind::Unread:
            entry_path_.Assign(path, RawEncoding::Utf8);
            ReportUnreadable(kind == Kind::Unopened ? RawLineFile::kReadOpenError : RawLineFile::kReadError,
                walk_.Error(), entry_path_);
            break;
        case Kind::Other:
            break;
        }
    }
}

// The name filters need only the name; the path is made only for a path filter.
bool JobFinder::PassesFilters(std::string_view name, std::string_view path)
{
    entry_name_.Assign(name, RawEncoding::Utf8);
    bool path_made = false;
    for (Filter& filter : filters_) {
        if (filter.is_path && !path_made) {
            entry_path_.Assign(path, RawEncoding::Utf8);
            path_made = true;
        }
        bool matches = filter.is_path ? MatchesPath(filter, entry_path_)
                                      : filter.segments.front().MatchWhole(entry_name_);
        if (matches)
            return true;
    }
    return false;
}

bool JobFinder::IsStopRequested()
{
    return pool_ ? pool_->IsStopRequested() : handler_.IsStopRequested();
}

// The file is opened here, on the walk's thread, while its folder's descriptor is valid; with
// several threads a worker searches it later.
void JobFinder::SearchFile(int folder_fd, const char* name, Following following, const RawString& path)
{
    if (!pool_)
        handler_.FileStarted(path);
    int flags
        = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (following == Following::None ? O_NOFOLLOW : 0);
    int fd = openat(folder_fd, name, flags);
    int open_error = fd < 0 ? errno : 0;
    if (pool_) {
        pool_->AddFile(path, fd, open_error);
        return;
    }
    JobFileSearch::Outcome outcome = file_search_.Search(fd, open_error, path, handler_);
    FileEnded(path, outcome);
}

void JobFinder::FileEnded(const RawString& path, JobFileSearch::Outcome& outcome)
{
    if (outcome.failure) {
        status_.AddEntry(*outcome.failure);
        handler_.FileFailed(path, outcome.failure->id);
    }
    binary_files_ += outcome.binary ? 1 : 0;
    passed_over_files_ += outcome.passed_over ? 1 : 0;
    handler_.FileFinished(path, outcome.encoding);
}

void JobFinder::ReportUnreadable(int state, int error, const RawString& path)
{
    if (JobFileSearch::IsPassedOver(error))
        return;
    JobStatusUnit entry = JobStatusCentre::MakeErrorEntry(state, path);
    if (pool_)
        pool_->AddEntry(entry);
    else
        status_.AddEntry(entry);
}

} // namespace JobLayer
