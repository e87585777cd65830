// Input injection through SDL's own queue (real event records, so they take the road real input
// takes) and access to the back buffers.

#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostCaretService.h>
#include <toolkit/host/detail/HostDisplayScale.h>
#include <toolkit/host/detail/HostKeyMap.h>
#include <toolkit/host/detail/HostMessageSource.h>
#include <toolkit/host/detail/HostState.h>
#include <toolkit/host/testing/HostTesting.h>

#include <cstring>

#include <SDL.h>
#include <cairo.h>

namespace WinLayer::Host {

namespace {
struct Target {
    uint32_t sdl_id = 0;
    HostPoint in_top {};
};

// The SDL window of a window's top-level and a client point in that SDL window's coordinates.
Target Locate(HostHandle window, HostPoint client)
{
    const HostWindowTree& tree = State().tree;
    const HostWindowRecord* top = tree.Find(tree.TopLevelOf(window));
    if (top == nullptr || top->sdl_window == nullptr)
        return {};
    const HostRect area = tree.ClientInTop(window);
    return { SDL_GetWindowID(top->sdl_window), { area.left + client.x, area.top + client.y } };
}

uint32_t KeyWindowId()
{
    const HostWindowRecord* active = State().tree.Find(State().active);
    return active != nullptr && active->sdl_window != nullptr ? SDL_GetWindowID(active->sdl_window) : 0;
}

void PushKey(int32_t sym, bool down, uint16_t mod)
{
    SDL_Event event {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.timestamp = SDL_GetTicks();
    event.key.windowID = KeyWindowId();
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    event.key.keysym.mod = mod;
    SDL_PushEvent(&event);
}

struct ModifierKey {
    uint32_t bit;
    int32_t sym;
    uint16_t mod;
};
constexpr ModifierKey kModifierKeys[] = {
    { HostMod::kShift, SDLK_LSHIFT, KMOD_LSHIFT },
    { HostMod::kControl, SDLK_LCTRL, KMOD_LCTRL },
    { HostMod::kAlt, SDLK_LALT, KMOD_LALT },
};

// Presses the modifier keys, as a person does before the key or click; returns the state.
uint16_t PressModifiers(uint32_t modifiers)
{
    uint16_t mod = 0;
    for (const ModifierKey& key : kModifierKeys) {
        if ((modifiers & key.bit) != 0) {
            mod |= key.mod;
            PushKey(key.sym, true, mod);
        }
    }
    return mod;
}

void ReleaseModifiers(uint32_t modifiers, uint16_t mod)
{
    for (const ModifierKey& key : kModifierKeys) {
        if ((modifiers & key.bit) != 0) {
            mod &= ~key.mod;
            PushKey(key.sym, false, mod);
        }
    }
}

void PushMotion(const Target& target)
{
    SDL_Event event {};
    event.type = SDL_MOUSEMOTION;
    event.motion.timestamp = SDL_GetTicks();
    event.motion.windowID = target.sdl_id;
    event.motion.x = HostDisplayScale::CentreOf(target.in_top.x);
    event.motion.y = HostDisplayScale::CentreOf(target.in_top.y);
    SDL_PushEvent(&event);
}

void PushButton(const Target& target, int button, bool down, int clicks)
{
    SDL_Event event {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.timestamp = SDL_GetTicks();
    event.button.windowID = target.sdl_id;
    event.button.button = static_cast<uint8_t>(button);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = static_cast<uint8_t>(clicks);
    event.button.x = HostDisplayScale::CentreOf(target.in_top.x);
    event.button.y = HostDisplayScale::CentreOf(target.in_top.y);
    SDL_PushEvent(&event);
}

const HostWindowRecord* PaintedTop(HostHandle window)
{
    const HostWindowRecord* top = State().tree.Find(State().tree.TopLevelOf(window));
    return top != nullptr && top->back_buffer != nullptr ? top : nullptr;
}
} // namespace

void InjectKey(uint32_t virtual_key, uint32_t modifiers)
{
    const int32_t sym = HostKeyMap::SdlKey(virtual_key);
    if (sym == SDLK_UNKNOWN)
        return;
    const uint16_t mod = PressModifiers(modifiers);
    PushKey(sym, true, mod);
    PushKey(sym, false, mod);
    ReleaseModifiers(modifiers, mod);
}

void InjectText(const std::string& utf8)
{
    // A text event holds 31 bytes: long texts go in several, split between characters.
    size_t at = 0;
    while (at < utf8.size()) {
        size_t end = std::min(at + SDL_TEXTINPUTEVENT_TEXT_SIZE - 1, utf8.size());
        while (end < utf8.size() && end > at && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            --end;
        SDL_Event event {};
        event.type = SDL_TEXTINPUT;
        event.text.timestamp = SDL_GetTicks();
        event.text.windowID = KeyWindowId();
        std::memcpy(event.text.text, utf8.data() + at, end - at);
        SDL_PushEvent(&event);
        at = end;
    }
}

void InjectComposition(const std::string& utf8, int32_t cursor)
{
    SDL_Event event {};
    if (utf8.size() < SDL_TEXTEDITINGEVENT_TEXT_SIZE) {
        event.type = SDL_TEXTEDITING;
        event.edit.timestamp = SDL_GetTicks();
        event.edit.windowID = KeyWindowId();
        std::memcpy(event.edit.text, utf8.data(), utf8.size());
        event.edit.start = cursor;
        event.edit.length = 0;
    } else {
        event.type = SDL_TEXTEDITING_EXT;
        event.editExt.timestamp = SDL_GetTicks();
        event.editExt.windowID = KeyWindowId();
        event.editExt.text = SDL_strdup(utf8.c_str()); // freed by the host when converted
        event.editExt.start = cursor;
        event.editExt.length = 0;
    }
    if (SDL_PushEvent(&event) != 1 && event.type == SDL_TEXTEDITING_EXT)
        SDL_free(event.editExt.text);
}

void InjectClick(HostHandle window, HostPoint client, int button, int clicks, uint32_t modifiers)
{
    const Target target = Locate(window, client);
    if (target.sdl_id == 0)
        return;
    const uint16_t mod = PressModifiers(modifiers);
    PushMotion(target);
    PushButton(target, button, true, clicks);
    PushButton(target, button, false, clicks);
    ReleaseModifiers(modifiers, mod);
}

void InjectMouseDown(HostHandle window, HostPoint client, int button)
{
    const Target target = Locate(window, client);
    if (target.sdl_id == 0)
        return;
    PushMotion(target);
    PushButton(target, button, true, 1);
}

void InjectMouseMove(HostHandle window, HostPoint client)
{
    const Target target = Locate(window, client);
    if (target.sdl_id != 0)
        PushMotion(target);
}

void InjectMouseUp(HostHandle window, HostPoint client, int button)
{
    const Target target = Locate(window, client);
    if (target.sdl_id == 0)
        return;
    PushMotion(target);
    PushButton(target, button, false, 1);
}

void InjectWheel(HostHandle window, HostPoint client, int notches)
{
    const Target target = Locate(window, client);
    if (target.sdl_id == 0)
        return;
    SDL_Event event {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.timestamp = SDL_GetTicks();
    event.wheel.windowID = target.sdl_id;
    event.wheel.y = notches;
    event.wheel.preciseY = static_cast<float>(notches);
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    event.wheel.mouseX = HostDisplayScale::CentreOf(target.in_top.x);
    event.wheel.mouseY = HostDisplayScale::CentreOf(target.in_top.y);
    SDL_PushEvent(&event);
}

void InjectDrop(HostHandle window, HostPoint client, const std::vector<std::string>& paths)
{
    const Target target = Locate(window, client);
    if (target.sdl_id == 0)
        return;
    // SDL's drop events carry no point; the host takes this one when the drop begins.
    State().injected_drop_points.push_back(ClientToScreen(window, client));
    SDL_Event event {};
    event.type = SDL_DROPBEGIN;
    event.drop.timestamp = SDL_GetTicks();
    event.drop.windowID = target.sdl_id;
    SDL_PushEvent(&event);
    for (const std::string& path : paths) {
        SDL_Event file = event;
        file.type = SDL_DROPFILE;
        file.drop.file = SDL_strdup(path.c_str()); // freed by the host when converted
        if (SDL_PushEvent(&file) != 1)
            SDL_free(file.drop.file);
    }
    event.type = SDL_DROPCOMPLETE;
    SDL_PushEvent(&event);
}

void InjectClose(HostHandle top_level)
{
    const HostWindowRecord* record = State().tree.Find(top_level);
    if (record == nullptr || record->sdl_window == nullptr)
        return;
    SDL_Event event {};
    event.type = SDL_WINDOWEVENT;
    event.window.timestamp = SDL_GetTicks();
    event.window.windowID = SDL_GetWindowID(record->sdl_window);
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
}

HostBitmap BackBuffer(HostHandle top_level)
{
    HostBitmap bitmap;
    const HostWindowRecord* top = PaintedTop(top_level);
    if (top == nullptr)
        return bitmap;
    cairo_surface_t* surface = top->back_buffer;
    cairo_surface_flush(surface);
    bitmap.width = cairo_image_surface_get_width(surface);
    bitmap.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    bitmap.pixels.resize(static_cast<size_t>(bitmap.width) * bitmap.height);
    for (int32_t y = 0; y < bitmap.height; ++y)
        std::memcpy(&bitmap.pixels[static_cast<size_t>(y) * bitmap.width],
            data + static_cast<size_t>(y) * stride, static_cast<size_t>(bitmap.width) * 4);
    return bitmap;
}

RawColour PixelAt(HostHandle window, HostPoint client)
{
    const HostRect area = State().tree.ClientInTop(window);
    return DevicePixelAt(window,
        { HostDisplayScale::CentreOf(area.left + client.x),
            HostDisplayScale::CentreOf(area.top + client.y) });
}

HostSize BufferSize(HostHandle window)
{
    const HostWindowRecord* top = PaintedTop(window);
    if (top == nullptr)
        return {};
    return { cairo_image_surface_get_width(top->back_buffer),
        cairo_image_surface_get_height(top->back_buffer) };
}

RawColour DevicePixelAt(HostHandle window, HostPoint device)
{
    const HostWindowRecord* top = PaintedTop(window);
    if (top == nullptr)
        return RawColour::None();
    const int32_t x = device.x;
    const int32_t y = device.y;
    cairo_surface_t* surface = top->back_buffer;
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface)
        || y >= cairo_image_surface_get_height(surface))
        return RawColour::None();
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface)
        + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, row + static_cast<size_t>(x) * 4, 4);
    // Back buffers are opaque: the colour channels are the colour.
    return RawColour::FromRgb(
        static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8), static_cast<uint8_t>(pixel));
}

void DrainMessages()
{
    // Timers count only when they were due as the drain began, so that a short timer
    // cannot keep the drain going for ever.
    const uint64_t cutoff = Now();
    HostMessage message;
    while (HostMessageSource::Next(message, false, true, cutoff)) {
        if (message.message == HostMsg::kQuit) {
            if (State().started)
                PostQuitMessage(static_cast<int>(message.wparam));
            return;
        }
        TranslateMessage(message);
        DispatchMessage(message);
    }
}

void BlinkCaret(HostHandle window)
{
    HostCaretService::Blink(State().tree.TopLevelOf(window));
}

} // namespace WinLayer::Host
