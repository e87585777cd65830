#pragma once

// One of several labelled options. A click on an option or an arrow key along the options
// chooses; a change is reported like a button's click: a command with the notification code to
// the view itself (on to the dialog's OnNotify, which reads Chosen()), and a plain
// command to the dialog. The arrows across the options move the focus to the previous or next
// view. The subclasses give the look: where each option sits and how it is drawn.

#include <core/RawString.h>
#include <toolkit/WinView.h>
#include <toolkit/host/HostFont.h>

#include <cstdint>
#include <vector>

namespace WinLayer {

class HostPainter;

class WinRadioButtonBody : public WinView {
public:
    static constexpr RawColour kBackground = RawColour::FromRgb(0xF0, 0xF0, 0xF0);
    static constexpr RawColour kText = RawColour::FromRgb(0x1E, 0x1E, 0x1E);
    static constexpr RawColour kDisabledText = RawColour::FromRgb(0xA0, 0xA0, 0xA0);

    WinRadioButtonBody();

    // The option labels, the notification code (0 for none) and the chosen option (-1: none).
    void Setup(const std::vector<RawLayer::RawString>& labels, uint16_t code, int32_t chosen = 0);
    int32_t Count() const { return static_cast<int32_t>(labels_.size()); }
    const RawLayer::RawString& Label(int32_t index) const { return labels_[static_cast<size_t>(index)]; }
    int32_t Chosen() const { return chosen_; }
    // Sets the chosen option without reporting (-1: none; out of range is ignored).
    void SetChosen(int32_t index);
    uint16_t Code() const { return code_; }

    // Chooses an option as the user does: reports when the choice changes. False when it does not.
    bool Choose(int32_t index);
    // The option under a client point, or -1.
    int32_t OptionAt(HostPoint point) const;

    // Where option `index` sits in a client area.
    virtual HostRect OptionRect(int32_t index, const HostRect& client) const = 0;
    // Draws option `index` into its rectangle.
    virtual void DrawOption(
        HostPainter& painter, int32_t index, const HostRect& rect, bool chosen, bool focused, bool enabled)
        = 0;
    // True when the options run top to bottom (Up and Down choose), false for a row (Left, Right).
    virtual bool Vertical() const = 0;

    void Paint(HostPainter& painter, const HostRect& dirty) override;
    void OnFocusGained() override;
    void OnFocusLost() override;
    // A press on an option chooses it.
    bool OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnKeyDown(uint32_t key, uint32_t modifiers) override;

    // Paints all options into `client` (what Paint does).
    void Draw(HostPainter& painter, const HostRect& client);

protected:
    const HostFont& DrawingFont() const;
    // The widest label and the line height.
    HostSize LabelExtent() const;

private:
    std::vector<RawLayer::RawString> labels_;
    uint16_t code_ = 0;
    int32_t chosen_ = -1;
    bool focused_ = false;
};

} // namespace WinLayer
