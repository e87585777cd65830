#include <engine/JobHitMulti.h>

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

namespace JobLayer {

namespace {

// Moves a position by `delta`; false when the result would not fit, which no text can hold.
bool Moved(int32_t pos, int64_t delta, int32_t& out)
{
    int64_t moved = pos + delta;
    if (moved < 0 || moved > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(moved);
    return true;
}

void AppendRange(RawString& text, int32_t start, int32_t end)
{
    text.AppendUnits("[");
    text.AppendNumber(start);
    text.AppendUnits(",");
    text.AppendNumber(end);
    text.AppendUnits("]");
}

// A strict reader of the text form: every method consumes exactly its piece or fails.
class HitTextReader {
public:
    explicit HitTextReader(std::string_view text)
        : text_(text)
    {
    }

    bool AtEnd() const { return pos_ == text_.size(); }
    bool Peek(char expected) const { return pos_ < text_.size() && text_[pos_] == expected; }
    bool Take(char expected)
    {
        if (!Peek(expected))
            return false;
        ++pos_;
        return true;
    }

    // "[" start "," end "]". Ranges must be (-1, -1), a destroyed hit, or 0 <= start <= end:
    // nothing else can come from a search, and later stages cut the text at these offsets.
    bool Range(JobHitRange& range)
    {
        if (!Take('[') || !Number(range.start) || !Take(',') || !Number(range.end) || !Take(']'))
            return false;
        bool destroyed = range.start == -1 && range.end == -1;
        return destroyed || (range.start >= 0 && range.start <= range.end);
    }

private:
    // An optional "-" and at least one digit; values beyond 32 bits are refused.
    bool Number(int32_t& value)
    {
        bool negative = Take('-');
        int64_t magnitude = 0;
        size_t first = pos_;
        for (; pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9'; ++pos_) {
            magnitude = magnitude * 10 + (text_[pos_] - '0');
            if (magnitude > int64_t { std::numeric_limits<int32_t>::max() } + 1)
                return false;
        }
        int64_t signed_value = negative ? -magnitude : magnitude;
        if (pos_ == first || signed_value > std::numeric_limits<int32_t>::max())
            return false;
        value = static_cast<int32_t>(signed_value);
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

// One unit: "(" range "(" captures ")" ")".
bool ReadUnit(HitTextReader& reader, JobHitSingle& single)
{
    JobHitRange whole;
    if (!reader.Take('(') || !reader.Range(whole) || !reader.Take('('))
        return false;
    JobHitUnit& unit = single.Emplace(JobHitUnit { whole.start, whole.end, {} });
    while (!reader.Take(')')) {
        JobHitRange capture;
        if (!reader.Range(capture))
            return false;
        unit.ranges.Add(capture.start, capture.end);
    }
    return reader.Take(')');
}

bool ReadMulti(HitTextReader& reader, JobHitMulti& multi)
{
    if (!reader.Take('('))
        return false;
    while (!reader.Take(')')) {
        if (!reader.Take('('))
            return false;
        JobHitSingle& single = multi.Emplace();
        single.colour = JobHitMulti::Colour(multi.Count() - 1);
        while (!reader.Take(')'))
            if (!ReadUnit(reader, single))
                return false;
    }
    return reader.AtEnd();
}

} // namespace

// A destroyed unit stays destroyed; offsets that would leave the 32-bit range mark the unit
// destroyed as well rather than wrap.
void JobHitSingle::ShiftRanges(int32_t old_start, int32_t old_end, int32_t new_start, int32_t new_end)
{
    int64_t delta = (int64_t { new_end } - new_start) - (int64_t { old_end } - old_start);
    for (JobHitUnit& unit : *this) {
        if (unit.start < 0)
            continue;
        bool overlaps = std::max(unit.start, old_start) < std::min(unit.end, old_end);
        bool moved = !overlaps && unit.start >= old_end;
        if (overlaps
            || (moved && !(Moved(unit.start, delta, unit.start) && Moved(unit.end, delta, unit.end))))
            unit.start = unit.end = -1;
    }
}

RawColour JobHitMulti::Colour(int32_t index)
{
    static constexpr std::array<RawColour, 4> kColours { RawColour::FromRgb(0xFF, 0xA0, 0xFF),
        RawColour::FromRgb(0xFF, 0xC5, 0x80), RawColour::FromRgb(0x80, 0xFF, 0x80),
        RawColour::FromRgb(0xC0, 0xC0, 0xFF) };
    return kColours[static_cast<size_t>(((index % 4) + 4) % 4)];
}

JobHitMulti JobHitMulti::Copy() const
{
    JobHitMulti copy;
    for (const JobHitSingle& single : *this) {
        JobHitSingle& fresh = copy.Emplace();
        fresh.colour = Colour(copy.Count() - 1);
        for (const JobHitUnit& unit : single)
            fresh.Emplace(JobHitUnit { unit.start, unit.end, unit.ranges });
    }
    return copy;
}

RawString JobHitMulti::ToText() const
{
    RawString text;
    text.AppendUnits("(");
    for (const JobHitSingle& single : *this) {
        text.AppendUnits("(");
        for (const JobHitUnit& unit : single) {
            text.AppendUnits("(");
            AppendRange(text, unit.start, unit.end);
            text.AppendUnits("(");
            for (const JobHitRange& capture : unit.ranges)
                AppendRange(text, capture.start, capture.end);
            text.AppendUnits("))");
        }
        text.AppendUnits(")");
    }
    text.AppendUnits(")");
    return text;
}

JobHitMulti JobHitMulti::FromText(const RawString& text)
{
    std::string_view view = text.View();
    if (view.size() < 2 || view[0] != '(')
        return JobHitMulti();
    HitTextReader reader(view);
    JobHitMulti multi;
    if (!ReadMulti(reader, multi))
        return JobHitMulti();
    return multi;
}

} // namespace JobLayer
