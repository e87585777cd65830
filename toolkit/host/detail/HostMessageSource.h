#pragma once

// Where GetMessage, PeekMessage and the tests' drain take their messages from.

#include <toolkit/host/HostTypes.h>

#include <cstdint>

namespace WinLayer::HostMessageSource {

constexpr uint64_t kNoCutoff = UINT64_MAX;

// The next message in the order quit, converted input, queue, painting, timers; waits only when
// `wait` is set. Timers that fell due after `timer_cutoff` (SDL's milliseconds) are left for
// later. False when nothing was there (never while waiting, except when the host has stopped).
bool Next(HostMessage& out, bool wait, bool remove, uint64_t timer_cutoff);

} // namespace WinLayer::HostMessageSource
