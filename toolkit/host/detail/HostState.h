#pragma once

// The host's process-wide state, used by the host's own files only. Everything here belongs to
// the user-interface thread, except the message queue, which locks for itself.

#include <toolkit/host/HostTypes.h>
#include <toolkit/host/detail/HostMessageQueue.h>
#include <toolkit/host/detail/HostTimerList.h>
#include <toolkit/host/detail/HostWindowPool.h>
#include <toolkit/host/detail/HostWindowTree.h>

#include <bitset>
#include <deque>
#include <string>
#include <vector>

struct SDL_Cursor;

namespace WinLayer {

// Timer ids the host uses for itself (scroll-bar repeat, caret blink); never dispatched to a window.
constexpr uintptr_t kHostScrollRepeatTimer = ~static_cast<uintptr_t>(0) - 1;
constexpr uintptr_t kHostCaretBlinkTimer = ~static_cast<uintptr_t>(0) - 2;

// Dragging or holding a part of a scroll bar.
struct HostScrollTrack {
    HostHandle window = 0;
    int bar = kSbVert;
    int part = 0;            // HostScrollPart
    int32_t grab_offset = 0; // pointer offset from the thumb's start when dragging
    HostPoint last_point {}; // in top coordinates
};

struct HostState {
    bool started = false;
    bool headless = false;
    bool x11 = false;
    std::string last_error;
    uint64_t start_ticks = 0;
    uint32_t wake_event = 0;

    HostWindowTree tree;
    HostWindowPool pool;
    HostTimerList timers;

    HostHandle focus = 0;
    HostHandle capture = 0;
    HostHandle active = 0;
    HostHandle hover = 0; // the window the pointer was last over

    // Input as the converted events left it (injected events do not touch SDL's own state).
    uint16_t modifiers = 0;     // SDL_Keymod
    uint32_t buttons = 0;       // SDL_BUTTON_LMASK ...
    std::bitset<256> keys_down; // by virtual key
    HostPoint pointer {};       // screen coordinates
    bool composing = false;
    HostScrollTrack scroll_track;

    // A drop being received.
    bool dropping = false;
    HostPoint drop_point {};
    uint32_t drop_sdl_window = 0;
    std::vector<std::string> drop_paths;
    std::deque<HostPoint> injected_drop_points; // screen points of drops made by tests

    std::deque<HostMessage> ready; // converted input waiting to be returned
    HostMessage current {};
    bool quit_pending = false;
    int quit_code = 0;
    int paint_depth = 0;

    SDL_Cursor* cursors[6] {};
};

HostState& State();
// The queue outlives every start and stop, since other threads may post at any time.
HostMessageQueue& Queue();
uint64_t Now(); // SDL's milliseconds
// Whether a window manager places, sizes and focuses the top-levels (false when headless or
// on a bare X server): without one the host does it and ignores focus events.
bool WindowManagerDecides();

} // namespace WinLayer
