#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostScrollBars.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>

#include <cairo.h>

namespace WinLayer {

namespace {
constexpr uint32_t kFirstRepeatMs = 400;
constexpr uint32_t kRepeatMs = 50;
constexpr int32_t kMinThumb = 8;

int32_t MaxPos(const HostScrollInfo& info)
{
    return info.max - std::max(info.page - 1, 0);
}

bool Dragging(HostHandle window, int bar)
{
    const HostScrollTrack& track = State().scroll_track;
    return track.window == window && track.bar == bar && track.part == HostScrollBars::kThumb;
}

uint16_t CodeOf(int part)
{
    switch (part) {
    case HostScrollBars::kArrowUp:
        return kSbLineUp;
    case HostScrollBars::kPageUp:
        return kSbPageUp;
    case HostScrollBars::kPageDown:
        return kSbPageDown;
    default:
        return kSbLineDown;
    }
}

void Notify(HostHandle window, int bar, uint16_t code, int32_t pos = 0)
{
    Host::SendMessage(window, bar == kSbVert ? HostMsg::kVScroll : HostMsg::kHScroll, code, pos);
}

int32_t Along(const HostScrollBars::Geometry& g, HostPoint p)
{
    return g.vertical ? p.y : p.x;
}

void SetColour(cairo_t* cr, RawColour colour)
{
    cairo_set_source_rgb(cr, colour.Red() / 255.0, colour.Green() / 255.0, colour.Blue() / 255.0);
}

void Fill(cairo_t* cr, const HostRect& r, RawColour colour)
{
    SetColour(cr, colour);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
}

// A small triangle pointing up/left (`forward` false) or down/right in an arrow box.
void Arrow(cairo_t* cr, const HostRect& box, bool vertical, bool forward, RawColour colour)
{
    const double cx = (box.left + box.right) / 2.0;
    const double cy = (box.top + box.bottom) / 2.0;
    const double s = std::min(box.Width(), box.Height()) / 4.0;
    const double d = forward ? 1 : -1;
    SetColour(cr, colour);
    if (vertical) {
        cairo_move_to(cr, cx - s, cy - d * s / 2);
        cairo_line_to(cr, cx + s, cy - d * s / 2);
        cairo_line_to(cr, cx, cy + d * s / 2);
    } else {
        cairo_move_to(cr, cx - d * s / 2, cy - s);
        cairo_line_to(cr, cx - d * s / 2, cy + s);
        cairo_line_to(cr, cx + d * s / 2, cy);
    }
    cairo_close_path(cr);
    cairo_fill(cr);
}
} // namespace

HostScrollInfo HostScrollBars::Clamp(const HostScrollInfo& info)
{
    HostScrollInfo clamped = info;
    clamped.max = std::max(info.max, info.min);
    const int64_t range = static_cast<int64_t>(clamped.max) - clamped.min + 1;
    clamped.page = static_cast<int32_t>(std::clamp<int64_t>(info.page, 0, range));
    const int32_t max_pos = std::max(MaxPos(clamped), clamped.min);
    clamped.pos = std::clamp(info.pos, clamped.min, max_pos);
    clamped.track_pos = std::clamp(info.track_pos, clamped.min, max_pos);
    return clamped;
}

HostScrollBars::Geometry HostScrollBars::Layout(HostHandle window, int bar)
{
    Geometry g;
    const HostWindowTree& tree = State().tree;
    const HostWindowRecord* record = tree.Find(window);
    if (record == nullptr || (bar != kSbVert && bar != kSbHorz))
        return g;
    const HostNonClient parts = NonClientOf(record->style, record->ex_style);
    const HostRect outer = tree.OuterInTop(window);
    const HostRect inner { outer.left + parts.border, outer.top + parts.border, outer.right - parts.border,
        outer.bottom - parts.border };
    g.vertical = bar == kSbVert;
    if (g.vertical && parts.vbar > 0)
        g.bar = { inner.right - parts.vbar, inner.top, inner.right, inner.bottom - parts.hbar };
    else if (!g.vertical && parts.hbar > 0)
        g.bar = { inner.left, inner.bottom - parts.hbar, inner.right - parts.vbar, inner.bottom };
    if (g.bar.Empty())
        return g;
    const int32_t length = g.vertical ? g.bar.Height() : g.bar.Width();
    g.arrow = std::min(16, length / 2);
    g.track_start = (g.vertical ? g.bar.top : g.bar.left) + g.arrow;
    g.track_length = std::max(length - 2 * g.arrow, 0);

    const HostScrollInfo& info = record->scroll[bar];
    const int32_t max_pos = MaxPos(info);
    if (max_pos <= info.min || g.track_length <= 0)
        return g;
    const int64_t range = static_cast<int64_t>(info.max) - info.min + 1;
    int32_t thumb = info.page > 0
        ? static_cast<int32_t>(g.track_length * static_cast<int64_t>(info.page) / range)
        : std::min(16, g.track_length);
    thumb = std::min(std::max(thumb, kMinThumb), g.track_length);
    const int32_t pos = Dragging(window, bar) ? info.track_pos : info.pos;
    const int32_t offset = static_cast<int32_t>(
        static_cast<int64_t>(pos - info.min) * (g.track_length - thumb) / (max_pos - info.min));
    const int32_t start = g.track_start + offset;
    g.thumb = g.vertical ? HostRect { g.bar.left, start, g.bar.right, start + thumb }
                         : HostRect { start, g.bar.top, start + thumb, g.bar.bottom };
    return g;
}

HostScrollBars::Part HostScrollBars::PartAt(const Geometry& g, HostPoint in_top)
{
    if (!g.bar.Contains(in_top))
        return kNone;
    const int32_t along = Along(g, in_top);
    if (along < g.track_start)
        return kArrowUp;
    if (along >= g.track_start + g.track_length)
        return kArrowDown;
    if (g.thumb.Empty())
        return kNone;
    const int32_t thumb_start = g.vertical ? g.thumb.top : g.thumb.left;
    const int32_t thumb_end = g.vertical ? g.thumb.bottom : g.thumb.right;
    if (along < thumb_start)
        return kPageUp;
    return along >= thumb_end ? kPageDown : kThumb;
}

void HostScrollBars::Draw(_cairo* cr, HostHandle window)
{
    Geometry both[2] = { Layout(window, kSbHorz), Layout(window, kSbVert) };
    for (const Geometry& g : both) {
        if (g.bar.Empty())
            continue;
        const bool active = !g.thumb.Empty();
        const HostRect up = g.vertical ? HostRect { g.bar.left, g.bar.top, g.bar.right, g.track_start }
                                       : HostRect { g.bar.left, g.bar.top, g.track_start, g.bar.bottom };
        const int32_t end = g.track_start + g.track_length;
        const HostRect down = g.vertical ? HostRect { g.bar.left, end, g.bar.right, g.bar.bottom }
                                         : HostRect { end, g.bar.top, g.bar.right, g.bar.bottom };
        Fill(cr, g.bar, RawColour::FromRgb(0xE8, 0xE8, 0xE8));
        Fill(cr, up, RawColour::FromRgb(0xF0, 0xF0, 0xF0));
        Fill(cr, down, RawColour::FromRgb(0xF0, 0xF0, 0xF0));
        const RawColour glyph
            = active ? RawColour::FromRgb(0x60, 0x60, 0x60) : RawColour::FromRgb(0xBF, 0xBF, 0xBF);
        Arrow(cr, up, g.vertical, false, glyph);
        Arrow(cr, down, g.vertical, true, glyph);
        if (active)
            Fill(cr, g.thumb,
                Dragging(window, g.vertical ? kSbVert : kSbHorz) ? RawColour::FromRgb(0x8A, 0x8A, 0x8A)
                                                                 : RawColour::FromRgb(0xC1, 0xC1, 0xC1));
    }
    if (!both[0].bar.Empty() && !both[1].bar.Empty())
        Fill(cr, { both[1].bar.left, both[0].bar.top, both[1].bar.right, both[0].bar.bottom },
            RawColour::FromRgb(0xF0, 0xF0, 0xF0));
}

bool HostScrollBars::MouseDown(HostHandle window, HostPoint in_top)
{
    HostState& state = State();
    for (int bar : { kSbVert, kSbHorz }) {
        const Geometry g = Layout(window, bar);
        if (!g.bar.Contains(in_top))
            continue;
        const Part part = PartAt(g, in_top);
        if (part == kNone || g.thumb.Empty())
            return true; // a bar that cannot scroll takes the click and does nothing
        state.scroll_track = { window, bar, part, 0, in_top };
        if (part == kThumb) {
            HostWindowRecord* record = state.tree.Find(window);
            record->scroll[bar].track_pos = record->scroll[bar].pos;
            state.scroll_track.grab_offset = Along(g, in_top) - (g.vertical ? g.thumb.top : g.thumb.left);
            HostBackBuffer::InvalidateInTop(state.tree.TopLevelOf(window), g.bar);
            return true;
        }
        state.timers.Set(window, kHostScrollRepeatTimer, kFirstRepeatMs, Now());
        Notify(window, bar, CodeOf(part));
        return true;
    }
    return false;
}

void HostScrollBars::MouseMove(HostPoint in_top)
{
    HostState& state = State();
    HostScrollTrack& track = state.scroll_track;
    track.last_point = in_top;
    if (track.window == 0 || track.part != kThumb)
        return;
    HostWindowRecord* record = state.tree.Find(track.window);
    const Geometry g = Layout(track.window, track.bar);
    if (record == nullptr || g.thumb.Empty())
        return;
    HostScrollInfo& info = record->scroll[track.bar];
    const int32_t thumb = g.vertical ? g.thumb.Height() : g.thumb.Width();
    const int32_t room = g.track_length - thumb;
    const int32_t start
        = std::clamp(Along(g, in_top) - track.grab_offset, g.track_start, g.track_start + room);
    const int64_t span = static_cast<int64_t>(MaxPos(info)) - info.min;
    const int32_t pos = room <= 0
        ? info.min
        : info.min + static_cast<int32_t>(((start - g.track_start) * span + room / 2) / room);
    if (pos == info.track_pos)
        return;
    info.track_pos = pos;
    HostBackBuffer::InvalidateInTop(state.tree.TopLevelOf(track.window), g.bar);
    Notify(track.window, track.bar, kSbThumbTrack, pos);
}

void HostScrollBars::MouseUp()
{
    HostState& state = State();
    const HostScrollTrack track = state.scroll_track;
    if (track.window == 0)
        return;
    state.scroll_track = {};
    state.timers.Kill(track.window, kHostScrollRepeatTimer);
    if (track.part == kThumb) {
        const HostWindowRecord* record = state.tree.Find(track.window);
        if (record != nullptr) {
            HostBackBuffer::InvalidateInTop(
                state.tree.TopLevelOf(track.window), Layout(track.window, track.bar).bar);
            Notify(track.window, track.bar, kSbThumbPosition, record->scroll[track.bar].track_pos);
        }
    }
    Notify(track.window, track.bar, kSbEndScroll);
}

void HostScrollBars::Repeat()
{
    HostState& state = State();
    const HostScrollTrack track = state.scroll_track;
    if (track.window == 0 || track.part == kThumb)
        return;
    state.timers.Set(track.window, kHostScrollRepeatTimer, kRepeatMs, Now());
    // Page areas stop repeating once the thumb has reached the pointer.
    if (PartAt(Layout(track.window, track.bar), track.last_point) == track.part)
        Notify(track.window, track.bar, CodeOf(track.part));
}

namespace Host {

void SetScrollInfo(HostHandle window, int bar, const HostScrollInfo& info, bool redraw)
{
    HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr || (bar != kSbVert && bar != kSbHorz))
        return;
    HostScrollInfo clamped = HostScrollBars::Clamp(info);
    if (Dragging(window, bar))
        clamped.track_pos
            = HostScrollBars::Clamp({ clamped.min, clamped.max, clamped.page, record->scroll[bar].track_pos,
                                        record->scroll[bar].track_pos })
                  .track_pos;
    else
        clamped.track_pos = clamped.pos;
    record->scroll[bar] = clamped;
    if (redraw && State().tree.IsVisible(window))
        HostBackBuffer::InvalidateInTop(State().tree.TopLevelOf(window),
            Intersect(HostScrollBars::Layout(window, bar).bar, State().tree.VisibleOuterInTop(window)));
}

HostScrollInfo ScrollInfo(HostHandle window, int bar)
{
    const HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr || (bar != kSbVert && bar != kSbHorz))
        return {};
    return record->scroll[bar];
}

} // namespace Host

} // namespace WinLayer
