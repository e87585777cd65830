#pragma once

// Static text on a coloured ground. The ground is one colour, or two: the second colour fills the
// lower half, from the vertical middle down. The text is drawn as written (no "&" mnemonics),
// inside four margins, in the text colour (grey while the box is disabled), aligned as the box
// style says; a multi-line box wraps its words. A text taller than the box starts at its top so
// its beginning stays readable.

#include <toolkit/WinView.h>
#include <toolkit/host/HostFont.h>

#include <cstdint>

namespace WinLayer {

class HostPainter;

class WinStaticBox : public WinView {
public:
    // Box style bits.
    static constexpr uint32_t kAlignLeft = 0x01;
    static constexpr uint32_t kAlignRight = 0x02;
    static constexpr uint32_t kMultiLine = 0x08;
    static constexpr uint32_t kAlignTop = 0x10;
    static constexpr uint32_t kAlignBottom = 0x20;

    static constexpr RawColour kDefaultBackground = RawColour::FromRgb(0xF0, 0xF0, 0xF0);
    static constexpr RawColour kDefaultText = RawColour::FromRgb(0x1E, 0x1E, 0x1E);
    static constexpr RawColour kDisabledText = RawColour::FromRgb(0xA0, 0xA0, 0xA0);

    WinStaticBox();

    // `second_background` RawColour::None(): one colour only.
    void SetColours(RawColour background, RawColour second_background, RawColour text);
    RawColour Background() const { return background_; }
    RawColour SecondBackground() const { return second_background_; }
    RawColour TextColour() const { return text_colour_; }
    uint32_t BoxStyle() const { return box_style_; }
    void SetBoxStyle(uint32_t box_style);

    // The natural size with word wrapping at `width` (text only, without the margins).
    HostSize WrappedTextSize(int32_t width);

    // Takes the text and repaints.
    void SetText(const RawLayer::RawString& text) override;

    HostSize NaturalTextSize() override;
    void Paint(HostPainter& painter, const HostRect& dirty) override;

    // Paints the whole box into `client` (what Paint does; also used by tests without a window).
    void Draw(HostPainter& painter, const HostRect& client, bool enabled);

private:
    uint32_t TextFlags() const;
    const HostFont& DrawingFont() const;

    RawColour background_ = kDefaultBackground;
    RawColour second_background_ = RawColour::None();
    RawColour text_colour_ = kDefaultText;
    uint32_t box_style_ = 0;
};

} // namespace WinLayer
