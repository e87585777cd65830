#pragma once

// The queue of the user-interface thread. Entries are posted messages (from any thread) and raw
// SDL events, kept in arrival order; a raw event is turned into messages only when its turn
// comes, so input goes to the window that has the focus at that moment, after everything
// queued before it has been handled. Posting wakes a loop waiting in SDL with one user event.

#include <toolkit/host/HostTypes.h>

#include <deque>
#include <mutex>

#include <SDL_events.h>

namespace WinLayer {

class HostMessageQueue {
public:
    struct Entry {
        bool raw = false;
        SDL_Event event {};
        HostMessage message {};
    };

    // Starts accepting posts; `wake_event_type` is the registered SDL event used to wake.
    void Open(uint32_t wake_event_type);
    // Stops accepting posts and drops what is queued (raw events' payloads are freed).
    void Close();
    bool IsOpen();

    // Thread-safe. False when the queue is closed.
    bool Post(const HostMessage& message);
    // The user-interface thread moves SDL events in.
    void PushRaw(const SDL_Event& event);
    bool Pop(Entry& entry);
    bool Empty();
    // The wake event was taken from SDL's queue: the next post sends another.
    void WakeTaken();

    // Frees what SDL allocated for an event (dropped file names, long composition texts).
    static void FreePayload(SDL_Event& event);

private:
    std::mutex mutex_;
    std::deque<Entry> entries_;
    bool open_ = false;
    bool wake_pending_ = false;
    uint32_t wake_type_ = 0;
};

} // namespace WinLayer
