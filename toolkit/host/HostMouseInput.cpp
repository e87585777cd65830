// The mouse: the capture takes every mouse message; otherwise the deepest enabled window under
// the pointer does, in its client coordinates. A press first asks the top-level with
// kMouseActivate; presses in a window's frame go to its scroll bars.

#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostActivation.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostInput.h>
#include <toolkit/host/detail/HostScrollBars.h>
#include <toolkit/host/detail/HostState.h>

#include <SDL.h>

namespace WinLayer {

namespace {
constexpr HostLParam kHitClient = 1;
constexpr HostLParam kHitNowhere = 0;

HostWParam MouseFlags()
{
    const HostState& state = State();
    HostWParam flags = 0;
    if ((state.buttons & SDL_BUTTON_LMASK) != 0)
        flags |= kMkLButton;
    if ((state.buttons & SDL_BUTTON_RMASK) != 0)
        flags |= kMkRButton;
    if ((state.buttons & SDL_BUTTON_MMASK) != 0)
        flags |= kMkMButton;
    if ((state.modifiers & KMOD_SHIFT) != 0)
        flags |= kMkShift;
    if ((state.modifiers & KMOD_CTRL) != 0)
        flags |= kMkControl;
    return flags;
}

HostLParam ClientPoint(HostHandle window)
{
    const HostPoint p = Host::ScreenToClient(window, State().pointer);
    return HostMakeLParam(p.x, p.y);
}

uint32_t ButtonMessage(uint8_t button, bool down, bool double_click)
{
    const uint32_t base = button == SDL_BUTTON_RIGHT ? HostMsg::kRButtonDown
        : button == SDL_BUTTON_MIDDLE                ? HostMsg::kMButtonDown
                                                     : HostMsg::kLButtonDown;
    if (!down)
        return base + 1;
    // The middle button has no double-click message here.
    return double_click && button != SDL_BUTTON_MIDDLE ? base + 2 : base;
}

// Where the pointer is: the top-level under it (from the event's SDL window), the point in
// top coordinates, and the screen point is stored as the pointer position.
HostWindowRecord* Locate(uint32_t sdl_window_id, int32_t x, int32_t y, HostPoint& in_top)
{
    HostState& state = State();
    HostWindowRecord* top = state.tree.FindBySdlId(sdl_window_id);
    if (top == nullptr)
        return nullptr;
    in_top = { HostDisplayScale::ToLogical(x), HostDisplayScale::ToLogical(y) };
    state.pointer = { top->rect.left + in_top.x, top->rect.top + in_top.y };
    return top;
}

// kMouseActivate to the top-level; false when the answer eats the click.
bool MouseActivate(HostHandle top, HostHandle hit, uint32_t message)
{
    const HostResult answer = Host::SendMessage(top, HostMsg::kMouseActivate, top,
        HostMakeLParam(
            static_cast<int32_t>(hit != 0 ? kHitClient : kHitNowhere), static_cast<int32_t>(message)));
    constexpr HostResult kActivateAndEat = 2;
    constexpr HostResult kNoActivate = 3;
    const HostWindowRecord* record = State().tree.Find(top);
    const bool may_activate = record != nullptr && record->Enabled()
        && static_cast<HostWindowKind>(record->pool_kind) != HostWindowKind::Popup
        && (record->ex_style & HostExStyle::kNoActivate) == 0;
    if (may_activate && answer != kNoActivate && answer != kMaNoActivateAndEat && State().active != top)
        HostActivation::Activate(top, kClickActive);
    return answer != kActivateAndEat && answer != kMaNoActivateAndEat;
}
} // namespace

void HostInput::SetHover(HostHandle window)
{
    HostState& state = State();
    if (state.hover == window)
        return;
    const HostHandle old = state.hover;
    state.hover = window;
    if (Host::IsWindow(old))
        Emit(old, HostMsg::kMouseLeave, 0, 0);
}

void HostInput::MouseMotion(const SDL_MouseMotionEvent& event)
{
    HostState& state = State();
    HostPoint in_top;
    HostWindowRecord* top = Locate(event.windowID, event.x, event.y, in_top);
    if (top == nullptr)
        return;
    if (state.scroll_track.window != 0) {
        HostScrollBars::MouseMove(in_top);
        return;
    }
    bool in_client = false;
    const HostHandle hit = state.tree.HitTest(top->handle, in_top, &in_client);
    SetHover(hit);
    if (Host::IsWindow(state.capture)) {
        Emit(state.capture, HostMsg::kMouseMove, MouseFlags(), ClientPoint(state.capture));
        return;
    }
    if (hit == 0)
        return;
    Host::SendMessage(hit, HostMsg::kSetCursor, hit,
        HostMakeLParam(static_cast<int32_t>(in_client ? kHitClient : kHitNowhere), HostMsg::kMouseMove));
    if (in_client && Host::IsWindow(hit) && Host::IsEnabled(hit))
        Emit(hit, HostMsg::kMouseMove, MouseFlags(), ClientPoint(hit));
}

void HostInput::MouseButton(const SDL_MouseButtonEvent& event)
{
    HostState& state = State();
    HostPoint in_top;
    HostWindowRecord* top = Locate(event.windowID, event.x, event.y, in_top);
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    const uint32_t mask = SDL_BUTTON(event.button);
    state.buttons = down ? state.buttons | mask : state.buttons & ~mask;
    if (top == nullptr)
        return;
    if (state.scroll_track.window != 0) {
        if (!down && event.button == SDL_BUTTON_LEFT)
            HostScrollBars::MouseUp();
        return;
    }
    const uint32_t message = ButtonMessage(event.button, down, event.clicks >= 2);
    if (Host::IsWindow(state.capture)) {
        if (down && !MouseActivate(state.tree.TopLevelOf(state.capture), state.capture, message))
            return;
        if (Host::IsWindow(state.capture))
            Emit(state.capture, message, MouseFlags(), ClientPoint(state.capture));
        return;
    }
    bool in_client = false;
    const HostHandle hit = state.tree.HitTest(top->handle, in_top, &in_client);
    // A disabled window (or one inside a disabled parent) takes no clicks at all.
    if (hit == 0 || !Host::IsEnabled(hit))
        return;
    if (down) {
        const HostHandle top_handle = top->handle;
        if (!MouseActivate(top_handle, hit, message) || !Host::IsWindow(hit))
            return;
        if (!in_client) {
            if (event.button == SDL_BUTTON_LEFT)
                HostScrollBars::MouseDown(hit, in_top);
            return;
        }
    } else if (!in_client) {
        return;
    }
    Emit(hit, message, MouseFlags(), ClientPoint(hit));
}

void HostInput::MouseWheel(const SDL_MouseWheelEvent& event)
{
    HostState& state = State();
    if (event.which == SDL_TOUCH_MOUSEID || event.y == 0)
        return;
    HostPoint in_top;
    HostWindowRecord* top = Locate(event.windowID, event.mouseX, event.mouseY, in_top);
    if (top == nullptr)
        return;
    const int32_t notches = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
    HostHandle target = state.capture;
    if (!Host::IsWindow(target)) {
        target = state.tree.HitTest(top->handle, in_top);
        if (target == 0 || !Host::IsEnabled(target))
            return;
    }
    const uint32_t delta = static_cast<uint32_t>(static_cast<int16_t>(notches * 120));
    Emit(target, HostMsg::kMouseWheel, HostMakeWParam(static_cast<uint32_t>(MouseFlags()), delta),
        HostMakeLParam(state.pointer.x, state.pointer.y));
}

} // namespace WinLayer
