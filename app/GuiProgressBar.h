#pragma once

// The busy indicator: a read-only edit box (it shows the progress texts) under which a green
// block moves while a job runs. The owner sets the block and moves it on a timer.

#include <toolkit/WinEditBox.h>

namespace AppLayer {

class GuiProgressBar : public WinLayer::WinEditBox {
public:
    static constexpr RawLayer::RawColour kBlockColour = RawLayer::RawColour::FromRgb(0, 0xFF, 0);

    GuiProgressBar();

    // Shows the block, one tenth of the client width wide, at the left edge.
    void Start();
    // Moves the block by `pixels`, wrapping within the width the block leaves free. Nothing while
    // hidden.
    void Advance(int32_t pixels);
    // Hides the block.
    void Stop();
    bool Running() const { return offset_ >= 0; }

    void SetBlock(int32_t width, int32_t offset);
    int32_t BlockWidth() const { return block_width_; }
    int32_t BlockOffset() const { return offset_; }

    void PaintBackground(WinLayer::HostPainter& painter, const WinLayer::HostRect& client) override;

private:
    int32_t ClientWidth() const;

    int32_t block_width_ = 0;
    int32_t offset_ = -1; // -1: hidden
};

} // namespace AppLayer
