#pragma once

// A picture in memory: 32-bit pixels 0xAARRGGBB with premultiplied alpha, row after row, the
// layout of cairo's ARGB32 image surfaces. The toolkit's scaling functions work on it directly.

#include <core/RawColour.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace WinLayer {

struct HostBitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // width * height

    bool Empty() const { return width <= 0 || height <= 0; }
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // The colour of a pixel with its alpha taken out; no colour where it is fully transparent.
    RawLayer::RawColour ColourAt(int32_t x, int32_t y) const
    {
        const uint32_t pixel = At(x, y);
        const uint32_t alpha = pixel >> 24;
        if (alpha == 0)
            return RawLayer::RawColour::None();
        auto channel = [&](int shift) {
            return static_cast<uint8_t>(
                std::min<uint32_t>(255, (((pixel >> shift) & 0xFF) * 255 + alpha / 2) / alpha));
        };
        return RawLayer::RawColour::FromRgb(channel(16), channel(8), channel(0));
    }
};

namespace Host {
// PNG files through cairo. Load gives an empty bitmap on failure; Save returns false.
HostBitmap LoadPng(const std::string& path);
bool SavePng(const HostBitmap& bitmap, const std::string& path);
} // namespace Host

} // namespace WinLayer
