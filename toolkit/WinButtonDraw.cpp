#include <toolkit/WinButtonDraw.h>

#include <algorithm>

namespace WinLayer {

namespace {

constexpr RawColour kFace = RawColour::FromRgb(0xFB, 0xFB, 0xFB);
constexpr RawColour kFacePressed = RawColour::FromRgb(0xD9, 0xD9, 0xD9);
constexpr RawColour kFrame = RawColour::FromRgb(0x98, 0x98, 0x98);
constexpr RawColour kFaceOn = WinButtonDraw::kAccent;
constexpr RawColour kFaceOnPressed = RawColour::FromRgb(0x2A, 0x5F, 0xB4);
constexpr RawColour kFrameOn = RawColour::FromRgb(0x22, 0x52, 0xA3);
constexpr RawColour kText = RawColour::FromRgb(0x1E, 0x1E, 0x1E);
constexpr RawColour kTextOn = RawColour::FromRgb(0xFF, 0xFF, 0xFF);
constexpr RawColour kFaceDisabled = RawColour::FromRgb(0xF3, 0xF3, 0xF3);
constexpr RawColour kFrameDisabled = RawColour::FromRgb(0xC8, 0xC8, 0xC8);
constexpr RawColour kTextDisabled = RawColour::FromRgb(0xA0, 0xA0, 0xA0);

HostRect Inset(const HostRect& rect, int32_t by)
{
    return { rect.left + by, rect.top + by, rect.right - by, rect.bottom - by };
}

} // namespace

uint32_t WinButtonDraw::DrawState(bool pressed, bool enabled) const
{
    uint32_t state = shape_flags_ & ~(kStateDisabled | kStatePressed | kStateFocused | kStateOn);
    if (!enabled)
        state |= kStateDisabled;
    if (pressed)
        state |= kStatePressed;
    if (focus_flag_)
        state |= kStateFocused;
    if (IsToggle() && IsOn())
        state |= kStateOn;
    return state;
}

void WinButtonDraw::FillShape(
    HostPainter& painter, const HostRect& rect, int32_t radius, uint32_t corners, RawColour colour)
{
    if (rect.Empty())
        return;
    radius = std::clamp(radius, 0, std::min(rect.Width(), rect.Height()) / 2);
    if (radius == 0 || (corners & 0xF) == 0) {
        painter.FillRect(rect, colour);
        return;
    }
    painter.RoundRect(rect, radius, colour, RawColour::None());
    // Square corners: the rounded shape's corner cut is filled back in.
    if ((corners & kCornerTopLeft) == 0)
        painter.FillRect({ rect.left, rect.top, rect.left + radius, rect.top + radius }, colour);
    if ((corners & kCornerBottomLeft) == 0)
        painter.FillRect({ rect.left, rect.bottom - radius, rect.left + radius, rect.bottom }, colour);
    if ((corners & kCornerTopRight) == 0)
        painter.FillRect({ rect.right - radius, rect.top, rect.right, rect.top + radius }, colour);
    if ((corners & kCornerBottomRight) == 0)
        painter.FillRect({ rect.right - radius, rect.bottom - radius, rect.right, rect.bottom }, colour);
}

void WinButtonDraw::DrawFace(HostPainter& painter, const HostRect& rect, uint32_t draw_state, int32_t radius,
    int32_t margin, const HostFont& font, const std::string& utf8, VerticalAlign align)
{
    bool disabled = (draw_state & kStateDisabled) != 0;
    bool pressed = !disabled && (draw_state & kStatePressed) != 0;
    bool focused = !disabled && (draw_state & kStateFocused) != 0;
    bool on = (draw_state & kStateOn) != 0;
    uint32_t corners = draw_state & kOutlineMask;

    RawColour face = on ? (pressed ? kFaceOnPressed : kFaceOn) : (pressed ? kFacePressed : kFace);
    RawColour frame = on ? kFrameOn : kFrame;
    RawColour text_colour = on ? kTextOn : kText;
    if (disabled) {
        face = on ? RawColour::FromRgb(0x9C, 0xB6, 0xE0) : kFaceDisabled;
        frame = kFrameDisabled;
        text_colour = on ? RawColour::FromRgb(0xF0, 0xF0, 0xF0) : kTextDisabled;
    }

    painter.FillRect(rect, kBackground);
    if (focused && !on) {
        FillShape(painter, rect, radius, corners, kAccent);
        FillShape(painter, Inset(rect, 2), radius - 2, corners, face);
    } else if (focused) {
        FillShape(painter, rect, radius, corners, frame);
        FillShape(painter, Inset(rect, 1), radius - 1, corners, face);
        FillShape(painter, Inset(rect, 2), radius - 2, corners, kTextOn);
        FillShape(painter, Inset(rect, 3), radius - 3, corners, face);
    } else {
        FillShape(painter, rect, radius, corners, frame);
        FillShape(painter, Inset(rect, 1), radius - 1, corners, face);
    }

    // The text: its lines centred, the block placed as the vertical alignment says.
    HostRect area = Inset(rect, margin);
    if (pressed) {
        area.left += 1;
        area.right += 1;
        area.top += 1;
        area.bottom += 1;
    }
    if (area.Empty() || utf8.empty())
        return;
    uint32_t flags = HostText::kCenter | HostText::kNoPrefix;
    HostRect extent = HostPainter::MeasureText(font, utf8, area, flags);
    int32_t height = extent.Height();
    HostRect text_rect = area;
    if (align == VerticalAlign::Centre)
        text_rect.top = area.top + (area.Height() - height) / 2;
    else if (align == VerticalAlign::Bottom)
        text_rect.top = area.bottom - height;
    text_rect.bottom = text_rect.top + height;
    painter.Save();
    painter.ClipTo(Inset(rect, 1));
    painter.DrawText(font, utf8, text_rect, flags, text_colour);
    painter.Restore();
}

} // namespace WinLayer
