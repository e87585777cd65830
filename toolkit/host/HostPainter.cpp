#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostTextLayout.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostPaintMessage.h>
#include <toolkit/host/detail/HostTextFlags.h>

#include <algorithm>
#include <cmath>

#include <cairo.h>
#include <pango/pangocairo.h>

namespace WinLayer {

namespace {

void SetColour(cairo_t* context, RawColour colour)
{
    cairo_set_source_rgb(context, colour.Red() / 255.0, colour.Green() / 255.0, colour.Blue() / 255.0);
}

void AddRect(cairo_t* context, const HostRect& rect)
{
    cairo_rectangle(context, rect.left, rect.top, rect.Width(), rect.Height());
}

// A rectangle with round corners: its edges lie `inset` pixels inside the given box.
void AddRoundPath(cairo_t* context, const HostRect& rect, double radius, double inset)
{
    const double left = rect.left + inset;
    const double top = rect.top + inset;
    const double right = rect.right - inset;
    const double bottom = rect.bottom - inset;
    const double r = std::max(0.0, std::min({ radius - inset, (right - left) / 2, (bottom - top) / 2 }));
    cairo_new_sub_path(context);
    cairo_arc(context, right - r, top + r, r, -M_PI / 2, 0);
    cairo_arc(context, right - r, bottom - r, r, 0, M_PI / 2);
    cairo_arc(context, left + r, bottom - r, r, M_PI / 2, M_PI);
    cairo_arc(context, left + r, top + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(context);
}

void AddEllipsePath(cairo_t* context, const HostRect& rect, double inset)
{
    const double width = rect.Width() - 2 * inset;
    const double height = rect.Height() - 2 * inset;
    if (width <= 0 || height <= 0)
        return;
    cairo_save(context);
    cairo_translate(context, rect.left + rect.Width() / 2.0, rect.top + rect.Height() / 2.0);
    cairo_scale(context, width / 2, height / 2);
    cairo_new_sub_path(context);
    cairo_arc(context, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(context);
}

} // namespace

HostPainter::HostPainter(HostBitmap& target)
{
    const size_t count = target.Empty() ? 0 : static_cast<size_t>(target.width) * target.height;
    if (target.pixels.size() < count)
        target.pixels.resize(count, 0);
    if (count == 0)
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
    else
        surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(target.pixels.data()),
            CAIRO_FORMAT_ARGB32, target.width, target.height, target.width * 4);
    context_ = cairo_create(surface_);
    owns_context_ = true;
}

HostPainter::HostPainter(cairo_t* context)
    : context_(context)
{
    // The caller's state (clip, source) comes back unchanged when the painter ends.
    cairo_save(context_);
}

HostPainter::~HostPainter()
{
    while (save_depth_ > 0)
        Restore();
    if (owns_context_) {
        cairo_destroy(context_);
        cairo_surface_flush(surface_);
        cairo_surface_destroy(surface_);
    } else {
        cairo_restore(context_);
    }
}

HostRect HostPainter::ClipBox() const
{
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    cairo_clip_extents(context_, &x1, &y1, &x2, &y2);
    return { static_cast<int32_t>(std::floor(x1)), static_cast<int32_t>(std::floor(y1)),
        static_cast<int32_t>(std::ceil(x2)), static_cast<int32_t>(std::ceil(y2)) };
}

void HostPainter::Save()
{
    cairo_save(context_);
    ++save_depth_;
}

void HostPainter::ClipTo(const HostRect& rect)
{
    AddRect(context_, rect.Empty() ? HostRect {} : rect);
    cairo_clip(context_);
}

void HostPainter::Restore()
{
    if (save_depth_ == 0)
        return;
    cairo_restore(context_);
    --save_depth_;
}

void HostPainter::FillRect(const HostRect& rect, RawColour colour)
{
    if (rect.Empty() || colour.IsNone())
        return;
    // Whole pixels only: a rectangle never blurs into its neighbours.
    cairo_set_antialias(context_, CAIRO_ANTIALIAS_NONE);
    SetColour(context_, colour);
    AddRect(context_, rect);
    cairo_fill(context_);
    cairo_set_antialias(context_, CAIRO_ANTIALIAS_DEFAULT);
}

void HostPainter::FrameRect(const HostRect& rect, RawColour colour, int32_t width)
{
    if (rect.Empty() || width <= 0)
        return;
    const int32_t w = std::min({ width, (rect.Width() + 1) / 2, (rect.Height() + 1) / 2 });
    FillRect({ rect.left, rect.top, rect.right, rect.top + w }, colour);
    FillRect({ rect.left, rect.bottom - w, rect.right, rect.bottom }, colour);
    FillRect({ rect.left, rect.top + w, rect.left + w, rect.bottom - w }, colour);
    FillRect({ rect.right - w, rect.top + w, rect.right, rect.bottom - w }, colour);
}

void HostPainter::Line(HostPoint from, HostPoint to, RawColour colour, int32_t width)
{
    if (width <= 0 || colour.IsNone() || from == to)
        return;
    // As the familiar line call: from the first point up to, not including, the second.
    if (from.y == to.y || from.x == to.x) {
        const bool horizontal = from.y == to.y;
        const int32_t a = horizontal ? from.x : from.y;
        const int32_t b = horizontal ? to.x : to.y;
        const int32_t low = a < b ? a : b + 1;
        const int32_t high = a < b ? b : a + 1;
        const int32_t across = (horizontal ? from.y : from.x) - (width - 1) / 2;
        if (horizontal)
            FillRect({ low, across, high, across + width }, colour);
        else
            FillRect({ across, low, across + width, high }, colour);
        return;
    }
    SetColour(context_, colour);
    cairo_set_line_width(context_, width);
    cairo_set_line_cap(context_, CAIRO_LINE_CAP_BUTT);
    cairo_move_to(context_, from.x + 0.5, from.y + 0.5);
    cairo_line_to(context_, to.x + 0.5, to.y + 0.5);
    cairo_stroke(context_);
}

void HostPainter::RoundRect(const HostRect& rect, int32_t radius, RawColour fill, RawColour frame)
{
    if (rect.Empty())
        return;
    if (!fill.IsNone()) {
        SetColour(context_, fill);
        AddRoundPath(context_, rect, radius, 0);
        cairo_fill(context_);
    }
    if (!frame.IsNone()) {
        // The outline's pixel centres lie half a pixel inside, so it covers the edge pixels only.
        SetColour(context_, frame);
        cairo_set_line_width(context_, 1);
        AddRoundPath(context_, rect, radius, 0.5);
        cairo_stroke(context_);
    }
}

void HostPainter::Ellipse(const HostRect& rect, RawColour fill, RawColour frame)
{
    if (rect.Empty())
        return;
    if (!fill.IsNone()) {
        SetColour(context_, fill);
        AddEllipsePath(context_, rect, 0);
        cairo_fill(context_);
    }
    if (!frame.IsNone()) {
        SetColour(context_, frame);
        cairo_set_line_width(context_, 1);
        AddEllipsePath(context_, rect, 0.5);
        cairo_stroke(context_);
    }
}

void HostPainter::DrawBitmap(const HostBitmap& bitmap, HostPoint at)
{
    if (bitmap.Empty() || bitmap.pixels.size() < static_cast<size_t>(bitmap.width) * bitmap.height)
        return;
    // Cairo only reads a source surface; the cast does not let it write.
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.pixels.data())), CAIRO_FORMAT_ARGB32,
        bitmap.width, bitmap.height, bitmap.width * 4);
    cairo_set_source_surface(context_, source, at.x, at.y);
    cairo_rectangle(context_, at.x, at.y, bitmap.width, bitmap.height);
    cairo_fill(context_);
    cairo_set_source_rgb(context_, 0, 0, 0); // releases the source surface
    cairo_surface_destroy(source);
}

int32_t HostPainter::DrawText(
    const HostFont& font, const std::string& utf8, HostRect& rect, uint32_t flags, RawColour colour)
{
    HostTextLayout layout(font, utf8, flags, rect.Width());
    if (HostTextFlags::Has(flags, HostText::kCalcRect)) {
        const HostSize size = layout.Size();
        rect.right = rect.left + size.cx;
        rect.bottom = rect.top + size.cy;
        return size.cy;
    }
    if ((flags & HostText::kEndEllipsis) != 0 && (flags & HostText::kWordBreak) != 0
        && (flags & HostText::kSingleLine) == 0 && rect.Height() > 0) {
        // The last line that fits ends with the ellipsis.
        pango_layout_set_ellipsize(layout.layout_, PANGO_ELLIPSIZE_END);
        pango_layout_set_height(layout.layout_, rect.Height() * PANGO_SCALE);
    }
    const HostSize size = layout.Size();
    int32_t top = rect.top;
    if ((flags & HostText::kSingleLine) != 0) {
        if ((flags & HostText::kBottom) != 0)
            top = rect.bottom - size.cy;
        else if ((flags & HostText::kVCenter) != 0)
            top = rect.top + (rect.Height() - size.cy) / 2;
    }
    const bool clip = !HostTextFlags::Has(flags, HostText::kNoClip);
    if (clip) {
        Save();
        ClipTo(rect);
    }
    DrawLayout(layout, { rect.left, top }, colour);
    if (clip)
        Restore();
    return size.cy;
}

void HostPainter::DrawLayout(const HostTextLayout& layout, HostPoint at, RawColour colour)
{
    if (colour.IsNone())
        return;
    SetColour(context_, colour);
    cairo_move_to(context_, at.x + layout.offset_x_, at.y);
    pango_cairo_show_layout(context_, layout.layout_);
    cairo_new_path(context_);
}

HostRect HostPainter::MeasureText(
    const HostFont& font, const std::string& utf8, const HostRect& rect, uint32_t flags)
{
    // Layouts come from the shared pango context: measuring needs no surface at all.
    HostTextLayout layout(font, utf8, flags, rect.Width());
    const HostSize size = layout.Size();
    return { rect.left, rect.top, rect.left + size.cx, rect.top + size.cy };
}

void HostPaintMessage::Send(cairo_t* context, HostHandle window)
{
    HostPainter painter(context);
    Host::SendMessage(window, HostMsg::kPaint, 0, reinterpret_cast<HostLParam>(&painter));
}

} // namespace WinLayer
