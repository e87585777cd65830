#include <app/GuiViewDialog.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace AppLayer {

using WinLayer::HostSize;

GuiViewDialog::GuiViewDialog()
{
    SetClassName(RawLayer::RawString(kClassName, RawLayer::RawEncoding::Utf8));
    SetIcons(kLargeIcon, kSmallIcon);
    SetText(RawLayer::RawString(kClassName, RawLayer::RawEncoding::Utf8));
    SetStyleWords(WinLayer::HostStyle::kOverlappedWindow | WinLayer::HostStyle::kClipChildren, 0);
}

void GuiViewDialog::RegisterChildren()
{
    if (controller_ != nullptr)
        controller_->RegisterControls();
}

void GuiViewDialog::OnCreated()
{
    if (controller_ != nullptr)
        controller_->Created();
}

WinLayer::HostResult GuiViewDialog::OnNotify(WinLayer::WinView* child, uint32_t code)
{
    // Escape in a control must not end the program, so the dialog's own cancel is not used.
    if (controller_ != nullptr)
        controller_->Command(child, code);
    return 0;
}

bool GuiViewDialog::OnTimer(uintptr_t id)
{
    if (controller_ == nullptr)
        return false;
    controller_->Timer(id);
    return true;
}

bool GuiViewDialog::CanClose()
{
    return controller_ == nullptr || controller_->MayClose();
}

bool GuiViewDialog::AdjustMinTrackSize(HostSize& min_track)
{
    if (controller_ == nullptr)
        return WinDialog::AdjustMinTrackSize(min_track);
    const HostSize client = controller_->MinimumClient();
    const WinLayer::HostRect outer
        = WinLayer::Host::AdjustWindowRect({ 0, 0, client.cx, client.cy }, Style(), ExStyle());
    const HostSize wanted { std::max(min_track.cx, outer.Width()), std::max(min_track.cy, outer.Height()) };
    const bool changed = wanted.cx != min_track.cx || wanted.cy != min_track.cy;
    min_track = wanted;
    return changed;
}

void GuiViewDialog::OnDestroyed()
{
    WinDialog::OnDestroyed();
    if (controller_ != nullptr)
        controller_->Destroyed();
}

} // namespace AppLayer
