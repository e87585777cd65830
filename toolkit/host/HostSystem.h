#pragma once

// The host's process-wide services: start and end, the display, metrics, cursors, the bell,
// the clipboard. The thread that calls Start is the user-interface thread: every function of
// the host except Host::PostMessage must be called on it.

#include <toolkit/host/HostTypes.h>

#include <string>
#include <vector>

namespace WinLayer::Host {

// Starts SDL's video (SDL_VIDEODRIVER picks the driver; "dummy" runs without a display),
// installs the X error handler and turns off SDL's signal handlers. False with a message in
// LastError() when no video driver could start. Starting twice is harmless.
bool Start();
// Destroys every window and ends SDL. Windows still alive get their destroy messages first.
void Stop();
bool Started();
// True when the video driver shows nothing (dummy, offscreen).
bool Headless();
const std::string& LastError();

// The usable area of the primary display in screen coordinates (without panels and docks).
HostRect WorkArea();
// The usable areas of every display, the primary one first; never empty.
std::vector<HostRect> WorkAreas();
int32_t Metric(HostMetric metric);

void SetCursor(HostCursor cursor);
// Rings the display's bell (nothing when headless).
void Beep();

// The clipboard as UTF-8 text. Reads of very large texts may arrive cut short (no incremental
// transfer); they never fail otherwise. An empty text when the clipboard holds none.
std::string ClipboardText();
bool SetClipboardText(const std::string& utf8);

// What must finish when the connection to the display is lost, before the process ends there
// (an apply that is writing files); it may not use the window system. Null for nothing.
void SetDisplayLostWork(void (*work)());

// Milliseconds since Start.
uint32_t Ticks();

} // namespace WinLayer::Host
