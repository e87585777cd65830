#pragma once

// Painting: a cairo image surface per top-level. The invalid part of a top-level is painted by
// sending kPaint to the top-level and each visible child that meets it, parent first and then
// the children bottom to top, each clipped to its client area, its parents' client areas and
// the invalid part; then the frames (borders, scroll bars); then the part goes to the screen.

#include <toolkit/host/HostTypes.h>

namespace WinLayer {
struct HostWindowRecord;
}

namespace WinLayer::HostBackBuffer {

// Adds a part of the client area (all of it when null) to the top-level's invalid part.
void Invalidate(HostHandle window, const HostRect* client_rect);
// Adds the whole window, frame included.
void InvalidateOuter(HostHandle window);
// Adds a rectangle in top coordinates.
void InvalidateInTop(HostHandle top, const HostRect& in_top);

bool PaintPending();
void PaintAll();
void PaintTop(HostHandle top);
// Copies a part of the back buffer to the SDL window.
void Present(HostWindowRecord& top, const HostRect& in_top);
void Release(HostWindowRecord& top);

} // namespace WinLayer::HostBackBuffer
