#include <toolkit/host/HostTypes.h>
#include <toolkit/host/detail/HostWindowPool.h>

#include <SDL.h>

namespace WinLayer {

namespace {

Uint32 EventWindowId(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTEDITING:
        return event.edit.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    case SDL_DROPBEGIN:
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPCOMPLETE:
        return event.drop.windowID;
    default:
        return 0;
    }
}

// Events still queued from a window's last use (a resize, a hide, a click) must never reach
// the top-level that gets the window next: a stale resize would undo the new size.
void DropPendingEvents(SDL_Window* window)
{
    SDL_PumpEvents();
    Uint32 id = SDL_GetWindowID(window);
    SDL_FilterEvents(
        [](void* data, SDL_Event* event) -> int {
            const Uint32 dropped = *static_cast<Uint32*>(data);
            if (event->type == SDL_DROPFILE && EventWindowId(*event) == dropped)
                SDL_free(event->drop.file);
            return EventWindowId(*event) == dropped ? 0 : 1;
        },
        &id);
}

} // namespace

HostWindowPool::~HostWindowPool()
{
    DestroyAll();
}

SDL_Window* HostWindowPool::Take(HostWindowKind kind)
{
    for (auto it = free_.begin(); it != free_.end(); ++it) {
        if (it->kind == kind) {
            SDL_Window* window = it->window;
            free_.erase(it);
            DropPendingEvents(window);
            return window;
        }
    }
    uint32_t flags = SDL_WINDOW_HIDDEN;
    if (kind == HostWindowKind::Popup)
        flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP
            | SDL_WINDOW_SKIP_TASKBAR;
    SDL_Window* window = SDL_CreateWindow("", 0, 0, 1, 1, flags);
    if (window != nullptr)
        all_.push_back(window);
    return window;
}

void HostWindowPool::Give(SDL_Window* window, HostWindowKind kind)
{
    if (window == nullptr)
        return;
    SDL_HideWindow(window);
    SDL_SetWindowTitle(window, "");
    SDL_SetWindowIcon(window, nullptr);
    DropPendingEvents(window);
    free_.push_back({ kind, window });
}

void HostWindowPool::ApplyStyle(SDL_Window* window, HostWindowKind kind, uint32_t style, uint32_t ex_style)
{
    if (kind == HostWindowKind::Popup)
        return; // fixed at creation
    const bool captioned = (style & HostStyle::kCaption) == HostStyle::kCaption;
    SDL_SetWindowBordered(window, captioned ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(window, (style & HostStyle::kThickFrame) != 0 ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowAlwaysOnTop(window, (ex_style & HostExStyle::kTopmost) != 0 ? SDL_TRUE : SDL_FALSE);
}

void HostWindowPool::DestroyAll()
{
    for (SDL_Window* window : all_)
        SDL_DestroyWindow(window);
    all_.clear();
    free_.clear();
}

} // namespace WinLayer
