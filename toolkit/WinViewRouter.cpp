#include <toolkit/WinDialog.h>
#include <toolkit/WinView.h>
#include <toolkit/WinViewRouter.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

WinViewRouter& WinViewRouter::Instance()
{
    static WinViewRouter* router = new WinViewRouter();
    return *router;
}

WinView* WinViewRouter::Find(HostHandle window) const
{
    auto it = views_.find(window);
    return it == views_.end() ? nullptr : it->second;
}

void WinViewRouter::Bind(HostHandle window, WinView& view)
{
    views_[window] = &view;
    view.AttachWindow(window, view.OwnerDialog(), view.Id());
}

void WinViewRouter::Forget(const WinView& view)
{
    if (pending_ == &view)
        pending_ = nullptr;
    for (auto it = views_.begin(); it != views_.end();) {
        if (it->second == &view)
            it = views_.erase(it);
        else
            ++it;
    }
}

HostHandle WinViewRouter::CreateFor(WinView& view, const HostCreateInfo& info)
{
    WinView* outer = pending_;
    pending_ = &view;
    HostCreateInfo routed = info;
    routed.proc = this;
    HostHandle window = Host::CreateWindow(routed);
    pending_ = outer;
    if (window != 0 && Host::IsWindow(window)) {
        if (Find(window) != &view)
            Bind(window, view);
        return window;
    }
    // A window that failed on its creation message may have been bound already.
    Forget(view);
    view.DetachWindow();
    return 0;
}

HostResult WinViewRouter::WindowProc(
    HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam)
{
    WinView* view = Find(window);
    if (view == nullptr && pending_ != nullptr) {
        // The first message of a window being made: it belongs to the view that asked for it.
        view = pending_;
        pending_ = nullptr;
        Bind(window, *view);
    }
    if (view == nullptr)
        return Host::DefaultProc(window, message, wparam, lparam);

    HostResult result;
    auto* dialog = dynamic_cast<WinDialog*>(view);
    if (dialog != nullptr && dialog->OwnerDialog() == nullptr)
        result = dialog->Route(message, wparam, lparam);
    else
        result = view->Dispatch(message, wparam, lparam);

    if (message == HostMsg::kNcDestroy) {
        // The last message of the window: the view is without a window from now on.
        auto it = views_.find(window);
        if (it != views_.end()) {
            WinView* owner = it->second;
            views_.erase(it);
            if (owner->Window() == window)
                owner->DetachWindow();
        }
    }
    return result;
}

} // namespace WinLayer
