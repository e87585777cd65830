#pragma once

// A row of the result list as the list sees it: the toolkit's row unit, pointing at the row's
// result block, with the per-row flags (selected, layout cached). The flags live in the unit
// itself, so a row record costs nothing beyond the toolkit's row.

#include <engine/JobBlockUnit.h>
#include <toolkit/WinListBoxItemList.h>

#include <cstdint>

namespace AppLayer {

class GuiViewBoxItemUnit {
public:
    // Set while the row's text layout is in the list's cache; beside the toolkit's own bits.
    static constexpr uint16_t kLayoutCached = 0x0100;

    explicit GuiViewBoxItemUnit(WinLayer::WinListBoxItemUnit& unit)
        : unit_(unit)
    {
    }

    JobLayer::JobBlockUnit* Block() const { return static_cast<JobLayer::JobBlockUnit*>(unit_.Item()); }
    bool Selected() const { return unit_.Selected(); }
    bool LayoutCached() const { return (unit_.Flags() & kLayoutCached) != 0; }
    void SetLayoutCached(bool cached)
    {
        const uint16_t flags = unit_.Flags();
        unit_.SetFlags(cached ? flags | kLayoutCached : flags & ~kLayoutCached);
    }

private:
    WinLayer::WinListBoxItemUnit& unit_;
};

} // namespace AppLayer
