// The matcher against a plain reference: the recursive rules of the search language applied to
// the expression text character by character, with no reading ahead, no skipping and no
// budget. Random short expressions and texts must give the same answers, hits and captures.

#include <engine/JobExpressionUtility.h>
#include <engine/JobMatcher.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using JobLayer::JobExpressionUtility;
using JobLayer::JobHitRange;
using JobLayer::JobMatcher;
using JobLayer::JobMatchOutcome;
using RawLayer::RawEncoding;
using RawLayer::RawString;

struct ReferenceHit {
    bool found = false;
    int32_t start = 0;
    int32_t end = 0;
    std::vector<JobHitRange> captures;
    bool operator==(const ReferenceHit&) const = default;
};

class Reference {
public:
    explicit Reference(const std::string& expression)
        : expression_(expression, RawEncoding::Utf8)
    {
    }

    ReferenceHit Find(const std::string& text, int32_t start, int32_t end, bool ignore_case)
    {
        Begin(text, end, false, ignore_case);
        for (int32_t s = start;; s += Step(text_, s, end_)) {
            captures_.clear();
            int32_t found = Form(s);
            if (found >= 0)
                return Result(s, found);
            if (s >= end_)
                return Result(0, -1);
        }
    }

    ReferenceHit MatchWhole(const std::string& text, int32_t start, int32_t end)
    {
        Begin(text, end, true, true);
        captures_.clear();
        return Result(start, Form(start));
    }

private:
    void Begin(const std::string& text, int32_t end, bool whole, bool fold)
    {
        text_ = RawString(text, RawEncoding::Utf8);
        end_ = end;
        whole_ = whole;
        fold_ = fold;
        negated_ = Unit(expression_, 0) == '!';
    }

    ReferenceHit Result(int32_t start, int32_t found)
    {
        if (negated_)
            return { found < 0, 0, 0, {} };
        if (found < 0)
            return {};
        return { true, start, found, captures_ };
    }

    static int32_t Step(const RawString& text, int32_t pos, int32_t end)
    {
        return JobExpressionUtility::CharacterLength(text, pos, end);
    }
    static uint32_t Unit(const RawString& text, int32_t pos)
    {
        return pos < text.Length() ? text.At(pos) : 0;
    }
    static uint32_t Fold(uint32_t unit) { return unit >= 'a' && unit <= 'z' ? unit - 32 : unit; }
    int32_t Size() const { return expression_.Length(); }
    std::string Piece(const RawString& text, int32_t pos, int32_t length) const
    {
        return std::string(text.View().substr(static_cast<size_t>(pos), static_cast<size_t>(length)));
    }

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

    RawString expression_;
    RawString text_;
    int32_t end_ = 0;
    bool whole_ = false;
    bool fold_ = false;
    bool negated_ = false;
    std::vector<JobHitRange> captures_;
};

ReferenceHit FromMatcher(const JobMatcher& matcher, bool found)
{
    ReferenceHit hit { found, matcher.Hit().start, matcher.Hit().end, {} };
    for (const JobHitRange& range : matcher.Hit().ranges)
        hit.captures.push_back(range);
    return hit;
}

std::string Show(const ReferenceHit& hit)
{
    std::string out = hit.found ? "hit " : "none ";
    out += std::to_string(hit.start) + "-" + std::to_string(hit.end);
    for (const JobHitRange& range : hit.captures)
        out += " " + std::to_string(range.start) + "-" + std::to_string(range.end);
    return out;
}

// All hits as the collector walks them: each search from the end of the last hit.
std::string ReferenceCollect(Reference& reference, const std::string& text, bool ignore_case)
{
    std::string out;
    int32_t length = static_cast<int32_t>(text.size());
    for (int32_t from = 0;;) {
        ReferenceHit hit = reference.Find(text, from, length, ignore_case);
        if (!hit.found)
            break;
        out += Show(hit) + ";";
        if (hit.end == 0 || hit.end >= length)
            break;
        from = hit.end;
    }
    return out;
}

std::string MatcherCollect(const std::string& expression, const std::string& text, bool ignore_case)
{
    std::string out;
    RawString raw_expression(expression, RawEncoding::Utf8);
    for (const JobLayer::JobHitUnit& unit :
        JobMatcher::CollectOne(RawString(text, RawEncoding::Utf8), raw_expression, ignore_case)) {
        ReferenceHit hit { true, unit.start, unit.end, {} };
        for (const JobHitRange& range : unit.ranges)
            hit.captures.push_back(range);
        out += Show(hit) + ";";
    }
    return out;
}

std::string Pick(std::mt19937& random, const std::vector<std::string>& pieces, int most)
{
    std::string out;
    int count = std::uniform_int_distribution<int>(0, most)(random);
    for (int k = 0; k < count; ++k)
        out += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
    return out;
}

// Pieces of expressions: every construct of the three forms, escapes, and broken ones.
const std::vector<std::string> kExpressionPieces = { "a", "b", "A", "B", "*", "?", "+", ".", "%N", "%n", "%r",
    "%", "%e", "%a", "%é", "[a-b]", "[^a]", "[b-]", "[-a]", "[%N]", "[^%n]", "[é-ê]", "[a-ê]", "[", "]", "-",
    "é", "$", "@", "!", "\xC3", "\r" };
// Pieces of texts: both cases, line breaks, a multi-byte character and stray bytes.
const std::vector<std::string> kTextPieces
    = { "a", "b", "A", "B", "\r", "\n", "\r\n", "é", "ê", "%", "-", "*", "\xC3", "\xA9", "\xE2\x82" };

TEST(JobMatcherProperty, AgreesWithTheReference)
{
    std::mt19937 random(20240611);
    const std::vector<std::string> prefixes = { "", "", "", "@", "@", "$", "!", "!@" };
    for (int round = 0; round < 3000; ++round) {
        std::string expression = prefixes[random() % prefixes.size()] + Pick(random, kExpressionPieces, 5);
        std::string text = Pick(random, kTextPieces, 9);
        RawString raw_text(text, RawEncoding::Utf8);
        int32_t length = static_cast<int32_t>(text.size());
        int32_t start = std::uniform_int_distribution<int32_t>(0, length)(random);
        int32_t end = std::uniform_int_distribution<int32_t>(start, length)(random);
        SCOPED_TRACE("expression '" + expression + "' text '" + text + "' range " + std::to_string(start)
            + "-" + std::to_string(end));

        Reference reference(expression);
        JobMatcher matcher(RawString(expression, RawEncoding::Utf8));
        for (bool ignore_case : { false, true }) {
            bool found = matcher.Find(raw_text, 0, length, ignore_case);
            EXPECT_EQ(Show(FromMatcher(matcher, found)), Show(reference.Find(text, 0, length, ignore_case)));
            found = matcher.Find(raw_text, start, end, ignore_case);
            EXPECT_EQ(Show(FromMatcher(matcher, found)), Show(reference.Find(text, start, end, ignore_case)));
            EXPECT_EQ(matcher.Outcome(), JobMatchOutcome::Finished);
            EXPECT_EQ(MatcherCollect(expression, text, ignore_case),
                ReferenceCollect(reference, text, ignore_case));
        }
        bool whole = matcher.MatchWhole(raw_text, start, end);
        EXPECT_EQ(Show(FromMatcher(matcher, whole)), Show(reference.MatchWhole(text, start, end)));
        whole = matcher.MatchWhole(raw_text);
        EXPECT_EQ(Show(FromMatcher(matcher, whole)), Show(reference.MatchWhole(text, 0, length)));
    }
}

} // namespace
