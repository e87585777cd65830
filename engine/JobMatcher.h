#pragma once

// Finds an expression of the search language in a text. Two modes: the search mode gives the
// leftmost hit in a range (shortest first, as "*" tries its shortest run first), the whole-match
// mode tests a file name against a filter (the expression must cover the whole range; ASCII case
// is always ignored). Every hit carries the captures of its "*", "?", "." and class items.
//
// On top sit the collectors: all hits of one expression in a block, and the hits of every
// expression of a search combined with AND (JobHitCollector, for block after block).
//
// The expression is read once into items; matching backtracks over them with the results the
// language defines, but skips start positions that cannot begin a hit and allocates nothing
// during an attempt. A step budget and a stop flag bound the work spent on one block: a block
// that runs out counts as not matching, and Outcome() tells the caller why.
//
// Texts and expressions are UTF-8; positions are byte offsets, ends exclusive. A matcher keeps
// the state of its current call, so each thread uses its own.

#include <core/RawStringList.h>
#include <engine/JobHitMulti.h>
#include <engine/JobMatcherItem.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace JobLayer {

using RawLayer::RawStringList;

// How the last call of a matcher or collector ended.
enum class JobMatchOutcome : uint8_t {
    Finished,  // the answer is exact
    Exhausted, // the step budget ran out: counts as no match ("Expression too complex")
    Stopped,   // the stop flag was raised: counts as no match
};

// Bounds on the work of one call. Find and MatchWhole get the whole budget each call; a
// collector shares it among every search it makes in one block.
struct JobMatchLimits {
    static constexpr int64_t kDefaultSteps = 10'000'000;
    int64_t steps = kDefaultSteps;
    const std::atomic<bool>* stop = nullptr; // polled every few thousand steps when set
};

class JobMatcher {
public:
    explicit JobMatcher(const RawString& expression, const JobMatchLimits& limits = {});

    const RawString& Expression() const { return expression_; }

    // The expression as read, for whoever reasons about what its hits must contain: whether it
    // starts with "!", its literal text (the literal form; empty for the others), its items (the
    // wildcard and pattern forms), and what every hit starts with, the units the search scans
    // for before it tries a start position.
    bool IsNegated() const { return negated_; }
    bool IsLiteralForm() const { return form_ == Form::Literal; }
    const std::string& LiteralText() const { return literal_; }
    const std::vector<JobMatcherItem>& Items() const { return items_; }
    const JobMatcherFirst& HitStart(bool ignore_case) const
    {
        return ignore_case ? first_folded_ : first_exact_;
    }
    const JobMatchLimits& Limits() const { return limits_; }
    void SetLimits(const JobMatchLimits& limits) { limits_ = limits; }

    // Search mode: tries the start positions of [start, end] in order, stepping by characters;
    // the first that matches gives the hit. A negated expression ("!") succeeds when its rest
    // is found nowhere, with the empty hit at 0.
    [[nodiscard]] bool Find(const RawString& text, int32_t start, int32_t end, bool ignore_case);

    // Whole-match mode, ASCII case ignored: one attempt at `start` that must end at `end`.
    [[nodiscard]] bool MatchWhole(const RawString& text, int32_t start, int32_t end);
    [[nodiscard]] bool MatchWhole(const RawString& text) { return MatchWhole(text, 0, text.Length()); }

    // The hit of the last successful call: start, end and the captures in pattern order. After
    // a failed call it is empty.
    const JobHitUnit& Hit() const { return hit_; }

    JobMatchOutcome Outcome() const { return outcome_; }
    bool Exhausted() const { return outcome_ == JobMatchOutcome::Exhausted; }

    // All hits in the text, left to right, each search starting where the last hit ended. The
    // budget covers the whole call; when it runs out (or the stop flag rises) the result is
    // empty and Outcome() says so.
    JobHitSingle Collect(const RawString& text, bool ignore_case);

    static JobHitSingle CollectOne(const RawString& text, const RawString& expression, bool ignore_case,
        const JobMatchLimits& limits = {}, JobMatchOutcome* outcome = nullptr);
    // Every expression with AND: empty as soon as one expression has no hit; the k-th single
    // gets JobHitMulti::Colour(k).
    static JobHitMulti CollectAll(const RawString& text, const RawStringList& expressions, bool ignore_case,
        const JobMatchLimits& limits = {}, JobMatchOutcome* outcome = nullptr);

private:
    friend class JobHitCollector;

    using Item = JobMatcherItem;
    enum class Form : uint8_t { Literal, Wildcard, Pattern };
    static constexpr int32_t kFail = -1;
    static constexpr int32_t kAbort = -2; // the budget ran out or the stop flag rose

    // Where the last scan for the candidates of one item ended, so that a "*" tried again from
    // a later position does not scan the same text twice.
    struct ScanMemo {
        int32_t from = -1;
        int32_t found = -1;
    };

    void Read();
    JobMatcherFirst LeadingRun(bool fold) const;
    bool Run(const RawString& text, int32_t start, int32_t end, bool whole, bool ignore_case);
    int32_t Search(int32_t start, int32_t* hit_start);
    int32_t Attempt(int32_t pos);
    int32_t MatchFrom(size_t index, int32_t pos);
    int32_t MatchRunOfAny(size_t index, int32_t pos);
    int32_t MatchRepeat(size_t index, int32_t pos);
    bool WholeMayMatch(int32_t start) const;
    int32_t NextCandidate(const JobMatcherFirst& first, int32_t from, ScanMemo* memo);
    int32_t AlignToCharacter(int32_t from, int32_t target);
    int32_t CharacterLength(int32_t pos) const
    {
        int32_t length = 1 + (*trails_)[static_cast<uint8_t>(text_[pos])];
        return length < end_ - pos ? length : end_ - pos;
    }
    void StartBudget(int64_t steps);
    void NextChunk();
    bool Spend() { return --poll_countdown_ >= 0 || Refill(); }
    bool Refill();
    void Charge(int64_t steps) { steps_left_ -= steps; }
    int64_t StepsLeft() const;
    void ResetMemos();
    void TakeHit(int32_t start, int32_t end);
    void ClearHit();
    bool CollectWithin(const RawString& text, bool ignore_case, std::optional<JobHitSingle>& single);

    RawString expression_;
    JobMatchLimits limits_;
    const std::array<uint8_t, 256>* trails_;
    bool negated_ = false;
    Form form_ = Form::Wildcard;
    std::string literal_;          // the literal form's text
    std::vector<Item> items_;      // the wildcard or pattern form's items
    JobMatcherFirst first_exact_;  // what every hit starts with, case kept
    JobMatcherFirst first_folded_; // the same with ASCII case ignored
    size_t suffix_first_ = 0;      // items from here on are fixed characters that end every
    int32_t suffix_length_ = 0;    // whole match, in this many units

    // The current call.
    const char* text_ = nullptr;
    int32_t end_ = 0;
    bool whole_ = false;
    bool fold_ = false;
    int64_t steps_left_ = 0;
    int32_t chunk_ = 0;
    int32_t poll_countdown_ = 0;
    std::vector<JobHitRange> captures_; // kept between attempts, so attempts do not allocate
    std::vector<ScanMemo> memos_;       // one per item
    JobMatchOutcome outcome_ = JobMatchOutcome::Finished;
    JobHitUnit hit_;
};

// The expressions of one search, read once and applied to block after block with AND.
class JobHitCollector {
public:
    JobHitCollector(const RawStringList& expressions, bool ignore_case, const JobMatchLimits& limits = {});

    // One JobHitSingle per expression, or empty when an expression has no hit in the text, or
    // when the block's budget ran out or the stop flag rose (see Outcome).
    JobHitMulti Collect(const RawString& text);
    // The same for the search loop: true with `hits` replaced by the result, or false with
    // `hits` untouched. A block without a result costs no allocation.
    [[nodiscard]] bool Collect(const RawString& text, JobHitMulti& hits);
    JobMatchOutcome Outcome() const { return outcome_; }

private:
    std::vector<JobMatcher> matchers_;
    std::vector<std::optional<JobHitSingle>> found_; // per expression, while a block is collected
    bool ignore_case_;
    JobMatchLimits limits_;
    JobMatchOutcome outcome_ = JobMatchOutcome::Finished;
};

} // namespace JobLayer
