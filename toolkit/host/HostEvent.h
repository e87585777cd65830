#pragma once

// Host messages decoded into typed events. The host encodes its messages (HostTypes.h says what
// each parameter carries) and only the host reads the pointers they carry: the toolkit asks
// Decode once per message and hands the event to a typed handler. Messages without an event of
// their own decode as HostEventKind::None; the few payloads the toolkit still reads of those
// have accessors below.

#include <toolkit/host/HostTypes.h>

#include <string>
#include <vector>

namespace WinLayer {

class HostPainter;
class HostFont;

enum class HostEventKind {
    None,
    Paint,       // painter, dirty
    MouseDown,   // point, button, modifiers
    MouseUp,     // point, button, modifiers
    DoubleClick, // point, button, modifiers (the second press of a double click)
    MouseMove,   // point, modifiers (buttons held among them)
    MouseWheel,  // point, wheel_delta, modifiers
    KeyDown,     // key, modifiers (keys with Alt held come as system keys: no event)
    KeyUp,       // key, modifiers
    Char,        // code_point
    Composition, // composition
    FocusGained,
    FocusLost,
    CaptureLost, // the mouse capture went to another window
    Timer,       // timer_id
    DropFiles,   // drop (paths and point)
    ContextMenu, // point
    Scroll,      // bar, scroll_code, scroll_position
    MeasureItem, // measure_item
    DrawItem,    // draw_item
};

// One decoded message. Only the members its kind names are set; points are in the client
// coordinates of the window the message is for.
struct HostEvent {
    HostEventKind kind = HostEventKind::None;
    HostPoint point {};
    HostMouseButton button = HostMouseButton::Left;
    uint32_t modifiers = 0;  // HostMod bits
    int32_t wheel_delta = 0; // 120 a notch; positive away from the user
    uint32_t key = 0;        // HostKey
    char32_t code_point = 0;
    uintptr_t timer_id = 0;
    int bar = kSbVert;
    uint16_t scroll_code = 0;
    int32_t scroll_position = 0; // for the thumb codes
    HostPainter* painter = nullptr;
    HostRect dirty {}; // the part to paint, in client coordinates
    const HostComposition* composition = nullptr;
    const HostDrop* drop = nullptr;
    HostMeasureItem* measure_item = nullptr;
    const HostDrawItem* draw_item = nullptr;
};

namespace Host {

HostEvent Decode(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam);

// Payloads of messages without an event: null for any other message.
HostMinMaxInfo* MinMaxInfoOf(uint32_t message, HostLParam lparam);
HostWindowPos* WindowPosOf(uint32_t message, HostLParam lparam); // kWindowPosChanging / Changed

// The owner-draw requests a control sends to its dialog; the answer is the dialog's (1 when it
// measured or drew the item).
HostResult SendMeasureItem(HostHandle dialog, HostMeasureItem& item);
HostResult SendDrawItem(HostHandle dialog, const HostDrawItem& item);

} // namespace Host

} // namespace WinLayer
