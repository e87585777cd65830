#include <toolkit/WinBitmapAlpha.h>

#include <algorithm>
#include <array>
#include <vector>

namespace WinLayer {

namespace {

using Channels = std::array<uint64_t, 4>; // alpha, red, green, blue

HostBitmap MakeBitmap(int32_t width, int32_t height)
{
    HostBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return bitmap;
}

bool Usable(const HostBitmap& source, int32_t width, int32_t height)
{
    return !source.Empty() && width > 0 && height > 0
        && source.pixels.size() >= static_cast<size_t>(source.width) * static_cast<size_t>(source.height);
}

void AddWeighted(Channels& sum, uint32_t pixel, uint64_t weight)
{
    sum[0] += weight * ((pixel >> 24) & 0xFF);
    sum[1] += weight * ((pixel >> 16) & 0xFF);
    sum[2] += weight * ((pixel >> 8) & 0xFF);
    sum[3] += weight * (pixel & 0xFF);
}

// The weighted sum divided by the total weight, rounded to nearest, as a pixel.
uint32_t Pack(const Channels& sum, uint64_t total)
{
    uint32_t pixel = 0;
    for (uint64_t channel : sum) {
        uint64_t value = std::min<uint64_t>((channel + total / 2) / total, 255);
        pixel = (pixel << 8) | static_cast<uint32_t>(value);
    }
    return pixel;
}

// Where result pixel `index` of `count` samples the source of `source_count` pixels, in 1/65536
// of a source pixel: the first and last result pixels sit on the first and last source pixels.
int64_t SamplePosition(int32_t index, int32_t count, int32_t source_count)
{
    if (count == 1)
        return static_cast<int64_t>(source_count - 1) * 65536 / 2;
    return static_cast<int64_t>(index) * (source_count - 1) * 65536 / (count - 1);
}

struct Span {
    int32_t source = 0;
    uint64_t weight = 0;
};

// For each result pixel along one axis, the source pixels it covers with the length of the
// overlap. Lengths are counted in 1/count of a source pixel, so result pixel i covers
// [i * source_count, (i + 1) * source_count) and source pixel j covers [j * count, (j + 1) * count):
// every overlap is an integer and the weights of one result pixel add up to source_count.
std::vector<std::vector<Span>> Coverage(int32_t count, int32_t source_count)
{
    std::vector<std::vector<Span>> spans(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        int64_t begin = static_cast<int64_t>(i) * source_count;
        int64_t end = begin + source_count;
        for (auto j = static_cast<int32_t>(begin / count);
             j < source_count && static_cast<int64_t>(j) * count < end; ++j) {
            int64_t overlap = std::min(end, static_cast<int64_t>(j + 1) * count)
                - std::max(begin, static_cast<int64_t>(j) * count);
            if (overlap > 0)
                spans[static_cast<size_t>(i)].push_back({ j, static_cast<uint64_t>(overlap) });
        }
    }
    return spans;
}

} // namespace

HostBitmap WinBitmapAlpha::FunctionSameSize(const HostBitmap& source, int32_t width, int32_t height)
{
    if (!Usable(source, width, height))
        return {};
    HostBitmap result = MakeBitmap(width, height);
    int32_t offset_x = (width - source.width) / 2;
    int32_t offset_y = (height - source.height) / 2;
    for (int32_t y = 0; y < height; ++y) {
        int32_t sy = y - offset_y;
        if (sy < 0 || sy >= source.height)
            continue;
        for (int32_t x = 0; x < width; ++x) {
            int32_t sx = x - offset_x;
            if (sx >= 0 && sx < source.width)
                result.pixels[static_cast<size_t>(y) * width + x] = source.At(sx, sy);
        }
    }
    return result;
}

HostBitmap WinBitmapAlpha::FunctionBilinear(const HostBitmap& source, int32_t width, int32_t height)
{
    if (!Usable(source, width, height))
        return {};
    HostBitmap result = MakeBitmap(width, height);
    for (int32_t y = 0; y < height; ++y) {
        int64_t sy = SamplePosition(y, height, source.height);
        auto y0 = static_cast<int32_t>(sy >> 16);
        int32_t y1 = std::min(y0 + 1, source.height - 1);
        uint64_t fy = static_cast<uint64_t>(sy & 0xFFFF);
        for (int32_t x = 0; x < width; ++x) {
            int64_t sx = SamplePosition(x, width, source.width);
            auto x0 = static_cast<int32_t>(sx >> 16);
            int32_t x1 = std::min(x0 + 1, source.width - 1);
            uint64_t fx = static_cast<uint64_t>(sx & 0xFFFF);
            // Weights in 1/2^32: the four products add up to exactly 2^32.
            Channels sum {};
            AddWeighted(sum, source.At(x0, y0), (65536 - fx) * (65536 - fy));
            AddWeighted(sum, source.At(x1, y0), fx * (65536 - fy));
            AddWeighted(sum, source.At(x0, y1), (65536 - fx) * fy);
            AddWeighted(sum, source.At(x1, y1), fx * fy);
            result.pixels[static_cast<size_t>(y) * width + x] = Pack(sum, uint64_t { 1 } << 32);
        }
    }
    return result;
}

HostBitmap WinBitmapAlpha::FunctionAreaAverage(const HostBitmap& source, int32_t width, int32_t height)
{
    if (!Usable(source, width, height))
        return {};
    HostBitmap result = MakeBitmap(width, height);
    std::vector<std::vector<Span>> columns = Coverage(width, source.width);
    std::vector<std::vector<Span>> rows = Coverage(height, source.height);
    uint64_t total = static_cast<uint64_t>(source.width) * static_cast<uint64_t>(source.height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            Channels sum {};
            for (const Span& row : rows[static_cast<size_t>(y)]) {
                for (const Span& column : columns[static_cast<size_t>(x)])
                    AddWeighted(sum, source.At(column.source, row.source), row.weight * column.weight);
            }
            result.pixels[static_cast<size_t>(y) * width + x] = Pack(sum, total);
        }
    }
    return result;
}

uint32_t WinBitmapAlpha::Premultiplied(uint32_t rgb, uint8_t alpha)
{
    auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
    return (static_cast<uint32_t>(alpha) << 24) | (scale((rgb >> 16) & 0xFF) << 16)
        | (scale((rgb >> 8) & 0xFF) << 8) | scale(rgb & 0xFF);
}

bool WinBitmapAlpha::IsPremultiplied(const HostBitmap& bitmap)
{
    return std::all_of(bitmap.pixels.begin(), bitmap.pixels.end(), [](uint32_t pixel) {
        uint32_t alpha = pixel >> 24;
        return ((pixel >> 16) & 0xFF) <= alpha && ((pixel >> 8) & 0xFF) <= alpha && (pixel & 0xFF) <= alpha;
    });
}

} // namespace WinLayer
