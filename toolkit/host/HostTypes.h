#pragma once

// The vocabulary shared by the host window system and the toolkit above it: window handles,
// geometry, the message record and the window procedure, and the numeric values of
// messages, styles, keys and flags. Values keep the familiar Windows numbers, because stored
// profiles and the toolkit's own rules (command words, private messages from 0x8000) rely on them.
// Nothing here includes SDL, pango or cairo.

#include <core/RawColour.h>

#include <cstdint>
#include <string>
#include <vector>

namespace WinLayer {

// A window of the host; 0 is "no window". Handles are never reused within a process.
using HostHandle = uint32_t;
using HostWParam = uintptr_t;
using HostLParam = intptr_t;
using HostResult = intptr_t;

// Colours are the program's one colour type.
using RawLayer::RawColour;

struct HostPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const HostPoint&, const HostPoint&) = default;
};

struct HostSize {
    int32_t cx = 0;
    int32_t cy = 0;
    friend bool operator==(const HostSize&, const HostSize&) = default;
};

// Right and bottom are exclusive.
struct HostRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(HostPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const HostRect&, const HostRect&) = default;
};

// Packing of two signed 16-bit coordinates or two 16-bit words, as in mouse and command messages.
constexpr HostLParam HostMakeLParam(int32_t low, int32_t high)
{
    return static_cast<HostLParam>(static_cast<int32_t>(
        (static_cast<uint32_t>(low) & 0xFFFF) | ((static_cast<uint32_t>(high) & 0xFFFF) << 16)));
}
constexpr HostWParam HostMakeWParam(uint32_t low, uint32_t high)
{
    return static_cast<HostWParam>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
constexpr uint16_t HostLowWord(uintptr_t v)
{
    return static_cast<uint16_t>(v & 0xFFFF);
}
constexpr uint16_t HostHighWord(uintptr_t v)
{
    return static_cast<uint16_t>((v >> 16) & 0xFFFF);
}
constexpr int32_t HostPointX(HostLParam lp)
{
    return static_cast<int16_t>(lp & 0xFFFF);
}
constexpr int32_t HostPointY(HostLParam lp)
{
    return static_cast<int16_t>((lp >> 16) & 0xFFFF);
}

// One queued or sent message.
struct HostMessage {
    HostHandle window = 0;
    uint32_t message = 0;
    HostWParam wparam = 0;
    HostLParam lparam = 0;
    uint32_t time = 0;  // milliseconds since the host started
    HostPoint point {}; // pointer position in screen coordinates when the message was made
};

// The procedure of a window: every message for the window goes through it. Answer with
// kHostNotHandled, or call Host::DefaultProc, to get the host's default handling.
class HostWindowProc {
public:
    virtual ~HostWindowProc() = default;
    virtual HostResult WindowProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam)
        = 0;
};

// The toolkit's "not handled" answer of a view's message slot.
constexpr HostResult kHostNotHandled = 0x7FFFFFFF;

// Messages.
namespace HostMsg {
constexpr uint32_t kCreate = 0x0001; // lparam: const HostCreateInfo*
constexpr uint32_t kDestroy = 0x0002;
constexpr uint32_t kMove = 0x0003;      // lparam: client origin (x, y) packed
constexpr uint32_t kSize = 0x0005;      // wparam: kSizeRestored..; lparam: client width, height packed
constexpr uint32_t kActivate = 0x0006;  // wparam low word: kInactive / kActive / kClickActive
constexpr uint32_t kSetFocus = 0x0007;  // wparam: window losing the focus
constexpr uint32_t kKillFocus = 0x0008; // wparam: window gaining the focus
constexpr uint32_t kEnable = 0x000A;    // wparam: 1 enabled
constexpr uint32_t kSetText = 0x000C;   // lparam: const std::string* (UTF-8)
constexpr uint32_t kPaint = 0x000F;     // lparam: HostPainter* clipped to the invalid part of the client area
constexpr uint32_t kClose = 0x0010;
constexpr uint32_t kQuit = 0x0012;       // wparam: exit code
constexpr uint32_t kShowWindow = 0x0018; // wparam: 1 shown
constexpr uint32_t kSetCursor = 0x0020;  // wparam: window under the pointer; lparam low: hit code
constexpr uint32_t kMouseActivate
    = 0x0021; // sent to a top-level on a button press; answer kMaNoActivateAndEat to eat it
constexpr uint32_t kGetMinMaxInfo = 0x0024;     // lparam: HostMinMaxInfo*
constexpr uint32_t kDrawItem = 0x002B;          // wparam: control id; lparam: const HostDrawItem*
constexpr uint32_t kMeasureItem = 0x002C;       // wparam: control id; lparam: HostMeasureItem*
constexpr uint32_t kSetFont = 0x0030;           // wparam: HostFont* (shared, may be null); lparam: 1 redraw
constexpr uint32_t kWindowPosChanging = 0x0046; // lparam: HostWindowPos*
constexpr uint32_t kWindowPosChanged = 0x0047;  // lparam: const HostWindowPos*
constexpr uint32_t kContextMenu = 0x007B; // wparam: window; lparam: screen point packed, -1 from the keyboard
constexpr uint32_t kNcDestroy = 0x0082;
constexpr uint32_t kNcLButtonDown = 0x00A1;
constexpr uint32_t kKeyDown = 0x0100; // wparam: virtual key (HostKey); lparam bit 30: repeat
constexpr uint32_t kKeyUp = 0x0101;
constexpr uint32_t kChar = 0x0102;       // wparam: Unicode code point
constexpr uint32_t kSysKeyDown = 0x0104; // a key with Alt held
constexpr uint32_t kSysKeyUp = 0x0105;
constexpr uint32_t kSysChar = 0x0106;
constexpr uint32_t kImeStartComposition = 0x010D;
constexpr uint32_t kImeEndComposition = 0x010E;
constexpr uint32_t kImeComposition = 0x010F; // lparam: const HostComposition*
constexpr uint32_t kCommand = 0x0111; // wparam: control id (low) and notification code (high); lparam: window
constexpr uint32_t kSysCommand = 0x0112;
constexpr uint32_t kTimer = 0x0113;         // wparam: timer id
constexpr uint32_t kInitMenuPopup = 0x0117; // sent to a top-level before its window menu opens
constexpr uint32_t kHScroll = 0x0114;       // wparam low: kSb..; lparam: position (32 bits) for thumb codes
constexpr uint32_t kVScroll = 0x0115;
constexpr uint32_t kCtlColorEdit = 0x0133;
constexpr uint32_t kCtlColorStatic = 0x0138;
constexpr uint32_t kMouseMove = 0x0200; // wparam: kMk.. flags; lparam: client point packed
constexpr uint32_t kLButtonDown = 0x0201;
constexpr uint32_t kLButtonUp = 0x0202;
constexpr uint32_t kLButtonDblClk = 0x0203;
constexpr uint32_t kRButtonDown = 0x0204;
constexpr uint32_t kRButtonUp = 0x0205;
constexpr uint32_t kRButtonDblClk = 0x0206;
constexpr uint32_t kMButtonDown = 0x0207;
constexpr uint32_t kMButtonUp = 0x0208;
constexpr uint32_t kMouseWheel = 0x020A;     // wparam high: signed delta (120 a notch); lparam: screen point
constexpr uint32_t kParentNotify = 0x0210;   // wparam: kDestroy (low) and child id (high); lparam: child
constexpr uint32_t kCaptureChanged = 0x0215; // lparam: window gaining the capture
constexpr uint32_t kDropFiles = 0x0233;      // lparam: const HostDrop*
constexpr uint32_t kMouseLeave = 0x02A3;
constexpr uint32_t kUser = 0x0400;
constexpr uint32_t kApp = 0x8000; // first private message
} // namespace HostMsg

// kSize wparam.
constexpr HostWParam kSizeRestored = 0;
constexpr HostWParam kSizeMinimized = 1;
constexpr HostWParam kSizeMaximized = 2;
// kActivate wparam.
constexpr HostWParam kInactive = 0;
constexpr HostWParam kActive = 1;
constexpr HostWParam kClickActive = 2;
// kMouseActivate answers.
constexpr HostResult kMaActivate = 1;
constexpr HostResult kMaNoActivateAndEat = 4;
// Mouse message wparam flags.
constexpr HostWParam kMkLButton = 0x0001;
constexpr HostWParam kMkRButton = 0x0002;
constexpr HostWParam kMkShift = 0x0004;
constexpr HostWParam kMkControl = 0x0008;
constexpr HostWParam kMkMButton = 0x0010;
// Scroll codes (low word of kHScroll/kVScroll).
constexpr uint16_t kSbLineUp = 0;
constexpr uint16_t kSbLineDown = 1;
constexpr uint16_t kSbPageUp = 2;
constexpr uint16_t kSbPageDown = 3;
constexpr uint16_t kSbThumbPosition = 4;
constexpr uint16_t kSbThumbTrack = 5;
constexpr uint16_t kSbTop = 6;
constexpr uint16_t kSbBottom = 7;
constexpr uint16_t kSbEndScroll = 8;
// Scroll bars.
constexpr int kSbHorz = 0;
constexpr int kSbVert = 1;

// Window styles.
namespace HostStyle {
constexpr uint32_t kPopup = 0x80000000;
constexpr uint32_t kChild = 0x40000000;
constexpr uint32_t kMinimize = 0x20000000;
constexpr uint32_t kVisible = 0x10000000;
constexpr uint32_t kDisabled = 0x08000000;
constexpr uint32_t kClipSiblings = 0x04000000;
constexpr uint32_t kClipChildren = 0x02000000;
constexpr uint32_t kMaximize = 0x01000000;
constexpr uint32_t kCaption = 0x00C00000;
constexpr uint32_t kBorder = 0x00800000;
constexpr uint32_t kVScroll = 0x00200000;
constexpr uint32_t kHScroll = 0x00100000;
constexpr uint32_t kSysMenu = 0x00080000;
constexpr uint32_t kThickFrame = 0x00040000;
constexpr uint32_t kMinimizeBox = 0x00020000;
constexpr uint32_t kMaximizeBox = 0x00010000;
constexpr uint32_t kTabStop = 0x00010000;
constexpr uint32_t kOverlappedWindow = kCaption | kSysMenu | kThickFrame | kMinimizeBox | kMaximizeBox;
// Low 16 bits belong to the control class (multi-line, alignment, ...).
constexpr uint32_t kMultiLine = 0x0004;
} // namespace HostStyle

namespace HostExStyle {
constexpr uint32_t kTopmost = 0x00000008;
constexpr uint32_t kAcceptFiles = 0x00000010;
constexpr uint32_t kToolWindow = 0x00000080;
constexpr uint32_t kClientEdge = 0x00000200;
constexpr uint32_t kNoActivate = 0x08000000;
} // namespace HostExStyle

// Show commands.
namespace HostShow {
constexpr int kHide = 0;
constexpr int kNormal = 1;
constexpr int kMinimized = 2;
constexpr int kMaximized = 3;
constexpr int kNoActivate = 4;
constexpr int kShow = 5;
constexpr int kMinimize = 6;
constexpr int kShowNa = 8;
constexpr int kRestore = 9;
} // namespace HostShow

// Virtual keys (wparam of key messages).
namespace HostKey {
constexpr uint32_t kBack = 0x08;
constexpr uint32_t kTab = 0x09;
constexpr uint32_t kReturn = 0x0D;
constexpr uint32_t kShift = 0x10;
constexpr uint32_t kControl = 0x11;
constexpr uint32_t kMenu = 0x12; // Alt
constexpr uint32_t kEscape = 0x1B;
constexpr uint32_t kSpace = 0x20;
constexpr uint32_t kPrior = 0x21;
constexpr uint32_t kNext = 0x22;
constexpr uint32_t kEnd = 0x23;
constexpr uint32_t kHome = 0x24;
constexpr uint32_t kLeft = 0x25;
constexpr uint32_t kUp = 0x26;
constexpr uint32_t kRight = 0x27;
constexpr uint32_t kDown = 0x28;
constexpr uint32_t kInsert = 0x2D;
constexpr uint32_t kDelete = 0x2E;
// '0'..'9' and 'A'..'Z' are their ASCII codes.
constexpr uint32_t kApps = 0x5D;
constexpr uint32_t kF1 = 0x70; // F1..F12 follow
} // namespace HostKey

// Text drawing and measuring flags.
namespace HostText {
constexpr uint32_t kLeft = 0x0000;
constexpr uint32_t kCenter = 0x0001;
constexpr uint32_t kRight = 0x0002;
constexpr uint32_t kVCenter = 0x0004; // single-line only
constexpr uint32_t kBottom = 0x0008;  // single-line only
constexpr uint32_t kWordBreak = 0x0010;
constexpr uint32_t kSingleLine = 0x0020;
constexpr uint32_t kExpandTabs = 0x0040;
constexpr uint32_t kTabStop = 0x0080; // tab length (characters) in bits 8-15
constexpr uint32_t kNoClip = 0x0100;
constexpr uint32_t kCalcRect = 0x0400;
constexpr uint32_t kNoPrefix = 0x0800;
constexpr uint32_t kEndEllipsis = 0x8000;
} // namespace HostText

// Payloads of sent messages; valid only while the message is being handled.
struct HostCreateInfo {
    std::string class_name;
    std::string text; // UTF-8
    uint32_t style = 0;
    uint32_t ex_style = 0;
    HostRect rect {};      // parent's client coordinates for a child, screen coordinates for a top-level
    HostHandle parent = 0; // the owner for a top-level (kPopup or no kChild), the parent for a child
    uint16_t id = 0;       // control identifier of a child
    HostWindowProc* proc = nullptr; // not owned; must outlive the window
};

struct HostMinMaxInfo {
    HostSize max_size {};
    HostPoint max_position {};
    HostSize min_track {};
    HostSize max_track {};
};

// Position-change flags.
namespace HostSwp {
constexpr uint32_t kNoSize = 0x0001;
constexpr uint32_t kNoMove = 0x0002;
constexpr uint32_t kNoZOrder = 0x0004;
constexpr uint32_t kNoRedraw = 0x0008;
constexpr uint32_t kNoActivate = 0x0010;
constexpr uint32_t kShowWindow = 0x0040;
constexpr uint32_t kHideWindow = 0x0080;
} // namespace HostSwp

// Special places of SetWindowPos's `insert_after`: the top of the z-order (painted over its
// siblings) and the bottom. Window handles start above these values.
constexpr HostHandle kHostInsertTop = 0;
constexpr HostHandle kHostInsertBottom = 1;

struct HostWindowPos {
    HostHandle window = 0;
    HostHandle insert_after = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t cx = 0;
    int32_t cy = 0;
    uint32_t flags = 0;
};

// An input-method composition: the text being composed and the caret inside it, or (with
// `result` set) the finished text.
struct HostComposition {
    std::string text;             // UTF-8
    int32_t cursor = 0;           // in characters (code points) from the start of `text`
    int32_t selection_length = 0; // in characters
    bool result = false;
};

// Files dropped on a window, with the drop point in that window's client coordinates.
struct HostDrop {
    std::vector<std::string> paths; // as the system gave them (bytes)
    HostPoint point {};
};

struct HostScrollInfo {
    int32_t min = 0;
    int32_t max = 0;
    int32_t page = 0;
    int32_t pos = 0;
    int32_t track_pos = 0; // the thumb's position while it is dragged
};

// Modifier keys and mouse buttons held, as typed handlers receive them.
namespace HostMod {
constexpr uint32_t kShift = 0x01;
constexpr uint32_t kControl = 0x02;
constexpr uint32_t kAlt = 0x04;
constexpr uint32_t kLeftButton = 0x10;
constexpr uint32_t kRightButton = 0x20;
constexpr uint32_t kMiddleButton = 0x40;
} // namespace HostMod

enum class HostMouseButton { Left, Right, Middle };

// Owner-drawn items: a control asks its dialog to measure (kMeasureItem) and draw (kDrawItem)
// item `item` of the control with identifier `control_id`.
struct HostMeasureItem {
    uint16_t control_id = 0;
    int32_t item = 0;
    int32_t width = 0;  // to be filled in
    int32_t height = 0; // to be filled in
};

namespace HostItemState {
constexpr uint32_t kSelected = 0x0001;
constexpr uint32_t kDisabled = 0x0004;
constexpr uint32_t kChecked = 0x0008;
constexpr uint32_t kFocus = 0x0010;
} // namespace HostItemState

class HostPainter;

struct HostDrawItem {
    uint16_t control_id = 0;
    int32_t item = 0;
    HostRect rect {};   // in the painter's coordinates
    uint32_t state = 0; // HostItemState bits
    HostPainter& painter;
};

// Cursors the host can show.
enum class HostCursor { Arrow, Wait, IBeam, SizeWE, SizeNS, Hand };

// System metrics.
enum class HostMetric {
    ScreenWidth,
    ScreenHeight,
    VScrollWidth,    // width of a vertical scroll bar
    HScrollHeight,   // height of a horizontal scroll bar
    BorderWidth,     // one-pixel border of kBorder
    EdgeWidth,       // sunken edge of kClientEdge
    DoubleClickTime, // milliseconds
    DoubleClickWidth,
    DragWidth,      // pixels the pointer must move before a drag starts
    CaretBlinkTime, // milliseconds the caret stays on, and then off
    CaretWidth,
};

} // namespace WinLayer
