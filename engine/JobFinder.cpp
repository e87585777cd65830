#include <core/RawPathAt.h>
#include <engine/JobFinder.h>
#include <engine/JobStatusCentre.h>

#include <algorithm>
#include <cerrno>
#include <optional>
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
    const JobMatchLimits& limits)
    : handler_(handler)
    , params_(params)
    , status_(status)
    , line_limit_(line_limit)
    , collector_(params.expressions, params.ignore_case, limits)
    , prefilter_(params.expressions, params.ignore_case, limits.steps)
{
    filters_.reserve(static_cast<size_t>(params.filters.Count()));
    for (const RawString& filter : params.filters)
        filters_.push_back(MakeFilter(filter, limits));
}

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
    if (S_ISDIR(info.st_mode))
        Walk(target);
    else if (S_ISREG(info.st_mode) && PassesFilters(target, NameOf(target)))
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
    while (!handler_.IsStopRequested() && walk_.Next()) {
        Kind kind = walk_.EntryKind();
        const std::string& path = walk_.Path();
        switch (kind) {
        case Kind::Folder:
            entry_path_.Assign(path, RawEncoding::Utf8);
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

// A file that cannot be opened because it vanished after the listing, may not be read or was
// replaced by something that is not a file is passed over without an entry; any other reason
// (no descriptors left, a failing disk) is reported. A failure after opening, a read error
// during detection included, is reported like any read error. A file detected as binary is
// counted and not read.
void JobFinder::SearchFile(int folder_fd, const char* name, Following following, const RawString& path)
{
    handler_.FileStarted(path);
    lines_.SetLineCount(params_.line_count);
    lines_.SetUndecidedEncoding(undecided_encoding_);
    int flags
        = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (following == Following::None ? O_NOFOLLOW : 0);
    int fd = openat(folder_fd, name, flags);
    int open_error = fd < 0 ? errno : 0;
    bool opened = lines_.OpenRead(fd, path, line_limit_);
    if (fd < 0 && !IsPassedOver(open_error))
        ReportFailure(path, JobStatusCentre::MakeErrorEntry(RawLineFile::kReadOpenError, path));
    if (opened || lines_.Status() != RawLineFile::kReadOpenError) {
        if (lines_.FileEncoding() == RawEncoding::Binary)
            ++binary_files_;
        else if (!PassedOver())
            ReadBlocks(path);
    }
    RawEncoding encoding = opened ? lines_.FileEncoding() : RawEncoding::NoSet;
    handler_.FileFinished(path, encoding == RawEncoding::NoSet ? RawEncoding::Utf8 : encoding);
    lines_.Close();
}

bool JobFinder::IsPassedOver(int error)
{
    return error == ENOENT || error == EACCES || error == EPERM || error == ENOTDIR || error == ELOOP
        || error == ENXIO;
}

void JobFinder::ReportUnreadable(int state, int error, const RawString& path)
{
    if (!IsPassedOver(error))
        status_.AddEntry(JobStatusCentre::MakeErrorEntry(state, path));
}

// The file is read whole into the reader's buffer, so a file that must be read after all is
// read from the same bytes. Larger files are read block by block.
bool JobFinder::PassedOver()
{
    constexpr int64_t kWholeFileLimit = 16 * 1024 * 1024;
    if (!prefilter_on_ || !prefilter_.IsUseful())
        return false;
    std::optional<std::string_view> content = lines_.WholeContent(kWholeFileLimit);
    if (!content)
        return false;
    std::optional<int64_t> lines = prefilter_.PassOver(*content,
        { lines_.FileEncoding(), lines_.EncodingOrigin() }, std::max(line_limit_, 0), lines_.LineCount());
    if (!lines)
        return false;
    ++passed_over_files_;
    // Stop is polled before each block, as when the blocks are read.
    int64_t blocks = *lines - lines_.LineCount() + 1;
    for (int64_t index = 0; index < blocks && !handler_.IsStopRequested(); ++index)
        handler_.BlockDone(index);
    return true;
}

void JobFinder::ReadBlocks(const RawString& path)
{
    JobHitMulti hits; // replaced on each result; a block without one costs no allocation
    while (lines_.ReadRecord()) {
        if (handler_.IsStopRequested())
            return;
        const JobFoundBlock& record = lines_.Record();
        bool found = collector_.Collect(record.text, hits);
        if (collector_.Outcome() == JobMatchOutcome::Stopped)
            return;
        if (collector_.Outcome() == JobMatchOutcome::Exhausted) {
            RawString text("Expression too complex [line=");
            text.AppendNumber(record.index + 1);
            text.AppendUnits("]");
            ReportFailure(path, JobStatusCentre::MakeEntry(JobStatusUnit::kError, text, path));
            return;
        }
        if (found)
            handler_.BlockFound(record, lines_.FirstLineEnd(), hits, lines_.LineCount());
        handler_.BlockDone(record.index);
    }
    int state = lines_.Status();
    if (state == RawLineFile::kStatusOpen || state == RawLineFile::kStatusEndOfData
        || state == RawLineFile::kStatusBinary)
        return;
    if (state == RawLineFile::kLineOverflow)
        ReportFailure(path, JobStatusCentre::MakeLineErrorEntry(state, lines_.StoppedLineIndex() + 1, path));
    else
        ReportFailure(path, JobStatusCentre::MakeErrorEntry(state, path));
}

void JobFinder::ReportFailure(const RawString& path, const JobStatusUnit& entry)
{
    status_.AddEntry(entry);
    handler_.FileFailed(path, entry.id);
}

} // namespace JobLayer
