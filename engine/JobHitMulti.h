#pragma once

// Where the expressions of a search matched inside one block, from the inside out: a captured
// sub-range, one hit with its captures, all hits of one expression, and the hits of every
// expression of the search. Offsets are code units of the block text, end exclusive; (-1, -1)
// marks a hit that a replacement destroyed.

#include <core/RawColour.h>
#include <core/RawListR.h>
#include <core/RawString.h>

#include <cstdint>

namespace JobLayer {

using RawLayer::RawColour;
using RawLayer::RawListAllocator;
using RawLayer::RawListR;
using RawLayer::RawString;

struct JobHitRange {
    int32_t start = 0;
    int32_t end = 0;
    bool operator==(const JobHitRange&) const = default;
};

class JobHitRangeListAllocator : public RawListAllocator<JobHitRange> { };

// The captures of one hit, in pattern order.
class JobHitRangeList : public RawListR<JobHitRangeListAllocator, JobHitRange> {
public:
    JobHitRange& Add(int32_t start, int32_t end) { return Emplace(JobHitRange { start, end }); }
};

struct JobHitUnit {
    int32_t start = 0;
    int32_t end = 0;
    JobHitRangeList ranges; // shared between copies of the unit, so never changed once made
};

class JobHitUnitListAllocator : public RawListAllocator<JobHitUnit> { };

// All hits of one expression in a block, left to right, not overlapping, with the expression's
// highlight colour.
class JobHitSingle : public RawListR<JobHitUnitListAllocator, JobHitUnit> {
public:
    RawColour colour;

    // Units that overlap [old_start, old_end) become (-1, -1); units at or after old_end move by
    // the change of length; the others stay.
    void ShiftRanges(int32_t old_start, int32_t old_end, int32_t new_start, int32_t new_end);
};

class JobHitSingleListAllocator : public RawListAllocator<JobHitSingle> { };

// One JobHitSingle per search expression, in expression order; empty means "no result".
class JobHitMulti : public RawListR<JobHitSingleListAllocator, JobHitSingle> {
public:
    // The highlight colour of the k-th expression: four colours, taken in turn.
    static RawColour Colour(int32_t index);

    // A new JobHitMulti with new singles and units; the capture lists are shared.
    JobHitMulti Copy() const;

    // "(" then per single "(" then per unit "(" "[s,e]" "(" captures ")" ")" ... ")" ... ")".
    RawString ToText() const;
    // Reads exactly that form; anything else gives an empty JobHitMulti.
    static JobHitMulti FromText(const RawString& text);
};

} // namespace JobLayer
