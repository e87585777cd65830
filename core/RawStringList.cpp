#include <core/RawStringList.h>

#include <algorithm>

namespace RawLayer {

int RawStringListSort::CompareUnits(const RawString& a, const RawString& b)
{
    int32_t common = std::min(a.Length(), b.Length());
    for (int32_t i = 0; i < common; ++i) {
        uint32_t x = a.At(i);
        uint32_t y = b.At(i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.Length() < b.Length() ? -1 : (a.Length() > b.Length() ? 1 : 0);
}

} // namespace RawLayer
