#pragma once

// One section of a parameter file in memory: key/value entries in file order. Duplicate keys
// stay, and lookups return the first match. Keys are compared ignoring the case of ASCII letters
// unless the list's exact-keys flag is set (the command line sets it).

#include <core/RawListProperty.h>
#include <core/RawListR.h>
#include <core/RawListSort.h>
#include <core/RawString.h>

#include <cstdint>
#include <string_view>

namespace RawLayer {

struct RawParameterUnit {
    RawString key;
    RawString value;
};

// Deleting a unit releases its value, then its key (members go in reverse order), then frees it.
class RawParameterListAllocator : public RawListAllocator<RawParameterUnit> { };

class RawParameterList : public RawListR<RawParameterListAllocator, RawParameterUnit> {
public:
    // The list flag's value for exact keys.
    static constexpr uint8_t kExactKeys = 1;

    bool ExactKeys() const { return Flag() != 0; }
    void SetExactKeys(bool exact) { SetFlag(exact ? kExactKeys : 0); }

    // Appends a unit with `key` and an empty value, whether or not the key is there already.
    RawParameterUnit& Add(const RawString& key);
    // Appends a unit with `key` and `value`.
    RawParameterUnit& Add(const RawString& key, const RawString& value);

    // The first unit whose key matches, or nullptr.
    RawParameterUnit* Find(const RawString& key) const;
    bool Contains(const RawString& key) const { return Find(key) != nullptr; }

    // The first match's value read as an integer (see RawParseInteger), or `default_value`
    // when the key is missing.
    int64_t GetInteger(const RawString& key, int64_t default_value) const;
    // The first match's value, or `default_value` when the key is missing.
    RawString GetText(const RawString& key, const RawString& default_value) const;

    static void SetBoolean(RawParameterUnit& unit, bool flag);

    // Appends the entries of one entry line of a parameter file (in the internal encoding; a
    // line in another encoding is converted first, and one that cannot be converted adds
    // nothing). The line is cut at every zero character; each non-empty piece is one entry
    // whose key is the text before the first "=" and whose value is the text after it. A piece
    // without "=" is a key with an empty value. Nothing is trimmed.
    void AddEntries(const RawString& line);

private:
    bool KeyMatches(const RawString& a, const RawString& b) const;
};

// Sorts units by key, unit by unit as unsigned numbers; a prefix sorts before the longer key.
class RawParameterListSort : public RawListSortR<RawParameterUnit> {
public:
    int CompareTyped(const RawParameterUnit& a, const RawParameterUnit& b) const override;
};

// Reads an integer value: an optional "+" or "-", then decimal digits, or "0x" and hexadecimal
// or "0b" and binary digits ("0" followed by anything else stays decimal). No blanks are
// skipped; reading stops at the first character that is no digit of the base, and text without
// digits reads as 0. A value beyond the 64-bit range is clamped to its nearest end.
int64_t RawParseInteger(std::string_view text);

} // namespace RawLayer
