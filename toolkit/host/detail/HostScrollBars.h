#pragma once

// The scroll bars in the frame of windows whose style has kVScroll or kHScroll: their layout,
// drawing, and the mouse on them (arrows and page areas repeat while held; the thumb sends
// kSbThumbTrack while dragged, then kSbThumbPosition and kSbEndScroll).

#include <toolkit/host/HostTypes.h>

struct _cairo;

namespace WinLayer::HostScrollBars {

enum Part { kNone = 0, kArrowUp, kPageUp, kThumb, kPageDown, kArrowDown };

struct Geometry {
    HostRect bar {};         // in top coordinates
    HostRect thumb {};       // empty when the bar cannot scroll
    int32_t track_start = 0; // along the bar
    int32_t track_length = 0;
    int32_t arrow = 0;
    bool vertical = true;
};

Geometry Layout(HostHandle window, int bar);
Part PartAt(const Geometry& geometry, HostPoint in_top);
// Clamps a scroll range as SetScrollInfo stores it.
HostScrollInfo Clamp(const HostScrollInfo& info);

void Draw(_cairo* context, HostHandle window);
// A press in a window's frame; true when it was on a scroll bar (the click is used up).
bool MouseDown(HostHandle window, HostPoint in_top);
void MouseMove(HostPoint in_top);
void MouseUp();
// The host's repeat timer fired while an arrow or page area is held.
void Repeat();

} // namespace WinLayer::HostScrollBars
