#include <toolkit/WinButtonDraw.h>
#include <toolkit/WinSelectorButton.h>

namespace WinLayer {

void WinSelectorButton::SetWindowParameters(int32_t radius, int32_t margin)
{
    radius_ = radius < 0 ? 0 : radius;
    margin_ = margin < 0 ? 0 : margin;
    Invalidate();
}

HostRect WinSelectorButton::OptionRect(int32_t index, const HostRect& client) const
{
    if (Count() <= 0)
        return {};
    int32_t left = client.left + client.Width() * index / Count();
    int32_t right = client.left + client.Width() * (index + 1) / Count();
    // Segments overlap by one pixel so that neighbours share one outline.
    return { left, client.top, index + 1 < Count() ? right + 1 : right, client.bottom };
}

void WinSelectorButton::DrawOption(
    HostPainter& painter, int32_t index, const HostRect& rect, bool chosen, bool focused, bool enabled)
{
    uint32_t corners = 0;
    if (index == 0)
        corners |= WinButtonDraw::kOutlineLeftOfPair;
    if (index + 1 == Count())
        corners |= WinButtonDraw::kOutlineRightOfPair;
    uint32_t state = corners;
    if (chosen)
        state |= WinButtonDraw::kStateOn;
    if (focused)
        state |= WinButtonDraw::kStateFocused;
    if (!enabled)
        state |= WinButtonDraw::kStateDisabled;
    WinButtonDraw::DrawFace(painter, rect, state, radius_, margin_, DrawingFont(), Label(index).Str(),
        WinButtonDraw::VerticalAlign::Centre);
}

HostSize WinSelectorButton::NaturalTextSize()
{
    HostSize labels = LabelExtent();
    return { Count() * (labels.cx + 2 * margin_ + 12), labels.cy + 2 * margin_ + 4 };
}

} // namespace WinLayer
