#include <core/RawRangeList.h>

namespace RawLayer {

bool RawRangeList::Contains(int32_t position) const
{
    for (const RawRange& range : *this)
        if (position >= range.start && position < range.end)
            return true;
    return false;
}

} // namespace RawLayer
