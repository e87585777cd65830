// Activation, keyboard focus, mouse capture, showing and enabling. The host keeps its own
// model: the window system's focus events are hints it weighs (see HostEventPump), never the
// authority over which window gets the keys.

#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostActivation.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostCaretService.h>
#include <toolkit/host/detail/HostGeometry.h>
#include <toolkit/host/detail/HostScrollBars.h>
#include <toolkit/host/detail/HostState.h>

#include <SDL.h>

namespace WinLayer {

bool HostActivation::CanActivate(const HostWindowRecord* record)
{
    return record != nullptr && record->parent == 0 && !record->destroying && record->Visible()
        && record->Enabled() && static_cast<HostWindowKind>(record->pool_kind) != HostWindowKind::Popup
        && (record->ex_style & HostExStyle::kNoActivate) == 0;
}

void HostActivation::ChangeFocus(HostHandle to)
{
    HostState& state = State();
    const HostHandle from = state.focus;
    if (from == to)
        return;
    state.focus = to;
    if (HostWindowRecord* top = state.tree.Find(state.tree.TopLevelOf(to)))
        top->last_focus = to;
    HostCaretService::FocusChanged(from, to);
    if (Host::IsWindow(from))
        Host::SendMessage(from, HostMsg::kKillFocus, to, 0);
    if (state.focus == to && Host::IsWindow(to))
        Host::SendMessage(to, HostMsg::kSetFocus, from, 0);
}

void HostActivation::Activate(HostHandle top, HostWParam how, bool restore_focus)
{
    HostState& state = State();
    if (state.active == top)
        return;
    const HostHandle old = state.active;
    state.active = top;
    if (Host::IsWindow(old))
        Host::SendMessage(
            old, HostMsg::kActivate, HostMakeWParam(kInactive, 0), static_cast<HostLParam>(top));
    HostWindowRecord* record = state.tree.Find(top);
    if (record == nullptr) {
        ChangeFocus(0);
        return;
    }
    record->passive_show = false;
    state.tree.RaiseTopLevel(top);
    RaiseInSystem(top);
    Host::SendMessage(
        top, HostMsg::kActivate, HostMakeWParam(static_cast<uint32_t>(how), 0), static_cast<HostLParam>(old));
    if (state.active != top || !Host::IsWindow(top))
        return;
    if (state.focus != 0 && state.tree.IsDescendant(top, state.focus))
        return;
    if (!restore_focus) {
        ChangeFocus(0);
        return;
    }
    record = state.tree.Find(top);
    const HostHandle last = record->last_focus;
    const HostWindowRecord* last_record = state.tree.Find(last);
    const bool usable
        = last_record != nullptr && !last_record->destroying && state.tree.IsDescendant(top, last);
    ChangeFocus(usable ? last : top);
}

void HostActivation::RaiseInSystem(HostHandle top)
{
    const HostState& state = State();
    const HostWindowRecord* record = state.tree.Find(top);
    if (state.headless || record == nullptr || !record->Visible() || record->sdl_window == nullptr)
        return;
    SDL_RaiseWindow(record->sdl_window);
    if (!WindowManagerDecides())
        SDL_SetWindowInputFocus(record->sdl_window);
}

void HostActivation::ActivateAnother(HostHandle leaving)
{
    HostState& state = State();
    const HostWindowRecord* record = state.tree.Find(leaving);
    const HostWindowRecord* owner = record == nullptr ? nullptr : state.tree.Find(record->owner);
    if (CanActivate(owner)) {
        Activate(owner->handle, kActive);
        return;
    }
    for (HostHandle top : state.tree.TopLevels()) {
        if (top != leaving && CanActivate(state.tree.Find(top))) {
            Activate(top, kActive);
            return;
        }
    }
    Activate(0, kActive);
}

void HostActivation::LeaveSubtree(HostHandle window)
{
    HostState& state = State();
    const HostWindowRecord* record = state.tree.Find(window);
    if (record == nullptr)
        return;
    if (state.capture != 0 && state.tree.IsDescendant(window, state.capture))
        Host::ReleaseCapture();
    if (state.scroll_track.window != 0 && state.tree.IsDescendant(window, state.scroll_track.window)) {
        state.timers.Kill(state.scroll_track.window, kHostScrollRepeatTimer);
        state.scroll_track = {};
    }
    if (state.hover != 0 && state.tree.IsDescendant(window, state.hover))
        state.hover = 0;
    if (state.focus != 0 && state.tree.IsDescendant(window, state.focus)) {
        const HostWindowRecord* parent = state.tree.Find(record->parent);
        // A child's focus goes to its parent; a top-level's goes with its activation.
        if (parent != nullptr && !parent->destroying)
            ChangeFocus(record->parent);
        else if (record->parent == 0 && state.active != window)
            ChangeFocus(0);
    }
}

namespace Host {

HostHandle SetFocus(HostHandle window)
{
    HostState& state = State();
    const HostHandle previous = state.focus;
    if (window == 0) {
        HostActivation::ChangeFocus(0);
        return previous;
    }
    const HostWindowRecord* record = state.tree.Find(window);
    if (record == nullptr || record->destroying)
        return 0;
    const HostHandle top = state.tree.TopLevelOf(window);
    if (state.active != top)
        HostActivation::Activate(top, kActive, false);
    if (IsWindow(window))
        HostActivation::ChangeFocus(window);
    return previous;
}

HostHandle Focus()
{
    return State().focus;
}

HostHandle ActiveWindow()
{
    return State().active;
}

bool SetForegroundWindow(HostHandle top_level)
{
    HostState& state = State();
    const HostWindowRecord* record = state.tree.Find(top_level);
    if (record == nullptr || record->parent != 0 || !record->Visible() || record->destroying)
        return false;
    if (SizeState(top_level) == 1)
        HostGeometry::SetSizeState(top_level, 0, false);
    if (state.active == top_level) {
        if (state.focus == 0 || !state.tree.IsDescendant(top_level, state.focus))
            HostActivation::ChangeFocus(top_level);
        HostActivation::RaiseInSystem(top_level);
        return true;
    }
    HostActivation::Activate(top_level, kActive);
    return true;
}

HostHandle ForegroundWindow()
{
    return State().active;
}

void FlashWindow(HostHandle top_level, int count, int interval_ms)
{
    static_cast<void>(interval_ms); // the window manager decides the rhythm
    const HostWindowRecord* record = State().tree.Find(top_level);
    if (record == nullptr || record->parent != 0 || State().headless)
        return;
    SDL_FlashWindow(record->sdl_window, count > 0 ? SDL_FLASH_BRIEFLY : SDL_FLASH_CANCEL);
}

HostHandle SetCapture(HostHandle window)
{
    HostState& state = State();
    const HostHandle previous = state.capture;
    if (!IsWindow(window) || window == previous)
        return previous;
    state.capture = window;
    if (!state.headless)
        SDL_CaptureMouse(SDL_TRUE);
    if (IsWindow(previous))
        SendMessage(previous, HostMsg::kCaptureChanged, 0, static_cast<HostLParam>(window));
    return previous;
}

void ReleaseCapture()
{
    HostState& state = State();
    const HostHandle previous = state.capture;
    if (previous == 0)
        return;
    state.capture = 0;
    if (!state.headless)
        SDL_CaptureMouse(SDL_FALSE);
    SendMessage(previous, HostMsg::kCaptureChanged, 0, 0);
}

HostHandle Capture()
{
    return State().capture;
}

HostPoint CursorPosition()
{
    return State().pointer;
}

uint32_t Modifiers()
{
    const HostState& state = State();
    uint32_t modifiers = 0;
    if ((state.modifiers & KMOD_SHIFT) != 0)
        modifiers |= HostMod::kShift;
    if ((state.modifiers & KMOD_CTRL) != 0)
        modifiers |= HostMod::kControl;
    if ((state.modifiers & KMOD_ALT) != 0)
        modifiers |= HostMod::kAlt;
    if ((state.buttons & SDL_BUTTON_LMASK) != 0)
        modifiers |= HostMod::kLeftButton;
    if ((state.buttons & SDL_BUTTON_RMASK) != 0)
        modifiers |= HostMod::kRightButton;
    if ((state.buttons & SDL_BUTTON_MMASK) != 0)
        modifiers |= HostMod::kMiddleButton;
    return modifiers;
}

bool KeyDown(uint32_t virtual_key)
{
    const HostState& state = State();
    switch (virtual_key) {
    case HostKey::kShift:
        return (state.modifiers & KMOD_SHIFT) != 0;
    case HostKey::kControl:
        return (state.modifiers & KMOD_CTRL) != 0;
    case HostKey::kMenu:
        return (state.modifiers & KMOD_ALT) != 0;
    case 0x01:
        return (state.buttons & SDL_BUTTON_LMASK) != 0;
    case 0x02:
        return (state.buttons & SDL_BUTTON_RMASK) != 0;
    case 0x04:
        return (state.buttons & SDL_BUTTON_MMASK) != 0;
    default:
        return virtual_key < state.keys_down.size() && state.keys_down[virtual_key];
    }
}

} // namespace Host

} // namespace WinLayer
