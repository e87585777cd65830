// Creating and destroying windows, sending messages, the default procedure and the window's
// own data (text, style, font, icon).

#include <toolkit/host/HostBitmap.h>
#include <toolkit/host/HostCaret.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostSystemMenu.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostActivation.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostGeometry.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>

#include <SDL.h>

namespace WinLayer::Host {

namespace {
HostWindowKind KindOf(uint32_t style, HostHandle owner)
{
    if ((style & HostStyle::kPopup) != 0 && (style & HostStyle::kCaption) != HostStyle::kCaption)
        return HostWindowKind::Popup;
    return owner != 0 ? HostWindowKind::Owned : HostWindowKind::Normal;
}

bool MakeTopLevel(HostWindowRecord& record)
{
    HostWindowRecord* owner = State().tree.Find(record.owner);
    const HostWindowKind kind = KindOf(record.style, record.owner);
    record.pool_kind = static_cast<int>(kind);
    record.sdl_window = State().pool.Take(kind);
    if (record.sdl_window == nullptr)
        return false;
    SDL_SetWindowTitle(record.sdl_window, record.text.c_str());
    SDL_SetWindowMinimumSize(record.sdl_window, 1, 1);
    SDL_SetWindowMaximumSize(record.sdl_window, 16384, 16384);
    HostDisplayScale::SetWindowSize(record.sdl_window, record.rect.Width(), record.rect.Height());
    HostDisplayScale::SetWindowPosition(record.sdl_window, record.rect.left, record.rect.top);
    HostWindowPool::ApplyStyle(record.sdl_window, kind, record.style, record.ex_style);
    if (kind == HostWindowKind::Owned && owner != nullptr && owner->sdl_window != nullptr)
        SDL_SetWindowModalFor(record.sdl_window, owner->sdl_window); // keeps a dialog above its owner
    State().tree.RaiseTopLevel(record.handle);
    return true;
}

void MarkDestroying(HostHandle window)
{
    HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return;
    record->destroying = true;
    State().timers.KillWindow(window);
    for (HostHandle child : record->children)
        MarkDestroying(child);
}

void SendDestroy(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return;
    if (record->parent != 0)
        SendMessage(record->parent, HostMsg::kParentNotify, HostMakeWParam(HostMsg::kDestroy, record->id),
            static_cast<HostLParam>(window));
    SendMessage(window, HostMsg::kDestroy, 0, 0);
    record = State().tree.Find(window);
    if (record == nullptr)
        return;
    const std::vector<HostHandle> children = record->children;
    for (HostHandle child : children)
        SendDestroy(child);
}

// kNcDestroy from the deepest up, then the records go.
void SendNcDestroyAndRemove(HostHandle window)
{
    HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return;
    record->destroying = true;
    const std::vector<HostHandle> children = record->children;
    for (HostHandle child : children)
        SendNcDestroyAndRemove(child);
    SendMessage(window, HostMsg::kNcDestroy, 0, 0);
    record = State().tree.Find(window);
    if (record == nullptr)
        return;
    DestroyCaret(window);
    State().timers.KillWindow(window);
    if (HostWindowRecord* parent = State().tree.Find(record->parent))
        std::erase(parent->children, window);
    if (record->parent == 0) {
        HostBackBuffer::Release(*record);
        State().pool.Give(record->sdl_window, static_cast<HostWindowKind>(record->pool_kind));
    }
    State().tree.Remove(window);
}
} // namespace

HostHandle CreateWindow(const HostCreateInfo& info)
{
    HostState& state = State();
    if (!state.started)
        return 0;
    const bool child = (info.style & HostStyle::kChild) != 0;
    HostWindowRecord* parent = child ? state.tree.Find(info.parent) : nullptr;
    if (child && (parent == nullptr || parent->destroying))
        return 0;

    HostWindowRecord& record = state.tree.Add();
    const HostHandle handle = record.handle;
    record.class_name = info.class_name;
    record.text = info.text;
    record.style = info.style & ~(HostStyle::kVisible | HostStyle::kMinimize | HostStyle::kMaximize);
    record.ex_style = info.ex_style;
    record.id = info.id;
    record.proc = info.proc;
    record.rect = { info.rect.left, info.rect.top, info.rect.left + std::max(info.rect.Width(), 0),
        info.rect.top + std::max(info.rect.Height(), 0) };
    if (child) {
        record.parent = info.parent;
        parent->children.push_back(handle);
    } else {
        record.owner = state.tree.TopLevelOf(info.parent);
        if (!MakeTopLevel(record)) {
            state.last_error = SDL_GetError();
            state.tree.Remove(handle);
            return 0;
        }
        HostMinMaxInfo limits;
        SendMessage(handle, HostMsg::kGetMinMaxInfo, 0, reinterpret_cast<HostLParam>(&limits));
        if (HostWindowRecord* created = state.tree.Find(handle)) {
            HostDisplayScale::SetWindowLimits(created->sdl_window, limits);
        }
    }

    if (SendMessage(handle, HostMsg::kCreate, 0, reinterpret_cast<HostLParam>(&info)) == -1) {
        DestroyWindow(handle);
        return 0;
    }
    if (!IsWindow(handle))
        return 0;
    HostGeometry::SendSize(handle);
    const HostPoint origin = HostGeometry::MoveOrigin(handle);
    SendMessage(handle, HostMsg::kMove, 0, HostMakeLParam(origin.x, origin.y));
    if ((info.style & HostStyle::kVisible) != 0 && IsWindow(handle))
        ShowWindow(handle, HostShow::kShow);
    return IsWindow(handle) ? handle : 0;
}

bool DestroyWindow(HostHandle window)
{
    HostState& state = State();
    HostWindowRecord* record = state.tree.Find(window);
    if (record == nullptr || record->destroying)
        return false;
    if (record->parent == 0) {
        // Owned top-levels go before their owner.
        const std::vector<HostHandle> tops = state.tree.TopLevels();
        for (HostHandle top : tops) {
            const HostWindowRecord* owned = state.tree.Find(top);
            if (owned != nullptr && owned->owner == window)
                DestroyWindow(top);
        }
        record = state.tree.Find(window);
        if (record == nullptr || record->destroying)
            return false;
    }
    // The window disappears first, so the focus and activation move to what stays.
    if (record->parent != 0 && state.tree.IsVisible(window))
        HostBackBuffer::InvalidateOuter(window);
    if (record->parent == 0 && record->Visible()) {
        record->style &= ~HostStyle::kVisible;
        SDL_HideWindow(record->sdl_window);
    }
    MarkDestroying(window);
    HostActivation::LeaveSubtree(window);
    if (state.active == window)
        HostActivation::ActivateAnother(window);
    SendDestroy(window);
    SendNcDestroyAndRemove(window);
    return true;
}

bool IsWindow(HostHandle window)
{
    return State().tree.Find(window) != nullptr;
}

HostResult SendMessage(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam)
{
    const HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return 0;
    if (record->proc == nullptr)
        return DefaultProc(window, message, wparam, lparam);
    const HostResult result = record->proc->WindowProc(window, message, wparam, lparam);
    if (result == kHostNotHandled)
        return DefaultProc(window, message, wparam, lparam);
    return result;
}

HostResult DefaultProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam)
{
    HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return 0;
    switch (message) {
    case HostMsg::kClose:
        DestroyWindow(window);
        return 0;
    case HostMsg::kMouseWheel: {
        const bool vertical = (record->style & HostStyle::kVScroll) != 0;
        if (!vertical && (record->style & HostStyle::kHScroll) == 0)
            return record->parent != 0 ? SendMessage(record->parent, message, wparam, lparam) : 0;
        const int32_t delta = static_cast<int16_t>(HostHighWord(wparam));
        const uint32_t scroll_message = vertical ? HostMsg::kVScroll : HostMsg::kHScroll;
        const uint16_t code = delta > 0 ? kSbLineUp : kSbLineDown;
        const int lines = 3 * std::max(1, std::abs(delta) / 120);
        for (int i = 0; i < lines && IsWindow(window); ++i)
            SendMessage(window, scroll_message, code, 0);
        SendMessage(window, scroll_message, kSbEndScroll, 0);
        return 0;
    }
    case HostMsg::kSetText:
        if (lparam == 0)
            return 0;
        record->text = *reinterpret_cast<const std::string*>(lparam);
        if (record->parent == 0)
            SDL_SetWindowTitle(record->sdl_window, record->text.c_str());
        HostBackBuffer::Invalidate(window, nullptr);
        return 1;
    case HostMsg::kSetFont:
        record->font = reinterpret_cast<HostFont*>(wparam);
        if (lparam != 0)
            HostBackBuffer::Invalidate(window, nullptr);
        return 0;
    case HostMsg::kSetCursor:
        if (record->parent != 0 && SendMessage(record->parent, message, wparam, lparam) != 0)
            return 1;
        if (record->parent == 0)
            SetCursor(HostCursor::Arrow);
        return 0;
    case HostMsg::kContextMenu:
        return record->parent != 0 ? SendMessage(record->parent, message, wparam, lparam) : 0;
    case HostMsg::kRButtonUp: {
        const HostPoint screen = ClientToScreen(window, { HostPointX(lparam), HostPointY(lparam) });
        return SendMessage(window, HostMsg::kContextMenu, window, HostMakeLParam(screen.x, screen.y));
    }
    case HostMsg::kKeyDown:
        if (wparam == HostKey::kApps)
            return SendMessage(window, HostMsg::kContextMenu, window, -1);
        return 0;
    case HostMsg::kSysKeyDown:
        // Alt+Space opens the window menu, as the window manager's own would.
        if (wparam == HostKey::kSpace)
            SendMessage(TopLevel(window), HostMsg::kSysCommand, HostSystemMenu::kKeyMenu, ' ');
        // Shift+F10 is F10, a system key, with Shift.
        else if (wparam == HostKey::kF1 + 9 && KeyDown(HostKey::kShift))
            SendMessage(window, HostMsg::kContextMenu, window, -1);
        return 0;
    case HostMsg::kSysCommand:
        if (record->parent == 0)
            HostSystemMenu::Carry(window, static_cast<uint32_t>(wparam));
        return 0;
    case HostMsg::kLButtonDblClk:
        return SendMessage(window, HostMsg::kLButtonDown, wparam, lparam);
    case HostMsg::kRButtonDblClk:
        return SendMessage(window, HostMsg::kRButtonDown, wparam, lparam);
    default:
        return 0;
    }
}

void SetWindowFont(HostHandle window, HostFont* font, bool redraw)
{
    SendMessage(window, HostMsg::kSetFont, reinterpret_cast<HostWParam>(font), redraw ? 1 : 0);
}

void SetWindowProc(HostHandle window, HostWindowProc* proc)
{
    if (HostWindowRecord* record = State().tree.Find(window))
        record->proc = proc;
}

} // namespace WinLayer::Host
