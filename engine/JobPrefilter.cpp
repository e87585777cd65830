#include <core/RawEncoding.h>
#include <engine/JobPrefilter.h>

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace JobLayer {

namespace {

using Form = JobPieceEncoder::Form;
using Origin = RawLayer::RawLineFileInfo::Origin;

// Half the budget is all a block may need by the bound: the matcher counts its steps in chunks.
constexpr double kBudgetShare = 0.5;
constexpr int64_t kLongestBlockTried = int64_t { 1 } << 40;

bool IsAsciiCompatible(RawEncoding encoding)
{
    return encoding == RawEncoding::NoSet || encoding == RawEncoding::Sjis || encoding == RawEncoding::Utf8
        || encoding == RawEncoding::Mac;
}

#if defined(__x86_64__)
const bool kHasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));

// Folds the whole 32-byte blocks of [text, text + size) into `out`: "a".."z" lose the 20 bit.
// Bytes from 80 up compare as negative and are never letters.
[[gnu::target("avx2")]] void FoldBlocksAvx2(const char* text, size_t size, char* out)
{
    const __m256i below_a = _mm256_set1_epi8('a' - 1);
    const __m256i above_z = _mm256_set1_epi8('z' + 1);
    const __m256i case_bit = _mm256_set1_epi8(0x20);
    for (size_t at = 0; at + 32 <= size; at += 32) {
        __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + at));
        __m256i letter
            = _mm256_and_si256(_mm256_cmpgt_epi8(block, below_a), _mm256_cmpgt_epi8(above_z, block));
        __m256i folded = _mm256_sub_epi8(block, _mm256_and_si256(letter, case_bit));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), folded);
    }
}
#endif

void FoldInto(std::string_view text, std::string& folded)
{
    folded.resize(text.size());
    size_t from = 0;
#if defined(__x86_64__)
    if (kHasAvx2) {
        from = text.size() - text.size() % 32;
        FoldBlocksAvx2(text.data(), from, folded.data());
    }
#endif
    for (size_t k = from; k < text.size(); ++k)
        folded[k] = static_cast<char>(JobMatcherItem::Fold(static_cast<uint8_t>(text[k])));
}

// UTF-8 units a file unit can become: a byte of code page 932 or a 16-bit unit up to three.
int64_t GrowthOf(Form form)
{
    return form == Form::Same ? 1 : 3;
}

// How common a byte is in text, roughly: spaces and lower-case letters most, then line ends and
// upper-case letters, digits and signs; bytes above 7F, which UTF-8 spreads over many
// characters, least.
int ByteRank(uint8_t unit)
{
    if (unit == ' ' || (unit >= 'a' && unit <= 'z'))
        return 4;
    if (unit == '\n' || unit == '\r' || unit == '\t' || (unit >= 'A' && unit <= 'Z'))
        return 3;
    if (unit < 0x80)
        return 2;
    return 1;
}

// The place in `run` of its least common byte (the last of equals: text varies more at ends).
size_t RarestByte(std::string_view run)
{
    size_t rarest = 0;
    for (size_t k = 1; k < run.size(); ++k)
        if (ByteRank(static_cast<uint8_t>(run[k])) <= ByteRank(static_cast<uint8_t>(run[rarest])))
            rarest = k;
    return rarest;
}

// Whether `content` holds `run`: the vector search for its least common byte, each find checked
// whole. When that byte turns out common in this text, the rest is left to memmem.
bool HoldsRun(std::string_view content, std::string_view run)
{
    if (run.empty())
        return true;
    if (run.size() > content.size())
        return false;
    size_t anchor = RarestByte(run);
    const char* data = content.data();
    const char* first = data + anchor;                                // the first place it can stand
    const char* last = data + (content.size() - run.size()) + anchor; // and the last
    size_t checks_left = 64 + content.size() / 512;
    for (const char* at = first; at <= last; ++at) {
        at = static_cast<const char*>(std::memchr(at, run[anchor], static_cast<size_t>(last - at) + 1));
        if (at == nullptr)
            return false;
        if (std::memcmp(at - anchor, run.data(), run.size()) == 0)
            return true;
        if (--checks_left == 0) {
            const char* from = at - anchor + 1;
            size_t left = static_cast<size_t>(data + content.size() - from);
            return memmem(from, left, run.data(), run.size()) != nullptr;
        }
    }
    return false;
}

} // namespace

JobPrefilter::JobPrefilter(const RawStringList& expressions, bool ignore_case, int64_t step_budget)
{
    bool any_negated = false;
    bool any_required = false;
    for (const RawString& expression : expressions) {
        required_.emplace_back(expression, ignore_case);
        any_negated = any_negated || required_.back().IsNegated();
        any_required = any_required || !required_.back().Pieces().empty();
    }
    useful_ = any_required && !any_negated;
    if (!useful_)
        return;
    double budget = static_cast<double>(step_budget) * kBudgetShare;
    std::vector<JobRequiredText> before;
    for (const JobRequiredText& required : required_) {
        allowances_.push_back(
            { LongestBlock(before, required, true, budget), LongestBlock(before, required, false, budget) });
        before.push_back(required);
    }
}

// The longest block for which the bounds stay within the budget, found by halving.
int64_t JobPrefilter::LongestBlock(const std::vector<JobRequiredText>& before, const JobRequiredText& missing,
    bool lead_missing, double budget)
{
    auto fits = [&](int64_t length) {
        double steps = missing.StepBound(length, lead_missing);
        for (const JobRequiredText& required : before)
            steps += required.StepBound(length, false);
        return steps <= budget;
    };
    if (!fits(0))
        return -1;
    int64_t low = 0;
    int64_t high = kLongestBlockTried;
    while (low < high) {
        int64_t middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

// The text is the file's bytes for UTF-8 and for plain ASCII read in any encoding that keeps
// ASCII as it is; the other detected encodings are converted as a whole by their rules.
std::optional<Form> JobPrefilter::FormOf(FileKind kind)
{
    if (kind.origin == Origin::Undecided)
        return IsAsciiCompatible(kind.encoding) ? std::optional(Form::Same) : std::nullopt;
    switch (kind.encoding) {
    case RawEncoding::Utf8:
        return Form::Same;
    case RawEncoding::Sjis:
        return Form::Sjis;
    case RawEncoding::Utf16Le:
        return Form::Utf16Le;
    case RawEncoding::Utf16Be:
        return Form::Utf16Be;
    default:
        return std::nullopt;
    }
}

JobLineScan::Unit JobPrefilter::UnitOf(Form form)
{
    if (form == Form::Utf16Le)
        return JobLineScan::Unit::Utf16Le;
    if (form == Form::Utf16Be)
        return JobLineScan::Unit::Utf16Be;
    return JobLineScan::Unit::Byte;
}

std::optional<int64_t> JobPrefilter::PassOver(
    std::string_view content, FileKind kind, int32_t line_limit, int32_t line_count)
{
    std::optional<Form> form = useful_ ? FormOf(kind) : std::nullopt;
    if (!form)
        return std::nullopt;
    content_folded_ = false;
    int64_t allowed = MissingAllowance(content, EncodedFor(*form));
    int64_t lines_per_block = std::max<int32_t>(line_count, 1);
    int64_t longest_line = std::min<int64_t>(line_limit, (allowed / lines_per_block - 2) / GrowthOf(*form));
    JobLineScan::Unit unit = UnitOf(*form);
    if (allowed < 0 || longest_line < 0 || !JobLineScan::LinesWithin(content, unit, longest_line)
        || !Converts(content, kind.encoding, *form))
        return std::nullopt;
    return JobLineScan::CountLines(content, unit);
}

// The longest run is the rarest, roughly; one matched with case kept is preferred, as it needs
// no folded copy of the file.
bool JobPrefilter::StartCandidates(std::string_view content, FileKind kind)
{
    std::optional<Form> form = useful_ ? FormOf(kind) : std::nullopt;
    if (!form)
        return false;
    const Encoded& encoded = EncodedFor(*form);
    const std::string* exact = nullptr;
    const std::string* folded = nullptr;
    auto longer
        = [](const std::string* best, const std::string& run) { return !best || run.size() > best->size(); };
    for (const Runs& runs : encoded.runs) {
        for (const std::vector<std::string>* list : { &runs.lead, &runs.exact })
            for (const std::string& run : *list)
                exact = longer(exact, run) ? &run : exact;
        for (const std::string& run : runs.folded)
            folded = longer(folded, run) ? &run : folded;
    }
    const std::string* chosen = exact != nullptr ? exact : folded;
    if (chosen == nullptr || chosen->empty() || chosen->find_first_of("\r\n") != std::string::npos)
        return false;
    candidate_run_ = *chosen;
    candidate_unit_ = UnitOf(*form);
    if (chosen == exact) {
        candidate_text_ = content;
    } else {
        FoldInto(content, candidate_folded_);
        candidate_text_ = candidate_folded_;
    }
    return true;
}

size_t JobPrefilter::NextCandidate(size_t from)
{
    if (from >= candidate_text_.size())
        return candidate_text_.size();
    const void* found = memmem(candidate_text_.data() + from, candidate_text_.size() - from,
        candidate_run_.data(), candidate_run_.size());
    return found == nullptr ? candidate_text_.size()
                            : static_cast<size_t>(static_cast<const char*>(found) - candidate_text_.data());
}

const JobPrefilter::Encoded& JobPrefilter::EncodedFor(Form form)
{
    Encoded& encoded = encoded_[static_cast<size_t>(form)];
    if (encoded.made)
        return encoded;
    encoded.made = true;
    for (const JobRequiredText& required : required_) {
        Runs runs;
        if (!required.Lead().empty())
            runs.lead = JobPieceEncoder::Encode(required.Lead(), form);
        for (const JobRequiredText::Piece& piece : required.Pieces()) {
            for (std::string& run : JobPieceEncoder::Encode(piece.units, form)) {
                if (!piece.folded) {
                    runs.exact.push_back(std::move(run));
                    continue;
                }
                std::string folded;
                FoldInto(run, folded);
                runs.folded.push_back(std::move(folded));
            }
        }
        encoded.runs.push_back(std::move(runs));
    }
    return encoded;
}

// The allowance of the first expression, in list order, that misses a run: the collector
// matches the expressions in that order and stops at the first without a hit.
int64_t JobPrefilter::MissingAllowance(std::string_view content, const Encoded& encoded)
{
    for (size_t index = 0; index < encoded.runs.size(); ++index) {
        const Runs& runs = encoded.runs[index];
        auto missing = [&](const std::string& run) { return !Holds(content, run); };
        auto missing_folded = [&](const std::string& run) { return !HoldsFolded(content, run); };
        if (std::any_of(runs.lead.begin(), runs.lead.end(), missing))
            return allowances_[index].lead_missing;
        if (std::any_of(runs.exact.begin(), runs.exact.end(), missing)
            || std::any_of(runs.folded.begin(), runs.folded.end(), missing_folded))
            return allowances_[index].other_missing;
    }
    return -1;
}

bool JobPrefilter::Holds(std::string_view content, const std::string& run)
{
    return HoldsRun(content, run);
}

// The letters of the file are folded once per file, when the first folded run is looked for.
bool JobPrefilter::HoldsFolded(std::string_view content, const std::string& run)
{
    if (!content_folded_) {
        FoldInto(content, folded_content_);
        content_folded_ = true;
    }
    return Holds(folded_content_, run);
}

// Every line converts when the whole content does: lines end at ASCII units, which no
// character of these encodings contains.
bool JobPrefilter::Converts(std::string_view content, RawEncoding encoding, Form form)
{
    if (form == Form::Same)
        return encoding != RawEncoding::Utf8 || RawLayer::RawIsValidUtf8(content);
    if (form == Form::Sjis && RawLayer::RawIsPlainAscii(content))
        return true;
    return RawLayer::RawConvertBytes(content, encoding, RawEncoding::Utf8).has_value();
}

} // namespace JobLayer
