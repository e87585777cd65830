#pragma once

// A picture in memory: 32-bit pixels 0xAARRGGBB with premultiplied alpha, row after row, the
// layout of cairo's ARGB32 image surfaces. The toolkit's scaling functions work on it directly.

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
};

namespace Host {
// PNG files through cairo. Load gives an empty bitmap on failure; Save returns false.
HostBitmap LoadPng(const std::string& path);
bool SavePng(const HostBitmap& bitmap, const std::string& path);
} // namespace Host

} // namespace WinLayer
