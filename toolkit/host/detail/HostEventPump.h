#pragma once

// SDL events into the message queue, and each queued event into messages when its turn comes.

#include <SDL_events.h>

namespace WinLayer::HostEventPump {

// Moves SDL's pending events into the host's queue (on the user-interface thread).
void Pump();
// Turns one event into messages: queued ones go to the host's ready list; composition, drops,
// activation and the like are sent at once. Frees the event's payload.
void Convert(SDL_Event& event);

} // namespace WinLayer::HostEventPump
