#pragma once

// Turning input events into messages: the mouse (HostMouseInput.cpp) and the keyboard, text and
// composition (HostKeyInput.cpp). Used by the event pump.

#include <toolkit/host/HostTypes.h>

#include <SDL_events.h>

namespace WinLayer::HostInput {

// Queues a converted input message, stamped with the time and the pointer position.
void Emit(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam);
// The window for keys and text: the focus, else the active top-level, else none.
HostHandle KeyTarget();
// The window under the pointer changed: the one it left gets kMouseLeave.
void SetHover(HostHandle window);

void MouseMotion(const SDL_MouseMotionEvent& event);
void MouseButton(const SDL_MouseButtonEvent& event);
void MouseWheel(const SDL_MouseWheelEvent& event);

void Key(const SDL_KeyboardEvent& event);
void TextInput(const char* text);
// A composition in progress; `start` and `length` count code points, `length` may be -1.
void TextEditing(const char* text, int32_t start, int32_t length);

} // namespace WinLayer::HostInput
