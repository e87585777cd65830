#pragma once

// Drawing on a window's part of its top-level's back buffer, in the window's client
// coordinates, clipped to what may be painted. The host makes one for each window it paints
// (views get it in their Paint handler); one can also be made on a bitmap, for drawing icons
// and for tests.

#include <toolkit/host/HostBitmap.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostTypes.h>

#include <string>

struct _cairo;
struct _cairo_surface;

namespace WinLayer {

class HostTextLayout;

class HostPainter {
public:
    // A painter on a bitmap (drawing changes the bitmap's pixels; it must outlive the painter).
    explicit HostPainter(HostBitmap& target);
    ~HostPainter();
    HostPainter(const HostPainter&) = delete;
    HostPainter& operator=(const HostPainter&) = delete;

    // The bounding box of what may be painted, in client coordinates.
    HostRect ClipBox() const;
    // Narrows the clip to a rectangle until the matching Restore (a Restore without its Save
    // does nothing; a painter ends with every Save undone).
    void Save();
    void ClipTo(const HostRect& rect);
    void Restore();

    void FillRect(const HostRect& rect, RawColour colour);
    // An outline `width` pixels wide inside the rectangle.
    void FrameRect(const HostRect& rect, RawColour colour, int32_t width = 1);
    void Line(HostPoint from, HostPoint to, RawColour colour, int32_t width = 1);
    // A rectangle with corners of `radius` pixels, filled (fill != RawColour::None()) and outlined
    // (frame != RawColour::None()).
    void RoundRect(const HostRect& rect, int32_t radius, RawColour fill, RawColour frame);
    void Ellipse(const HostRect& rect, RawColour fill, RawColour frame);
    // A bitmap drawn at its own size with its alpha, top-left at `at`.
    void DrawBitmap(const HostBitmap& bitmap, HostPoint at);

    // Draws text with HostText flags inside `rect` (clipped to it unless kNoClip) and returns the
    // height of the drawn text; with kCalcRect nothing is drawn and `rect` is set to the text's
    // extent (right and bottom). The flags are read as HostTextLayout reads them; kVCenter and
    // kBottom place a kSingleLine text in the rectangle.
    int32_t DrawText(
        const HostFont& font, const std::string& utf8, HostRect& rect, uint32_t flags, RawColour colour);
    // Draws a laid-out text with its top-left at `at`.
    void DrawLayout(const HostTextLayout& layout, HostPoint at, RawColour colour);

    // Measures text without a window (natural sizes): same rules as DrawText with kCalcRect.
    static HostRect MeasureText(
        const HostFont& font, const std::string& utf8, const HostRect& rect, uint32_t flags);

private:
    friend struct HostPaintMessage; // paints windows on the back buffer's context

    // A painter on a cairo context of the host's painting (not owned).
    explicit HostPainter(_cairo* context);

    _cairo* context_ = nullptr;
    bool owns_context_ = false;
    _cairo_surface* surface_ = nullptr;
    int32_t save_depth_ = 0;
};

} // namespace WinLayer
