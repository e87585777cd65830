#pragma once

// The pieces a JobMatcher is made of: an expression read once into items (a literal character,
// an escape, "*", "?", ".", a class, each with its repetition mark), what one item matches at a
// text position, and what a match of an item must start with, for the scans that skip ahead.
// Texts are UTF-8 bytes; every step covers a whole character, cut short at the end of the range.

#include <core/RawString.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace JobLayer {

using RawLayer::RawString;

// What a match must start with, so that scans can skip text where none can begin: nothing
// known; one or two possible first units (a letter in both cases, or CR and LF for a line
// break); a run of units compared exactly; or a set of possible first units (a class).
struct JobMatcherFirst {
    enum class Kind : uint8_t { Anything, Units, Text, Set };
    Kind kind = Kind::Anything;
    uint8_t a = 0;
    uint8_t b = 0;                  // Units: equal to `a` when only one unit can start a match
    std::string text;               // Text: two units or more
    std::array<uint64_t, 4> set {}; // Set: one bit per unit

    bool Known() const { return kind != Kind::Anything; }
    static JobMatcherFirst Units(uint8_t a, uint8_t b) { return { Kind::Units, a, b, {}, {} }; }
    static JobMatcherFirst Run(std::string_view units)
    {
        uint8_t unit = static_cast<uint8_t>(units[0]);
        return units.size() == 1 ? Units(unit, unit)
                                 : JobMatcherFirst { Kind::Text, unit, unit, std::string(units), {} };
    }
};

struct JobMatcherItem {
    enum class Kind : uint8_t {
        Literal,     // the character itself; its first unit folds when case is ignored
        Exact,       // an escape standing for a character, never folded
        LineBreak,   // "%N": CR LF or a lone LF
        AnyRun,      // wildcard "*": any run of characters, line breaks included
        AnyOne,      // wildcard "?": any one character
        AnyButBreak, // pattern ".": any one character but CR and LF
        Class,       // pattern "[...]"
        NotClass,    // pattern "[^...]"
        Empty,       // pattern: a "%" at the very end matches the empty string
    };
    enum class Repeat : uint8_t { Once, ZeroOrMore, OneOrMore };

    Kind kind = Kind::Literal;
    Repeat repeat = Repeat::Once;
    std::string text; // Literal, Exact: the character's units; Class, NotClass: the list
    // Class, NotClass: the one-unit characters in the list (a CR counted as not followed by LF),
    // and whether a CR followed by LF is in it (only "%N" makes the difference).
    static bool HasBit(const std::array<uint64_t, 4>& bits, uint8_t unit)
    {
        return (bits[unit >> 6] >> (unit & 63)) & 1;
    }
    static void SetBit(std::array<uint64_t, 4>& bits, uint8_t unit)
    {
        bits[unit >> 6] |= uint64_t { 1 } << (unit & 63);
    }
    std::array<uint64_t, 4> members {};
    bool crlf_member = false;
    JobMatcherFirst first_exact;  // what a match of the item starts with, case kept
    JobMatcherFirst first_folded; // the same with ASCII case ignored

    // Whether a match of the item records a capture of its own.
    bool Captures() const
    {
        return repeat == Repeat::Once
            && (kind == Kind::AnyOne || kind == Kind::AnyButBreak || kind == Kind::Class
                || kind == Kind::NotClass);
    }

    // Units matched at `pos` (never past `end`), or -1. Not for AnyRun.
    int32_t MatchOnce(const char* text_units, int32_t pos, int32_t end, bool fold) const;

    // The items of a wildcard-form or pattern-form expression (prefix already removed).
    static std::vector<JobMatcherItem> ReadWildcard(std::string_view expression);
    static std::vector<JobMatcherItem> ReadPattern(std::string_view expression);

    // Units of the UTF-8 character at `pos`, cut short at `end`; 1 for a stray byte.
    static int32_t CharacterLength(const char* text_units, int32_t pos, int32_t end)
    {
        int32_t length = 1 + TrailTable()[static_cast<uint8_t>(text_units[pos])];
        return length < end - pos ? length : end - pos;
    }
    // Trail units announced by each lead byte, as RawString steps through UTF-8.
    static const std::array<uint8_t, 256>& TrailTable();

    static uint8_t Fold(uint8_t unit)
    {
        return unit >= 'a' && unit <= 'z' ? static_cast<uint8_t>(unit - 32) : unit;
    }
    static bool IsLetter(uint8_t unit) { return Fold(unit) >= 'A' && Fold(unit) <= 'Z'; }

private:
    bool InList(const char* text_units, int32_t pos, int32_t end, int32_t length) const;
    void PrepareClass();
    void PrepareFirst();
};

} // namespace JobLayer
