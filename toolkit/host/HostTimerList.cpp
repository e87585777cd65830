#include <toolkit/host/detail/HostTimerList.h>

#include <algorithm>

namespace WinLayer {

void HostTimerList::Set(HostHandle window, uintptr_t id, uint32_t interval_ms, uint64_t now)
{
    // A zero interval would fire on every turn of the loop and starve it.
    const uint32_t interval = std::max<uint32_t>(interval_ms, 1);
    for (Timer& timer : timers_) {
        if (timer.window == window && timer.id == id) {
            timer.interval = interval;
            timer.due = now + interval;
            return;
        }
    }
    timers_.push_back({ window, id, interval, now + interval, next_order_++ });
}

bool HostTimerList::Kill(HostHandle window, uintptr_t id)
{
    return std::erase_if(timers_, [&](const Timer& t) { return t.window == window && t.id == id; }) > 0;
}

void HostTimerList::KillWindow(HostHandle window)
{
    std::erase_if(timers_, [&](const Timer& t) { return t.window == window; });
}

bool HostTimerList::Has(HostHandle window, uintptr_t id) const
{
    return std::any_of(
        timers_.begin(), timers_.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
}

bool HostTimerList::TakeDue(uint64_t now, uint64_t cutoff, HostHandle& window, uintptr_t& id)
{
    Timer* first = nullptr;
    for (Timer& timer : timers_) {
        if (timer.due > now || timer.due > cutoff)
            continue;
        if (first == nullptr || timer.due < first->due
            || (timer.due == first->due && timer.order < first->order))
            first = &timer;
    }
    if (first == nullptr)
        return false;
    window = first->window;
    id = first->id;
    // The next firing counts from now: a loop that was busy gets one message, not a burst.
    first->due = now + first->interval;
    return true;
}

int64_t HostTimerList::NextDelay(uint64_t now) const
{
    int64_t delay = -1;
    for (const Timer& timer : timers_) {
        const int64_t until = timer.due > now ? static_cast<int64_t>(timer.due - now) : 0;
        if (delay < 0 || until < delay)
            delay = until;
    }
    return delay;
}

} // namespace WinLayer
