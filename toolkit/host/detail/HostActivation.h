#pragma once

// The host's own model of activation and keyboard focus: one active top-level and one focused
// window in the process, whatever the window system believes. Used by the host's files.

#include <toolkit/host/HostTypes.h>

namespace WinLayer {
struct HostWindowRecord;
}

namespace WinLayer::HostActivation {

// A shown, enabled, ordinary top-level that is not going away (popups never activate).
bool CanActivate(const HostWindowRecord* record);

// Makes `top` the active top-level (0: none): kActivate to the old and the new one, then, when
// the focus is not inside `top` and `restore_focus` is set, the focus goes back to the window
// of `top` that had it last (or `top` itself).
void Activate(HostHandle top, HostWParam how, bool restore_focus = true);
// Activates another top-level than `leaving` (its owner when possible), or none.
void ActivateAnother(HostHandle leaving);
// Brings a shown top-level to the front of the window system. Without a window manager it also
// takes the window system's keyboard focus: SDL hands that to every window it shows, popups
// included, and a hidden window's focus reverts to nothing, which leaves the keyboard dead.
void RaiseInSystem(HostHandle top);
// Moves the focus: kKillFocus to the old window, kSetFocus to the new one.
void ChangeFocus(HostHandle to);
// A window and its children are going away (hidden or destroyed): the focus, the capture,
// the hover and a scroll-bar drag leave them.
void LeaveSubtree(HostHandle window);

} // namespace WinLayer::HostActivation
