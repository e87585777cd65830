#pragma once

// The records of the host's windows and the arithmetic of their geometry. Every window, child
// or top-level, has one record; a top-level's record also holds its SDL window and back buffer.
// Coordinates named "in top" are relative to the top-level's outer rectangle, which is also
// the SDL window's own coordinate space.

#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostRegion.h>
#include <toolkit/host/HostTypes.h>
#include <toolkit/host/detail/HostCaretService.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct SDL_Window;
struct _cairo_surface;

namespace WinLayer {

class HostFont;

struct HostWindowRecord {
    HostHandle handle = 0;
    HostHandle parent = 0;            // 0 for a top-level
    HostHandle owner = 0;             // top-levels only
    std::vector<HostHandle> children; // bottom first
    HostRect rect {};                 // parent's client coordinates, or the screen for a top-level
    uint32_t style = 0;               // kVisible, kDisabled, kMinimize and kMaximize follow the state
    uint32_t ex_style = 0;
    uint16_t id = 0;
    std::string class_name;
    std::string text;
    HostWindowProc* proc = nullptr;
    HostFont* font = nullptr;
    HostScrollInfo scroll[2] {};
    bool destroying = false;

    // Top-levels.
    SDL_Window* sdl_window = nullptr;
    int pool_kind = 0;
    _cairo_surface* back_buffer = nullptr;
    HostRegion dirty;     // in top coordinates
    HostRect scrolled {}; // pixels moved by ScrollWindow, for the screen at the next paint
    HostHandle last_focus = 0;
    HostCaretService::Caret caret;
    HostRect restore_rect {};               // the rectangle before maximizing
    std::unique_ptr<HostMenu> system_items; // the application's items of the window menu
    // Shown without activation: the window system's focus events do not activate it.
    bool passive_show = false;

    bool IsTopLevel() const { return parent == 0; }
    bool Visible() const { return (style & HostStyle::kVisible) != 0; }
    bool Enabled() const { return (style & HostStyle::kDisabled) == 0; }
};

// Widths of the frame parts around a client area.
struct HostNonClient {
    int32_t border = 0; // kBorder and kClientEdge together
    int32_t vbar = 0;   // width of the vertical scroll bar
    int32_t hbar = 0;   // height of the horizontal scroll bar
};

HostNonClient NonClientOf(uint32_t style, uint32_t ex_style);
HostRect Intersect(const HostRect& a, const HostRect& b);
HostRect Union(const HostRect& a, const HostRect& b); // an empty side is ignored
HostRect Offset(const HostRect& r, int32_t dx, int32_t dy);

class HostWindowTree {
public:
    HostWindowTree();
    ~HostWindowTree();
    HostWindowTree(const HostWindowTree&) = delete;
    HostWindowTree& operator=(const HostWindowTree&) = delete;

    // A new record with a fresh handle; handles are never reused in the process.
    HostWindowRecord& Add();
    void Remove(HostHandle handle);
    HostWindowRecord* Find(HostHandle handle);
    const HostWindowRecord* Find(HostHandle handle) const;
    HostWindowRecord* FindBySdlId(uint32_t sdl_window_id);
    bool Empty() const { return records_.empty(); }

    // Top-levels, the most recently raised first.
    const std::vector<HostHandle>& TopLevels() const { return top_levels_; }
    void RaiseTopLevel(HostHandle handle);

    HostHandle TopLevelOf(HostHandle handle) const;
    bool IsDescendant(HostHandle ancestor, HostHandle handle) const; // true for the window itself
    // Shown, with every parent shown.
    bool IsVisible(HostHandle handle) const;

    // The client rectangle (0, 0, width, height).
    HostRect ClientRect(const HostWindowRecord& record) const;
    // The window's outer and client rectangles in top coordinates.
    HostRect OuterInTop(HostHandle handle) const;
    HostRect ClientInTop(HostHandle handle) const;
    // The part of the window's client area that its parents let show, in top coordinates.
    HostRect VisibleClientInTop(HostHandle handle) const;
    HostRect VisibleOuterInTop(HostHandle handle) const;
    // Screen origin of the client area.
    HostPoint ClientOrigin(HostHandle handle) const;

    // The deepest visible window of `top` containing the point (top coordinates), and whether
    // the point is in its client area. Disabled windows stop the descent: they are returned,
    // and their children are not searched.
    HostHandle HitTest(HostHandle top, HostPoint in_top, bool* in_client = nullptr) const;

private:
    std::unordered_map<HostHandle, std::unique_ptr<HostWindowRecord>> records_;
    std::vector<HostHandle> top_levels_;
};

} // namespace WinLayer
