// WinDialog: construction and children; creation, modal run and placement. The message
// handlers are in WinDialogMessages.cpp.

#include <toolkit/WinDialog.h>
#include <toolkit/WinViewRouter.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

// --- Construction and children --------------------------------------------------------------

WinDialog::WinDialog()
    : views_(WinViewList::kDialogFirstId)
{
    style_ = HostStyle::kOverlappedWindow | HostStyle::kClipChildren;
}

WinDialog::~WinDialog()
{
    // The derived dialog is gone: the window's remaining messages must not reach it.
    WinViewRouter::Instance().Forget(*this);
    ends_loop_ = false;
    if (window_ != 0 && Host::IsWindow(window_))
        Host::DestroyWindow(window_);
    Roots().Remove(*this);
    for (WinView* view : views_.Snapshot()) {
        views_.Remove(*view);
        view->AttachWindow(view->Window(), nullptr, view->Id());
    }
}

WinViewList& WinDialog::Roots()
{
    // Lives until the process ends: root dialogs may be static objects themselves.
    static WinViewList* roots = new WinViewList(WinViewList::kRootFirstId);
    return *roots;
}

void WinDialog::RegisterChildren()
{
}

bool WinDialog::CanClose()
{
    return true;
}

bool WinDialog::AddChild(WinView& view)
{
    if (!IsOpen() || &view == this || view.OwnerDialog() != nullptr)
        return false;
    const uint16_t id = views_.Add(view);
    if (id == 0)
        return false;
    view.AttachWindow(0, this, id);

    HostCreateInfo info;
    info.class_name = view.ClassName().Str();
    info.text = view.TextUtf8();
    info.style = (view.Style() | HostStyle::kChild) & ~HostStyle::kPopup;
    info.ex_style = view.ExStyle();
    info.rect = view.Rect();
    info.parent = window_;
    info.id = id;
    HostHandle window = 0;
    if (view.Subclassed()) {
        window = WinViewRouter::Instance().CreateFor(view, info);
    } else {
        window = Host::CreateWindow(info);
        view.AttachWindow(window, this, id);
        view.SetFlags(view.Flags() | kSkipFocus);
    }
    if (window == 0) {
        views_.Remove(view);
        view.AttachWindow(0, nullptr, 0);
        return false;
    }
    Host::SetWindowFont(window, view.Font() ? view.Font()->Handle().get() : nullptr, true);
    view.OnCreated();
    return true;
}

HostResult WinDialog::OnCommand(uint32_t command_word)
{
    WinView* child = views_.FindById(HostLowWord(command_word));
    return OnNotify(child, HostHighWord(command_word));
}

HostResult WinDialog::OnNotify(WinView*, uint32_t code)
{
    if (code == kNotifyCancel && window_ != 0)
        Host::PostMessage(window_, HostMsg::kClose, 0, 0);
    return 0;
}

bool WinDialog::AdjustMinTrackSize(HostSize& min_track)
{
    constexpr uint32_t kHorizontal = 0x0077;
    constexpr uint32_t kVertical = 0x7700;
    int32_t width = 0;
    int32_t height = 0;
    for (WinView* view : views_.Snapshot()) {
        const bool linked = view->ParentLink() != nullptr;
        if (!linked || (view->Anchors() & kHorizontal) == 0)
            width = std::max(width, view->Rect().right);
        if (!linked || (view->Anchors() & kVertical) == 0)
            height = std::max(height, view->Rect().bottom);
    }
    if (width <= 0 && height <= 0)
        return false;
    const HostRect outer = Host::AdjustWindowRect(HostRect { 0, 0, width, height }, style_, ex_style_);
    bool changed = false;
    if (width > 0 && outer.Width() > min_track.cx) {
        min_track.cx = outer.Width();
        changed = true;
    }
    if (height > 0 && outer.Height() > min_track.cy) {
        min_track.cy = outer.Height();
        changed = true;
    }
    return changed;
}

void WinDialog::LayoutChildren()
{
    for (WinView* view : views_.Snapshot()) {
        if (view->FollowParent())
            view->MoveTo(view->Rect(), false);
    }
}

// --- Creation, modal run and placement --------------------------------------------------------

bool WinDialog::IsOpen() const
{
    return window_ != 0 && Host::IsWindow(window_);
}

bool WinDialog::CreateHostWindow(HostHandle owner_window)
{
    state_ &= ~kClosed;
    size_state_ = 5;
    const uint16_t id = Roots().Add(*this);
    AttachWindow(0, nullptr, id != 0 ? id : Id());

    HostCreateInfo info;
    info.class_name = class_name_.Str();
    info.text = TextUtf8();
    info.style = style_ & ~(HostStyle::kChild | HostStyle::kVisible);
    info.ex_style = ex_style_;
    info.rect = rect_;
    info.parent = owner_window;
    const HostHandle window = WinViewRouter::Instance().CreateFor(*this, info);
    if (window == 0) {
        Roots().Remove(*this);
        return false;
    }
    restore_ = Host::WindowRect(window);
    bool pre_translate = false;
    for (WinView* view : views_.Snapshot())
        pre_translate = pre_translate || (view->Flags() & kWantsPreTranslate) != 0;
    state_ = pre_translate ? (state_ | kChildWantsPreTranslate) : (state_ & ~kChildWantsPreTranslate);
    return true;
}

bool WinDialog::Create(WinView* owner)
{
    if (IsOpen() || modal_running_)
        return false;
    const HostHandle owner_window
        = owner != nullptr && owner->Window() != 0 ? Host::TopLevel(owner->Window()) : 0;
    ends_loop_ = owner == nullptr;
    if (!CreateHostWindow(owner_window)) {
        ends_loop_ = false;
        return false;
    }
    Host::ShowWindow(window_, show_command_);
    Host::UpdateWindow(window_);
    OnCreated();
    return true;
}

void* WinDialog::ShowModal(WinView* caller)
{
    if (IsOpen() || modal_running_)
        return nullptr;
    WinView* root = caller != nullptr ? caller->RootView() : nullptr;
    const HostHandle owner_window = root != nullptr ? root->Window() : 0;
    result_ = nullptr;
    ends_loop_ = true;
    modal_running_ = true;
    if (!CreateHostWindow(owner_window)) {
        ends_loop_ = false;
        modal_running_ = false;
        return result_;
    }
    const HostHandle window = window_;
    Host::ShowWindow(window, show_command_);
    Host::UpdateWindow(window);
    OnCreated();
    if (Host::IsWindow(window) && Host::TopLevel(Host::Focus()) != window)
        Host::SetFocus(window);
    if (root != nullptr)
        root->SetModalChild(window);

    HostMessage message;
    while (Host::GetMessage(message)) {
        if ((state_ & kChildWantsPreTranslate) != 0 && PreTranslateMessage(message))
            continue;
        Host::TranslateMessage(message);
        Host::DispatchMessage(message);
    }

    if (root != nullptr)
        root->SetModalChild(0);
    modal_running_ = false;
    ends_loop_ = false;
    if (Host::IsWindow(window)) {
        // Someone else's quit ended the loop: the run is over, and the quit belongs to the loop
        // outside.
        Host::DestroyWindow(window);
        Host::PostQuitMessage(static_cast<int>(message.wparam));
    }
    if (root != nullptr && root->Window() != 0 && Host::IsWindow(root->Window()))
        Host::SetForegroundWindow(root->Window());
    if (caller != nullptr)
        caller->Focus();
    return result_;
}

bool WinDialog::PreTranslateMessage(const HostMessage& message)
{
    WinView* view = WinViewRouter::Instance().Find(message.window);
    if (view == nullptr || (view->Flags() & kWantsPreTranslate) == 0)
        return false;
    HostResult result = 0;
    return view->PreTranslate(message, result);
}

int WinDialog::RunMessageLoop()
{
    HostMessage message;
    while (Host::GetMessage(message)) {
        if (PreTranslateMessage(message))
            continue;
        Host::TranslateMessage(message);
        Host::DispatchMessage(message);
    }
    return static_cast<int>(message.wparam);
}

bool WinDialog::EndDialog(void* result)
{
    if ((state_ & kClosed) != 0)
        return false;
    state_ |= kClosed;
    result_ = result;
    if (IsOpen())
        Host::DestroyWindow(window_);
    return true;
}

void WinDialog::Close()
{
    if (IsOpen())
        Host::SendMessage(window_, HostMsg::kClose, 0, 0);
}

HostRect WinDialog::PlaceOver(const HostRect& rect, const HostRect& owner, const HostRect& work_area)
{
    const int32_t width = rect.Width();
    const int32_t height = rect.Height();
    HostRect placed;
    placed.left = owner.left + owner.Width() / 2 - width / 2;
    placed.top = owner.top + owner.Height() / 2 - height / 2;
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    // Into the work area: first the left and top edges, then the right and bottom ones, so a
    // dialog larger than the work area keeps its right and bottom edges on it.
    auto shift = [&placed](int32_t dx, int32_t dy) {
        placed.left += dx;
        placed.right += dx;
        placed.top += dy;
        placed.bottom += dy;
    };
    if (placed.left < work_area.left)
        shift(work_area.left - placed.left, 0);
    if (placed.top < work_area.top)
        shift(0, work_area.top - placed.top);
    if (placed.right > work_area.right)
        shift(work_area.right - placed.right, 0);
    if (placed.bottom > work_area.bottom)
        shift(0, work_area.bottom - placed.bottom);
    return placed;
}

} // namespace WinLayer
