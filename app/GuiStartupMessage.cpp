#include <app/GuiStartup.h>
#include <app/GuiStartupMessage.h>
#include <toolkit/WinInfoDialog.h>
#include <toolkit/host/HostSystem.h>

#include <cstdio>

namespace AppLayer {

using WinLayer::WinInfoDialog;

bool GuiStartupMessage::Show(const std::string& message, Kind kind)
{
    std::fprintf(stderr, "%s: %s\n", GuiStartup::kCaption, message.c_str());
    std::fflush(stderr);
    // The host was not started by anyone before us: start-up messages come first.
    bool started_here = !WinLayer::Host::Started();
    if (started_here && !WinLayer::Host::Start())
        return false;
    bool shown = false;
    if (!WinLayer::Host::Headless()) {
        WinLayer::HostRect screen = WinLayer::Host::WorkArea();
        WinInfoDialog::Show(screen,
            RawString(std::string_view(GuiStartup::kCaption), RawLayer::RawEncoding::Utf8),
            RawString(message, RawLayer::RawEncoding::Utf8), WinInfoDialog::ButtonSet::Ok,
            kind == Kind::Warning ? WinInfoDialog::Icon::Warning : WinInfoDialog::Icon::Information);
        shown = true;
    }
    if (started_here)
        WinLayer::Host::Stop();
    return shown;
}

} // namespace AppLayer
