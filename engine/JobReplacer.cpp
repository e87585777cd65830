#include <engine/JobReplacer.h>

#include <chrono>
#include <limits>
#include <mutex>
#include <string>
#include <thread>

namespace JobLayer {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

// The text being replaced with the hits that still point into it.
struct Work {
    const RawString& source;
    const RawString& line_break;
    std::string text;
    JobHitMulti pending;  // the search's hits, moved as the text changes
    JobHitMulti inserted; // the ranges of the inserted texts, the last single being filled
};

// Replaces one hit by the expansion of `replacement` and moves every other range to match.
void ReplaceUnit(Work& work, JobHitUnit& unit, const RawString& replacement)
{
    int32_t old_start = unit.start;
    int32_t old_end = unit.end;
    int64_t length = static_cast<int64_t>(work.text.size());
    // A hit destroyed by an earlier replacement is (-1, -1); one beyond the text can only come
    // from a record that does not belong to it. Neither is replaced.
    if (old_start < 0 || old_start > old_end || old_end > length)
        return;
    RawString expanded
        = JobExpressionUtility::Expand(replacement, JobReplacerSituation(work.source, work.line_break, unit));
    // Offsets are 32-bit: a replacement that would push the text beyond them is left out.
    if (length - (old_end - old_start) + expanded.Length() > std::numeric_limits<int32_t>::max())
        return;
    work.text.replace(
        static_cast<size_t>(old_start), static_cast<size_t>(old_end - old_start), expanded.View());
    int32_t new_end = old_start + expanded.Length();
    for (JobHitSingle& single : work.pending)
        single.ShiftRanges(old_start, old_end, old_start, new_end);
    for (JobHitSingle& single : work.inserted)
        single.ShiftRanges(old_start, old_end, old_start, new_end);
    work.inserted.Back().Emplace(JobHitUnit { old_start, new_end, {} });
}

} // namespace

JobReplacerSituation::JobReplacerSituation(
    const RawString& source, const RawString& line_break, const JobHitUnit& hit)
    : source_(source)
    , line_break_(line_break)
    , hit_(hit)
{
}

RawString JobReplacerSituation::LineBreak() const
{
    // Every found block knows its file's line break; one read back without it must still get a
    // line break for "%N" rather than nothing.
    return line_break_.IsEmpty() ? Situation::LineBreak() : line_break_;
}

RawString JobReplacerSituation::Capture(int index) const
{
    const JobHitRange* range = hit_.ranges.At(index);
    if (range == nullptr || range->start < 0 || range->start > range->end || range->end > source_.Length())
        return RawString();
    return source_.Substring(range->start, range->end);
}

JobReplacer::JobReplacer(Handler& handler, JobParams& params)
    : handler_(handler)
    , params_(params)
{
}

JobReplacer::Replacement JobReplacer::Compute(
    const RawString& source, const RawString& line_break, const JobHitMulti& hits, const RawStringList& texts)
{
    Work work { source, line_break, std::string(source.View()), hits.Copy(), JobHitMulti() };
    auto text = texts.begin();
    for (JobHitSingle& single : work.pending) {
        if (text == texts.end())
            break;
        JobHitSingle& fresh = work.inserted.Emplace();
        fresh.colour = JobHitMulti::Colour(work.inserted.Count() - 1);
        for (JobHitUnit& unit : single)
            ReplaceUnit(work, unit, *text);
        ++text;
    }
    return { RawString(work.text, RawLayer::RawEncoding::Utf8), work.inserted };
}

void JobReplacer::Run(JobResultSet& results, const SearchCheck& search_running)
{
    for (;;) {
        // Read before the pass, and the search first: once the search is seen to be over, it
        // appends nothing more, so this pass reaches every block it found.
        bool running = search_running && search_running();
        bool over = !running || results.HasFlag(JobResultSet::kFin);
        uint32_t checker = ReadChecker();
        Pass(results);
        if (over && (handler_.IsCancelled() || ReadChecker() == checker))
            return;
        if (!over)
            std::this_thread::sleep_for(kPollInterval);
    }
}

void JobReplacer::Pass(JobResultSet& results)
{
    if (handler_.IsCancelled())
        return;
    JobBlockList& blocks = results.blocks;
    JobBlockList::Iterator it;
    {
        std::lock_guard guard(blocks.lock);
        it = blocks.begin();
        if (it == blocks.end())
            return;
    }
    Previous previous;
    for (int32_t index = 0;; ++index) {
        JobBlockUnit& block = *it;
        MarkOverlap(block, previous);
        uint32_t checker = ReadChecker();
        if (block.replace_stamp != checker || !block.HasFlag(JobBlockUnit::kRep)) {
            ReplaceBlock(results, block, checker);
            handler_.BlockReplaced(index);
            std::this_thread::yield();
        }
        bool more = false;
        {
            std::lock_guard guard(blocks.lock);
            more = ++it != blocks.end();
        }
        if (handler_.IsCancelled() || !more)
            return;
    }
}

void JobReplacer::MarkOverlap(JobBlockUnit& block, Previous& previous)
{
    if (!block.HasFlag(JobBlockUnit::kChk)) {
        block.ClearFlags(JobBlockUnit::kOvw);
        return;
    }
    bool overlaps = false;
    if (block.file_path.Equals(previous.path))
        overlaps = block.line_number < previous.end;
    else
        previous.path = block.file_path;
    previous.end = int64_t { block.line_number } + block.line_count;
    if (overlaps)
        block.SetFlags(JobBlockUnit::kOvw);
    else
        block.ClearFlags(JobBlockUnit::kOvw);
}

uint32_t JobReplacer::ReadChecker()
{
    // The window may store new texts at any time; copying them here, under the lock and with
    // the counter they belong to, keeps the computation off the shared list.
    std::lock_guard guard(params_.lock);
    if (!has_texts_ || params_.checker != texts_checker_) {
        texts_.Clear();
        for (const RawString& text : params_.replacements)
            texts_.Add(text);
        texts_checker_ = params_.checker;
        has_texts_ = true;
    }
    return params_.checker;
}

void JobReplacer::ReplaceBlock(JobResultSet& results, JobBlockUnit& block, uint32_t checker)
{
    block.ClearFlags(JobBlockUnit::kRep);
    // The block's text, line break and hits do not change once the block is in the list.
    Replacement replacement = Compute(block.original, block.file_line_end, block.hit_record, texts_);
    {
        std::lock_guard guard(results.lock);
        block.replaced = replacement.text;
        block.hit_replaced = replacement.hits;
        block.replace_stamp = checker;
    }
    block.ChangeFlags(JobBlockUnit::kRep | JobBlockUnit::kUpd, JobBlockUnit::kApl);
}

} // namespace JobLayer
