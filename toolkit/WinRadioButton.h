#pragma once

// Options in a column, each a round mark with its label; the chosen one's mark is filled. Up and
// Down choose; Left and Right move the focus. The focus shows as a line around the chosen label.

#include <toolkit/WinRadioButtonBody.h>

namespace WinLayer {

class WinRadioButton : public WinRadioButtonBody {
public:
    HostRect OptionRect(int32_t index, const HostRect& client) const override;
    void DrawOption(HostPainter& painter, int32_t index, const HostRect& rect, bool chosen, bool focused,
        bool enabled) override;
    bool Vertical() const override { return true; }
    HostSize NaturalTextSize() override;

private:
    int32_t RowHeight() const;
    int32_t MarkSize() const;
};

} // namespace WinLayer
