#pragma once

// How popup menus look: the font, the size of each item, and the painting of a level.

#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <string>
#include <vector>

namespace WinLayer {

class HostPainter;

namespace HostMenuLook {

// The size of a level's window; `items` gets each item's rectangle in it.
HostSize Measure(const HostMenu& menu, std::vector<HostRect>& items);
void Paint(HostPainter& painter, const HostMenu& menu, const std::vector<HostRect>& items, HostSize size,
    int32_t highlight);
// The mnemonic of an item's text ("&x" before any tab), lower-cased; 0 when none.
uint32_t Mnemonic(const std::string& text);

} // namespace HostMenuLook

} // namespace WinLayer
