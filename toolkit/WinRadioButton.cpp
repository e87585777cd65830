#include <toolkit/WinButtonDraw.h>
#include <toolkit/WinRadioButton.h>
#include <toolkit/host/HostPainter.h>

#include <algorithm>

namespace WinLayer {

namespace {

constexpr int32_t kGap = 6; // between the mark and its label
constexpr RawColour kMarkFrame = RawColour::FromRgb(0x80, 0x80, 0x80);
constexpr RawColour kMarkFace = RawColour::FromRgb(0xFF, 0xFF, 0xFF);
constexpr RawColour kMarkDisabled = RawColour::FromRgb(0xC0, 0xC0, 0xC0);

} // namespace

int32_t WinRadioButton::RowHeight() const
{
    return DrawingFont().LineHeight() + 8;
}

int32_t WinRadioButton::MarkSize() const
{
    return std::clamp(DrawingFont().LineHeight() - 2, 10, 18);
}

HostRect WinRadioButton::OptionRect(int32_t index, const HostRect& client) const
{
    int32_t top = client.top + index * RowHeight();
    return { client.left, top, client.right, top + RowHeight() };
}

void WinRadioButton::DrawOption(
    HostPainter& painter, int32_t index, const HostRect& rect, bool chosen, bool focused, bool enabled)
{
    int32_t mark = MarkSize();
    int32_t top = rect.top + (rect.Height() - mark) / 2;
    HostRect circle { rect.left + 2, top, rect.left + 2 + mark, top + mark };
    painter.Ellipse(circle, enabled ? kMarkFrame : kMarkDisabled, RawColour::None());
    painter.Ellipse({ circle.left + 1, circle.top + 1, circle.right - 1, circle.bottom - 1 }, kMarkFace,
        RawColour::None());
    if (chosen) {
        int32_t inset = mark / 4 + 1;
        painter.Ellipse(
            { circle.left + inset, circle.top + inset, circle.right - inset, circle.bottom - inset },
            enabled ? WinButtonDraw::kAccent : kMarkDisabled, RawColour::None());
    }
    HostRect label { circle.right + kGap, rect.top, rect.right, rect.bottom };
    std::string text = Label(index).Str();
    HostRect extent = HostPainter::MeasureText(DrawingFont(), text, label, HostText::kNoPrefix);
    HostRect text_rect { label.left, rect.top + (rect.Height() - extent.Height()) / 2, label.right, 0 };
    text_rect.bottom = text_rect.top + extent.Height();
    painter.DrawText(DrawingFont(), text, text_rect, HostText::kNoPrefix, enabled ? kText : kDisabledText);
    if (focused) {
        HostRect ring { label.left - 3, text_rect.top - 2,
            std::min(label.left + extent.Width() + 3, rect.right), text_rect.bottom + 2 };
        painter.FrameRect(ring, WinButtonDraw::kAccent);
    }
}

HostSize WinRadioButton::NaturalTextSize()
{
    HostSize labels = LabelExtent();
    return { 2 + MarkSize() + kGap + labels.cx + 4, Count() * RowHeight() };
}

} // namespace WinLayer
