#include <toolkit/WinTMenuExecution.h>
#include <toolkit/WinView.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostSystemMenu.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

WinTMenuExecution::~WinTMenuExecution()
{
    Detach();
}

void WinTMenuExecution::Attach(WinView& view)
{
    Detach();
    view_ = &view;
    view.Hooks().Add(*this);
    if (view.Window() != 0)
        Build();
}

void WinTMenuExecution::Detach()
{
    if (view_ != nullptr)
        view_->Hooks().Remove(*this);
    view_ = nullptr;
}

HostMenu* WinTMenuExecution::Menu() const
{
    if (view_ == nullptr || view_->Window() == 0 || (Host::Style(view_->Window()) & HostStyle::kSysMenu) == 0)
        return nullptr;
    return HostSystemMenu::Items(view_->Window());
}

void WinTMenuExecution::Build()
{
    if (HostMenu* items = Menu()) {
        items->Clear();
        BuildItems(*items);
    }
}

void WinTMenuExecution::RefreshItems(HostMenu& items)
{
    items.Clear();
    BuildItems(items);
}

HostResult WinTMenuExecution::HookMessage(WinView& view, uint32_t message, HostWParam wparam, HostLParam)
{
    if (&view != view_)
        return kHostNotHandled;
    switch (message) {
    case HostMsg::kCreate:
        Build();
        break;
    case HostMsg::kInitMenuPopup:
        if (HostMenu* items = Menu())
            RefreshItems(*items);
        break;
    case HostMsg::kSysCommand:
        Execute(static_cast<uint32_t>(wparam));
        break;
    default:
        break;
    }
    return kHostNotHandled;
}

} // namespace WinLayer
