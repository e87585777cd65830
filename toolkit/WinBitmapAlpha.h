#pragma once

// Scaling of bitmaps with alpha. Pixels are 0xAARRGGBB with premultiplied alpha (HostBitmap), so
// every function mixes the four channels alike and the result stays premultiplied: a mix of
// pixels whose colour channels never exceed their alpha never exceeds its own alpha either.
//
// A scaling function makes a bitmap of the asked size from a source:
// - FunctionSameSize keeps every pixel at its size: the source is centred on the result, cut off
//   evenly where it is larger and surrounded by transparent pixels where it is smaller.
// - FunctionBilinear samples the source between its four nearest pixels; the corner pixels of the
//   result are the corner pixels of the source. Good for enlarging.
// - FunctionAreaAverage gives each result pixel the mean of the source area it covers, parts of
//   pixels weighted by the part covered. Good for reducing: nothing is skipped.
// An empty source or a size below 1 gives an empty bitmap.

#include <toolkit/host/HostBitmap.h>

#include <cstdint>

namespace WinLayer {

class WinBitmapAlpha {
public:
    using Function = HostBitmap (*)(const HostBitmap& source, int32_t width, int32_t height);

    static HostBitmap FunctionSameSize(const HostBitmap& source, int32_t width, int32_t height);
    static HostBitmap FunctionBilinear(const HostBitmap& source, int32_t width, int32_t height);
    static HostBitmap FunctionAreaAverage(const HostBitmap& source, int32_t width, int32_t height);

    // A pixel from straight (not premultiplied) colour and alpha.
    static uint32_t Premultiplied(uint32_t rgb, uint8_t alpha);
    // Whether every colour channel of every pixel is at most its alpha.
    static bool IsPremultiplied(const HostBitmap& bitmap);
};

} // namespace WinLayer
