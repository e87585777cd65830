// Kept apart from the rest of the host because Xlib's headers define macros (None, Status,
// Window, ...) that collide with ordinary names.

#include <toolkit/host/detail/HostX11.h>

#include <atomic>
#include <cstdlib>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <unistd.h>

namespace WinLayer {

namespace {
XErrorHandler previous_handler = nullptr;
std::atomic<void (*)()> display_lost_work = nullptr;

// The connection to the X server is gone: nothing of the window system can be used or released
// any more, and Xlib ends the process when this returns. The program's own exit handlers would
// release windows over the dead connection and never return, so the process ends without them,
// once the work that must not be cut off has finished.
int DisplayLost(Display*)
{
    static const char message[] = "Quelvane: the connection to the display was lost\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    if (void (*work)() = display_lost_work.load())
        work();
    std::_Exit(1);
}

int IgnoreGoneWindows(Display* display, XErrorEvent* error)
{
    // SDL wakes its event loop by sending an event to one of its windows; when that window
    // has just been destroyed the error is harmless, and the default handler would end the
    // process for it.
    if (error->error_code == BadWindow && error->request_code == X_SendEvent)
        return 0;
    return previous_handler != nullptr ? previous_handler(display, error) : 0;
}
} // namespace

void HostX11::InstallErrorHandler()
{
    // Only Xlib's own handler (or one from before the host) is kept as the previous one: SDL's
    // handler passes errors on to the handler it found, and chaining back to it would loop.
    XErrorHandler replaced = XSetErrorHandler(IgnoreGoneWindows);
    if (replaced != IgnoreGoneWindows && previous_handler == nullptr)
        previous_handler = replaced;
    XSetIOErrorHandler(DisplayLost);
}

void HostX11::SetDisplayLostWork(void (*work)())
{
    display_lost_work.store(work);
}

namespace {
Display* DisplayOf(SDL_Window* window)
{
    if (window == nullptr)
        return nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    return info.info.x11.display;
}
} // namespace

bool HostX11::WindowManagerRunning(SDL_Window* window)
{
    Display* display = DisplayOf(window);
    if (display == nullptr)
        return false;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
        &type, &format, &count, &remaining, &data);
    const bool running = status == Success && type == XA_WINDOW && count == 1;
    if (data != nullptr)
        XFree(data);
    return running;
}

std::string HostX11::Resources(SDL_Window* window)
{
    Display* display = DisplayOf(window);
    if (display == nullptr)
        return {};
    // Read in pieces of 64 KiB (the length is in 32-bit units) until nothing remains.
    constexpr long kChunk = 16384;
    std::string resources;
    for (long offset = 0;; offset += kChunk) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        const int status = XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER,
            offset, kChunk, False, XA_STRING, &type, &format, &count, &remaining, &data);
        const bool read = status == Success && type == XA_STRING && format == 8;
        if (read)
            resources.append(reinterpret_cast<const char*>(data), count);
        if (data != nullptr)
            XFree(data);
        if (!read || remaining == 0)
            return resources;
    }
}

void HostX11::Bell(SDL_Window* window)
{
    if (Display* display = DisplayOf(window)) {
        XBell(display, 0);
        XFlush(display);
    }
}

} // namespace WinLayer
