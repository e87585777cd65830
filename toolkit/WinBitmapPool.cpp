#include <toolkit/WinBitmapPool.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>

#include <algorithm>
#include <cmath>

namespace WinLayer {

namespace {

constexpr RawColour kIconBlue = RawColour::FromRgb(0x2A, 0x6E, 0xC8);
constexpr RawColour kIconBlueEdge = RawColour::FromRgb(0x1C, 0x4F, 0x96);
constexpr RawColour kIconWhite = RawColour::FromRgb(0xFF, 0xFF, 0xFF);
constexpr RawColour kIconDark = RawColour::FromRgb(0x28, 0x28, 0x28);
// The warning triangle is rasterised here (the painter has no polygons): straight RGB values.
constexpr uint32_t kWarningFill = 0xF5BC1C;
constexpr uint32_t kWarningEdge = 0xB7820A;

struct Vec {
    double x;
    double y;
};

double SegmentDistance(Vec p, Vec a, Vec b)
{
    double dx = b.x - a.x;
    double dy = b.y - a.y;
    double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Distance from a point to a triangle (0 inside); the corners are given clockwise on screen.
double TriangleDistance(Vec p, const Vec (&corner)[3])
{
    bool inside = true;
    double nearest = 1e9;
    for (int i = 0; i < 3; ++i) {
        Vec a = corner[i];
        Vec b = corner[(i + 1) % 3];
        if ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x) < 0)
            inside = false;
        nearest = std::min(nearest, SegmentDistance(p, a, b));
    }
    return inside ? 0.0 : nearest;
}

// A triangle with rounded corners (a triangle grown by `radius`) with an edge line, sampled 4 x 4
// times per pixel so its edges are smooth.
void FillWarningTriangle(HostBitmap& bitmap)
{
    double s = bitmap.width;
    double radius = s * 0.08;
    double edge = std::max(1.0, s * 0.035);
    double inset = s * 0.04 + radius;
    const Vec corner[3] = { { s / 2, inset }, { s - inset, s - inset }, { inset, s - inset } };
    for (int32_t y = 0; y < bitmap.height; ++y) {
        for (int32_t x = 0; x < bitmap.width; ++x) {
            int fill = 0;
            int rim = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    double d = TriangleDistance({ x + (sx + 0.5) / 4, y + (sy + 0.5) / 4 }, corner);
                    if (d <= radius - edge)
                        ++fill;
                    else if (d <= radius)
                        ++rim;
                }
            }
            if (fill + rim == 0)
                continue;
            auto channel = [&](int shift) {
                return (((kWarningFill >> shift) & 0xFF) * fill + ((kWarningEdge >> shift) & 0xFF) * rim + 8)
                    / 16;
            };
            uint32_t alpha = ((fill + rim) * 255 + 8) / 16;
            bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x]
                = (alpha << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
        }
    }
}

HostRect Part(int32_t size, double left, double top, double right, double bottom)
{
    return { static_cast<int32_t>(std::lround(size * left)), static_cast<int32_t>(std::lround(size * top)),
        static_cast<int32_t>(std::lround(size * right)), static_cast<int32_t>(std::lround(size * bottom)) };
}

void DrawRoundMark(HostPainter& painter, int32_t size)
{
    HostRect circle = Part(size, 0.04, 0.04, 0.96, 0.96);
    painter.Ellipse(circle, kIconBlueEdge, RawColour::None());
    int32_t edge = std::max(1, size / 28);
    painter.Ellipse({ circle.left + edge, circle.top + edge, circle.right - edge, circle.bottom - edge },
        kIconBlue, RawColour::None());
}

} // namespace

WinBitmapPool& WinBitmapPool::Instance()
{
    static WinBitmapPool pool;
    return pool;
}

void WinBitmapPool::AddSource(const std::string& name, HostBitmap bitmap)
{
    sources_[name] = std::make_shared<const HostBitmap>(std::move(bitmap));
    std::erase_if(cache_, [&](const Entry& entry) { return entry.name == name; });
}

bool WinBitmapPool::LoadSource(const std::string& name, const std::string& png_path)
{
    HostBitmap bitmap = Host::LoadPng(png_path);
    if (bitmap.Empty())
        return false;
    AddSource(name, std::move(bitmap));
    return true;
}

bool WinBitmapPool::HasSource(const std::string& name) const
{
    return sources_.contains(name);
}

WinBitmapPool::BitmapPtr WinBitmapPool::Source(const std::string& name) const
{
    auto found = sources_.find(name);
    return found == sources_.end() ? nullptr : found->second;
}

WinBitmapPool::BitmapPtr WinBitmapPool::Scaled(
    const std::string& name, int32_t width, int32_t height, WinBitmapAlpha::Function function)
{
    if (width <= 0 || height <= 0 || function == nullptr)
        return nullptr;
    for (Entry& entry : cache_) {
        if (entry.name == name && entry.width == width && entry.height == height
            && entry.function == function) {
            entry.last_use = ++clock_;
            return entry.bitmap;
        }
    }
    if (!HasSource(name) && !EnsureIconSource(name))
        return nullptr;
    auto bitmap = std::make_shared<const HostBitmap>(function(*sources_[name], width, height));
    cache_.push_back({ name, width, height, function, bitmap, ++clock_ });
    Trim();
    return bitmap;
}

std::string WinBitmapPool::IconName(Icon icon)
{
    switch (icon) {
    case Icon::Question:
        return "StandardIcon.Question";
    case Icon::Warning:
        return "StandardIcon.Warning";
    case Icon::Information:
        return "StandardIcon.Information";
    }
    return {};
}

HostBitmap WinBitmapPool::DrawIcon(Icon icon, int32_t size)
{
    HostBitmap bitmap;
    if (size <= 0)
        return bitmap;
    bitmap.width = size;
    bitmap.height = size;
    bitmap.pixels.assign(static_cast<size_t>(size) * size, 0);
    if (icon == Icon::Warning)
        FillWarningTriangle(bitmap);
    HostPainter painter(bitmap);
    switch (icon) {
    case Icon::Warning:
        // The exclamation mark: a bar narrowing downwards is approximated by a rounded bar and a dot.
        painter.RoundRect(Part(size, 0.445, 0.32, 0.555, 0.70), size / 20, kIconDark, RawColour::None());
        painter.Ellipse(Part(size, 0.435, 0.75, 0.565, 0.88), kIconDark, RawColour::None());
        break;
    case Icon::Information:
        DrawRoundMark(painter, size);
        painter.Ellipse(Part(size, 0.43, 0.2, 0.57, 0.34), kIconWhite, RawColour::None());
        painter.RoundRect(Part(size, 0.44, 0.41, 0.56, 0.8), size / 24, kIconWhite, RawColour::None());
        break;
    case Icon::Question: {
        DrawRoundMark(painter, size);
        HostFontSpec font_spec;
        font_spec.height = -static_cast<int32_t>(std::lround(size * 0.62));
        font_spec.weight = 700;
        HostFont font(font_spec);
        HostRect rect { 0, 0, size, size };
        painter.DrawText(font, "?", rect,
            HostText::kCenter | HostText::kVCenter | HostText::kSingleLine | HostText::kNoPrefix, kIconWhite);
        break;
    }
    }
    return bitmap;
}

void WinBitmapPool::SetLimit(size_t limit)
{
    limit_ = std::max<size_t>(limit, 1);
    Trim();
}

void WinBitmapPool::ClearCache()
{
    cache_.clear();
}

bool WinBitmapPool::EnsureIconSource(const std::string& name)
{
    for (Icon icon : { Icon::Question, Icon::Warning, Icon::Information }) {
        if (name == IconName(icon)) {
            AddSource(name, DrawIcon(icon, kIconSourceSize));
            return true;
        }
    }
    return false;
}

void WinBitmapPool::Trim()
{
    while (cache_.size() > limit_) {
        auto oldest = std::min_element(cache_.begin(), cache_.end(),
            [](const Entry& a, const Entry& b) { return a.last_use < b.last_use; });
        cache_.erase(oldest);
    }
}

} // namespace WinLayer
