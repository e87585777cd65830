#pragma once

// The look of an owner-drawn button: its shape flags, toggle state and focus flag, and the
// painting of a whole face in one pass (background, outline, face, focus mark, text), so the
// button never flickers through an erased background.
//
// Shape flags: the low eight bits choose which corners are rounded (bit 0 top left, bit 1 bottom
// left, bit 2 top right, bit 3 bottom right; 0x3 is the left button of a pair, 0xC the right one,
// 0xFF a button that stands alone); bits 12 and 13 make the button a toggle. The drawing state is
// the shape with 0x100 (disabled), 0x200 (pressed), 0x400 (focused) and 0x800 (toggle on) added.
//
// Looks: a light face with a grey outline; pressed darkens the face and moves the text by one
// pixel; a toggle that is on has a blue face with white text; the focus is a blue outline two
// pixels wide (a white inner line on a blue face); disabled greys the outline and the text.

#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <string>

namespace WinLayer {

class WinButtonDraw {
public:
    static constexpr uint32_t kCornerTopLeft = 0x1;
    static constexpr uint32_t kCornerBottomLeft = 0x2;
    static constexpr uint32_t kCornerTopRight = 0x4;
    static constexpr uint32_t kCornerBottomRight = 0x8;
    static constexpr uint32_t kOutlineMask = 0xFF;
    static constexpr uint32_t kOutlineLeftOfPair = 0x3;
    static constexpr uint32_t kOutlineRightOfPair = 0xC;
    static constexpr uint32_t kOutlineAlone = 0xFF;
    static constexpr uint32_t kToggleMask = 0x3000;
    static constexpr uint32_t kStateDisabled = 0x100;
    static constexpr uint32_t kStatePressed = 0x200;
    static constexpr uint32_t kStateFocused = 0x400;
    static constexpr uint32_t kStateOn = 0x800;

    static constexpr int32_t kDefaultRadius = 4;
    static constexpr int32_t kDefaultMargin = 4;

    // The colour around the rounded corners: the dialog's face.
    static constexpr RawColour kBackground = RawColour::FromRgb(0xF0, 0xF0, 0xF0);
    static constexpr RawColour kAccent = RawColour::FromRgb(0x35, 0x74, 0xD4);

    enum class VerticalAlign { Top, Centre, Bottom };

    uint32_t ShapeFlags() const { return shape_flags_; }
    void SetShapeFlags(uint32_t flags) { shape_flags_ = flags; }
    bool IsToggle() const { return (shape_flags_ & kToggleMask) != 0; }
    uint8_t ToggleState() const { return toggle_state_; }
    bool IsOn() const { return toggle_state_ != 0; }
    bool FocusFlag() const { return focus_flag_; }
    int32_t Radius() const { return radius_; }
    void SetRadius(int32_t radius) { radius_ = radius < 0 ? 0 : radius; }
    int32_t Margin() const { return margin_; }
    void SetMargin(int32_t margin) { margin_ = margin < 0 ? 0 : margin; }

    // The shape flags with the state bits of the moment.
    uint32_t DrawState(bool pressed, bool enabled) const;

    // Paints a whole button into `rect`: everything inside it is painted.
    static void DrawFace(HostPainter& painter, const HostRect& rect, uint32_t draw_state, int32_t radius,
        int32_t margin, const HostFont& font, const std::string& utf8, VerticalAlign align);
    // Fills a shape whose corners are rounded where `corners` has their bits (see above).
    static void FillShape(
        HostPainter& painter, const HostRect& rect, int32_t radius, uint32_t corners, RawColour colour);

protected:
    uint32_t shape_flags_ = kOutlineAlone;
    uint8_t toggle_state_ = 0;
    bool focus_flag_ = false;
    int32_t radius_ = kDefaultRadius;
    int32_t margin_ = kDefaultMargin;
};

} // namespace WinLayer
