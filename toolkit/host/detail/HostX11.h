#pragma once

// What the host does with X11 directly: its error handler and the bell.

struct SDL_Window;

namespace WinLayer::HostX11 {

// Ignores BadWindow errors of SendEvent (SDL wakes its loop by sending to a window that may be
// gone); other errors go to the handler that was there before. Call it before SDL's video starts.
void InstallErrorHandler();
// Whether a window manager runs on the window's display (it announces itself on the root
// window with _NET_SUPPORTING_WM_CHECK).
bool WindowManagerRunning(SDL_Window* window);
// Rings the bell of the display the window is on.
void Bell(SDL_Window* window);

} // namespace WinLayer::HostX11
