#pragma once

// Comparison objects for sorting lists, and the sort itself: a partition sort over the linked
// nodes. Its order of equal keys is part of its behaviour (equal elements stay after the pivot),
// so callers that show sorted lists see the same order every time.

#include <core/RawListBody.h>

namespace RawLayer {

class RawListSort {
public:
    virtual ~RawListSort() = default;
    // Negative, 0 or positive as `a` sorts before, with or after `b`.
    virtual int Compare(const void* a, const void* b) const = 0;

    // Sorts the ring whose sentinel is given.
    void SortNodes(RawListNode* sentinel) const;
};

template <typename T> class RawListSortR : public RawListSort {
public:
    int Compare(const void* a, const void* b) const final
    {
        return CompareTyped(*static_cast<const T*>(a), *static_cast<const T*>(b));
    }
    virtual int CompareTyped(const T& a, const T& b) const = 0;
};

} // namespace RawLayer
