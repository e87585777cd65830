// Showing and enabling windows; a top-level's show command also sets its size state and its
// activation.

#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostActivation.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostGeometry.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>

#include <SDL.h>

namespace WinLayer::Host {

bool ShowWindow(HostHandle window, int show_command)
{
    HostState& state = State();
    HostWindowRecord* record = state.tree.Find(window);
    if (record == nullptr || record->destroying)
        return false;
    const bool was_visible = record->Visible();
    const bool show = show_command != HostShow::kHide;
    if (show != was_visible) {
        SendMessage(window, HostMsg::kShowWindow, show ? 1 : 0, 0);
        record = state.tree.Find(window);
        if (record == nullptr)
            return was_visible;
        if (!show) {
            if (record->parent != 0)
                HostBackBuffer::InvalidateOuter(window);
            HostActivation::LeaveSubtree(window);
            record->style &= ~HostStyle::kVisible;
            if (record->parent == 0) {
                SDL_HideWindow(record->sdl_window);
                if (state.active == window)
                    HostActivation::ActivateAnother(window);
                else if (state.active != 0 && !WindowManagerDecides())
                    HostActivation::RaiseInSystem(state.active); // the keyboard comes back from a popup
            }
            return was_visible;
        }
        record->style |= HostStyle::kVisible;
        if (record->parent == 0) {
            HostMinMaxInfo limits;
            SendMessage(window, HostMsg::kGetMinMaxInfo, 0, reinterpret_cast<HostLParam>(&limits));
            if ((record = state.tree.Find(window)) == nullptr)
                return was_visible;
            HostDisplayScale::SetWindowLimits(record->sdl_window, limits);
            SDL_ShowWindow(record->sdl_window);
            state.tree.RaiseTopLevel(window);
        }
        HostBackBuffer::InvalidateOuter(window);
    } else if (!show) {
        return was_visible;
    }
    if (record->parent != 0)
        return was_visible;

    switch (show_command) {
    case HostShow::kMinimize:
    case HostShow::kMinimized:
        HostGeometry::SetSizeState(window, 1, false);
        if (show_command == HostShow::kMinimize && state.active == window)
            HostActivation::ActivateAnother(window);
        return was_visible;
    case HostShow::kMaximized:
        HostGeometry::SetSizeState(window, 2, false);
        break;
    case HostShow::kNormal:
    case HostShow::kRestore:
        HostGeometry::SetSizeState(window, 0, false);
        break;
    case HostShow::kShowNa:
    case HostShow::kNoActivate:
        if (HostWindowRecord* shown = state.tree.Find(window); shown != nullptr && state.active != window)
            shown->passive_show = true;
        return was_visible;
    default:
        break;
    }
    if (IsWindow(window) && HostActivation::CanActivate(state.tree.Find(window)))
        HostActivation::Activate(window, kActive);
    return was_visible;
}

bool IsVisible(HostHandle window)
{
    return State().tree.IsVisible(window);
}

bool EnableWindow(HostHandle window, bool enable)
{
    HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return false;
    const bool was_disabled = !record->Enabled();
    if (was_disabled != enable)
        return was_disabled;
    if (enable) {
        record->style &= ~HostStyle::kDisabled;
    } else {
        record->style |= HostStyle::kDisabled;
        if (State().capture != 0 && State().tree.IsDescendant(window, State().capture))
            ReleaseCapture();
    }
    HostBackBuffer::InvalidateOuter(window);
    SendMessage(window, HostMsg::kEnable, enable ? 1 : 0, 0);
    // An owner enabled again after its modal dialog went finds nothing active: it takes
    // the activation back instead of leaving the keyboard without a window.
    if (enable && State().active == 0 && HostActivation::CanActivate(State().tree.Find(window)))
        HostActivation::Activate(window, kActive);
    return was_disabled;
}

bool IsEnabled(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record != nullptr && record->Enabled();
}

} // namespace WinLayer::Host
