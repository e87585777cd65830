#include <toolkit/WinEditBox.h>
#include <toolkit/WinEditBoxDialogEx.h>

namespace WinLayer {

WinEditBoxDialogEx::WinEditBoxDialogEx(WinEditBox& box)
    : box_(box)
{
    SetClassName(RawLayer::RawString("Class_EditBarDialog"));
    SetStyleWords(
        HostStyle::kPopup | HostStyle::kClipChildren, HostExStyle::kTopmost | HostExStyle::kToolWindow);
}

int WinEditBoxDialogEx::Edit(WinView* caller, const HostRect& screen_rect, const std::u16string& text)
{
    SetRect(screen_rect);
    edited_ = text;
    code_ = kCancelled;
    ShowModal(caller);
    return code_;
}

void WinEditBoxDialogEx::RegisterChildren()
{
    box_.SetRect({ 0, 0, rect_.Width(), rect_.Height() });
    box_.SetAnchors(WinViewResize::kLeftByLeft | WinViewResize::kRightByRight | WinViewResize::kTopByTop
            | WinViewResize::kBottomByBottom,
        &ClientRecord());
    AddChild(box_);
}

void WinEditBoxDialogEx::OnCreated()
{
    box_.SetText(RawLayer::RawString(std::u16string_view(edited_)));
    box_.Focus();
    box_.SelectAll();
}

HostResult WinEditBoxDialogEx::OnNotify(WinView* child, uint32_t code)
{
    if (child != &box_)
        return 0;
    edited_ = box_.Text16();
    if (code == WinEditBox::kNotifyEnter || code == kNotifyCommit)
        End(kCommitted);
    else if (code == WinEditBox::kNotifyCancel)
        End(kCancelled);
    return 0;
}

void WinEditBoxDialogEx::End(int code)
{
    // A second ending (a queued Enter after Escape) changes nothing.
    if ((State() & kClosed) != 0 || !IsOpen())
        return;
    code_ = code;
    EndDialog(&code_);
}

} // namespace WinLayer
