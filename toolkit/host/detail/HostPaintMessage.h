#pragma once

// The paint message: the host sends kPaint to a window with a painter on the back buffer's
// context, which the caller has clipped and moved to the window's client area.

#include <toolkit/host/HostTypes.h>

struct _cairo;

namespace WinLayer {

struct HostPaintMessage {
    static void Send(_cairo* context, HostHandle window);
};

} // namespace WinLayer
