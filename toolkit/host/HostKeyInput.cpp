// Keys, text and composition, for the host's focus window (or the active top-level): never
// for whichever SDL window the window system gave the keyboard.

#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostInput.h>
#include <toolkit/host/detail/HostKeyMap.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>
#include <string>

#include <SDL.h>

namespace WinLayer {

namespace {
int32_t CountCodePoints(const std::string& utf8)
{
    int32_t count = 0;
    for (unsigned char c : utf8)
        count += (c & 0xC0) != 0x80 ? 1 : 0;
    return count;
}
} // namespace

void HostInput::Emit(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam)
{
    HostState& state = State();
    state.ready.push_back({ window, message, wparam, lparam, Host::Ticks(), state.pointer });
}

HostHandle HostInput::KeyTarget()
{
    const HostState& state = State();
    if (Host::IsWindow(state.focus))
        return state.focus;
    return Host::IsWindow(state.active) ? state.active : 0;
}

void HostInput::Key(const SDL_KeyboardEvent& event)
{
    HostState& state = State();
    const bool down = event.type == SDL_KEYDOWN;
    state.modifiers = event.keysym.mod;
    const uint32_t vk = HostKeyMap::VirtualKey(event.keysym.sym);
    if (vk != 0 && vk < state.keys_down.size())
        state.keys_down[vk] = down;
    const HostHandle target = KeyTarget();
    if (vk == 0 || target == 0)
        return;
    const bool alt = (event.keysym.mod & KMOD_ALT) != 0;
    const bool ctrl = (event.keysym.mod & KMOD_CTRL) != 0;
    // Alt (without Ctrl, which makes AltGr) and F10 are the system keys that drive menus.
    const bool system = (alt && !ctrl) || vk == HostKey::kMenu || vk == HostKey::kF1 + 9;
    HostLParam lparam = 1 | (static_cast<HostLParam>(event.keysym.scancode & 0xFF) << 16);
    if (alt)
        lparam |= HostLParam { 1 } << 29;
    if (event.repeat != 0 || !down)
        lparam |= HostLParam { 1 } << 30;
    if (!down)
        lparam |= HostLParam { 1 } << 31;
    const uint32_t message = system ? (down ? HostMsg::kSysKeyDown : HostMsg::kSysKeyUp)
                                    : (down ? HostMsg::kKeyDown : HostMsg::kKeyUp);
    Emit(target, message, vk, lparam);
}

void HostInput::TextInput(const char* text)
{
    HostState& state = State();
    const HostHandle target = KeyTarget();
    const std::string utf8 = text;
    if (state.composing) {
        // The input method finished its composition: the result comes as the composition's
        // result text, and no kChar repeats it.
        state.composing = false;
        if (target == 0)
            return;
        HostComposition result { utf8, CountCodePoints(utf8), 0, true };
        Host::SendMessage(target, HostMsg::kImeComposition, 0, reinterpret_cast<HostLParam>(&result));
        Host::SendMessage(target, HostMsg::kImeEndComposition, 0, 0);
        return;
    }
    if (target == 0)
        return;
    const char* p = utf8.c_str();
    const char* end = p + utf8.size();
    while (p < end) {
        const unsigned char lead = static_cast<unsigned char>(*p);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int i = 1; i < length && p + i < end; ++i)
            code = (code << 6) | (static_cast<unsigned char>(p[i]) & 0x3F);
        Emit(target, HostMsg::kChar, code, 1);
        p += length;
    }
}

void HostInput::TextEditing(const char* text, int32_t start, int32_t length)
{
    HostState& state = State();
    const HostHandle target = KeyTarget();
    const std::string utf8 = text;
    if (utf8.empty()) {
        if (state.composing) {
            state.composing = false;
            if (target != 0)
                Host::SendMessage(target, HostMsg::kImeEndComposition, 0, 0);
        }
        return;
    }
    if (!state.composing) {
        state.composing = true;
        if (target != 0)
            Host::SendMessage(target, HostMsg::kImeStartComposition, 0, 0);
    }
    if (!Host::IsWindow(target))
        return;
    // SDL counts in code points; the length is -1 when the input method gives none.
    const int32_t characters = CountCodePoints(utf8);
    const int32_t cursor = std::clamp(start, 0, characters);
    HostComposition composition { utf8, cursor, std::clamp(length, 0, characters - cursor), false };
    Host::SendMessage(target, HostMsg::kImeComposition, 0, reinterpret_cast<HostLParam>(&composition));
}

namespace Host {

void EndComposition()
{
    HostState& state = State();
    if (!state.composing)
        return;
    state.composing = false;
    // SDL has no call to commit a composition; restarting text input resets the input
    // context, which drops the composition string.
    SDL_StopTextInput();
    SDL_StartTextInput();
    if (const HostHandle target = HostInput::KeyTarget(); target != 0)
        Host::SendMessage(target, HostMsg::kImeEndComposition, 0, 0);
}

} // namespace Host

} // namespace WinLayer
