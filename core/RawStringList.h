#pragma once

// A list of strings, and the sorter that orders strings unit by unit.

#include <core/RawListR.h>
#include <core/RawString.h>

namespace RawLayer {

class RawStringListAllocator : public RawListAllocator<RawString> { };

class RawStringList : public RawListR<RawStringListAllocator, RawString> {
public:
    // Appends a copy of `text` (sharing its body) and returns the list's element.
    RawString& Add(const RawString& text) { return Emplace(text); }
};

// Orders two strings by their code units as unsigned numbers; the first difference decides, and
// a string that is a prefix of the other sorts first.
class RawStringListSort : public RawListSortR<RawString> {
public:
    int CompareTyped(const RawString& a, const RawString& b) const override { return CompareUnits(a, b); }
    static int CompareUnits(const RawString& a, const RawString& b);
};

// The order people expect of names: letters compared without ASCII case, and runs of digits by
// their value ("file9" before "file10"); equal names in that order fall back to CompareUnits, so
// the order is total and the same every time.
class RawStringListNaturalSort : public RawListSortR<RawString> {
public:
    int CompareTyped(const RawString& a, const RawString& b) const override { return CompareNatural(a, b); }
    static int CompareNatural(const RawString& a, const RawString& b);
};

} // namespace RawLayer
