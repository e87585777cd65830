#include <app/GuiEditBoxActivator.h>
#include <toolkit/WinListBox.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace AppLayer {

using WinLayer::HostRect;

namespace {

// A row far outside the view of a long list lies beyond what a rectangle can hold.
int32_t ToPixels(int64_t offset)
{
    return static_cast<int32_t>(std::clamp<int64_t>(offset, -(int64_t { 1 } << 30), int64_t { 1 } << 30));
}

} // namespace

GuiEditBoxActivator::GuiEditBoxActivator(WinLayer::WinListBox& list, Server& server)
    : WinListBoxEditActivator(list, server, editor_)
{
    bar_.SetEditFlags(bar_.EditFlags() | WinLayer::WinEditBoxInfo::kInPlaceEditor);
    editor_.SetClassName(RawLayer::RawString("Class_EditBarDialog"));
}

HostRect GuiEditBoxActivator::ClientEditorRect(int32_t index) const
{
    const WinLayer::WinListBox& list = List();
    const HostRect client = WinLayer::Host::ClientRect(list.Window());
    HostRect rect = client;
    if (list.Rows().Valid(index)) {
        const int64_t top = list.Heights().OffsetOf(index) - list.ScrollY();
        rect.top = ToPixels(top);
        rect.bottom = ToPixels(top + list.Heights().Height(index));
    }
    if (wide_) {
        rect.right += WinLayer::Host::Metric(WinLayer::HostMetric::VScrollWidth);
        rect.bottom = std::min(rect.bottom, client.bottom);
        rect.bottom = std::max(rect.bottom, rect.top + kWideRows * list.StandardRowHeight());
    }
    return rect;
}

HostRect GuiEditBoxActivator::EditorRect(int32_t index)
{
    return ToScreen(ClientEditorRect(index));
}

} // namespace AppLayer
