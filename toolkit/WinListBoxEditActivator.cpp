#include <toolkit/WinEditBoxDialogEx.h>
#include <toolkit/WinListBox.h>
#include <toolkit/WinListBoxEditActivator.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

WinListBoxEditActivator::WinListBoxEditActivator(WinListBox& list, Server& server, WinEditBoxDialogEx& editor)
    : list_(list)
    , server_(server)
    , editor_(editor)
{
}

int WinListBoxEditActivator::Edit(int32_t row)
{
    if (list_.Window() == 0 || !list_.Rows().Valid(row))
        return WinEditBoxDialogEx::kCancelled;
    list_.ScrollIntoView(row);
    const std::u16string text = server_.ItemText(row);
    const int result = editor_.Edit(&list_, EditorRect(row), text);
    if (result == WinEditBoxDialogEx::kCommitted)
        server_.SetItemText(row, editor_.EditedText());
    return result;
}

HostRect WinListBoxEditActivator::EditorRect(int32_t row)
{
    HostRect rect = list_.RowRect(row);
    const HostRect client = Host::ClientRect(list_.Window());
    rect.left = std::max(rect.left, client.left);
    rect.right = std::min(rect.right, client.right);
    return ToScreen(rect);
}

HostRect WinListBoxEditActivator::ToScreen(const HostRect& client) const
{
    const HostPoint top_left = Host::ClientToScreen(list_.Window(), { client.left, client.top });
    return { top_left.x, top_left.y, top_left.x + client.Width(), top_left.y + client.Height() };
}

} // namespace WinLayer
