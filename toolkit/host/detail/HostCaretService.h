#pragma once

// The host's side of the caret: blinking, drawing over a paint, following the focus.

#include <toolkit/host/HostTypes.h>

struct _cairo;

namespace WinLayer {
struct HostWindowRecord;
}

namespace WinLayer::HostCaretService {

// The caret of a top-level's record.
struct Caret {
    HostHandle window = 0;
    HostRect rect {}; // client coordinates of `window`
    int hide_count = 1;
    bool blink_on = true;
    bool blinks = true;
};

// Toggles the caret of a top-level (the blink timer fired) and repaints only its rectangle.
void Blink(HostHandle top);
// The focus moved: the carets of both windows' top-levels are repainted.
void FocusChanged(HostHandle from, HostHandle to);
// The caret's rectangle in top coordinates, when it is drawn now; empty otherwise.
HostRect DrawnInTop(const HostWindowRecord& top);
// Draws the top-level's caret where it meets `part` (top coordinates).
void Draw(_cairo* context, const HostWindowRecord& top, const HostRect& part);

} // namespace WinLayer::HostCaretService
