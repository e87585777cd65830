// Window geometry: rectangles, moving and sizing, the z-order of children, coordinates and
// hit-testing, and the size states of top-levels.

#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostGeometry.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>

#include <SDL.h>

namespace WinLayer {

namespace {
// Moves a child within its siblings; true when the order changed.
bool Reorder(HostWindowRecord& record, HostHandle insert_after)
{
    HostWindowRecord* parent = State().tree.Find(record.parent);
    if (parent == nullptr || insert_after == record.handle)
        return false;
    std::vector<HostHandle>& siblings = parent->children;
    const std::vector<HostHandle> before = siblings;
    std::erase(siblings, record.handle);
    if (insert_after == kHostInsertTop) {
        siblings.push_back(record.handle);
    } else if (insert_after == kHostInsertBottom) {
        siblings.insert(siblings.begin(), record.handle);
    } else {
        // Just below `insert_after`, which comes first in a bottom-first list.
        auto at = std::find(siblings.begin(), siblings.end(), insert_after);
        siblings.insert(at, record.handle);
    }
    return siblings != before;
}
} // namespace

HostPoint HostGeometry::MoveOrigin(HostHandle window)
{
    const HostWindowTree& tree = State().tree;
    const HostWindowRecord* record = tree.Find(window);
    if (record == nullptr)
        return {};
    if (record->parent == 0)
        return tree.ClientOrigin(window);
    const HostRect client = tree.ClientInTop(window);
    const HostRect parent_client = tree.ClientInTop(record->parent);
    return { client.left - parent_client.left, client.top - parent_client.top };
}

void HostGeometry::SendSize(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return;
    HostWParam kind = kSizeRestored;
    if ((record->style & HostStyle::kMinimize) != 0)
        kind = kSizeMinimized;
    else if ((record->style & HostStyle::kMaximize) != 0)
        kind = kSizeMaximized;
    const HostRect client = State().tree.ClientRect(*record);
    Host::SendMessage(window, HostMsg::kSize, kind, HostMakeLParam(client.Width(), client.Height()));
}

void HostGeometry::Apply(HostWindowPos pos, bool from_system)
{
    HostState& state = State();
    HostWindowRecord* record = state.tree.Find(pos.window);
    if (record == nullptr)
        return;
    if ((pos.flags & HostSwp::kNoMove) != 0) {
        pos.x = record->rect.left;
        pos.y = record->rect.top;
    }
    if ((pos.flags & HostSwp::kNoSize) != 0) {
        pos.cx = record->rect.Width();
        pos.cy = record->rect.Height();
    }
    const HostWindowPos asked = pos;
    Host::SendMessage(pos.window, HostMsg::kWindowPosChanging, 0, reinterpret_cast<HostLParam>(&pos));
    record = state.tree.Find(pos.window);
    if (record == nullptr)
        return;
    // The procedure may have changed what the window system did: then the SDL window follows.
    const bool system_made
        = from_system && pos.x == asked.x && pos.y == asked.y && pos.cx == asked.cx && pos.cy == asked.cy;
    const HostRect new_rect { pos.x, pos.y, pos.x + std::max(pos.cx, 0), pos.y + std::max(pos.cy, 0) };
    const bool moved = new_rect.left != record->rect.left || new_rect.top != record->rect.top;
    const bool sized = new_rect.Width() != record->rect.Width() || new_rect.Height() != record->rect.Height();
    const bool child = record->parent != 0;
    const bool redraw = (pos.flags & HostSwp::kNoRedraw) == 0;

    bool restacked = false;
    if ((pos.flags & HostSwp::kNoZOrder) == 0) {
        if (child) {
            if (redraw && state.tree.IsVisible(pos.window))
                HostBackBuffer::InvalidateOuter(pos.window);
            restacked = Reorder(*record, pos.insert_after);
        } else if (pos.insert_after == kHostInsertTop && record->Visible()) {
            state.tree.RaiseTopLevel(pos.window);
            if ((pos.flags & HostSwp::kNoActivate) == 0 && !state.headless)
                SDL_RaiseWindow(record->sdl_window);
        }
    }
    const bool show_change = (pos.flags & (HostSwp::kShowWindow | HostSwp::kHideWindow)) != 0;
    if (!moved && !sized && !restacked && !show_change)
        return;

    if (child && redraw && (moved || sized) && state.tree.IsVisible(pos.window))
        HostBackBuffer::InvalidateOuter(pos.window);
    record->rect = new_rect;
    if (!child && !system_made) {
        if (sized)
            HostDisplayScale::SetWindowSize(record->sdl_window, new_rect.Width(), new_rect.Height());
        if (moved)
            HostDisplayScale::SetWindowPosition(record->sdl_window, new_rect.left, new_rect.top);
    }
    // A moved top-level keeps its picture; a resized one is painted anew whatever was asked.
    if (child ? redraw && (moved || sized || restacked) : sized)
        HostBackBuffer::InvalidateOuter(pos.window);
    if ((pos.flags & HostSwp::kShowWindow) != 0)
        Host::ShowWindow(pos.window, HostShow::kShowNa);
    else if ((pos.flags & HostSwp::kHideWindow) != 0)
        Host::ShowWindow(pos.window, HostShow::kHide);

    Host::SendMessage(pos.window, HostMsg::kWindowPosChanged, 0, reinterpret_cast<HostLParam>(&pos));
    if (moved && Host::IsWindow(pos.window)) {
        const HostPoint origin = MoveOrigin(pos.window);
        Host::SendMessage(pos.window, HostMsg::kMove, 0, HostMakeLParam(origin.x, origin.y));
    }
    if (sized)
        SendSize(pos.window);
}

void HostGeometry::SetSizeState(HostHandle top, int size_state, bool from_system)
{
    HostState& state = State();
    HostWindowRecord* record = state.tree.Find(top);
    if (record == nullptr || record->parent != 0)
        return;
    const int old_state = Host::SizeState(top);
    if (old_state == size_state)
        return;
    HostRect target = record->rect;
    if (size_state == 2 && old_state == 0)
        record->restore_rect = record->rect;
    if (!from_system) {
        if (size_state == 2)
            SDL_MaximizeWindow(record->sdl_window);
        else if (size_state == 1)
            SDL_MinimizeWindow(record->sdl_window);
        else
            SDL_RestoreWindow(record->sdl_window);
        // Without a window manager nobody resizes the window: do what one would.
        const bool by_hand = !WindowManagerDecides();
        if (by_hand && size_state == 2)
            target = Host::WorkArea();
        else if (by_hand && size_state == 0 && old_state == 2)
            target = record->restore_rect;
    }
    record->style &= ~(HostStyle::kMinimize | HostStyle::kMaximize);
    if (size_state == 1)
        record->style |= HostStyle::kMinimize;
    else if (size_state == 2)
        record->style |= HostStyle::kMaximize;
    if (target != record->rect && !target.Empty())
        Apply(
            { top, 0, target.left, target.top, target.Width(), target.Height(), HostSwp::kNoZOrder }, false);
    else
        SendSize(top);
}

namespace Host {

HostRect WindowRect(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? HostRect {} : record->rect;
}

HostRect ScreenRect(HostHandle window)
{
    const HostWindowTree& tree = State().tree;
    const HostWindowRecord* record = tree.Find(window);
    if (record == nullptr)
        return {};
    const HostWindowRecord* top = tree.Find(tree.TopLevelOf(window));
    return Offset(tree.OuterInTop(window), top->rect.left, top->rect.top);
}

HostRect ClientRect(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? HostRect {} : State().tree.ClientRect(*record);
}

void MoveWindow(HostHandle window, const HostRect& rect, bool repaint)
{
    SetWindowPos(
        window, 0, rect, HostSwp::kNoZOrder | HostSwp::kNoActivate | (repaint ? 0 : HostSwp::kNoRedraw));
}

void SetWindowPos(HostHandle window, HostHandle insert_after, const HostRect& rect, uint32_t swp_flags)
{
    HostGeometry::Apply(
        { window, insert_after, rect.left, rect.top, rect.Width(), rect.Height(), swp_flags }, false);
}

HostRect AdjustWindowRect(const HostRect& client, uint32_t style, uint32_t ex_style)
{
    const HostNonClient parts = NonClientOf(style, ex_style);
    return { client.left - parts.border, client.top - parts.border, client.right + parts.border + parts.vbar,
        client.bottom + parts.border + parts.hbar };
}

HostPoint ClientToScreen(HostHandle window, HostPoint point)
{
    const HostPoint origin = State().tree.ClientOrigin(window);
    return { point.x + origin.x, point.y + origin.y };
}

HostPoint ScreenToClient(HostHandle window, HostPoint point)
{
    const HostPoint origin = State().tree.ClientOrigin(window);
    return { point.x - origin.x, point.y - origin.y };
}

HostHandle WindowFromPoint(HostPoint screen)
{
    const HostWindowTree& tree = State().tree;
    for (HostHandle top : tree.TopLevels()) {
        const HostWindowRecord* record = tree.Find(top);
        if (record == nullptr || !record->Visible() || !record->rect.Contains(screen))
            continue;
        return tree.HitTest(top, { screen.x - record->rect.left, screen.y - record->rect.top });
    }
    return 0;
}

int SizeState(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return 0;
    if ((record->style & HostStyle::kMinimize) != 0)
        return 1;
    return (record->style & HostStyle::kMaximize) != 0 ? 2 : 0;
}

void InvalidateRect(HostHandle window, const HostRect* client_rect)
{
    HostBackBuffer::Invalidate(window, client_rect);
}

void UpdateWindow(HostHandle window)
{
    HostBackBuffer::PaintTop(State().tree.TopLevelOf(window));
}

void SetTextInputRect(HostHandle window, const HostRect& rect)
{
    if (!IsWindow(window))
        return;
    const HostRect client = State().tree.ClientInTop(window);
    const HostRect device = HostDisplayScale::ToDevice(Offset(rect, client.left, client.top));
    SDL_Rect area { device.left, device.top, device.Width(), device.Height() };
    SDL_SetTextInputRect(&area);
}

} // namespace Host

} // namespace WinLayer
