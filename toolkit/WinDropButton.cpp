#include <toolkit/WinDropButton.h>

namespace WinLayer {

WinDropButton::WinDropButton()
{
    SetStyleWords(Style(), ExStyle() | HostExStyle::kAcceptFiles);
}

bool WinDropButton::OnDropFiles(const std::vector<std::string>& paths, HostPoint)
{
    // A disabled button takes no drop, as it takes no click.
    if (execution_ == nullptr || !Enabled())
        return true;
    RawLayer::RawStringList list;
    for (const std::string& path : paths)
        list.Add(RawLayer::RawString(path, RawLayer::RawEncoding::Utf8));
    execution_->Execute(*this, list);
    return true;
}

} // namespace WinLayer
