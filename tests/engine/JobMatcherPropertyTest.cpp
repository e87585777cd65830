// The matcher against a plain reference: the recursive rules of the search language applied to
// the expression text character by character, with no reading ahead, no skipping and no
// budget. Random short expressions and texts must give the same answers, hits and captures.

#include <engine/JobExpressionUtility.h>
#include <engine/JobMatcher.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace JobLayer;
using RawLayer::RawEncoding;

struct ReferenceHit {
    int32_t start = 0, end = 0;
    std::vector<JobHitRange> ranges; // the captures
};

class Reference {
public:
    explicit Reference(const std::string& text) { expression_ = RawString(text, RawEncoding::Utf8); }

    // Search mode tries the starts of [start, end] character by character; whole mode makes
    // one attempt at `start` that must reach `end`. A negated expression succeeds with the
    // empty hit at 0 when its rest is found nowhere. The hit, as the matcher's, is empty after
    // a failure.
    bool Match(const std::string& text, int32_t start, int32_t end, bool whole, bool fold)
    {
        text_ = RawString(text, RawEncoding::Utf8);
        std::tie(end_, whole_, fold_, negated_) = std::tuple(end, whole, fold, Unit(expression_, 0) == '!');
        for (int32_t s = start;; s += Step(text_, s, end_)) {
            captures_.clear();
            int32_t found = Form(s);
            if (found >= 0 || whole || s >= end_) {
                hit_ = found < 0 || negated_ ? ReferenceHit() : ReferenceHit { s, found, captures_ };
                return negated_ ? found < 0 : found >= 0;
            }
        }
    }
    const ReferenceHit& Hit() const { return hit_; }

private:
    static constexpr auto Step = &JobExpressionUtility::CharacterLength; // (text, pos, end)
    static uint32_t Unit(const RawString& t, int32_t pos) { return pos < t.Length() ? t.At(pos) : 0; }
    static uint32_t Fold(uint32_t unit) { return unit >= 'a' && unit <= 'z' ? unit - 32 : unit; }
    int32_t Size() const { return expression_.Length(); }
    static std::string Piece(const RawString& t, int32_t p, int32_t n) { return std::string(t.View(), p, n); }

    int32_t Form(int32_t s)
    {
        int32_t i = negated_ ? 1 : 0;
        if (Unit(expression_, i) == '$' && i < Size()) {
            std::string literal = Piece(expression_, i + 1, Size() - i - 1);
            int32_t length = static_cast<int32_t>(literal.size());
            if (s + length > end_ || Piece(text_, s, length) != literal || (whole_ && end_ - s != length))
                return -1;
            return s + length;
        }
        if (Unit(expression_, i) == '@' && i < Size())
            return Pattern(i + 1, s);
        return Wildcard(i, s);
    }

    int32_t AtEnd(int32_t p) const { return p >= end_ || !whole_ ? p : -1; }

    // Units an escape (the character at expression index j) matches at p; 0 when it does not.
    int32_t Escape(int32_t j, int32_t p) const
    {
        std::string letter = Piece(expression_, j, Step(expression_, j, Size()));
        if (letter == "N") {
            if (p + 1 < end_ && text_.At(p) == '\r' && text_.At(p + 1) == '\n')
                return 2;
            return p < end_ && text_.At(p) == '\n' ? 1 : 0;
        }
        static const std::string kLetters = "nrtsqde";
        static const std::string kMeanings = "\n\r\t \";%";
        if (letter.size() == 1 && kLetters.find(letter[0]) != std::string::npos)
            letter = std::string(1, kMeanings[kLetters.find(letter[0])]);
        int32_t length = static_cast<int32_t>(letter.size());
        return p + length <= end_ && Piece(text_, p, length) == letter ? length : 0;
    }

    // A literal character of the expression at i against the text at p: units compared, or -1.
    int32_t Literal(int32_t i, int32_t p) const
    {
        int32_t n = Step(expression_, i, Size());
        if (p + n > end_)
            return -1;
        for (int32_t k = 0; k < n; ++k) {
            uint32_t a = expression_.At(i + k);
            uint32_t b = text_.At(p + k);
            if (a != b && !(k == 0 && fold_ && Fold(a) == Fold(b)))
                return -1;
        }
        return n;
    }

    int32_t Wildcard(int32_t i, int32_t p)
    {
        if (i >= Size())
            return AtEnd(p);
        uint32_t c = expression_.At(i);
        if (c == '%' && i + 1 >= Size()) // a trailing "%" is itself
            return p < end_ && text_.At(p) == '%' ? Wildcard(i + 1, p + 1) : -1;
        if (c == '%') {
            int32_t n = Escape(i + 1, p);
            return n == 0 ? -1 : Wildcard(i + 1 + Step(expression_, i + 1, Size()), p + n);
        }
        if (c == '?') {
            if (p >= end_)
                return -1;
            int32_t q = p + Step(text_, p, end_);
            captures_.push_back({ p, q });
            return Wildcard(i + 1, q);
        }
        if (c == '*') {
            for (int32_t q = p; q <= end_; q += Step(text_, q, end_)) {
                size_t mark = captures_.size();
                captures_.push_back({ p, q });
                int32_t found = Wildcard(i + 1, q);
                if (found >= 0)
                    return found;
                captures_.resize(mark);
                if (q >= end_)
                    break;
            }
            return -1;
        }
        int32_t n = Literal(i, p);
        return n < 0 ? -1 : Wildcard(i + Step(expression_, i, Size()), p + n);
    }

    enum class Kind { Literal, Escape, Empty, Dot, Class, NotClass };
    struct PatternItem {
        Kind kind;
        int32_t at;       // the character, the escaped character or the list start
        int32_t list_end; // classes only
        int32_t length;   // units of the item in the expression
    };

    PatternItem ReadItem(int32_t i) const
    {
        uint32_t c = expression_.At(i);
        if (c == '.')
            return { Kind::Dot, i, 0, 1 };
        if (c == '%')
            return i + 1 >= Size()
                ? PatternItem { Kind::Empty, i, 0, 1 }
                : PatternItem { Kind::Escape, i + 1, 0, 1 + Step(expression_, i + 1, Size()) };
        if (c != '[')
            return { Kind::Literal, i, 0, Step(expression_, i, Size()) };
        int32_t start = i + 1;
        Kind kind = Kind::Class;
        if (Unit(expression_, start) == '^' && start < Size()) {
            kind = Kind::NotClass;
            ++start;
        }
        int32_t j = start;
        while (j < Size() && expression_.At(j) != ']')
            j += expression_.At(j) == '%' && j + 1 < Size() ? 1 + Step(expression_, j + 1, Size())
                                                            : Step(expression_, j, Size());
        return { kind, start, j, (j < Size() ? j + 1 : Size()) - i };
    }

    // a <= b, unit by unit as unsigned numbers; equal starts count only at equal lengths.
    static bool NotAbove(const std::string& a, const std::string& b)
    {
        for (size_t k = 0; k < a.size() && k < b.size(); ++k)
            if (a[k] != b[k])
                return static_cast<uint8_t>(a[k]) < static_cast<uint8_t>(b[k]);
        return a.size() == b.size();
    }

    bool Member(const PatternItem& item, int32_t p, int32_t n) const
    {
        std::string x = Piece(text_, p, n);
        for (int32_t i = item.at; i < item.list_end;) {
            if (expression_.At(i) == '%' && i + 1 < item.list_end) {
                if (Escape(i + 1, p) > 0)
                    return true;
                i += 1 + Step(expression_, i + 1, item.list_end);
                continue;
            }
            int32_t a_length = Step(expression_, i, item.list_end);
            std::string a = Piece(expression_, i, a_length);
            int32_t dash = i + a_length;
            if (dash + 1 < item.list_end && expression_.At(dash) == '-') {
                int32_t b_length = Step(expression_, dash + 1, item.list_end);
                if (NotAbove(a, x) && NotAbove(x, Piece(expression_, dash + 1, b_length)))
                    return true;
                i = dash + 1 + b_length;
                continue;
            }
            if (a == x)
                return true;
            i = dash;
        }
        return false;
    }

    int32_t One(const PatternItem& item, int32_t p) const
    {
        if (item.kind == Kind::Empty)
            return 0;
        if (p >= end_)
            return -1;
        bool line_break = text_.At(p) == '\r' || text_.At(p) == '\n';
        int32_t n = Step(text_, p, end_);
        switch (item.kind) {
        case Kind::Literal:
            return Literal(item.at, p);
        case Kind::Escape: {
            int32_t m = Escape(item.at, p);
            return m == 0 ? -1 : m;
        }
        case Kind::Dot:
            return line_break ? -1 : n;
        case Kind::Class:
            return Member(item, p, n) ? n : -1;
        case Kind::NotClass:
            return line_break || Member(item, p, n) ? -1 : n;
        default:
            return 0;
        }
    }

    int32_t Pattern(int32_t i, int32_t p)
    {
        if (i >= Size())
            return AtEnd(p);
        PatternItem item = ReadItem(i);
        int32_t after = i + item.length;
        uint32_t mark = Unit(expression_, after);
        if (after < Size() && (mark == '*' || mark == '+')) {
            int32_t q = p;
            for (bool first = true;; first = false) {
                if (mark == '+' || !first) {
                    int32_t n = One(item, q);
                    if (n < 0)
                        return -1;
                    q += n;
                }
                size_t kept = captures_.size();
                captures_.push_back({ p, q });
                int32_t found = Pattern(after + 1, q);
                if (found >= 0)
                    return found;
                captures_.resize(kept);
            }
        }
        int32_t n = One(item, p);
        if (n < 0)
            return -1;
        if (item.kind == Kind::Dot || item.kind == Kind::Class || item.kind == Kind::NotClass)
            captures_.push_back({ p, p + n });
        return Pattern(after, p + n);
    }

    RawString expression_, text_;
    int32_t end_ = 0;
    bool whole_ = false, fold_ = false, negated_ = false;
    std::vector<JobHitRange> captures_;
    ReferenceHit hit_;
};

// One answer as text: found or not, start and end, then the captures.
template <typename Hit> std::string Show(bool found, const Hit& hit)
{
    std::string out = (found ? "hit " : "none ") + std::to_string(hit.start) + "-" + std::to_string(hit.end);
    for (const JobHitRange& range : hit.ranges)
        out += " " + std::to_string(range.start) + "-" + std::to_string(range.end);
    return out;
}

// All hits as the collector walks them: each search from the end of the last hit.
std::string ReferenceCollect(Reference& reference, const std::string& text, bool fold)
{
    std::string out;
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t from = 0; reference.Match(text, from, length, false, fold); from = reference.Hit().end) {
        out += Show(true, reference.Hit()) + ";";
        if (reference.Hit().end == 0 || reference.Hit().end >= length)
            break;
    }
    return out;
}

// Pieces of expressions: every construct of the three forms, escapes, and broken ones.
const std::vector<std::string> kExpressionPieces = { "a", "b", "A", "B", "*", "?", "+", ".", "%N", "%n", "%r",
    "%", "%e", "%a", "%é", "[a-b]", "[^a]", "[b-]", "[-a]", "[%N]", "[^%n]", "[é-ê]", "[a-ê]", "[", "]", "-",
    "é", "$", "@", "!", "\xC3", "\r" };
// Pieces of texts: both cases, line breaks, a multi-byte character and stray bytes.
const std::vector<std::string> kTextPieces
    = { "a", "b", "A", "B", "\r", "\n", "\r\n", "é", "ê", "%", "-", "*", "\xC3", "\xA9", "\xE2\x82" };

// Find on the whole text and on a random range, with and without ignore case, the collector on
// the text of each range, and MatchWhole on each range.
TEST(JobMatcherProperty, AgreesWithTheReference)
{
    std::mt19937 random(20240611);
    auto pick = [&](const std::vector<std::string>& pieces, int most) {
        std::string out;
        for (int count = std::uniform_int_distribution<int>(0, most)(random); count > 0; --count)
            out += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
        return out;
    };
    const std::vector<std::string> prefixes = { "", "", "", "@", "@", "$", "!", "!@" };
    for (int round = 0; round < 3000; ++round) {
        std::string expression = prefixes[random() % prefixes.size()] + pick(kExpressionPieces, 5);
        std::string text = pick(kTextPieces, 9);
        RawString raw_text(text, RawEncoding::Utf8);
        const auto length = static_cast<int32_t>(text.size());
        int32_t start = std::uniform_int_distribution<int32_t>(0, length)(random);
        int32_t end = std::uniform_int_distribution<int32_t>(start, length)(random);
        SCOPED_TRACE(expression + " on " + text + " " + std::to_string(start) + "-" + std::to_string(end));
        Reference reference(expression);
        JobMatcher matcher(RawString(expression, RawEncoding::Utf8));
        // Each Hit() is read after its call, as Show receives it by reference.
        for (const auto& [from, to] : { std::tuple { 0, length }, std::tuple { start, end } }) {
            std::string part = text.substr(from, to - from);
            for (bool ignore_case : { false, true }) {
                EXPECT_EQ(Show(matcher.Find(raw_text, from, to, ignore_case), matcher.Hit()),
                    Show(reference.Match(text, from, to, false, ignore_case), reference.Hit()));
                EXPECT_EQ(matcher.Outcome(), JobMatchOutcome::Finished);
                std::string collected;
                for (const JobHitUnit& unit : JobMatcher::CollectOne(
                         RawString(part, RawEncoding::Utf8), matcher.Expression(), ignore_case))
                    collected += Show(true, unit) + ";";
                EXPECT_EQ(collected, ReferenceCollect(reference, part, ignore_case));
            }
            EXPECT_EQ(Show(matcher.MatchWhole(raw_text, from, to), matcher.Hit()),
                Show(reference.Match(text, from, to, true, true), reference.Hit()));
        }
    }
}

} // namespace
