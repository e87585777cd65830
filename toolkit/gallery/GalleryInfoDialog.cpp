#include <toolkit/gallery/GalleryInfoDialog.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostWindow.h>

#include <cstdio>

namespace Gallery {

namespace {

constexpr uint32_t kMsgScreenshot = HostMsg::kApp + 0x100;

} // namespace

GalleryInfoDialog::GalleryInfoDialog(ButtonSet set, Icon icon, std::string screenshot)
    : WinInfoDialog(RawLayer::RawString("Quelvane gallery"),
        RawLayer::RawString(
            "Replace the found texts in 12 files?\nBackups are kept, so every change can be undone "
            "later from the backup list."),
        set, icon)
    , screenshot_(std::move(screenshot))
{
}

void GalleryInfoDialog::OnCreated()
{
    WinInfoDialog::OnCreated();
    // Posted: it arrives once the modal loop runs, after the window was shown.
    if (!screenshot_.empty())
        Host::PostMessage(Window(), kMsgScreenshot, 0, 0);
}

HostResult GalleryInfoDialog::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    if (message != kMsgScreenshot)
        return WinInfoDialog::HandleMessage(message, wparam, lparam);
    Host::UpdateWindow(Window());
    if (!Host::SaveWindowAsPng(Window(), screenshot_))
        std::fprintf(stderr, "quelvane-gallery: cannot write %s\n", screenshot_.c_str());
    End(kOk);
    return 0;
}

} // namespace Gallery
