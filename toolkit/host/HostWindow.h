#pragma once

// Windows of the host. A top-level window (no kChild style) is an SDL window; a child is a
// rectangle inside its parent's client area with its own procedure, state and painting. All
// functions run on the user-interface thread; a handle that is 0 or no longer alive is ignored
// (results are 0, false or empty).

#include <toolkit/host/HostTypes.h>

#include <string>
#include <vector>

namespace WinLayer {
class HostFont;
struct HostBitmap;
} // namespace WinLayer

namespace WinLayer::Host {

// Creates a window and sends it kCreate (lparam = &info; answering -1 fails the creation) and
// then kSize. A child is placed last among its siblings (painted over them, hit first). A
// top-level is created hidden unless the style has kVisible; its SDL window comes from a pool
// of hidden windows, so destroying and creating dialogs never destroys an SDL window while the
// program runs. Returns 0 on failure.
HostHandle CreateWindow(const HostCreateInfo& info);
// Sends kDestroy to the window, then to its children (each child's parent first gets
// kParentNotify with kDestroy and the child's id), then kNcDestroy from the deepest up; the
// focus and capture leave it. Returns false when the handle was not alive.
bool DestroyWindow(HostHandle window);
bool IsWindow(HostHandle window);

// Calls the window's procedure now and returns its answer.
HostResult SendMessage(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam);
// The host's default handling: kClose destroys the window; kMouseWheel on a window with a
// scroll-bar style scrolls it (three lines a notch), else passes the wheel to the parent;
// kSetText sets the text; kSetFont keeps the font (see WindowFont); kSetCursor asks the parent
// first and then shows the arrow; a right button release and the Apps key or Shift+F10 send
// kContextMenu, which goes on to the parent when the window leaves it; an unhandled double click
// (kLButtonDblClk, kRButtonDblClk) comes back as the button's down message, so a window that
// ignores double clicks sees two presses; Alt+Space (kSysKeyDown) opens the window menu and
// kSysCommand carries out its window commands (HostSystemMenu); anything else answers 0.
HostResult DefaultProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam);
void SetWindowProc(HostHandle window, HostWindowProc* proc);
// Sends kSetFont: the window's procedure sees the font first, the default handling keeps it
// (shared, may be null) and repaints the window when `redraw` is set.
void SetWindowFont(HostHandle window, HostFont* font, bool redraw);
// The font kept from the last kSetFont that reached DefaultProc, or null.
HostFont* WindowFont(HostHandle window);

HostHandle Parent(HostHandle window);                // 0 for a top-level
HostHandle Owner(HostHandle window);                 // the owner of a top-level, 0 for a child
HostHandle TopLevel(HostHandle window);              // the window itself when it is a top-level
std::vector<HostHandle> Children(HostHandle window); // in z-order, bottom first
HostHandle ChildById(HostHandle parent, uint16_t id);
uint16_t Id(HostHandle window);
const std::string& ClassName(HostHandle window);
uint32_t Style(HostHandle window);
uint32_t ExStyle(HostHandle window);
// Scroll-bar and border changes take effect at once (kSize follows when the client size
// changes). The state bits kVisible, kDisabled, kMinimize and kMaximize are kept: ShowWindow
// and EnableWindow change them.
void SetStyle(HostHandle window, uint32_t style);
void SetExStyle(HostHandle window, uint32_t ex_style);

// Window text; for a top-level it is the title.
const std::string& Text(HostHandle window);
void SetText(HostHandle window, const std::string& utf8);
void SetIcon(HostHandle top_level, const HostBitmap& icon);

// Geometry. A window rectangle is in the parent's client coordinates for a child and in screen
// coordinates for a top-level. The client rectangle is (0, 0, width, height) inside the border
// and the scroll bars.
HostRect WindowRect(HostHandle window);
HostRect ScreenRect(HostHandle window); // the window rectangle in screen coordinates
HostRect ClientRect(HostHandle window);
// Moves and sizes; sends kWindowPosChanging/kWindowPosChanged, kMove and kSize when they
// change; invalidates unless `repaint` is false.
void MoveWindow(HostHandle window, const HostRect& rect, bool repaint = true);
void SetWindowPos(HostHandle window, HostHandle insert_after, const HostRect& rect, uint32_t swp_flags);
// The outer rectangle of a client rectangle for a style: border, client edge and scroll bars.
HostRect AdjustWindowRect(const HostRect& client, uint32_t style, uint32_t ex_style);
HostPoint ClientToScreen(HostHandle window, HostPoint point);
HostPoint ScreenToClient(HostHandle window, HostPoint point);
// The deepest visible window under a screen point (disabled ones included), or 0.
HostHandle WindowFromPoint(HostPoint screen);

// Showing. For a top-level: kHide, kNormal, kShow, kShowNa, kNoActivate, kMinimize,
// kMinimized, kMaximized, kRestore. Returns whether it was visible before.
bool ShowWindow(HostHandle window, int show_command);
bool IsVisible(HostHandle window); // the window and all its parents are shown
// Returns whether it was disabled; sends kEnable. A top-level enabled while no window is active
// (its modal dialog just went) becomes active.
bool EnableWindow(HostHandle window, bool enable);
bool IsEnabled(HostHandle window);
// 0 restored, 1 minimized, 2 maximized (top-levels).
int SizeState(HostHandle window);

// Activation and the keyboard focus (the host's own model: one focused window in the process).
HostHandle SetFocus(HostHandle window); // returns the previous focus; activates its top-level
HostHandle Focus();
HostHandle ActiveWindow(); // the active top-level
// Raises and activates a top-level (restoring a minimized one) and gives the focus back to
// the window of it that had it last. False when the handle is not a shown top-level.
bool SetForegroundWindow(HostHandle top_level);
HostHandle ForegroundWindow();
// Flashes a top-level's caption `count` times, `interval_ms` apart (a hint to the window manager).
void FlashWindow(HostHandle top_level, int count, int interval_ms);

// Mouse capture: every mouse message goes to the capturing window until it is released.
HostHandle SetCapture(HostHandle window);
void ReleaseCapture();
HostHandle Capture();
// The pointer position in screen coordinates and the modifier state.
HostPoint CursorPosition();
bool KeyDown(uint32_t virtual_key); // kShift, kControl, kMenu and the mouse buttons
// The modifier keys and mouse buttons held, as HostMod bits.
uint32_t Modifiers();

// Invalidation and painting. Painting happens when the message queue is empty, or at once with
// UpdateWindow: for each rectangle of the top-level's invalid region (HostRegion) the back
// buffer is painted parent first, then the children in z-order, each clipped to itself and to
// the rectangle, then shown.
void InvalidateRect(HostHandle window, const HostRect* client_rect = nullptr);
void UpdateWindow(HostHandle window);
// The parts of the window's visible client area waiting to be painted, in its client
// coordinates.
std::vector<HostRect> InvalidRegion(HostHandle window);
// Scroll by copy: moves what the back buffer shows of the window's client area (or of
// `client_rect` in it) by (dx, dy) pixels and invalidates only the strip the move uncovers;
// parts still waiting to be painted move with the pixels. Child windows stay where they are
// and are repainted. A move as large as the area invalidates all of it.
void ScrollWindow(HostHandle window, int32_t dx, int32_t dy, const HostRect* client_rect = nullptr);
// Saves what the top-level's back buffer shows (its last paint) as a PNG file: screenshots.
// False when the window has not been painted yet or the file cannot be written.
bool SaveWindowAsPng(HostHandle top_level, const std::string& png_path);

// Scroll bars of windows whose style has kHScroll / kVScroll (bar = kSbHorz or kSbVert).
void SetScrollInfo(HostHandle window, int bar, const HostScrollInfo& info, bool redraw = true);
HostScrollInfo ScrollInfo(HostHandle window, int bar);

// The input method's candidate window is placed under this rectangle (client coordinates of
// `window`); text input stays on while any window has the focus.
void SetTextInputRect(HostHandle window, const HostRect& rect);
// Ends a composition in progress without a result: the input method drops its composition
// string (the caller keeps what it showed, when it wants it) and the focus window gets
// kImeEndComposition. Nothing when no composition is open.
void EndComposition();

} // namespace WinLayer::Host
