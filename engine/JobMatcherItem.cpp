#include <engine/JobMatcherItem.h>

#include <algorithm>
#include <cstring>

namespace JobLayer {

namespace {

using Item = JobMatcherItem;

int32_t ExpressionCharacterLength(std::string_view expression, size_t pos)
{
    return Item::CharacterLength(
        expression.data(), static_cast<int32_t>(pos), static_cast<int32_t>(expression.size()));
}

// The character an escape stands for ("%N" is handled apart: it matches two shapes).
std::string_view EscapedUnits(std::string_view letter)
{
    if (letter.size() != 1)
        return letter; // "%" before a multi-unit character stands for that whole character
    switch (letter[0]) {
    case 'n':
        return "\n";
    case 'r':
        return "\r";
    case 't':
        return "\t";
    case 's':
        return " ";
    case 'q':
        return "\"";
    case 'd':
        return ";";
    case 'e':
        return "%";
    default:
        return letter; // "%%", "%*", "%0", "%Q": the character itself, case kept
    }
}

bool EscapeMatches(std::string_view letter, const char* text, int32_t pos, int32_t end)
{
    if (letter == "N")
        return (pos < end && text[pos] == '\n')
            || (pos + 1 < end && text[pos] == '\r' && text[pos + 1] == '\n');
    std::string_view units = EscapedUnits(letter);
    return static_cast<int32_t>(units.size()) <= end - pos
        && std::memcmp(text + pos, units.data(), units.size()) == 0;
}

// Whether `low` <= `high`, comparing code units in order as unsigned numbers. Equal leading
// units count only when both have the same length, so a character is never "between" bounds
// that merely start like it.
bool NotAbove(std::string_view low, std::string_view high)
{
    size_t common = std::min(low.size(), high.size());
    for (size_t k = 0; k < common; ++k)
        if (low[k] != high[k])
            return static_cast<uint8_t>(low[k]) < static_cast<uint8_t>(high[k]);
    return low.size() == high.size();
}

bool IsLineBreakUnit(char unit)
{
    return unit == '\r' || unit == '\n';
}

// Reads "%" + character at `pos` (the "%" itself) into `item`; returns the units consumed.
size_t ReadEscape(std::string_view expression, size_t pos, Item& item)
{
    size_t length = static_cast<size_t>(ExpressionCharacterLength(expression, pos + 1));
    std::string_view letter = expression.substr(pos + 1, length);
    if (letter == "N") {
        item.kind = Item::Kind::LineBreak;
    } else {
        item.kind = Item::Kind::Exact;
        item.text = EscapedUnits(letter);
    }
    return 1 + length;
}

size_t ReadLiteral(std::string_view expression, size_t pos, Item& item)
{
    size_t length = static_cast<size_t>(ExpressionCharacterLength(expression, pos));
    item.kind = Item::Kind::Literal;
    item.text = expression.substr(pos, length);
    return length;
}

// Reads a class from its "[" at `pos`; returns the units consumed. The list ends at the first
// "]" not escaped by "%", or with the expression.
size_t ReadClass(std::string_view expression, size_t pos, Item& item)
{
    size_t start = pos + 1;
    item.kind = Item::Kind::Class;
    if (start < expression.size() && expression[start] == '^') {
        item.kind = Item::Kind::NotClass;
        ++start;
    }
    size_t stop = start;
    while (stop < expression.size() && expression[stop] != ']') {
        if (expression[stop] == '%' && stop + 1 < expression.size())
            stop += 1 + static_cast<size_t>(ExpressionCharacterLength(expression, stop + 1));
        else
            stop += static_cast<size_t>(ExpressionCharacterLength(expression, stop));
    }
    item.text = expression.substr(start, stop - start);
    return std::min(stop + 1, expression.size()) - pos;
}

} // namespace

const std::array<uint8_t, 256>& JobMatcherItem::TrailTable()
{
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> trails {};
        for (int unit = 0; unit < 256; ++unit) {
            RawString one(std::string(1, static_cast<char>(unit)), RawLayer::RawEncoding::Utf8);
            trails[static_cast<size_t>(unit)] = static_cast<uint8_t>(one.TrailLength(0));
        }
        return trails;
    }();
    return table;
}

std::vector<JobMatcherItem> JobMatcherItem::ReadWildcard(std::string_view expression)
{
    std::vector<JobMatcherItem> items;
    for (size_t pos = 0; pos < expression.size();) {
        Item item;
        char unit = expression[pos];
        if (unit == '*' || unit == '?') {
            item.kind = unit == '*' ? Kind::AnyRun : Kind::AnyOne;
            ++pos;
        } else if (unit == '%' && pos + 1 == expression.size()) {
            // A "%" that ends the expression has nothing to escape; it stands for itself.
            item.kind = Kind::Exact;
            item.text = "%";
            ++pos;
        } else if (unit == '%') {
            pos += ReadEscape(expression, pos, item);
        } else {
            pos += ReadLiteral(expression, pos, item);
        }
        item.PrepareFirst();
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<JobMatcherItem> JobMatcherItem::ReadPattern(std::string_view expression)
{
    std::vector<JobMatcherItem> items;
    for (size_t pos = 0; pos < expression.size();) {
        Item item;
        char unit = expression[pos];
        if (unit == '.') {
            item.kind = Kind::AnyButBreak;
            ++pos;
        } else if (unit == '[') {
            pos += ReadClass(expression, pos, item);
            item.PrepareClass();
        } else if (unit == '%' && pos + 1 == expression.size()) {
            item.kind = Kind::Empty;
            ++pos;
        } else if (unit == '%') {
            pos += ReadEscape(expression, pos, item);
        } else {
            pos += ReadLiteral(expression, pos, item); // "*" or "+" with no item before is itself
        }
        if (pos < expression.size() && (expression[pos] == '*' || expression[pos] == '+')) {
            item.repeat = expression[pos] == '*' ? Repeat::ZeroOrMore : Repeat::OneOrMore;
            ++pos;
        }
        item.PrepareFirst();
        items.push_back(std::move(item));
    }
    return items;
}

int32_t JobMatcherItem::MatchOnce(const char* text_units, int32_t pos, int32_t end, bool fold) const
{
    if (kind == Kind::Empty)
        return 0;
    if (pos >= end)
        return -1;
    uint8_t unit = static_cast<uint8_t>(text_units[pos]);
    switch (kind) {
    case Kind::Literal:
    case Kind::Exact: {
        int32_t length = static_cast<int32_t>(text.size());
        uint8_t own = static_cast<uint8_t>(text[0]);
        if (length > end - pos
            || (unit != own && !(fold && kind == Kind::Literal && Fold(unit) == Fold(own))))
            return -1;
        return std::memcmp(text_units + pos + 1, text.data() + 1, text.size() - 1) == 0 ? length : -1;
    }
    case Kind::LineBreak:
        if (unit == '\n')
            return 1;
        return unit == '\r' && pos + 1 < end && text_units[pos + 1] == '\n' ? 2 : -1;
    case Kind::AnyOne:
        return CharacterLength(text_units, pos, end);
    case Kind::AnyButBreak:
        return IsLineBreakUnit(static_cast<char>(unit)) ? -1 : CharacterLength(text_units, pos, end);
    case Kind::Class:
    case Kind::NotClass: {
        if (kind == Kind::NotClass && IsLineBreakUnit(static_cast<char>(unit)))
            return -1;
        int32_t length = CharacterLength(text_units, pos, end);
        bool member = false;
        if (length > 1)
            member = InList(text_units, pos, end, length);
        else if (unit == '\r' && pos + 1 < end && text_units[pos + 1] == '\n')
            member = crlf_member;
        else
            member = HasBit(members, unit);
        return member == (kind == Kind::Class) ? length : -1;
    }
    default:
        return -1;
    }
}

// Whether the character of `length` units at `pos` is in the class list. The list is walked
// from its start: "%" + character is an escape tested at `pos`; x "-" y is a range; anything
// else is a member that must equal the character. A "-" right before the end of the list has
// no upper bound and is an ordinary member, and so is a "%" that ends an unclosed list.
bool JobMatcherItem::InList(const char* text_units, int32_t pos, int32_t end, int32_t length) const
{
    std::string_view character(text_units + pos, static_cast<size_t>(length));
    std::string_view list = text;
    for (size_t at = 0; at < list.size();) {
        if (list[at] == '%' && at + 1 < list.size()) {
            size_t letter = static_cast<size_t>(ExpressionCharacterLength(list, at + 1));
            if (EscapeMatches(list.substr(at + 1, letter), text_units, pos, end))
                return true;
            at += 1 + letter;
            continue;
        }
        size_t low_length = static_cast<size_t>(ExpressionCharacterLength(list, at));
        std::string_view low = list.substr(at, low_length);
        size_t dash = at + low_length;
        if (dash + 1 < list.size() && list[dash] == '-') {
            size_t high_length = static_cast<size_t>(ExpressionCharacterLength(list, dash + 1));
            if (NotAbove(low, character) && NotAbove(character, list.substr(dash + 1, high_length)))
                return true;
            at = dash + 1 + high_length;
            continue;
        }
        if (low == character)
            return true;
        at += low_length;
    }
    return false;
}

// Settles once which one-unit characters are members, so that matching ASCII text never walks
// the list. Multi-unit characters still walk it.
void JobMatcherItem::PrepareClass()
{
    for (int unit = 0; unit < 256; ++unit) {
        char alone = static_cast<char>(unit);
        if (InList(&alone, 0, 1, 1))
            SetBit(members, static_cast<uint8_t>(unit));
    }
    crlf_member = InList("\r\n", 0, 2, 1);
}

void JobMatcherItem::PrepareFirst()
{
    first_exact = first_folded = JobMatcherFirst {};
    if (repeat == Repeat::ZeroOrMore)
        return;
    if (kind == Kind::LineBreak) {
        first_exact = first_folded = JobMatcherFirst::Units('\r', '\n');
    } else if (kind == Kind::Literal || kind == Kind::Exact) {
        uint8_t unit = static_cast<uint8_t>(text[0]);
        first_exact = first_folded = JobMatcherFirst::Units(unit, unit);
        if (kind == Kind::Literal && IsLetter(unit))
            first_folded = JobMatcherFirst::Units(static_cast<uint8_t>(Fold(unit) + 32), Fold(unit));
    } else if (kind == Kind::Class || kind == Kind::NotClass) {
        // Bytes that start a longer character may begin a member whatever they are.
        JobMatcherFirst first { JobMatcherFirst::Kind::Set, 0, 0, {}, {} };
        for (int value = 0; value < 256; ++value) {
            uint8_t unit = static_cast<uint8_t>(value);
            bool possible = TrailTable()[unit] > 0;
            if (kind == Kind::Class)
                possible = possible || HasBit(members, unit) || (unit == '\r' && crlf_member);
            else
                possible = possible || (unit != '\r' && unit != '\n' && !HasBit(members, unit));
            if (possible)
                SetBit(first.set, unit);
        }
        first_exact = first_folded = first;
    }
}

} // namespace JobLayer
