#include <toolkit/host/HostRegion.h>
#include <toolkit/host/detail/HostWindowTree.h>

#include <algorithm>
#include <limits>

namespace WinLayer {

namespace {

int64_t Area(const HostRect& r)
{
    return static_cast<int64_t>(r.Width()) * r.Height();
}

bool Inside(const HostRect& inner, const HostRect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right
        && inner.bottom <= outer.bottom;
}

// What merging two rectangles would paint beyond what they cover together.
int64_t Waste(const HostRect& a, const HostRect& b)
{
    return Area(Union(a, b)) - Area(a) - Area(b) + Area(Intersect(a, b));
}

} // namespace

void HostRegion::Add(const HostRect& rect)
{
    if (rect.Empty())
        return;
    HostRect added = rect;
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < rects_.size(); ++i) {
            if (Inside(added, rects_[i]))
                return;
            // A merge that paints nothing more (overlapping, or side by side along a whole edge).
            if (Waste(added, rects_[i]) <= 0) {
                added = Union(added, rects_[i]);
                rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(i));
                merged = true;
                break;
            }
        }
    }
    rects_.push_back(added);
    while (rects_.size() > kMaxRects)
        MergeCheapestPair();
}

void HostRegion::AddMoved(const HostRect& area, int32_t dx, int32_t dy)
{
    std::vector<HostRect> moved;
    for (const HostRect& r : rects_)
        moved.push_back(Intersect(Offset(Intersect(r, area), dx, dy), area));
    for (const HostRect& r : moved)
        Add(r);
}

void HostRegion::ClipTo(const HostRect& bounds)
{
    std::vector<HostRect> kept;
    kept.swap(rects_);
    for (const HostRect& r : kept)
        Add(Intersect(r, bounds));
}

HostRect HostRegion::Bounds() const
{
    HostRect bounds;
    for (const HostRect& r : rects_)
        bounds = Union(bounds, r);
    return bounds;
}

void HostRegion::MergeCheapestPair()
{
    size_t best_i = 0;
    size_t best_j = 1;
    int64_t best = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < rects_.size(); ++i)
        for (size_t j = i + 1; j < rects_.size(); ++j)
            if (const int64_t waste = Waste(rects_[i], rects_[j]); waste < best) {
                best = waste;
                best_i = i;
                best_j = j;
            }
    const HostRect merged = Union(rects_[best_i], rects_[best_j]);
    rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(best_j));
    rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(best_i));
    Add(merged);
}

} // namespace WinLayer
