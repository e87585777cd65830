#include <core/RawParameterList.h>

#include <algorithm>
#include <limits>

namespace RawLayer {

namespace {

// The value of `c` as a digit of `base`, or -1.
int DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

} // namespace

int64_t RawParseInteger(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    int base = 10;
    if (text.size() - pos >= 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'b')) {
        base = text[pos + 1] == 'x' ? 16 : 2;
        pos += 2;
    }
    // The magnitude saturates one past the largest positive value, which is exactly the
    // magnitude of the smallest negative one.
    constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        int digit = DigitValue(text[pos], base);
        if (digit < 0)
            break;
        if (magnitude > (kLimit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            magnitude = kLimit;
        else
            magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (negative)
        return magnitude == kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
    return magnitude >= kLimit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(magnitude);
}

RawParameterUnit& RawParameterList::Add(const RawString& key)
{
    return Emplace(RawParameterUnit { key, {} });
}

RawParameterUnit& RawParameterList::Add(const RawString& key, const RawString& value)
{
    return Emplace(RawParameterUnit { key, value });
}

bool RawParameterList::KeyMatches(const RawString& a, const RawString& b) const
{
    return ExactKeys() ? a.Equals(b) : a.EqualsIgnoreCase(b);
}

RawParameterUnit* RawParameterList::Find(const RawString& key) const
{
    for (RawParameterUnit& unit : *this) {
        if (KeyMatches(unit.key, key))
            return &unit;
    }
    return nullptr;
}

int64_t RawParameterList::GetInteger(const RawString& key, int64_t default_value) const
{
    const RawParameterUnit* unit = Find(key);
    if (unit == nullptr)
        return default_value;
    RawString text;
    if (!text.Acquire(unit->value, RawEncoding::Utf8))
        return 0;
    return RawParseInteger(text.View());
}

RawString RawParameterList::GetText(const RawString& key, const RawString& default_value) const
{
    const RawParameterUnit* unit = Find(key);
    return unit != nullptr ? unit->value : default_value;
}

void RawParameterList::SetBoolean(RawParameterUnit& unit, bool flag)
{
    static const RawString kTrue("True");
    static const RawString kFalse("False");
    unit.value = flag ? kTrue : kFalse;
}

void RawParameterList::AddEntries(const RawString& line)
{
    RawString text;
    if (!text.Acquire(line, RawEncoding::Utf8))
        return;
    std::string_view bytes = text.View();
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        if (end > start) {
            std::string_view piece = bytes.substr(start, end - start);
            std::size_t equal = piece.find('=');
            if (equal == std::string_view::npos)
                Add(RawString(piece, RawEncoding::Utf8));
            else
                Add(RawString(piece.substr(0, equal), RawEncoding::Utf8),
                    RawString(piece.substr(equal + 1), RawEncoding::Utf8));
        }
        start = end + 1;
    }
}

int RawParameterListSort::CompareTyped(const RawParameterUnit& a, const RawParameterUnit& b) const
{
    int32_t common = std::min(a.key.Length(), b.key.Length());
    for (int32_t pos = 0; pos < common; ++pos) {
        uint32_t unit_a = a.key.At(pos);
        uint32_t unit_b = b.key.At(pos);
        if (unit_a != unit_b)
            return unit_a < unit_b ? -1 : 1;
    }
    return a.key.Length() < b.key.Length() ? -1 : a.key.Length() > b.key.Length() ? 1 : 0;
}

} // namespace RawLayer
