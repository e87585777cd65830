#pragma once

// The caret: one per top-level, owned by one of its windows. The host draws it over the
// window's painting (inverting the pixels under it) while it is shown and its window has the
// focus, and blinks it every Metric(CaretBlinkTime) milliseconds by repainting only the caret's
// rectangle, so a blink never makes a text control paint its whole text.

#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostTypes.h>

namespace WinLayer::Host {

// Gives the window's top-level a caret of this size for `window`, hidden, at 0,0 (the previous
// caret of that top-level goes). False for a window that does not exist or an empty size.
bool CreateCaret(HostHandle window, int32_t width, int32_t height);
// The caret of a text control: Metric(CaretWidth) wide and one line of the font high.
bool CreateCaret(HostHandle window, const HostFont& font);
// Removes the caret when `window` owns it.
void DestroyCaret(HostHandle window);
// Moves the caret (client coordinates of its window); a blink starts visible.
void SetCaretPos(HostHandle window, HostPoint client);
// Hides count: the caret shows when every HideCaret has had its ShowCaret.
void ShowCaret(HostHandle window);
void HideCaret(HostHandle window);
// Whether the caret blinks (the default) or stays on while it is shown.
void SetCaretBlinks(HostHandle window, bool blinks);
// The caret's rectangle in the client coordinates of its window; empty when `window` owns none.
HostRect CaretRect(HostHandle window);

} // namespace WinLayer::Host
