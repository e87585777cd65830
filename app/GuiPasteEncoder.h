#pragma once

// The paste hook of the edit bars: clipboard text becomes one bar line. An ordinary paste turns
// line breaks into "%N" and tabs into "%t" and keeps ";" and "%", so a pasted list stays a list;
// "Paste one item" escapes ";" and "%" too, so the whole clipboard becomes a single item.

#include <toolkit/WinEditBoxInfo.h>

#include <cstdint>
#include <string>

namespace AppLayer {

class GuiPasteEncoder : public WinLayer::WinEditBoxInfo::Encoder {
public:
    // The paste modes: the bar's menu command that runs the paste.
    static constexpr uint32_t kModeOrdinary = 0;
    static constexpr uint32_t kModeOneItem = 10;

    void SetMode(uint32_t mode) { mode_ = mode; }
    uint32_t Mode() const { return mode_; }

    // The clipboard text escaped for the current mode; empty when it cannot be converted.
    std::u16string Encode(const std::u16string& clipboard) override;

private:
    uint32_t mode_ = kModeOrdinary;
};

} // namespace AppLayer
