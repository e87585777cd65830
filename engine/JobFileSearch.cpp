#include <engine/JobFileSearch.h>
#include <engine/JobStatusCentre.h>

#include <algorithm>
#include <cerrno>

namespace JobLayer {

JobFileSearch::JobFileSearch(const Settings& settings, const JobMatchLimits& limits)
    : settings_(settings)
    , collector_(settings.params->expressions, settings.params->ignore_case, limits)
    , prefilter_(settings.params->expressions, settings.params->ignore_case, limits.steps)
{
}

bool JobFileSearch::IsPassedOver(int error)
{
    return error == ENOENT || error == EACCES || error == EPERM || error == ENOTDIR || error == ELOOP
        || error == ENXIO;
}

// A file that could not be opened because it vanished after the listing, may not be read or was
// replaced by something that is not a file is passed over without an entry; any other reason
// (no descriptors left, a failing disk) is reported. A failure after opening, a read error
// during detection included, is reported like any read error. A file detected as binary is
// counted and not read.
JobFileSearch::Outcome JobFileSearch::Search(
    int fd, int open_error, const RawString& path, JobFindHandler& handler)
{
    Outcome outcome;
    lines_.SetLineCount(settings_.params->line_count);
    lines_.SetUndecidedEncoding(settings_.undecided_encoding);
    bool opened = lines_.OpenRead(fd, path, settings_.line_limit);
    if (fd < 0 && !IsPassedOver(open_error))
        outcome.failure = JobStatusCentre::MakeErrorEntry(RawLineFile::kReadOpenError, path);
    if (opened || lines_.Status() != RawLineFile::kReadOpenError) {
        if (lines_.FileEncoding() == RawEncoding::Binary) {
            outcome.binary = true;
        } else if (PassedOver(handler)) {
            outcome.passed_over = true;
        } else if (!settings_.prefilter_on || !content_ || !ReadCandidates(path, handler, outcome)) {
            ReadBlocks(path, handler, outcome);
        }
    }
    RawEncoding encoding = opened ? lines_.FileEncoding() : RawEncoding::NoSet;
    outcome.encoding = encoding == RawEncoding::NoSet ? RawEncoding::Utf8 : encoding;
    lines_.Close();
    return outcome;
}

// The file is read whole into the reader's buffer, so a file that must be read after all is
// read from the same bytes. Larger files are read block by block.
bool JobFileSearch::PassedOver(JobFindHandler& handler)
{
    constexpr int64_t kWholeFileLimit = 16 * 1024 * 1024;
    content_.reset();
    if (!settings_.prefilter_on || !prefilter_.IsUseful())
        return false;
    content_ = lines_.WholeContent(kWholeFileLimit);
    if (!content_)
        return false;
    content_start_ = lines_.NextLinePosition();
    std::optional<int64_t> lines = prefilter_.PassOver(*content_, Kind(), Limit(), lines_.LineCount());
    if (!lines)
        return false;
    handler.BlocksDone(0, std::max<int64_t>(*lines - lines_.LineCount() + 1, 0));
    return true;
}

JobPrefilter::FileKind JobFileSearch::Kind() const
{
    return { lines_.FileEncoding(), lines_.EncodingOrigin() };
}

int32_t JobFileSearch::Limit() const
{
    return std::max(settings_.line_limit, 0);
}

// Runs of lines before the next place the longest required run stands are passed over as a
// whole file would be (JobPrefilter::PassOver on just those lines: none can hit, none is too
// long, fails to convert or could run out of steps), with their blocks done; the line that
// holds the run is read and matched. A run of lines that cannot be passed over is read. False
// when the file cannot be read this way (several lines per block, or no run to look for);
// nothing has been read then.
bool JobFileSearch::ReadCandidates(const RawString& path, JobFindHandler& handler, Outcome& outcome)
{
    std::string_view content = *content_;
    if (lines_.LineCount() != 1 || !prefilter_.StartCandidates(content, Kind()))
        return false;
    JobLineScan::Unit unit = prefilter_.CandidateUnit();
    for (;;) {
        auto at = static_cast<size_t>(lines_.NextLinePosition() - content_start_);
        size_t candidate = prefilter_.NextCandidate(at);
        size_t line_start = candidate >= content.size()
            ? content.size()
            : JobLineScan::LineStart(content, at, candidate, unit);
        if (line_start > at && !SkipLines(content.substr(at, line_start - at), unit, handler)) {
            // The lines that could not be passed over are read, up to the candidate's.
            while (lines_.NextLinePosition() - content_start_ < static_cast<int64_t>(line_start))
                if (!ReadNextBlock(path, handler, outcome))
                    return true;
        }
        if (handler.IsStopRequested() || !ReadNextBlock(path, handler, outcome))
            return true;
    }
}

bool JobFileSearch::SkipLines(std::string_view lines, JobLineScan::Unit unit, JobFindHandler& handler)
{
    std::optional<int64_t> count = prefilter_.PassOver(lines, Kind(), Limit(), 1);
    if (!count)
        return false;
    RawLineEnd first_end
        = lines_.FirstLineEnd().IsEmpty() ? JobLineScan::FirstEnd(lines, unit) : RawLineEnd::None;
    int64_t first = lines_.StoppedIndex();
    if (!lines_.SkipRecords(lines.size(), *count, first_end))
        return false;
    handler.BlocksDone(first, *count);
    return true;
}

void JobFileSearch::ReadBlocks(const RawString& path, JobFindHandler& handler, Outcome& outcome)
{
    while (ReadNextBlock(path, handler, outcome)) { }
}

bool JobFileSearch::ReadNextBlock(const RawString& path, JobFindHandler& handler, Outcome& outcome)
{
    if (!lines_.ReadRecord()) {
        ReportEnd(path, outcome);
        return false;
    }
    if (handler.IsStopRequested())
        return false;
    const JobFoundBlock& record = lines_.Record();
    bool found = collector_.Collect(record.text, hits_);
    if (collector_.Outcome() == JobMatchOutcome::Stopped)
        return false;
    if (collector_.Outcome() == JobMatchOutcome::Exhausted) {
        RawString text("Expression too complex [line=");
        text.AppendNumber(record.index + 1);
        text.AppendUnits("]");
        outcome.failure = JobStatusCentre::MakeEntry(JobStatusUnit::kError, text, path);
        return false;
    }
    if (found)
        handler.BlockFound(record, lines_.FirstLineEnd(), hits_, lines_.LineCount());
    handler.BlockDone(record.index);
    return true;
}

void JobFileSearch::ReportEnd(const RawString& path, Outcome& outcome)
{
    int state = lines_.Status();
    if (state == RawLineFile::kStatusOpen || state == RawLineFile::kStatusEndOfData
        || state == RawLineFile::kStatusBinary)
        return;
    if (state == RawLineFile::kLineOverflow)
        outcome.failure = JobStatusCentre::MakeLineErrorEntry(state, lines_.StoppedLineIndex() + 1, path);
    else
        outcome.failure = JobStatusCentre::MakeErrorEntry(state, path);
}

} // namespace JobLayer
