#include <core/RawFolderList.h>
#include <core/RawPath.h>
#include <engine/JobFinder.h>
#include <engine/JobStatusCentre.h>

#include <string_view>

namespace JobLayer {

using RawLayer::RawFolderList;
using RawLayer::RawFolderListUnit;
using RawLayer::RawPath;

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

// Entries worth reading: regular files and links to them. Folders are walked separately.
bool IsSearchable(const RawFolderListUnit& entry)
{
    if (entry.is_link)
        return entry.link_target == RawFolderListUnit::Target::File;
    return entry.is_regular;
}

} // namespace

JobFinder::JobFinder(Handler& handler, const JobParams& params, JobStatusCentre& status, int32_t line_limit,
    const JobMatchLimits& limits)
    : handler_(handler)
    , params_(params)
    , status_(status)
    , line_limit_(line_limit)
    , collector_(params.expressions, params.ignore_case, limits)
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
    for (Filter& filter : filters_) {
        bool matches = filter.is_path ? MatchesPath(filter, path) : filter.segments.front().MatchWhole(name);
        if (matches)
            return true;
    }
    return false;
}

void JobFinder::Search(const RawString& target)
{
    if (!RawPath::Exists(target)) {
        status_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError, "No such path", target));
        return;
    }
    if (RawPath::IsFolder(target))
        Walk(target, 0);
    else if (RawPath::IsFile(target) && PassesFilters(target, NameOf(target)))
        SearchFile(target);
}

// Sub-folders are walked as they come, before the entries after them. A folder that cannot
// be listed (or only in part) is walked as far as it could be read.
void JobFinder::Walk(const RawString& folder, int32_t depth)
{
    handler_.FolderEntered(folder, depth);
    RawFolderList entries;
    (void)entries.Read(folder, RawFolderList::kSkipDots);
    for (const RawFolderListUnit& entry : entries) {
        if (handler_.IsStopRequested())
            return;
        if (entry.is_folder)
            Walk(entry.path, depth + 1);
        else if (IsSearchable(entry) && PassesFilters(entry.path, entry.name))
            SearchFile(entry.path);
    }
}

// A file that cannot be opened (it vanished after the listing, or may not be read) is passed
// over without an entry. A failure after opening, a read error during detection included, is
// reported like any read error.
void JobFinder::SearchFile(const RawString& path)
{
    handler_.FileStarted(path);
    lines_.SetLineCount(params_.line_count);
    lines_.SetUndecidedEncoding(undecided_encoding_);
    bool opened = lines_.OpenRead(path, line_limit_);
    if (opened || lines_.Status() != RawLineFile::kReadOpenError) {
        if (lines_.FileEncoding() != RawEncoding::Binary)
            ReadBlocks(path);
    }
    RawEncoding encoding = opened ? lines_.FileEncoding() : RawEncoding::NoSet;
    handler_.FileFinished(path, encoding == RawEncoding::NoSet ? RawEncoding::Utf8 : encoding);
    lines_.Close();
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
