#pragma once

// Options in a row of joined segments, like a group of toggle buttons of which one is on: the
// chosen segment has the blue face. Left and Right choose; Up and Down move the focus.

#include <toolkit/WinRadioButtonBody.h>

namespace WinLayer {

class WinSelectorButton : public WinRadioButtonBody {
public:
    void SetWindowParameters(int32_t radius, int32_t margin);

    HostRect OptionRect(int32_t index, const HostRect& client) const override;
    void DrawOption(HostPainter& painter, int32_t index, const HostRect& rect, bool chosen, bool focused,
        bool enabled) override;
    bool Vertical() const override { return false; }
    HostSize NaturalTextSize() override;

private:
    int32_t radius_ = 4;
    int32_t margin_ = 4;
};

} // namespace WinLayer
