#include <toolkit/WinViewHookList.h>

#include <vector>

namespace WinLayer {

bool WinViewHookList::Add(WinViewHook& hook)
{
    if (Contains(hook))
        return false;
    hooks_.Append(&hook);
    return true;
}

bool WinViewHookList::Remove(WinViewHook& hook)
{
    for (auto it = hooks_.begin(); it != hooks_.end(); ++it) {
        if (&*it == &hook) {
            hooks_.Remove(it);
            return true;
        }
    }
    return false;
}

bool WinViewHookList::Contains(const WinViewHook& hook) const
{
    for (const WinViewHook& entry : hooks_) {
        if (&entry == &hook)
            return true;
    }
    return false;
}

HostResult WinViewHookList::Ask(WinView& view, uint32_t message, HostWParam wparam, HostLParam lparam) const
{
    if (hooks_.IsEmpty())
        return kHostNotHandled;
    // A hook may detach itself (or another) while it runs: walk a copy and skip hooks that are
    // no longer attached when their turn comes.
    std::vector<WinViewHook*> order;
    order.reserve(static_cast<size_t>(hooks_.Count()));
    for (WinViewHook& hook : hooks_)
        order.push_back(&hook);
    for (WinViewHook* hook : order) {
        if (!Contains(*hook))
            continue;
        HostResult result = hook->HookMessage(view, message, wparam, lparam);
        if (result != kHostNotHandled)
            return result;
    }
    return kHostNotHandled;
}

} // namespace WinLayer
