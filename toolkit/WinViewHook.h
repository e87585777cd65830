#pragma once

// A message hook attached to a view: it sees every message the view's handler sees, after the
// view's own HandleMessage. A hook that answers anything but kHostNotHandled gives the message's
// result, and the hooks after it are not asked.

#include <toolkit/host/HostTypes.h>

#include <cstdint>

namespace WinLayer {

class WinView;

class WinViewHook {
public:
    virtual ~WinViewHook() = default;
    // A message of `view`; kHostNotHandled lets the next hook and the default handling go on.
    virtual HostResult HookMessage(WinView& view, uint32_t message, HostWParam wparam, HostLParam lparam) = 0;
};

} // namespace WinLayer
