#pragma once

// The desktop's text scale. The host's windows work in logical pixels, 96 to the inch; the window
// system's windows and the back buffers are in device pixels, the logical ones times Factor(), so
// fonts, metrics and layouts all grow together on a high-density screen. Tests run at 96 dpi,
// where both kinds of pixel are one.

#include <toolkit/host/HostTypes.h>

#include <string_view>

struct SDL_Window;

namespace WinLayer::HostDisplayScale {

constexpr double kDefaultDpi = 96.0;

// The dots per inch the desktop asks for: QUELVANE_SCALE (a factor such as 1.5, this program's own
// setting) wins; then the Xft.dpi line of the X server's resource string; then GDK_SCALE (a whole
// factor); else 96. Null or unreadable values are passed over.
double DpiFrom(const char* quelvane_scale, std::string_view x_resources, const char* gdk_scale);

// Device pixels per logical pixel of the running host (1 before Start).
double Factor();
void SetFactor(double factor);

// A position or size in the other kind of pixel, rounded to the nearest.
int32_t ToDevice(int32_t logical);
int32_t FromDevice(int32_t device);
// The logical pixel a device pixel falls in (for pointer positions).
int32_t ToLogical(int32_t device);
// The device pixel at the middle of a logical pixel.
int32_t CentreOf(int32_t logical);
// Whether a logical distance is a whole number of device pixels.
bool Whole(int32_t logical);
// The device pixels a logical rectangle touches.
HostRect ToDevice(const HostRect& logical);
// The logical rectangle that covers every logical pixel touching a device rectangle.
HostRect CoverOf(const HostRect& device);

// The window system's window of a top-level, given logical figures.
void SetWindowSize(SDL_Window* window, int32_t width, int32_t height);
void SetWindowPosition(SDL_Window* window, int32_t x, int32_t y);
void SetWindowLimits(SDL_Window* window, const HostMinMaxInfo& limits);

} // namespace WinLayer::HostDisplayScale
