#pragma once

// A list of labels, each with one number (a label and the value it stands for, such as a flag
// name and its bit). The list itself carries one more number for its owner.

#include <core/RawListR.h>
#include <core/RawString.h>

#include <cstdint>

namespace RawLayer {

struct RawLabelUnit {
    RawString label;
    int32_t value = 0;
};

class RawLabelListAllocator : public RawListAllocator<RawLabelUnit> { };

class RawLabelList : public RawListR<RawLabelListAllocator, RawLabelUnit> {
public:
    RawLabelUnit& Add(const RawString& label, int32_t value)
    {
        return Emplace(RawLabelUnit { label, value });
    }
    // The first unit whose label equals `label` exactly, or nullptr.
    const RawLabelUnit* Find(const RawString& label) const;

    int32_t Extra() const { return extra_; }
    void SetExtra(int32_t extra) { extra_ = extra; }

private:
    int32_t extra_ = 0;
};

} // namespace RawLayer
