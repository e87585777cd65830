#include <engine/JobMatcher.h>

#include <algorithm>
#include <cstring>
#include <optional>

// Sections: reading the expression; the calls (Find, MatchWhole); the backtracking; the scans
// that skip ahead; the step budget; the collectors.

namespace JobLayer {

namespace {

constexpr int32_t kPollInterval = 4096; // steps between two looks at the stop flag
constexpr int kScanShift = 6;           // a scan costs one step per 64 units it passes
constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighs = 0x8080808080808080ULL;

uint64_t LoadWord(const char* at)
{
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

bool WordHasUnit(uint64_t word, uint8_t unit)
{
    uint64_t diff = word ^ (kOnes * unit);
    return ((diff - kOnes) & ~diff & kHighs) != 0;
}

// First position in [from, end) holding `a` or `b`, or `end`.
int32_t FindEither(const char* text, int32_t from, int32_t end, uint8_t a, uint8_t b)
{
    if (a == b) {
        const void* at = std::memchr(text + from, a, static_cast<size_t>(end - from));
        return at == nullptr ? end : static_cast<int32_t>(static_cast<const char*>(at) - text);
    }
    int32_t pos = from;
    while (pos + 8 <= end) {
        uint64_t word = LoadWord(text + pos);
        if (WordHasUnit(word, a) || WordHasUnit(word, b))
            break;
        pos += 8;
    }
    for (; pos < end; ++pos)
        if (static_cast<uint8_t>(text[pos]) == a || static_cast<uint8_t>(text[pos]) == b)
            return pos;
    return end;
}

// First position in [from, end) where `needle` starts and fits, or `end`. Short ranges (most
// blocks are a line) are searched by first unit, which beats setting up a two-way search.
int32_t FindUnits(const char* text, int32_t from, int32_t end, const std::string& needle)
{
    constexpr int32_t kShortRange = 256;
    int32_t last = end - static_cast<int32_t>(needle.size());
    if (end - from > kShortRange) {
        const void* at = memmem(text + from, static_cast<size_t>(end - from), needle.data(), needle.size());
        return at == nullptr ? end : static_cast<int32_t>(static_cast<const char*>(at) - text);
    }
    for (int32_t pos = from; pos <= last;) {
        const void* at = std::memchr(text + pos, needle[0], static_cast<size_t>(last - pos + 1));
        if (at == nullptr)
            break;
        pos = static_cast<int32_t>(static_cast<const char*>(at) - text);
        if (std::memcmp(text + pos + 1, needle.data() + 1, needle.size() - 1) == 0)
            return pos;
        ++pos;
    }
    return end;
}

int32_t FindInSet(const char* text, int32_t from, int32_t end, const std::array<uint64_t, 4>& set)
{
    int32_t pos = from;
    while (pos < end && !JobMatcherItem::HasBit(set, static_cast<uint8_t>(text[pos])))
        ++pos;
    return pos;
}

} // namespace

// --- Reading the expression ------------------------------------------------------------------

JobMatcher::JobMatcher(const RawString& expression, const JobMatchLimits& limits)
    : expression_(expression)
    , limits_(limits)
    , trails_(&Item::TrailTable())
{
    Read();
}

// The form is chosen by the first character, or by the second after a leading "!".
void JobMatcher::Read()
{
    std::string_view rest = expression_.View();
    if (!rest.empty() && rest[0] == '!') {
        negated_ = true;
        rest.remove_prefix(1);
    }
    if (!rest.empty() && rest[0] == '$') {
        form_ = Form::Literal;
        literal_ = rest.substr(1);
        if (!literal_.empty())
            first_exact_ = JobMatcherFirst::Run(literal_);
        first_folded_ = first_exact_; // the literal form never folds
        return;
    }
    if (!rest.empty() && rest[0] == '@') {
        form_ = Form::Pattern;
        items_ = Item::ReadPattern(rest.substr(1));
    } else {
        items_ = Item::ReadWildcard(rest);
    }
    memos_.resize(items_.size());
    first_exact_ = LeadingRun(false);
    first_folded_ = LeadingRun(true);
    suffix_first_ = items_.size();
    while (suffix_first_ > 0) {
        const Item& item = items_[suffix_first_ - 1];
        if (item.repeat != Item::Repeat::Once
            || (item.kind != Item::Kind::Literal && item.kind != Item::Kind::Exact))
            break;
        suffix_length_ += static_cast<int32_t>(item.text.size());
        --suffix_first_;
    }
}

// What every match starts with: the units of the leading characters that compare exactly, or
// else the possible first units of the first item.
JobMatcherFirst JobMatcher::LeadingRun(bool fold) const
{
    std::string run;
    for (const Item& item : items_) {
        bool exact = item.kind == Item::Kind::Exact
            || (item.kind == Item::Kind::Literal
                && !(fold && Item::IsLetter(static_cast<uint8_t>(item.text[0]))));
        if (!exact || item.repeat == Item::Repeat::ZeroOrMore)
            break;
        run += item.text;
        if (item.repeat == Item::Repeat::OneOrMore)
            break;
    }
    if (!run.empty())
        return JobMatcherFirst::Run(run);
    if (items_.empty())
        return {};
    return fold ? items_[0].first_folded : items_[0].first_exact;
}

// --- The calls -------------------------------------------------------------------------------

bool JobMatcher::Find(const RawString& text, int32_t start, int32_t end, bool ignore_case)
{
    StartBudget(limits_.steps);
    ResetMemos();
    return Run(text, start, end, false, ignore_case);
}

bool JobMatcher::MatchWhole(const RawString& text, int32_t start, int32_t end)
{
    StartBudget(limits_.steps);
    ResetMemos();
    return Run(text, start, end, true, true);
}

// One search or whole match over [start, end], the range clamped to the text. A negated
// expression inverts the answer of its rest and always leaves the empty hit at 0.
bool JobMatcher::Run(const RawString& text, int32_t start, int32_t end, bool whole, bool ignore_case)
{
    std::string_view view = text.View();
    text_ = view.data();
    end_ = std::clamp(end, 0, static_cast<int32_t>(view.size()));
    start = std::clamp(start, 0, end_);
    whole_ = whole;
    fold_ = ignore_case;

    int32_t hit_start = start;
    int32_t hit_end = kFail;
    if (!whole)
        hit_end = Search(start, &hit_start);
    else if (WholeMayMatch(start))
        hit_end = Attempt(start);

    if (hit_end == kAbort) {
        ClearHit(); // counts as no match, negated or not
        return false;
    }
    bool matched = hit_end >= 0;
    if (negated_ || !matched) {
        ClearHit();
        return negated_ != matched;
    }
    TakeHit(hit_start, hit_end);
    return true;
}

// Tries the start positions in order from `start`, skipping those where the text cannot begin
// a hit. Returns the end of the first hit (its start in `hit_start`), kFail or kAbort.
int32_t JobMatcher::Search(int32_t start, int32_t* hit_start)
{
    const JobMatcherFirst& first = fold_ ? first_folded_ : first_exact_;
    int32_t pos = start;
    for (;;) {
        if (first.Known()) {
            int32_t found = NextCandidate(first, pos, nullptr);
            if (found >= end_)
                return kFail;
            int32_t aligned = AlignToCharacter(pos, found);
            if (aligned != found) {
                pos = aligned;
                continue;
            }
            pos = found;
        }
        int32_t end = Attempt(pos);
        if (end != kFail) {
            *hit_start = pos;
            return end;
        }
        if (pos >= end_)
            return kFail;
        pos += CharacterLength(pos);
    }
}

int32_t JobMatcher::Attempt(int32_t pos)
{
    if (!Spend())
        return kAbort;
    if (form_ == Form::Literal) {
        int32_t length = static_cast<int32_t>(literal_.size());
        if (length > end_ - pos || std::memcmp(text_ + pos, literal_.data(), literal_.size()) != 0)
            return kFail;
        return whole_ && pos + length != end_ ? kFail : pos + length;
    }
    captures_.clear();
    return MatchFrom(0, pos);
}

// A whole match ends with the fixed characters at the end of the expression, so a name that
// does not end with them ("*.txt" against "a.c") is turned away without backtracking.
bool JobMatcher::WholeMayMatch(int32_t start) const
{
    if (form_ == Form::Literal)
        return true;
    if (suffix_length_ > end_ - start)
        return false;
    int32_t pos = end_ - suffix_length_;
    for (size_t index = suffix_first_; index < items_.size(); ++index) {
        int32_t length = items_[index].MatchOnce(text_, pos, end_, fold_);
        if (length < 0)
            return false;
        pos += length;
    }
    return true;
}

// --- The backtracking ------------------------------------------------------------------------

// Matches the items from `index` on at `pos`; returns the end of the match, kFail or kAbort.
// Single items are taken in this loop; only "*" and repetitions recurse, so the depth grows
// with their number and never with the length of the text. Captures are appended as recorded;
// whoever tries an alternative cuts the list back first.
int32_t JobMatcher::MatchFrom(size_t index, int32_t pos)
{
    for (;; ++index) {
        if (!Spend())
            return kAbort;
        if (index == items_.size())
            return pos >= end_ || !whole_ ? pos : kFail;
        const Item& item = items_[index];
        if (item.kind == Item::Kind::AnyRun)
            return MatchRunOfAny(index, pos);
        if (item.repeat != Item::Repeat::Once)
            return MatchRepeat(index, pos);
        int32_t length = item.MatchOnce(text_, pos, end_, fold_);
        if (length < 0)
            return kFail;
        if (item.Captures())
            captures_.push_back({ pos, pos + length });
        pos += length;
    }
}

// A wildcard "*": runs from the empty one upwards, one character longer each time. When the
// next item needs a known first unit, runs that end where the text cannot continue are skipped.
int32_t JobMatcher::MatchRunOfAny(size_t index, int32_t pos)
{
    size_t slot = captures_.size();
    if (index + 1 == items_.size()) {
        // The expression ends here: the empty run ends a search, only the run to the end of
        // the range ends a whole match.
        int32_t end = whole_ ? end_ : pos;
        captures_.push_back({ pos, end });
        return end;
    }
    const JobMatcherFirst& next = fold_ ? items_[index + 1].first_folded : items_[index + 1].first_exact;
    int32_t at = pos;
    for (;;) {
        if (next.Known()) {
            int32_t found = NextCandidate(next, at, &memos_[index + 1]);
            if (found >= end_)
                break;
            int32_t aligned = AlignToCharacter(at, found);
            if (aligned != found) {
                at = aligned;
                continue;
            }
            at = found;
        }
        captures_.resize(slot);
        captures_.push_back({ pos, at });
        int32_t end = MatchFrom(index + 1, at);
        if (end != kFail)
            return end;
        if (at >= end_)
            break;
        at += CharacterLength(at);
    }
    captures_.resize(slot);
    return kFail;
}

// A pattern item with "*" or "+": the fewest repetitions first, one capture for the whole run.
int32_t JobMatcher::MatchRepeat(size_t index, int32_t pos)
{
    const Item& item = items_[index];
    size_t slot = captures_.size();
    int32_t at = pos;
    if (item.repeat == Item::Repeat::OneOrMore) {
        int32_t length = item.MatchOnce(text_, at, end_, fold_);
        if (length < 0)
            return kFail;
        at += length;
    }
    for (;;) {
        captures_.resize(slot);
        captures_.push_back({ pos, at });
        int32_t end = MatchFrom(index + 1, at);
        if (end != kFail)
            return end;
        if (!Spend())
            return kAbort;
        int32_t length = item.MatchOnce(text_, at, end_, fold_);
        if (length <= 0) // a repeated item always takes at least one unit
            break;
        at += length;
    }
    captures_.resize(slot);
    return kFail;
}

// --- Scans that skip ahead -------------------------------------------------------------------

// The first position at or after `from` where the text starts as `first` requires, or end_.
int32_t JobMatcher::NextCandidate(const JobMatcherFirst& first, int32_t from, ScanMemo* memo)
{
    if (memo != nullptr && memo->from >= 0 && memo->from <= from && from <= memo->found)
        return memo->found;
    int32_t found = end_;
    if (from < end_ && first.kind == JobMatcherFirst::Kind::Units)
        found = FindEither(text_, from, end_, first.a, first.b);
    else if (from < end_ && first.kind == JobMatcherFirst::Kind::Text)
        found = FindUnits(text_, from, end_, first.text);
    else if (from < end_)
        found = FindInSet(text_, from, end_, first.set);
    Charge((found - from) >> kScanShift);
    if (memo != nullptr)
        *memo = { from, found };
    return found;
}

// The first position at or after `target` that stepping by characters from `from` reaches.
// Equal to `target` unless `target` lies inside a character (possible in broken UTF-8), which
// the matcher never starts at. Plain ASCII is passed a word at a time.
int32_t JobMatcher::AlignToCharacter(int32_t from, int32_t target)
{
    int32_t pos = from;
    while (pos < target) {
        if (target - pos >= 8 && (LoadWord(text_ + pos) & kHighs) == 0)
            pos += 8;
        else
            pos += CharacterLength(pos);
    }
    Charge((target - from) >> kScanShift);
    return pos;
}

void JobMatcher::ResetMemos()
{
    std::fill(memos_.begin(), memos_.end(), ScanMemo {});
}

// --- The step budget -------------------------------------------------------------------------

// Steps are counted down in chunks; the stop flag and the budget are looked at between chunks.
void JobMatcher::StartBudget(int64_t steps)
{
    outcome_ = JobMatchOutcome::Finished;
    steps_left_ = steps;
    NextChunk();
}

void JobMatcher::NextChunk()
{
    chunk_ = static_cast<int32_t>(std::clamp<int64_t>(steps_left_, 0, kPollInterval));
    poll_countdown_ = chunk_;
}

bool JobMatcher::Refill()
{
    steps_left_ -= chunk_;
    chunk_ = 0;
    poll_countdown_ = 0;
    if (limits_.stop != nullptr && limits_.stop->load(std::memory_order_relaxed)) {
        outcome_ = JobMatchOutcome::Stopped;
        return false;
    }
    if (steps_left_ <= 0) {
        outcome_ = JobMatchOutcome::Exhausted;
        return false;
    }
    NextChunk();
    --poll_countdown_;
    return true;
}

int64_t JobMatcher::StepsLeft() const
{
    return steps_left_ - (chunk_ - std::max(poll_countdown_, 0));
}

// --- Hits and collectors ---------------------------------------------------------------------

void JobMatcher::TakeHit(int32_t start, int32_t end)
{
    hit_.start = start;
    hit_.end = end;
    // Hits handed out keep their lists: a new list for new captures. Capture lists are never
    // changed once made (copies of hits share them), so hits without captures share one.
    if (captures_.empty() && hit_.ranges.IsEmpty())
        return;
    hit_.ranges = JobHitRangeList();
    for (const JobHitRange& capture : captures_)
        hit_.ranges.Add(capture.start, capture.end);
}

void JobMatcher::ClearHit()
{
    hit_.start = 0;
    hit_.end = 0;
    if (!hit_.ranges.IsEmpty())
        hit_.ranges = JobHitRangeList();
}

JobHitSingle JobMatcher::Collect(const RawString& text, bool ignore_case)
{
    StartBudget(limits_.steps);
    std::optional<JobHitSingle> single;
    return CollectWithin(text, ignore_case, single) ? *single : JobHitSingle();
}

// Each search starts where the last hit ended. An expression that can match the empty string
// hits (0, 0) first and stops there; a hit that does not move on would also stop the walk.
// The single is made only once there is a hit, so blocks without one cost no allocation.
bool JobMatcher::CollectWithin(const RawString& text, bool ignore_case, std::optional<JobHitSingle>& single)
{
    ResetMemos();
    single.reset();
    int32_t length = static_cast<int32_t>(text.View().size());
    for (int32_t from = 0;;) {
        if (!Run(text, from, length, false, ignore_case))
            break;
        if (!single)
            single.emplace();
        single->Emplace(hit_);
        if (hit_.end == 0 || hit_.end >= length || hit_.end <= from)
            break;
        from = hit_.end;
    }
    if (outcome_ != JobMatchOutcome::Finished)
        single.reset();
    return single.has_value();
}

JobHitSingle JobMatcher::CollectOne(const RawString& text, const RawString& expression, bool ignore_case,
    const JobMatchLimits& limits, JobMatchOutcome* outcome)
{
    JobMatcher matcher(expression, limits);
    JobHitSingle single = matcher.Collect(text, ignore_case);
    if (outcome != nullptr)
        *outcome = matcher.Outcome();
    return single;
}

JobHitMulti JobMatcher::CollectAll(const RawString& text, const RawStringList& expressions, bool ignore_case,
    const JobMatchLimits& limits, JobMatchOutcome* outcome)
{
    JobHitCollector collector(expressions, ignore_case, limits);
    JobHitMulti multi = collector.Collect(text);
    if (outcome != nullptr)
        *outcome = collector.Outcome();
    return multi;
}

JobHitCollector::JobHitCollector(
    const RawStringList& expressions, bool ignore_case, const JobMatchLimits& limits)
    : ignore_case_(ignore_case)
    , limits_(limits)
{
    for (const RawString& expression : expressions)
        matchers_.emplace_back(expression, limits);
}

// The budget is the block's: every expression spends from what the ones before it left.
bool JobHitCollector::Collect(const RawString& text, JobHitMulti& hits)
{
    outcome_ = JobMatchOutcome::Finished;
    found_.resize(matchers_.size());
    int64_t steps_left = limits_.steps;
    for (size_t index = 0; index < matchers_.size(); ++index) {
        JobMatcher& matcher = matchers_[index];
        matcher.StartBudget(steps_left);
        bool found = matcher.CollectWithin(text, ignore_case_, found_[index]);
        outcome_ = matcher.Outcome();
        if (!found) {
            for (size_t before = 0; before < index; ++before)
                found_[before].reset();
            return false;
        }
        steps_left = matcher.StepsLeft();
    }
    if (matchers_.empty())
        return false;
    JobHitMulti multi;
    for (size_t index = 0; index < found_.size(); ++index) {
        found_[index]->colour = JobHitMulti::Colour(static_cast<int32_t>(index));
        multi.Emplace(*found_[index]);
        found_[index].reset();
    }
    hits = multi;
    return true;
}

JobHitMulti JobHitCollector::Collect(const RawString& text)
{
    JobHitMulti hits;
    static_cast<void>(Collect(text, hits)); // left empty when the block has no result
    return hits;
}

} // namespace JobLayer
