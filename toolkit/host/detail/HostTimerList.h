#pragma once

// Timers by (window, id). Times are milliseconds of SDL's 64-bit clock, so they never wrap.

#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <vector>

namespace WinLayer {

class HostTimerList {
public:
    // Starts or restarts a timer; the first firing is `interval_ms` from `now`.
    void Set(HostHandle window, uintptr_t id, uint32_t interval_ms, uint64_t now);
    bool Kill(HostHandle window, uintptr_t id);
    void KillWindow(HostHandle window);
    void Clear() { timers_.clear(); }
    bool Has(HostHandle window, uintptr_t id) const;

    // The timer due at `now` that was due first (ties: the one set first), restarted for its
    // next interval. Only timers that were due at or before `cutoff` are considered.
    bool TakeDue(uint64_t now, uint64_t cutoff, HostHandle& window, uintptr_t& id);
    // Milliseconds until the next timer is due (0 when one is due), or -1 without timers.
    int64_t NextDelay(uint64_t now) const;

private:
    struct Timer {
        HostHandle window = 0;
        uintptr_t id = 0;
        uint32_t interval = 0;
        uint64_t due = 0;
        uint64_t order = 0;
    };
    std::vector<Timer> timers_;
    uint64_t next_order_ = 0;
};

} // namespace WinLayer
