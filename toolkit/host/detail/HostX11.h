#pragma once

// What the host does with X11 directly: its error handler, the desktop's resources and the bell.

#include <string>

struct SDL_Window;

namespace WinLayer::HostX11 {

// Ignores BadWindow errors of SendEvent (SDL wakes its loop by sending to a window that may be
// gone); other errors go to the handler that was there before. Call it before SDL's video starts.
// A lost connection ends the process at once (see SetDisplayLostWork).
void InstallErrorHandler();
// What runs when the connection to the display is lost, before the process ends: the work that
// must finish (nothing of the window system may be used in it).
void SetDisplayLostWork(void (*work)());
// Whether a window manager runs on the window's display (it announces itself on the root
// window with _NET_SUPPORTING_WM_CHECK).
bool WindowManagerRunning(SDL_Window* window);
// The X server's resource string (the RESOURCE_MANAGER property of the root window, as xrdb
// loads it) of the window's display; empty when there is none.
std::string Resources(SDL_Window* window);
// Rings the bell of the display the window is on.
void Bell(SDL_Window* window);

} // namespace WinLayer::HostX11
