// SDL events into the queue, and each into messages when its turn comes: window events and
// drops here, input through HostInput.

#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostActivation.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostEventPump.h>
#include <toolkit/host/detail/HostGeometry.h>
#include <toolkit/host/detail/HostInput.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>

#include <SDL.h>

namespace WinLayer {

namespace {
void BeginDrop(uint32_t sdl_window_id)
{
    HostState& state = State();
    state.dropping = true;
    state.drop_paths.clear();
    state.drop_sdl_window = sdl_window_id;
    // SDL's drop events carry no point: the pointer's position when the drop begins is it.
    if (!state.injected_drop_points.empty()) {
        state.drop_point = state.injected_drop_points.front();
        state.injected_drop_points.pop_front();
    } else if (!state.headless) {
        SDL_GetGlobalMouseState(&state.drop_point.x, &state.drop_point.y);
        state.drop_point = { HostDisplayScale::ToLogical(state.drop_point.x),
            HostDisplayScale::ToLogical(state.drop_point.y) };
    } else {
        state.drop_point = state.pointer;
    }
}

void CompleteDrop()
{
    HostState& state = State();
    state.dropping = false;
    HostDrop drop { std::move(state.drop_paths), {} };
    state.drop_paths.clear();
    const HostWindowRecord* top = state.tree.FindBySdlId(state.drop_sdl_window);
    if (top == nullptr || drop.paths.empty())
        return;
    HostHandle target = state.tree.HitTest(
        top->handle, { state.drop_point.x - top->rect.left, state.drop_point.y - top->rect.top });
    while (target != 0 && (Host::ExStyle(target) & HostExStyle::kAcceptFiles) == 0)
        target = Host::Parent(target);
    if (target == 0 || !Host::IsEnabled(target))
        return;
    drop.point = Host::ScreenToClient(target, state.drop_point);
    Host::SendMessage(target, HostMsg::kDropFiles, 0, reinterpret_cast<HostLParam>(&drop));
}

void WindowEvent(const SDL_WindowEvent& event)
{
    HostState& state = State();
    HostWindowRecord* record = state.tree.FindBySdlId(event.windowID);
    if (record == nullptr || record->destroying)
        return;
    const HostHandle top = record->handle;
    const HostRect rect = record->rect;
    // Moves and resizes are read from the window as it is now, not from the event: an event
    // may be older than the host's own later move or resize (or come from the window's last
    // use), and applying its figures would undo them.
    int now_x = 0;
    int now_y = 0;
    switch (event.event) {
    case SDL_WINDOWEVENT_MOVED:
        SDL_GetWindowPosition(record->sdl_window, &now_x, &now_y);
        if (now_x != HostDisplayScale::ToDevice(rect.left) || now_y != HostDisplayScale::ToDevice(rect.top))
            HostGeometry::Apply(
                { top, 0, HostDisplayScale::FromDevice(now_x), HostDisplayScale::FromDevice(now_y), 0, 0,
                    HostSwp::kNoSize | HostSwp::kNoZOrder },
                true);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        SDL_GetWindowSize(record->sdl_window, &now_x, &now_y);
        if (now_x != HostDisplayScale::ToDevice(rect.Width())
            || now_y != HostDisplayScale::ToDevice(rect.Height()))
            HostGeometry::Apply(
                { top, 0, 0, 0, HostDisplayScale::FromDevice(now_x), HostDisplayScale::FromDevice(now_y),
                    HostSwp::kNoMove | HostSwp::kNoZOrder },
                true);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        HostGeometry::SetSizeState(top, 1, true);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        HostGeometry::SetSizeState(top, 2, true);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        HostGeometry::SetSizeState(top, 0, true);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        HostBackBuffer::Present(*record, { 0, 0, rect.Width(), rect.Height() });
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        // The window manager moved the focus (Alt+Tab, a click on a frame). Without one, SDL
        // focuses every window it shows, and the events are echoes of the host's own doing;
        // an event the window system has overtaken since is stale. Windows shown without
        // activation, popups and disabled owners do not take the activation that way.
        if (!WindowManagerDecides() || SDL_GetKeyboardFocus() != record->sdl_window)
            break;
        if (!record->Enabled()) {
            for (HostHandle other : state.tree.TopLevels()) {
                const HostWindowRecord* owned = state.tree.Find(other);
                if (owned != nullptr && owned->owner == top && owned->Visible() && owned->Enabled()) {
                    Host::SetForegroundWindow(other);
                    break;
                }
            }
        } else if (!record->passive_show && record->Visible()
            && static_cast<HostWindowKind>(record->pool_kind) != HostWindowKind::Popup
            && (record->ex_style & HostExStyle::kNoActivate) == 0) {
            HostActivation::Activate(top, kActive);
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // The program lost the keyboard to another one.
        if (WindowManagerDecides() && SDL_GetKeyboardFocus() == nullptr)
            HostActivation::Activate(0, kInactive);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        if (state.hover != 0 && state.tree.TopLevelOf(state.hover) == top)
            HostInput::SetHover(0);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        if (record->Enabled())
            HostInput::Emit(top, HostMsg::kClose, 0, 0);
        break;
    default:
        break;
    }
}

bool Wanted(uint32_t type)
{
    switch (type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
    case SDL_TEXTEDITING:
    case SDL_TEXTEDITING_EXT:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
    case SDL_WINDOWEVENT:
    case SDL_DROPBEGIN:
    case SDL_DROPFILE:
    case SDL_DROPCOMPLETE:
        return true;
    default:
        return false;
    }
}
} // namespace

void HostEventPump::Pump()
{
    HostState& state = State();
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
        if (event.type == state.wake_event) {
            Queue().WakeTaken();
        } else if (Wanted(event.type)) {
            Queue().PushRaw(event);
        } else {
            HostMessageQueue::FreePayload(event);
        }
    }
}

void HostEventPump::Convert(SDL_Event& event)
{
    HostState& state = State();
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        HostInput::Key(event.key);
        break;
    case SDL_TEXTINPUT:
        HostInput::TextInput(event.text.text);
        break;
    case SDL_TEXTEDITING:
        HostInput::TextEditing(event.edit.text, event.edit.start, event.edit.length);
        break;
    case SDL_TEXTEDITING_EXT:
        HostInput::TextEditing(event.editExt.text != nullptr ? event.editExt.text : "", event.editExt.start,
            event.editExt.length);
        break;
    case SDL_MOUSEMOTION:
        if (event.motion.which != SDL_TOUCH_MOUSEID)
            HostInput::MouseMotion(event.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.which != SDL_TOUCH_MOUSEID)
            HostInput::MouseButton(event.button);
        break;
    case SDL_MOUSEWHEEL:
        HostInput::MouseWheel(event.wheel);
        break;
    case SDL_WINDOWEVENT:
        WindowEvent(event.window);
        break;
    case SDL_DROPBEGIN:
        BeginDrop(event.drop.windowID);
        break;
    case SDL_DROPFILE:
        if (!state.dropping)
            BeginDrop(event.drop.windowID);
        if (event.drop.file != nullptr)
            state.drop_paths.emplace_back(event.drop.file);
        break;
    case SDL_DROPCOMPLETE:
        if (state.dropping)
            CompleteDrop();
        break;
    default:
        break;
    }
    HostMessageQueue::FreePayload(event);
}

} // namespace WinLayer
