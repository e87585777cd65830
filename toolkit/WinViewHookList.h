#pragma once

// The hooks attached to one view, asked in the order they were added. The list does not own its
// hooks: whoever attaches a hook removes it before the hook goes away.

#include <core/RawListR.h>
#include <toolkit/WinViewHook.h>

#include <cstdint>

namespace WinLayer {

// Releasing an entry leaves the hook alone: hooks belong to whoever attached them.
class WinViewHookListAllocator : public RawLayer::RawListAllocator<WinViewHook> {
public:
    void Delete(WinViewHook*) override { }
};

class WinViewHookList {
public:
    WinViewHookList() = default;
    WinViewHookList(const WinViewHookList&) = delete;
    WinViewHookList& operator=(const WinViewHookList&) = delete;

    // Appends `hook`; false when it is attached already.
    bool Add(WinViewHook& hook);
    // Detaches `hook`; false when it was not attached.
    bool Remove(WinViewHook& hook);
    bool Contains(const WinViewHook& hook) const;
    int32_t Count() const { return hooks_.Count(); }

    // Asks the hooks in order and returns the first answer other than kHostNotHandled, or
    // kHostNotHandled. A hook may detach itself or others while it is asked.
    HostResult Ask(WinView& view, uint32_t message, HostWParam wparam, HostLParam lparam) const;

private:
    RawLayer::RawListR<WinViewHookListAllocator, WinViewHook> hooks_;
};

} // namespace WinLayer
