#pragma once

// A set of rectangles to repaint. A top-level keeps one, so that a blinking caret and one
// changed row far from it repaint two small rectangles instead of everything between them.
// Rectangles that overlap or touch are merged when the merged one covers no more than the two
// did; beyond kMaxRects the pair whose merge wastes least is merged.

#include <toolkit/host/HostTypes.h>

#include <cstddef>
#include <vector>

namespace WinLayer {

class HostRegion {
public:
    static constexpr size_t kMaxRects = 8;

    void Add(const HostRect& rect);
    // Adds `rect` moved by (dx, dy) for every part of the region inside `area`, clipped to it:
    // what a scroll of the pixels in `area` does to the parts still to be painted there.
    void AddMoved(const HostRect& area, int32_t dx, int32_t dy);
    void Clear() { rects_.clear(); }
    // Keeps only what lies inside `bounds`.
    void ClipTo(const HostRect& bounds);

    bool Empty() const { return rects_.empty(); }
    const std::vector<HostRect>& Rects() const { return rects_; }
    HostRect Bounds() const;

private:
    void MergeCheapestPair();

    std::vector<HostRect> rects_; // none empty
};

} // namespace WinLayer
