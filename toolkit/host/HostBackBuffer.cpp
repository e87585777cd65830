#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostCaretService.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostPaintMessage.h>
#include <toolkit/host/detail/HostScrollBars.h>
#include <toolkit/host/detail/HostState.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include <SDL.h>
#include <cairo.h>

namespace WinLayer {

namespace {
// What shows where no window paints: the dialog face.
constexpr double kFace = 0xF0 / 255.0;

void SetColour(cairo_t* cr, RawColour colour)
{
    cairo_set_source_rgb(cr, colour.Red() / 255.0, colour.Green() / 255.0, colour.Blue() / 255.0);
}

void FillRect(cairo_t* cr, const HostRect& r, RawColour colour)
{
    if (r.Empty())
        return;
    SetColour(cr, colour);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
}

// The border (1 px) and the sunken client edge (2 px) around a window, in top coordinates.
void DrawFrame(cairo_t* cr, const HostWindowRecord& record, HostRect outer)
{
    const bool border = NonClientOf(record.style, record.ex_style).border
        > ((record.ex_style & HostExStyle::kClientEdge) != 0 ? 2 : 0);
    auto edge = [&](RawColour top_left, RawColour bottom_right) {
        FillRect(cr, { outer.left, outer.top, outer.right, outer.top + 1 }, top_left);
        FillRect(cr, { outer.left, outer.top, outer.left + 1, outer.bottom }, top_left);
        FillRect(cr, { outer.left, outer.bottom - 1, outer.right, outer.bottom }, bottom_right);
        FillRect(cr, { outer.right - 1, outer.top, outer.right, outer.bottom }, bottom_right);
        outer = { outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1 };
    };
    if (border)
        edge(RawColour::FromRgb(0x82, 0x87, 0x90), RawColour::FromRgb(0x82, 0x87, 0x90));
    if ((record.ex_style & HostExStyle::kClientEdge) != 0) {
        edge(RawColour::FromRgb(0xA0, 0xA0, 0xA0), RawColour::FromRgb(0xFF, 0xFF, 0xFF));
        edge(RawColour::FromRgb(0x69, 0x69, 0x69), RawColour::FromRgb(0xE3, 0xE3, 0xE3));
    }
}

void PaintTree(cairo_t* cr, HostHandle window, const HostRect& clip)
{
    HostWindowTree& tree = State().tree;
    const HostRect outer = tree.OuterInTop(window);
    const HostRect outer_clip = Intersect(clip, outer);
    if (outer_clip.Empty())
        return;
    const HostRect client = tree.ClientInTop(window);
    const HostRect client_clip = Intersect(clip, client);
    if (!client_clip.Empty()) {
        cairo_save(cr);
        cairo_rectangle(cr, client_clip.left, client_clip.top, client_clip.Width(), client_clip.Height());
        cairo_clip(cr);
        cairo_translate(cr, client.left, client.top);
        HostPaintMessage::Send(cr, window);
        cairo_restore(cr);
    }
    const HostWindowRecord* record = tree.Find(window);
    if (record == nullptr)
        return;
    if (!client_clip.Empty()) {
        const std::vector<HostHandle> children = record->children;
        for (HostHandle child : children) {
            const HostWindowRecord* child_record = tree.Find(child);
            if (child_record != nullptr && child_record->Visible())
                PaintTree(cr, child, client_clip);
        }
    }
    if ((record = tree.Find(window)) == nullptr || outer_clip == client_clip)
        return;
    cairo_save(cr);
    cairo_rectangle(cr, outer_clip.left, outer_clip.top, outer_clip.Width(), outer_clip.Height());
    cairo_clip(cr);
    DrawFrame(cr, *record, outer);
    HostScrollBars::Draw(cr, window);
    cairo_restore(cr);
}

// The device size of a top-level's back buffer.
HostSize BufferSize(const HostWindowRecord& top)
{
    return { std::max(HostDisplayScale::ToDevice(top.rect.Width()), 1),
        std::max(HostDisplayScale::ToDevice(top.rect.Height()), 1) };
}

bool BufferCurrent(const HostWindowRecord& top)
{
    const HostSize size = BufferSize(top);
    return top.back_buffer != nullptr && cairo_image_surface_get_width(top.back_buffer) == size.cx
        && cairo_image_surface_get_height(top.back_buffer) == size.cy;
}

// A back buffer of the top-level's size; a new one (fully invalid) after a resize.
bool EnsureSurface(HostWindowRecord& top)
{
    if (BufferCurrent(top))
        return true;
    HostBackBuffer::Release(top);
    const HostSize size = BufferSize(top);
    top.back_buffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
    if (cairo_surface_status(top.back_buffer) != CAIRO_STATUS_SUCCESS) {
        HostBackBuffer::Release(top);
        return false;
    }
    top.dirty.Clear();
    top.dirty.Add({ 0, 0, top.rect.Width(), top.rect.Height() });
    return true;
}
} // namespace

void HostBackBuffer::Invalidate(HostHandle window, const HostRect* client_rect)
{
    HostWindowTree& tree = State().tree;
    if (!tree.IsVisible(window))
        return;
    HostRect area = tree.VisibleClientInTop(window);
    if (client_rect != nullptr) {
        const HostRect client = tree.ClientInTop(window);
        area = Intersect(area, Offset(*client_rect, client.left, client.top));
    }
    InvalidateInTop(tree.TopLevelOf(window), area);
}

void HostBackBuffer::InvalidateOuter(HostHandle window)
{
    HostWindowTree& tree = State().tree;
    if (tree.IsVisible(window))
        InvalidateInTop(tree.TopLevelOf(window), tree.VisibleOuterInTop(window));
}

void HostBackBuffer::InvalidateInTop(HostHandle top, const HostRect& in_top)
{
    HostWindowRecord* record = State().tree.Find(top);
    if (record != nullptr)
        record->dirty.Add(in_top);
}

bool HostBackBuffer::PaintPending()
{
    HostWindowTree& tree = State().tree;
    for (HostHandle top : tree.TopLevels()) {
        const HostWindowRecord* record = tree.Find(top);
        if (record != nullptr && record->Visible() && !record->dirty.Empty())
            return true;
    }
    return false;
}

void HostBackBuffer::PaintAll()
{
    const std::vector<HostHandle> tops = State().tree.TopLevels();
    for (HostHandle top : tops)
        PaintTop(top);
}

void HostBackBuffer::PaintTop(HostHandle top)
{
    HostWindowRecord* record = State().tree.Find(top);
    if (record == nullptr || record->parent != 0 || !record->Visible() || record->dirty.Empty())
        return;
    if (!EnsureSurface(*record)) {
        record->dirty.Clear(); // no memory for the buffer: drop the paint rather than retry for ever
        return;
    }
    HostRegion dirty = std::move(record->dirty);
    dirty.ClipTo({ 0, 0, record->rect.Width(), record->rect.Height() });
    const HostRect scrolled = std::exchange(record->scrolled, HostRect {});
    // Invalidation during painting schedules the next paint.
    record->dirty.Clear();
    cairo_surface_t* surface = cairo_surface_reference(record->back_buffer);
    cairo_t* cr = cairo_create(surface);
    ++State().paint_depth;
    for (const HostRect& dirty_part : dirty.Rects()) {
        // Whole device pixels are painted: at a fractional scale a logical edge falls inside a
        // device pixel, which must not keep a part of its old colour.
        const HostRect device = HostDisplayScale::ToDevice(dirty_part);
        const HostRect part = HostDisplayScale::CoverOf(device);
        cairo_save(cr);
        cairo_rectangle(cr, device.left, device.top, device.Width(), device.Height());
        cairo_clip(cr);
        cairo_scale(cr, HostDisplayScale::Factor(), HostDisplayScale::Factor());
        cairo_set_source_rgb(cr, kFace, kFace, kFace);
        cairo_rectangle(cr, part.left, part.top, part.Width(), part.Height());
        cairo_fill(cr);
        PaintTree(cr, top, part);
        HostCaretService::Draw(cr, *State().tree.Find(top), part);
        cairo_restore(cr);
    }
    --State().paint_depth;
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    // The window may have been resized or destroyed by a paint handler; show only a current buffer.
    record = State().tree.Find(top);
    if (record != nullptr && record->back_buffer == surface) {
        Present(*record, scrolled);
        for (const HostRect& part : dirty.Rects())
            Present(*record, part);
    }
    cairo_surface_destroy(surface);
}

void HostBackBuffer::Present(HostWindowRecord& top, const HostRect& in_top)
{
    if (top.back_buffer == nullptr || top.sdl_window == nullptr || in_top.Empty())
        return;
    SDL_Surface* target = SDL_GetWindowSurface(top.sdl_window);
    if (target == nullptr)
        return;
    cairo_surface_flush(top.back_buffer);
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(cairo_image_surface_get_data(top.back_buffer),
        cairo_image_surface_get_width(top.back_buffer), cairo_image_surface_get_height(top.back_buffer), 32,
        cairo_image_surface_get_stride(top.back_buffer), SDL_PIXELFORMAT_ARGB8888);
    if (source == nullptr)
        return;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    const HostRect device = HostDisplayScale::ToDevice(in_top);
    SDL_Rect from { device.left, device.top, device.Width(), device.Height() };
    SDL_Rect to = from;
    SDL_BlitSurface(source, &from, target, &to);
    SDL_FreeSurface(source);
    if (to.w > 0 && to.h > 0)
        SDL_UpdateWindowSurfaceRects(top.sdl_window, &to, 1);
}

void HostBackBuffer::Release(HostWindowRecord& top)
{
    if (top.back_buffer != nullptr)
        cairo_surface_destroy(top.back_buffer);
    top.back_buffer = nullptr;
}

namespace {
// Moves the pixels of `area` (in the surface) by (dx, dy), keeping what lands outside `area` out.
void MovePixels(cairo_surface_t* surface, const HostRect& area, int32_t dx, int32_t dy)
{
    const HostRect to = Intersect(Offset(area, dx, dy), area);
    if (to.Empty())
        return;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const size_t bytes = static_cast<size_t>(to.Width()) * 4;
    auto row = [&](int32_t y, int32_t x) { return data + static_cast<ptrdiff_t>(y) * stride + x * 4; };
    // Rows are copied away from the direction of the move, so none is overwritten before it is read.
    for (int32_t i = 0; i < to.Height(); ++i) {
        const int32_t y = dy > 0 ? to.bottom - 1 - i : to.top + i;
        std::memmove(row(y, to.left), row(y - dy, to.left - dx), bytes);
    }
    cairo_surface_mark_dirty_rectangle(surface, to.left, to.top, to.Width(), to.Height());
}
} // namespace

std::vector<HostRect> Host::InvalidRegion(HostHandle window)
{
    HostWindowTree& tree = State().tree;
    const HostWindowRecord* top = tree.Find(tree.TopLevelOf(window));
    std::vector<HostRect> parts;
    if (top == nullptr || !tree.IsVisible(window))
        return parts;
    const HostRect visible = tree.VisibleClientInTop(window);
    const HostRect client = tree.ClientInTop(window);
    for (const HostRect& r : top->dirty.Rects())
        if (const HostRect part = Intersect(r, visible); !part.Empty())
            parts.push_back(Offset(part, -client.left, -client.top));
    return parts;
}

void Host::ScrollWindow(HostHandle window, int32_t dx, int32_t dy, const HostRect* client_rect)
{
    HostWindowTree& tree = State().tree;
    if (!tree.IsVisible(window) || (dx == 0 && dy == 0))
        return;
    const HostHandle top = tree.TopLevelOf(window);
    HostWindowRecord* record = tree.Find(top);
    HostRect area = tree.VisibleClientInTop(window);
    if (client_rect != nullptr) {
        const HostRect client = tree.ClientInTop(window);
        area = Intersect(area, Offset(*client_rect, client.left, client.top));
    }
    if (record == nullptr || area.Empty())
        return;
    // Pixels move only by whole device pixels over whole device pixels; else all is painted anew.
    const HostRect device = HostDisplayScale::ToDevice(area);
    const int32_t device_dx = HostDisplayScale::ToDevice(dx);
    const int32_t device_dy = HostDisplayScale::ToDevice(dy);
    const bool whole = HostDisplayScale::CoverOf(device) == area && HostDisplayScale::Whole(dx)
        && HostDisplayScale::Whole(dy);
    if (!BufferCurrent(*record) || !whole || std::abs(dx) >= area.Width() || std::abs(dy) >= area.Height()) {
        HostBackBuffer::InvalidateInTop(top, area);
        return;
    }
    MovePixels(record->back_buffer, device, device_dx, device_dy);
    record->dirty.AddMoved(area, dx, dy);
    record->scrolled = Union(record->scrolled, area);
    if (dy != 0)
        HostBackBuffer::InvalidateInTop(top,
            dy > 0 ? HostRect { area.left, area.top, area.right, area.top + dy }
                   : HostRect { area.left, area.bottom + dy, area.right, area.bottom });
    if (dx != 0)
        HostBackBuffer::InvalidateInTop(top,
            dx > 0 ? HostRect { area.left, area.top, area.left + dx, area.bottom }
                   : HostRect { area.right + dx, area.top, area.right, area.bottom });
    const std::vector<HostHandle> children = tree.Find(window)->children;
    for (HostHandle child : children)
        if (tree.IsVisible(child))
            HostBackBuffer::InvalidateInTop(top, Intersect(tree.VisibleOuterInTop(child), area));
    // The caret's pixels moved with the rest while the caret stays: both places are repainted.
    const HostRect caret = HostCaretService::DrawnInTop(*record);
    HostBackBuffer::InvalidateInTop(top, Intersect(caret, area));
    HostBackBuffer::InvalidateInTop(top, Intersect(Offset(caret, dx, dy), area));
}

bool Host::SaveWindowAsPng(HostHandle top_level, const std::string& png_path)
{
    const HostWindowRecord* top = State().tree.Find(State().tree.TopLevelOf(top_level));
    if (top == nullptr || top->back_buffer == nullptr)
        return false;
    cairo_surface_flush(top->back_buffer);
    return cairo_surface_write_to_png(top->back_buffer, png_path.c_str()) == CAIRO_STATUS_SUCCESS;
}

} // namespace WinLayer
