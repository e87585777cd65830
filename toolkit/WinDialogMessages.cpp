// WinDialog's message handling: the dialog's handler; the blocked handler of an owner under a
// modal child; focus moves and bringing to front.

#include <toolkit/WinDialog.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <vector>

// --- The dialog's message handler ---------------------------------------------------------------

namespace WinLayer {

HostResult WinDialog::Route(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    const HostHandle window = window_;
    const HostHandle modal_child = ModalChild();
    HostResult result = modal_child != 0 && Host::IsWindow(modal_child)
        ? HandleBlocked(message, wparam, lparam)
        : HandleDialogMessage(message, wparam, lparam);
    if (result == kHostNotHandled)
        result = Host::DefaultProc(window, message, wparam, lparam);
    return result;
}

HostResult WinDialog::HandleDialogMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    switch (message) {
    case HostMsg::kCreate:
        state_ &= ~kClosed;
        // Children made now anchor to the real client rectangle.
        client_ = Host::ClientRect(window_);
        RegisterChildren();
        return AskHandlers(message, wparam, lparam);
    case HostMsg::kSize:
        return HandleSize(message, wparam, lparam);
    case HostMsg::kMove:
        if (size_state_ == static_cast<int>(kSizeRestored)) {
            rect_ = Host::WindowRect(window_);
            restore_ = rect_;
        }
        return AskHandlers(message, wparam, lparam);
    case HostMsg::kPaint: {
        // The face goes first, so that the dialog's own Paint draws on it.
        const HostEvent event = Host::Decode(window_, message, wparam, lparam);
        if (event.kind == HostEventKind::Paint)
            event.painter->FillRect(Host::ClientRect(window_), kDialogFace);
        const HostResult result = AskHandlers(message, wparam, lparam);
        return result == kHostNotHandled ? 0 : result;
    }
    case HostMsg::kGetMinMaxInfo: {
        const HostResult result = AskHandlers(message, wparam, lparam);
        HostMinMaxInfo* info = Host::MinMaxInfoOf(message, lparam);
        if (result != kHostNotHandled || info == nullptr)
            return result;
        const HostRect work = Host::WorkArea();
        info->max_track = HostSize { work.Width(), work.Height() };
        AdjustMinTrackSize(info->min_track);
        return 0;
    }
    case HostMsg::kCommand:
        return OnCommand(static_cast<uint32_t>(wparam));
    case HostMsg::kCtlColorEdit:
    case HostMsg::kCtlColorStatic: {
        WinView* child = views_.FindByWindow(static_cast<HostHandle>(lparam));
        return child != nullptr ? child->HandleMessage(message, wparam, lparam) : kHostNotHandled;
    }
    case HostMsg::kParentNotify:
        return HandleParentNotify(message, wparam, lparam);
    case HostMsg::kClose:
        // Refused: the request is dropped; granted: the default handling destroys the window.
        if (!CanClose())
            return 0;
        return AskHandlers(message, wparam, lparam);
    case HostMsg::kDestroy:
        return HandleDestroy(message, wparam, lparam);
    case kMsgActivateModal: {
        const HostHandle modal_child = ModalChild();
        if (modal_child != 0 && Host::IsWindow(modal_child))
            Host::PostMessage(modal_child, kMsgActivateModal, wparam, lparam);
        else
            Host::SetForegroundWindow(window_);
        return 0;
    }
    case kMsgBringToFront:
        BringToFront(wparam, lparam);
        return 0;
    case kMsgMoveFocus:
        MoveFocus(HostLowWord(wparam), lparam == 1);
        return 0;
    case kMsgContextCommand:
        return OnContextCommand(static_cast<uint32_t>(wparam), lparam);
    default: {
        const HostResult result = AskHandlers(message, wparam, lparam);
        return result != kHostNotHandled ? result : HandleNavigationKey(message, wparam);
    }
    }
}

HostResult WinDialog::HandleSize(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    const HostResult result = AskHandlers(message, wparam, lparam);
    if (result != kHostNotHandled)
        return result;
    OnSize(wparam);
    return 0;
}

void WinDialog::OnSize(HostWParam state)
{
    const int size_state = static_cast<int>(state);
    if (size_state == static_cast<int>(kSizeRestored)) {
        restore_ = Host::WindowRect(window_);
        rect_ = restore_;
    }
    if (size_state != size_state_) {
        const int previous = size_state_;
        size_state_ = size_state;
        OnSizeState(previous, size_state);
    }
    // A minimized window has no client area worth laying out; the children stay where they
    // are until it is restored.
    if (size_state != static_cast<int>(kSizeMinimized)) {
        client_ = Host::ClientRect(window_);
        LayoutChildren();
    }
    Invalidate();
}

HostResult WinDialog::HandleParentNotify(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    if (HostLowWord(wparam) == HostMsg::kDestroy) {
        WinView* child = views_.FindById(HostHighWord(wparam));
        if (child != nullptr) {
            child->OnDestroyed();
            views_.Remove(*child);
            child->AttachWindow(child->Window(), nullptr, child->Id());
        }
    }
    const HostResult result = AskHandlers(message, wparam, lparam);
    return result == kHostNotHandled ? 0 : result;
}

HostResult WinDialog::HandleDestroy(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    OnDestroyed();
    state_ |= kClosed;
    Roots().Remove(*this);
    if (ends_loop_) {
        ends_loop_ = false;
        Host::PostQuitMessage(0);
    }
    const HostResult result = AskHandlers(message, wparam, lparam);
    return result == kHostNotHandled ? 0 : result;
}

// --- The blocked handler ------------------------------------------------------------------------

HostResult WinDialog::HandleBlocked(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    const HostHandle modal_child = ModalChild();
    switch (message) {
    case HostMsg::kMouseActivate:
        // A click anywhere on the owner (its children included: the host asks the top-level
        // first) activates the modal child instead and is eaten.
        Host::PostMessage(modal_child, kMsgActivateModal, 0, 0);
        AlertModalChild(modal_child);
        return kMaNoActivateAndEat;
    case HostMsg::kWindowPosChanging: {
        const HostWindowPos* pos = Host::WindowPosOf(message, lparam);
        if (pos != nullptr && (pos->flags & HostSwp::kNoZOrder) == 0) {
            // Posted: the owner's own move to the front finishes first, then the child goes over it.
            Host::PostMessage(modal_child, kMsgBringToFront, 0, 0);
            AlertModalChild(modal_child);
        }
        return HandleMessage(message, wparam, lparam);
    }
    case HostMsg::kNcLButtonDown:
    case HostMsg::kSetCursor:
    case HostMsg::kWindowPosChanged:
        return HandleMessage(message, wparam, lparam);
    // The owner keeps living while it waits: it paints, follows size changes, is destroyed,
    // and receives what jobs and timers post to it. Only the user's input is held back.
    case HostMsg::kCreate:
    case HostMsg::kDestroy:
    case HostMsg::kNcDestroy:
    case HostMsg::kSize:
    case HostMsg::kMove:
    case HostMsg::kPaint:
    case HostMsg::kTimer:
    case HostMsg::kCommand:
    case HostMsg::kSetFont:
    case HostMsg::kShowWindow:
    case HostMsg::kParentNotify:
    case HostMsg::kGetMinMaxInfo:
        return HandleDialogMessage(message, wparam, lparam);
    default:
        if (message >= HostMsg::kUser && message != kMsgMoveFocus && message != kMsgContextCommand)
            return HandleDialogMessage(message, wparam, lparam);
        return -1;
    }
}

void WinDialog::AlertModalChild(HostHandle child)
{
    Host::Beep();
    Host::FlashWindow(child, 5, 70);
}

// --- Focus moves and bringing to front ------------------------------------------------------------

WinView* WinDialog::NextFocusView(uint16_t from_id, bool backward)
{
    const std::vector<WinView*> views = views_.Snapshot();
    const int count = static_cast<int>(views.size());
    if (count == 0)
        return nullptr;
    int start = backward ? count : -1;
    int steps = count;
    for (int i = 0; i < count; ++i) {
        if (views[static_cast<size_t>(i)]->Id() == from_id) {
            start = i;
            steps = count - 1;
            break;
        }
    }
    for (int step = 1; step <= steps; ++step) {
        const int index = ((start + (backward ? -step : step)) % count + count) % count;
        WinView* view = views[static_cast<size_t>(index)];
        const HostHandle window = view->Window();
        if (window == 0 || !Host::IsWindow(window) || !Host::IsEnabled(window)
            || (view->Flags() & kSkipFocus) != 0)
            continue;
        return view;
    }
    return nullptr;
}

void WinDialog::MoveFocus(uint16_t from_id, bool backward)
{
    if (WinView* view = NextFocusView(from_id, backward))
        view->Focus();
}

void WinDialog::BringToFront(HostWParam wparam, HostLParam lparam)
{
    if (!IsOpen())
        return;
    if (((ex_style_ | Host::ExStyle(window_)) & HostExStyle::kToolWindow) != 0) {
        Host::ShowWindow(window_, HostShow::kShowNa);
    } else {
        Host::ShowWindow(window_, HostShow::kNormal);
        // Restacked explicitly: making an already active window the foreground one does not
        // lift it over a window raised meanwhile.
        Host::SetWindowPos(window_, kHostInsertTop, {}, HostSwp::kNoMove | HostSwp::kNoSize);
        Host::SetForegroundWindow(window_);
    }
    const HostHandle modal_child = ModalChild();
    if (modal_child != 0 && Host::IsWindow(modal_child))
        Host::PostMessage(modal_child, kMsgBringToFront, wparam, lparam);
}

} // namespace WinLayer
