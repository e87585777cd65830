#include <core/RawLabelList.h>

namespace RawLayer {

const RawLabelUnit* RawLabelList::Find(const RawString& label) const
{
    for (const RawLabelUnit& unit : *this)
        if (unit.label.Equals(label))
            return &unit;
    return nullptr;
}

} // namespace RawLayer
