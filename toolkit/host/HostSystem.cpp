#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostState.h>
#include <toolkit/host/detail/HostX11.h>

#include <cstdlib>
#include <cstring>

#include <SDL.h>

namespace WinLayer {

HostState& State()
{
    static HostState state;
    return state;
}

HostMessageQueue& Queue()
{
    static HostMessageQueue queue;
    return queue;
}

uint64_t Now()
{
    return SDL_GetTicks64();
}

bool WindowManagerDecides()
{
    const HostState& state = State();
    return state.started && !state.headless
        && (!state.x11 || HostX11::WindowManagerRunning(state.pool.AnyWindow()));
}

namespace {
constexpr int kStartAttempts = 5;
constexpr uint32_t kStartRetryMs = 20;

void ResetInput(HostState& state)
{
    state.focus = state.capture = state.active = state.hover = 0;
    state.modifiers = 0;
    state.buttons = 0;
    state.keys_down.reset();
    state.pointer = {};
    state.composing = false;
    state.scroll_track = {};
    state.dropping = false;
    state.drop_paths.clear();
    state.injected_drop_points.clear();
    state.ready.clear();
    state.current = {};
    state.quit_pending = false;
    state.quit_code = 0;
}
// The desktop's text scale; the X resources come from a window of the pool (SDL gives the
// display only through a window), which stays in the pool for the first top-level.
void ReadScale(HostState& state)
{
    std::string resources;
    if (state.x11) {
        SDL_Window* probe = state.pool.Take(HostWindowKind::Normal);
        resources = HostX11::Resources(probe);
        state.pool.Give(probe, HostWindowKind::Normal);
    }
    const double dpi
        = HostDisplayScale::DpiFrom(std::getenv("QUELVANE_SCALE"), resources, std::getenv("GDK_SCALE"));
    HostDisplayScale::SetFactor(dpi / HostDisplayScale::kDefaultDpi);
}

} // namespace

namespace Host {

bool Start()
{
    HostState& state = State();
    if (state.started)
        return true;
    // Termination signals are the program's to handle: a job writing files must not be cut
    // off by a quit event nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Long compositions arrive whole (SDL_TEXTEDITING_EXT) instead of cut at 32 bytes.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    // A double click needs the two presses within 2 pixels, as Metric(DoubleClickWidth) says.
    SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "2");
    // The click that activates a window also reaches it.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // Window surfaces come straight from the window system. With a renderer behind them SDL
    // recreates the X window on the first surface request: it loses its place (it lands at
    // 0,0) and a window destroyed under a running loop is what the pool is there to avoid.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // An X server may turn a connection away for a moment right after the program's last
    // one closed (seen when the host stops and starts again at once): try a few times.
    // Installed before SDL's video starts: SDL keeps the handler it finds, passes errors on to it,
    // and puts it back when it ends, just before it closes its display connections. Errors that
    // arrive then (a wake-up sent to a window destroyed at the end) still meet this handler and
    // not Xlib's default one, which would end the program with an error at its very end.
    HostX11::InstallErrorHandler();
    int attempts = 0;
    while (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (++attempts == kStartAttempts) {
            state.last_error = std::string("no video driver could start: ") + SDL_GetError();
            return false;
        }
        SDL_Delay(kStartRetryMs);
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver != nullptr ? driver : "";
    state.headless = name == "dummy" || name == "offscreen";
    state.x11 = name == "x11";
    state.wake_event = SDL_RegisterEvents(1);
    state.start_ticks = SDL_GetTicks64();
    state.last_error.clear();
    ResetInput(state);
    SDL_StartTextInput();
    ReadScale(state);
    Queue().Open(state.wake_event);
    state.started = true;
    return true;
}

void Stop()
{
    HostState& state = State();
    if (!state.started)
        return;
    for (;;) {
        const std::vector<HostHandle>& tops = state.tree.TopLevels();
        if (tops.empty())
            break;
        const HostHandle top = tops.back();
        if (!DestroyWindow(top))
            break;
    }
    Queue().Close();
    state.timers.Clear();
    for (SDL_Cursor*& cursor : state.cursors) {
        if (cursor != nullptr)
            SDL_FreeCursor(cursor);
        cursor = nullptr;
    }
    state.pool.DestroyAll();
    ResetInput(state);
    state.started = false;
    SDL_StopTextInput();
    SDL_Quit();
}

bool Started()
{
    return State().started;
}

bool Headless()
{
    return State().headless;
}

const std::string& LastError()
{
    return State().last_error;
}

HostRect WorkArea()
{
    SDL_Rect area {};
    if (!State().started || SDL_GetDisplayUsableBounds(0, &area) != 0)
        return { 0, 0, 1024, 768 };
    return HostDisplayScale::CoverOf({ area.x, area.y, area.x + area.w, area.y + area.h });
}

void SetDisplayLostWork(void (*work)())
{
    HostX11::SetDisplayLostWork(work);
}

std::vector<HostRect> WorkAreas()
{
    std::vector<HostRect> areas;
    const int displays = State().started ? SDL_GetNumVideoDisplays() : 0;
    for (int display = 0; display < displays; ++display) {
        SDL_Rect area {};
        if (SDL_GetDisplayUsableBounds(display, &area) == 0)
            areas.push_back(HostDisplayScale::CoverOf({ area.x, area.y, area.x + area.w, area.y + area.h }));
    }
    if (areas.empty())
        areas.push_back(WorkArea());
    return areas;
}

int32_t Metric(HostMetric metric)
{
    switch (metric) {
    case HostMetric::ScreenWidth:
    case HostMetric::ScreenHeight: {
        SDL_Rect bounds { 0, 0, 1024, 768 };
        if (State().started)
            SDL_GetDisplayBounds(0, &bounds);
        return HostDisplayScale::FromDevice(metric == HostMetric::ScreenWidth ? bounds.w : bounds.h);
    }
    case HostMetric::VScrollWidth:
    case HostMetric::HScrollHeight:
        return NonClientOf(HostStyle::kVScroll, 0).vbar;
    case HostMetric::BorderWidth:
        return 1;
    case HostMetric::EdgeWidth:
        return 2;
    case HostMetric::DoubleClickTime:
        return 500; // SDL's own
    case HostMetric::DoubleClickWidth:
        return 4;
    case HostMetric::DragWidth:
        return 4;
    case HostMetric::CaretBlinkTime:
        return 600;
    case HostMetric::CaretWidth:
        return 1;
    }
    return 0;
}

void SetCursor(HostCursor cursor)
{
    HostState& state = State();
    if (!state.started)
        return;
    static constexpr SDL_SystemCursor kSystem[] = { SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_WAIT,
        SDL_SYSTEM_CURSOR_IBEAM, SDL_SYSTEM_CURSOR_SIZEWE, SDL_SYSTEM_CURSOR_SIZENS, SDL_SYSTEM_CURSOR_HAND };
    const size_t index = static_cast<size_t>(cursor);
    if (index >= std::size(kSystem))
        return;
    if (state.cursors[index] == nullptr)
        state.cursors[index] = SDL_CreateSystemCursor(kSystem[index]);
    // The dummy driver has no cursors; then there is nothing to show.
    if (state.cursors[index] != nullptr && SDL_GetCursor() != state.cursors[index])
        SDL_SetCursor(state.cursors[index]);
}

void Beep()
{
    HostState& state = State();
    if (state.started && state.x11)
        HostX11::Bell(state.pool.AnyWindow());
}

std::string ClipboardText()
{
    if (!State().started)
        return {};
    char* text = SDL_GetClipboardText();
    if (text == nullptr)
        return {};
    std::string copy = text;
    SDL_free(text);
    return copy;
}

bool SetClipboardText(const std::string& utf8)
{
    if (!State().started)
        return false;
    // SDL takes a C string: text after a NUL character cannot be offered.
    return SDL_SetClipboardText(utf8.c_str()) == 0;
}

uint32_t Ticks()
{
    return static_cast<uint32_t>(SDL_GetTicks64() - State().start_ticks);
}

} // namespace Host

} // namespace WinLayer
