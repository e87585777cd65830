#pragma once

// What tests need of the host and programs never do: input injection, draining the queue, and
// reading back the pixels of a back buffer. Injected input goes through SDL's own event queue,
// so it takes the same road as real input. Only test programs link this library.

#include <toolkit/host/HostBitmap.h>
#include <toolkit/host/HostTypes.h>

#include <string>
#include <vector>

namespace WinLayer::Host {

// A key press and release (virtual key), with modifiers (HostMod kShift, kControl, kAlt) held
// around it, for the window with the focus.
void InjectKey(uint32_t virtual_key, uint32_t modifiers = 0);
// Text typed through the input method (one kChar per character).
void InjectText(const std::string& utf8);
// A composition in progress (cursor in characters; an empty text ends the composition).
void InjectComposition(const std::string& utf8, int32_t cursor);
// A press and release of a mouse button (1 left, 2 middle, 3 right) at a point in a window's
// client coordinates; `clicks` 2 makes the second click of a double click.
void InjectClick(HostHandle window, HostPoint client, int button = 1, int clicks = 1, uint32_t modifiers = 0);
void InjectMouseDown(HostHandle window, HostPoint client, int button = 1);
void InjectMouseMove(HostHandle window, HostPoint client);
void InjectMouseUp(HostHandle window, HostPoint client, int button = 1);
void InjectWheel(HostHandle window, HostPoint client, int notches);
// Files dropped at a point of a window.
void InjectDrop(HostHandle window, HostPoint client, const std::vector<std::string>& paths);
// The close button of a top-level.
void InjectClose(HostHandle top_level);

// Blinks the caret of the window's top-level once, as its blink timer does.
void BlinkCaret(HostHandle window);

// Runs the loop until the queue is empty (input converted and dispatched, painting done).
// Timers fire when they were due as the drain began; a short timer cannot keep it going.
void DrainMessages();

// A copy of the top-level's back buffer (what was last painted), and the colour of one pixel
// of it at a point of a window's client area (no colour outside it or before the first paint).
HostBitmap BackBuffer(HostHandle top_level);
RawColour PixelAt(HostHandle window, HostPoint client);
// The back buffer of a window's top-level in device pixels (the logical size times the display
// scale), and one of its pixels; None outside it or before the first paint.
HostSize BufferSize(HostHandle window);
RawColour DevicePixelAt(HostHandle window, HostPoint device);

} // namespace WinLayer::Host
