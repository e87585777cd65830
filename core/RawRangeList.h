#pragma once

// A list of ranges of code units, start inclusive and end exclusive.

#include <core/RawListR.h>

#include <cstdint>

namespace RawLayer {

struct RawRange {
    int32_t start = 0;
    int32_t end = 0;
    int32_t Length() const { return end - start; }
    bool operator==(const RawRange&) const = default;
};

class RawRangeListAllocator : public RawListAllocator<RawRange> { };

class RawRangeList : public RawListR<RawRangeListAllocator, RawRange> {
public:
    RawRange& Add(int32_t start, int32_t end) { return Emplace(RawRange { start, end }); }
    // Whether any range contains `position`.
    bool Contains(int32_t position) const;
};

} // namespace RawLayer
