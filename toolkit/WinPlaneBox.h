#pragma once

// A plain drawn panel: a view that paints itself in two passes, a background and its content,
// and hears when its client area changes size. Boxes drawn entirely by the toolkit (the edit
// box among them) build on it.

#include <toolkit/WinView.h>

namespace WinLayer {

class HostPainter;

class WinPlaneBox : public WinView {
public:
    static constexpr RawColour kDefaultBackground = RawColour::FromRgb(0xFF, 0xFF, 0xFF);
    static constexpr RawColour kDefaultText = RawColour::FromRgb(0, 0, 0);
    static constexpr RawColour kDisabledText = RawColour::FromRgb(0xA0, 0xA0, 0xA0);

    WinPlaneBox();

    // The first pass of Draw: the background of the client area (default: the background
    // colour).
    virtual void PaintBackground(HostPainter& painter, const HostRect& client);
    // The second pass of Draw, over the background (default: the view's text inside the
    // margins, without "&" mnemonics, tabs expanded; word-wrapped for a multi-line style,
    // otherwise one line centred vertically; in the text colour, grey while disabled).
    virtual void PaintContent(HostPainter& painter, const HostRect& client);
    // Called from kSize when the client area changed size (default: nothing; the window is
    // repainted anyway).
    virtual void OnClientSize(const HostSize& size);

    // Paints both passes over the client area.
    void Paint(HostPainter& painter, const HostRect& dirty) override;
    // kSize calls OnClientSize; everything else goes to the typed handlers.
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override;

    RawColour Background() const { return background_; }
    RawColour TextColour() const { return text_colour_; }
    // Sets the colours and repaints.
    void SetColours(RawColour background, RawColour text);

    // Paints both passes into `client` (what Paint does; also usable on a bitmap painter).
    void Draw(HostPainter& painter, const HostRect& client);

private:
    RawColour background_ = kDefaultBackground;
    RawColour text_colour_ = kDefaultText;
};

} // namespace WinLayer
