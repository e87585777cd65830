#pragma once

// Moving, sizing and state changes shared by the host's API and the window system's events.

#include <toolkit/host/HostTypes.h>

namespace WinLayer::HostGeometry {

// Applies a position change: kWindowPosChanging (the procedure may adjust it), the change,
// kWindowPosChanged, kMove and kSize. `from_system` means the window system made the change
// already, so the SDL window is not touched.
void Apply(HostWindowPos pos, bool from_system);
// The point kMove reports: the client origin in the parent's client coordinates, or on the
// screen for a top-level.
HostPoint MoveOrigin(HostHandle window);
// kSize with the window's size state and client size.
void SendSize(HostHandle window);
// A top-level's size state changed (0 restored, 1 minimized, 2 maximized).
void SetSizeState(HostHandle top, int state, bool from_system);

} // namespace WinLayer::HostGeometry
