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
        } else {
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
    if (!settings_.prefilter_on || !prefilter_.IsUseful())
        return false;
    std::optional<std::string_view> content = lines_.WholeContent(kWholeFileLimit);
    if (!content)
        return false;
    std::optional<int64_t> lines
        = prefilter_.PassOver(*content, { lines_.FileEncoding(), lines_.EncodingOrigin() },
            std::max(settings_.line_limit, 0), lines_.LineCount());
    if (!lines)
        return false;
    // Stop is polled before each block, as when the blocks are read.
    int64_t blocks = *lines - lines_.LineCount() + 1;
    for (int64_t index = 0; index < blocks && !handler.IsStopRequested(); ++index)
        handler.BlockDone(index);
    return true;
}

void JobFileSearch::ReadBlocks(const RawString& path, JobFindHandler& handler, Outcome& outcome)
{
    JobHitMulti hits; // replaced on each result; a block without one costs no allocation
    while (lines_.ReadRecord()) {
        if (handler.IsStopRequested())
            return;
        const JobFoundBlock& record = lines_.Record();
        bool found = collector_.Collect(record.text, hits);
        if (collector_.Outcome() == JobMatchOutcome::Stopped)
            return;
        if (collector_.Outcome() == JobMatchOutcome::Exhausted) {
            RawString text("Expression too complex [line=");
            text.AppendNumber(record.index + 1);
            text.AppendUnits("]");
            outcome.failure = JobStatusCentre::MakeEntry(JobStatusUnit::kError, text, path);
            return;
        }
        if (found)
            handler.BlockFound(record, lines_.FirstLineEnd(), hits, lines_.LineCount());
        handler.BlockDone(record.index);
    }
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
