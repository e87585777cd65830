#include <toolkit/WinDropButton.h>

namespace WinLayer {

WinDropButton::WinDropButton()
{
    SetStyleWords(Style(), ExStyle() | HostExStyle::kAcceptFiles);
}

HostResult WinDropButton::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    if (message != HostMsg::kDropFiles)
        return WinButton::HandleMessage(message, wparam, lparam);
    const auto* drop = reinterpret_cast<const HostDrop*>(lparam);
    // A disabled button takes no drop, as it takes no click.
    if (drop == nullptr || execution_ == nullptr || !Enabled())
        return 0;
    RawLayer::RawStringList paths;
    for (const std::string& path : drop->paths)
        paths.Add(RawLayer::RawString(path, RawLayer::RawEncoding::Utf8));
    execution_->Execute(*this, paths);
    return 0;
}

} // namespace WinLayer
