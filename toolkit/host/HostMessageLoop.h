#pragma once

// The message queue of the user-interface thread and its timers. SDL events are turned into
// messages for the host's windows; PostMessage may be called from any thread and wakes the loop.
// Loops nest: a modal run calls GetMessage until its own quit message.
//
// Input is turned into messages when its turn in the queue comes, so a key typed after a click
// goes to the window the click gave the focus to. Keys and characters go to the focus window (or
// the active top-level when nothing has the focus); the mouse goes to the capture, else to the
// deepest enabled window under the pointer.
//
// Text input and composition: text typed without an input method's composition arrives as one
// kChar per character (code point). While the input method composes, the focus window gets
// kImeStartComposition once, then kImeComposition (sent, lparam const HostComposition*) for each
// change, with the cursor and selection counted in characters. When the composition is
// finished, the finished text comes as kImeComposition with `result` set, then
// kImeEndComposition, and no kChar repeats it. A composition that is cancelled (emptied) ends
// with kImeEndComposition alone.

#include <toolkit/host/HostTypes.h>

namespace WinLayer::Host {

// Thread-safe. Queues a message for the window's procedure; false when the host has stopped.
bool PostMessage(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam);
// Ends the innermost GetMessage loop: the next GetMessage returns false with kQuit and `code`.
void PostQuitMessage(int code);

// Waits for the next message. Order: posted and input messages in arrival order; then, when
// the queue is empty, painting of invalid windows; then due timers (kTimer). Returns false
// when the message is kQuit.
bool GetMessage(HostMessage& message);
// As GetMessage without waiting: false when nothing is there (painting and timers are done).
bool PeekMessage(HostMessage& message, bool remove = true);
// Adds kChar messages for control keys (Return, Tab, Back, Escape, Ctrl+letter); printable
// characters arrive from the input method as kChar already.
void TranslateMessage(const HostMessage& message);
HostResult DispatchMessage(const HostMessage& message);
// The message being handled, for its time and point.
const HostMessage& CurrentMessage();

// Timers: kTimer with `id` every `interval_ms` to the window, until KillTimer. Setting an
// existing id restarts it.
bool SetTimer(HostHandle window, uintptr_t id, uint32_t interval_ms);
bool KillTimer(HostHandle window, uintptr_t id);

// Runs GetMessage/TranslateMessage/DispatchMessage until the quit message; returns its code.
int RunMessageLoop();

} // namespace WinLayer::Host
