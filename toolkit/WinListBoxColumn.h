#pragma once

// One column of a list box: its width in pixels and its header text.

#include <core/RawString.h>

#include <cstdint>

namespace WinLayer {

class WinListBoxColumn {
public:
    WinListBoxColumn() = default;
    WinListBoxColumn(int32_t width, const RawLayer::RawString& header_text)
        : width_(width)
        , header_text_(header_text)
    {
    }

    int32_t Width() const { return width_; }
    void SetWidth(int32_t width) { width_ = width; }
    const RawLayer::RawString& HeaderText() const { return header_text_; }
    void SetHeaderText(const RawLayer::RawString& text) { header_text_ = text; }

private:
    int32_t width_ = 0;
    RawLayer::RawString header_text_;
};

} // namespace WinLayer
