#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostCaretService.h>
#include <toolkit/host/detail/HostEventPump.h>
#include <toolkit/host/detail/HostMessageSource.h>
#include <toolkit/host/detail/HostScrollBars.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>
#include <climits>

#include <SDL.h>

namespace WinLayer {

bool HostMessageSource::Next(HostMessage& out, bool wait, bool remove, uint64_t timer_cutoff)
{
    HostState& state = State();
    for (;;) {
        if (!state.started) {
            out = { 0, HostMsg::kQuit, 0, 0, 0, {} };
            return false;
        }
        if (state.quit_pending) {
            out = { 0, HostMsg::kQuit, static_cast<HostWParam>(state.quit_code), 0, Host::Ticks(),
                state.pointer };
            if (remove)
                state.quit_pending = false;
            return true;
        }
        if (!state.ready.empty()) {
            out = state.ready.front();
            if (remove)
                state.ready.pop_front();
            return true;
        }
        HostEventPump::Pump();
        HostMessageQueue::Entry entry;
        if (Queue().Pop(entry)) {
            if (entry.raw) {
                HostEventPump::Convert(entry.event);
                continue;
            }
            out = entry.message;
            out.time = Host::Ticks();
            out.point = state.pointer;
            if (!remove)
                state.ready.push_front(out);
            return true;
        }
        if (HostBackBuffer::PaintPending()) {
            HostBackBuffer::PaintAll();
            continue;
        }
        HostHandle window = 0;
        uintptr_t id = 0;
        if (state.timers.TakeDue(Now(), timer_cutoff, window, id)) {
            if (id == kHostScrollRepeatTimer) {
                HostScrollBars::Repeat();
                continue;
            }
            if (id == kHostCaretBlinkTimer) {
                HostCaretService::Blink(window);
                continue;
            }
            if (!Host::IsWindow(window)) {
                state.timers.Kill(window, id);
                continue;
            }
            out = { window, HostMsg::kTimer, id, 0, Host::Ticks(), state.pointer };
            if (!remove)
                state.ready.push_front(out);
            return true;
        }
        if (!wait)
            return false;
        const int64_t delay = state.timers.NextDelay(Now());
        SDL_WaitEventTimeout(nullptr, delay < 0 ? -1 : static_cast<int>(std::min<int64_t>(delay, INT_MAX)));
    }
}

namespace Host {

bool PostMessage(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam)
{
    return Queue().Post({ window, message, wparam, lparam, 0, {} });
}

void PostQuitMessage(int code)
{
    State().quit_pending = true;
    State().quit_code = code;
}

bool GetMessage(HostMessage& message)
{
    HostMessageSource::Next(message, true, true, HostMessageSource::kNoCutoff);
    return message.message != HostMsg::kQuit;
}

bool PeekMessage(HostMessage& message, bool remove)
{
    return HostMessageSource::Next(message, false, remove, HostMessageSource::kNoCutoff);
}

void TranslateMessage(const HostMessage& message)
{
    HostState& state = State();
    const bool key_down = message.message == HostMsg::kKeyDown;
    const bool sys_key_down = message.message == HostMsg::kSysKeyDown;
    if (!key_down && !sys_key_down)
        return;
    const uint32_t vk = static_cast<uint32_t>(message.wparam);
    const bool ctrl = (state.modifiers & KMOD_CTRL) != 0;
    const bool shift = (state.modifiers & KMOD_SHIFT) != 0;
    uint32_t code = 0;
    uint32_t char_message = HostMsg::kChar;
    if (sys_key_down) {
        // Alt with a letter or digit: the mnemonic character.
        if (vk >= 'A' && vk <= 'Z')
            code = shift ? vk : vk - 'A' + 'a';
        else if (vk >= '0' && vk <= '9')
            code = vk;
        char_message = HostMsg::kSysChar;
    } else if (vk == HostKey::kReturn) {
        code = ctrl ? 10 : 13;
    } else if (vk == HostKey::kTab && !ctrl) {
        code = 9;
    } else if (vk == HostKey::kBack) {
        code = ctrl ? 127 : 8;
    } else if (vk == HostKey::kEscape) {
        code = 27;
    } else if (ctrl && vk >= 'A' && vk <= 'Z') {
        code = vk - 'A' + 1;
    }
    if (code != 0)
        state.ready.push_front(
            { message.window, char_message, code, message.lparam, message.time, message.point });
}

HostResult DispatchMessage(const HostMessage& message)
{
    if (message.window == 0 || !IsWindow(message.window))
        return 0;
    HostState& state = State();
    const HostMessage outer = state.current;
    state.current = message;
    const HostResult result = SendMessage(message.window, message.message, message.wparam, message.lparam);
    State().current = outer;
    return result;
}

const HostMessage& CurrentMessage()
{
    return State().current;
}

bool SetTimer(HostHandle window, uintptr_t id, uint32_t interval_ms)
{
    if (!IsWindow(window) || id == kHostScrollRepeatTimer || id == kHostCaretBlinkTimer)
        return false;
    State().timers.Set(window, id, interval_ms, Now());
    return true;
}

bool KillTimer(HostHandle window, uintptr_t id)
{
    if (id == kHostScrollRepeatTimer || id == kHostCaretBlinkTimer)
        return false;
    return State().timers.Kill(window, id);
}

int RunMessageLoop()
{
    HostMessage message;
    while (GetMessage(message)) {
        TranslateMessage(message);
        DispatchMessage(message);
    }
    return static_cast<int>(message.wparam);
}

} // namespace Host

} // namespace WinLayer
