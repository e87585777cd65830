#pragma once

// SDL windows for top-levels, kept for reuse. SDL on X11 may wake its loop by sending an event
// to a window that was just destroyed, and Xlib's default answer to that error ends the
// process; so while the host runs, an SDL window is hidden and kept, never destroyed.
// Windows come in kinds that differ in what SDL fixes at creation.

#include <cstdint>
#include <vector>

struct SDL_Window;

namespace WinLayer {

enum class HostWindowKind {
    Normal, // a main window: in the task bar
    Owned,  // a dialog: kept above its owner
    Popup,  // a menu, list or tip: no frame, above everything, not in the task bar
};

class HostWindowPool {
public:
    HostWindowPool() = default;
    ~HostWindowPool();
    HostWindowPool(const HostWindowPool&) = delete;
    HostWindowPool& operator=(const HostWindowPool&) = delete;

    // A hidden window of the kind, made when none is free; null with SDL's error on failure.
    SDL_Window* Take(HostWindowKind kind);
    // Hides the window and keeps it for the next Take of its kind.
    void Give(SDL_Window* window, HostWindowKind kind);
    // Window-manager properties that follow a window's style: frame, resizing, staying on top.
    static void ApplyStyle(SDL_Window* window, HostWindowKind kind, uint32_t style, uint32_t ex_style);
    // Ends every window; only when the host stops.
    void DestroyAll();
    // Any window made so far (for services that need a display connection), or null.
    SDL_Window* AnyWindow() const { return all_.empty() ? nullptr : all_.front(); }

private:
    struct Free {
        HostWindowKind kind;
        SDL_Window* window;
    };
    std::vector<Free> free_;
    std::vector<SDL_Window*> all_;
};

} // namespace WinLayer
