#pragma once

// An owner-drawn push or toggle button. Enter, Space, a click or a double click make a click; a
// toggle flips on every click. Each click goes to the dialog as a plain command (notification
// code 0, the button's id); a button with a notification code also posts a command with that
// code to itself, which reaches the dialog's OnNotify. The arrow keys move the focus
// to the previous (Left, Up) or next (Right, Down) view.
//
// Its corner radius and margin are the window parameters "ButtonR" and "Margin" of the program's
// profile; the application hands them over with SetWindowParameters.

#include <core/RawString.h>
#include <toolkit/WinButtonDraw.h>
#include <toolkit/WinView.h>

#include <cstdint>

namespace WinLayer {

class WinButton : public WinView, public WinButtonDraw {
public:
    // Style bits: where the text block sits (centred when neither is set).
    static constexpr uint32_t kStyleTop = 0x0400;
    static constexpr uint32_t kStyleBottom = 0x0800;

    WinButton();

    // The text (each backslash followed by "n" becomes a line break), shape flags and
    // notification code (0 for none).
    void Setup(const RawLayer::RawString& text, uint32_t shape_flags, uint16_t code);
    // `text` in UTF-8 with each two-character "\n" turned into CR LF.
    static RawLayer::RawString ExpandLineBreaks(const RawLayer::RawString& text);

    uint16_t Code() const { return code_; }
    void SetCode(uint16_t code) { code_ = code; }
    // The corner radius and the margin around the text (also the fitting margins).
    void SetWindowParameters(int32_t radius, int32_t margin);
    // Sets a toggle's state and redraws; nothing is reported.
    void SetToggleState(bool on);
    bool Pressed() const { return pressed_; }

    // What Enter, Space and a click do; ignored while the button is disabled.
    virtual void Click();

    // Paints the whole button (background, outline, face, focus mark, text) in one pass; Paint
    // calls it with the client area.
    virtual void DrawButton(HostPainter& painter, const HostRect& client);

    void Paint(HostPainter& painter, const HostRect& dirty) override;
    void OnFocusGained() override;
    void OnFocusLost() override;
    // A press takes the capture; the release inside the button clicks. The second press of a
    // double click comes as a press: one more click.
    bool OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnMouseMove(HostPoint point, uint32_t modifiers) override;
    bool OnMouseUp(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    void OnCaptureLost() override;
    bool OnKeyDown(uint32_t key, uint32_t modifiers) override;

protected:
    VerticalAlign TextAlign() const;
    const HostFont& DrawingFont() const;

private:
    uint16_t code_ = 0;
    bool pressed_ = false;
};

} // namespace WinLayer
