// Sections: the style record (the window text), the resize record (anchored layout), the
// default operations, the typed handlers and the decoding that calls them, fitting, ownership
// and window helpers, dispatch of host messages to the handlers and hooks.

#include <core/RawEncoding.h>
#include <toolkit/WinDialog.h>
#include <toolkit/WinView.h>
#include <toolkit/WinViewRouter.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

#include <optional>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawString;

// --- Style record: the window text -----------------------------------------------------------

RawString WinViewStyle::GetText() const
{
    if (text_.Encoding() == RawEncoding::Utf8)
        return text_;
    RawString utf8;
    if (utf8.Acquire(text_, RawEncoding::Utf8))
        return utf8;
    return text_;
}

void WinViewStyle::ClearText()
{
    text_ = RawString(text_.Encoding());
    ++revision_;
}

void WinViewStyle::SetText(const RawString& text)
{
    if (&text != &text_)
        text_ = text;
    ++revision_;
}

void WinViewStyle::SetTextConverted(const RawString& text)
{
    // A text that cannot be converted leaves the view's text as it was.
    RawString utf8;
    if (!utf8.Acquire(text, RawEncoding::Utf8))
        return;
    text_ = utf8;
    ++revision_;
}

// --- Resize record: anchored layout ---------------------------------------------------------

HostRect WinViewResize::Shift(
    const HostRect& rect, const HostRect& old_parent, const HostRect& new_parent, uint32_t anchors)
{
    // Sums in 64 bits: a centre of two large coordinates must not overflow. Division truncates
    // toward zero, as the centre shifts require.
    const int64_t dl = int64_t { new_parent.left } - old_parent.left;
    const int64_t dr = int64_t { new_parent.right } - old_parent.right;
    const int64_t dt = int64_t { new_parent.top } - old_parent.top;
    const int64_t db = int64_t { new_parent.bottom } - old_parent.bottom;
    const int64_t cx = (int64_t { new_parent.left } + new_parent.right) / 2
        - (int64_t { old_parent.left } + old_parent.right) / 2;
    const int64_t cy = (int64_t { new_parent.top } + new_parent.bottom) / 2
        - (int64_t { old_parent.top } + old_parent.bottom) / 2;
    auto by = [anchors](uint32_t flag, int64_t delta) { return (anchors & flag) != 0 ? delta : 0; };

    HostRect moved = rect;
    moved.left = static_cast<int32_t>(
        rect.left + by(kLeftByLeft, dl) + by(kLeftByRight, dr) + by(kLeftByCentre, cx));
    moved.right = static_cast<int32_t>(
        rect.right + by(kRightByLeft, dl) + by(kRightByRight, dr) + by(kRightByCentre, cx));
    moved.top
        = static_cast<int32_t>(rect.top + by(kTopByTop, dt) + by(kTopByBottom, db) + by(kTopByCentre, cy));
    moved.bottom = static_cast<int32_t>(
        rect.bottom + by(kBottomByTop, dt) + by(kBottomByBottom, db) + by(kBottomByCentre, cy));
    return moved;
}

void WinViewResize::SetAnchors(uint32_t anchors, const HostRect* parent_link)
{
    anchors_ = anchors;
    parent_link_ = parent_link;
    parent_seen_valid_ = parent_link != nullptr && !parent_link->Empty();
    if (parent_seen_valid_)
        parent_seen_ = *parent_link;
}

bool WinViewResize::FollowParent()
{
    if (parent_link_ == nullptr)
        return false;
    const HostRect current = *parent_link_;
    if (!parent_seen_valid_) {
        if (!current.Empty()) {
            parent_seen_ = current;
            parent_seen_valid_ = true;
        }
        return false;
    }
    if (current == parent_seen_)
        return false;
    rect_ = Shift(rect_, parent_seen_, current, anchors_);
    parent_seen_ = current;
    return true;
}

// --- WinView --------------------------------------------------------------------------------

WinView::WinView()
    : font_(WinFont::MessageFont())
{
}

WinView::~WinView()
{
    // From here on the window's messages take the host's default handling: the derived parts
    // of this object are gone already.
    WinViewRouter::Instance().Forget(*this);
    if (owner_ != nullptr)
        owner_->Views().Remove(*this);
    if (window_ != 0 && Host::IsWindow(window_))
        Host::DestroyWindow(window_);
}

HostResult WinView::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    return HandleEvent(Host::Decode(window_, message, wparam, lparam));
}

HostResult WinView::OnCommand(uint32_t command_word)
{
    if (owner_ == nullptr)
        return -1;
    WinView* child = owner_->Views().FindById(HostLowWord(command_word));
    if (child == nullptr && HostLowWord(command_word) == id_)
        child = this;
    return owner_->OnNotify(child, HostHighWord(command_word));
}

HostResult WinView::OnContextCommand(uint32_t, HostLParam)
{
    return -1;
}

bool WinView::PreTranslate(const HostMessage&, HostResult&)
{
    return false;
}

void WinView::OnCreated()
{
}

void WinView::OnDestroyed()
{
}

HostResult WinView::OnNotify(WinView*, uint32_t)
{
    return 0;
}

bool WinView::AdjustMinTrackSize(HostSize&)
{
    return false;
}

void WinView::LayoutChildren()
{
}

void WinView::OnSizeState(int, int)
{
}

void WinView::OnSpare(int, int)
{
}

// --- Typed handlers ---------------------------------------------------------------------------

HostResult WinView::HandleEvent(const HostEvent& event)
{
    const auto answer = [](bool handled) { return handled ? HostResult { 0 } : kHostNotHandled; };
    switch (event.kind) {
    case HostEventKind::None:
        return kHostNotHandled;
    case HostEventKind::Paint:
        Paint(*event.painter, event.dirty);
        return 0;
    case HostEventKind::MouseDown:
        return answer(OnMouseDown(event.point, event.button, event.modifiers));
    case HostEventKind::MouseUp:
        return answer(OnMouseUp(event.point, event.button, event.modifiers));
    case HostEventKind::DoubleClick:
        return answer(OnDoubleClick(event.point, event.button, event.modifiers));
    case HostEventKind::MouseMove:
        return answer(OnMouseMove(event.point, event.modifiers));
    case HostEventKind::MouseWheel:
        return answer(OnMouseWheel(event.point, event.wheel_delta, event.modifiers));
    case HostEventKind::KeyDown:
        return answer(OnKeyDown(event.key, event.modifiers));
    case HostEventKind::KeyUp:
        return answer(OnKeyUp(event.key, event.modifiers));
    case HostEventKind::Char:
        return answer(OnChar(event.code_point));
    case HostEventKind::Composition:
        return answer(OnComposition(*event.composition));
    case HostEventKind::FocusGained:
        OnFocusGained();
        return 0;
    case HostEventKind::FocusLost:
        OnFocusLost();
        return 0;
    case HostEventKind::CaptureLost:
        OnCaptureLost();
        return 0;
    case HostEventKind::Timer:
        return answer(OnTimer(event.timer_id));
    case HostEventKind::DropFiles:
        return answer(OnDropFiles(event.drop->paths, event.point));
    case HostEventKind::ContextMenu:
        return answer(OnContextMenu(event.point));
    case HostEventKind::Scroll:
        return answer(OnScroll(event.bar, event.scroll_code, event.scroll_position));
    case HostEventKind::MeasureItem:
        return MeasureItem(*event.measure_item) ? 1 : kHostNotHandled;
    case HostEventKind::DrawItem:
        return DrawItem(*event.draw_item) ? 1 : kHostNotHandled;
    }
    return kHostNotHandled;
}

void WinView::Paint(HostPainter&, const HostRect&)
{
}

bool WinView::OnMouseDown(HostPoint, HostMouseButton, uint32_t)
{
    return false;
}

bool WinView::OnMouseUp(HostPoint, HostMouseButton, uint32_t)
{
    return false;
}

bool WinView::OnDoubleClick(HostPoint, HostMouseButton, uint32_t)
{
    return false;
}

bool WinView::OnMouseMove(HostPoint, uint32_t)
{
    return false;
}

bool WinView::OnMouseWheel(HostPoint, int32_t, uint32_t)
{
    return false;
}

bool WinView::OnKeyDown(uint32_t, uint32_t)
{
    return false;
}

bool WinView::OnKeyUp(uint32_t, uint32_t)
{
    return false;
}

bool WinView::OnChar(char32_t)
{
    return false;
}

bool WinView::OnComposition(const HostComposition&)
{
    return false;
}

void WinView::OnFocusGained()
{
}

void WinView::OnFocusLost()
{
}

void WinView::OnCaptureLost()
{
}

bool WinView::OnTimer(uintptr_t)
{
    return false;
}

bool WinView::OnDropFiles(const std::vector<std::string>&, HostPoint)
{
    return false;
}

bool WinView::OnContextMenu(HostPoint)
{
    return false;
}

bool WinView::OnScroll(int, uint16_t, int32_t)
{
    return false;
}

bool WinView::MeasureItem(HostMeasureItem&)
{
    return false;
}

bool WinView::DrawItem(const HostDrawItem&)
{
    return false;
}

void WinView::ClearText()
{
    WinViewStyle::ClearText();
    if (window_ != 0)
        Host::SetText(window_, TextUtf8());
}

void WinView::SetText(const RawString& text)
{
    WinViewStyle::SetText(text);
    if (window_ != 0)
        Host::SetText(window_, TextUtf8());
}

void WinView::SetTextConverted(const RawString& text)
{
    WinViewStyle::SetTextConverted(text);
    if (window_ != 0)
        Host::SetText(window_, TextUtf8());
}

std::string WinView::TextUtf8() const
{
    RawString text = GetText();
    if (text.Encoding() == RawEncoding::Utf8)
        return text.Str();
    std::optional<std::string> utf8 = text.Encoding() == RawEncoding::Utf16
        ? RawLayer::RawFromUtf16(text.View16(), RawEncoding::Utf8)
        : RawLayer::RawConvertBytes(text.View(), text.Encoding(), RawEncoding::Utf8);
    return utf8 ? *utf8 : std::string();
}

// --- Fitting --------------------------------------------------------------------------------

HostSize WinView::NaturalTextSize()
{
    const WinFontPtr& font = font_ ? font_ : WinFont::MessageFont();
    uint32_t flags
        = HostText::kCalcRect | HostText::kNoPrefix | HostText::kExpandTabs | HostText::kTabStop | (4u << 8);
    if ((style_ & HostStyle::kMultiLine) != 0)
        flags |= HostText::kWordBreak;
    const HostRect bounds { 0, 0, 32767, 32767 };
    HostRect extent = HostPainter::MeasureText(*font->Handle(), TextUtf8(), bounds, flags);
    return HostSize { extent.right - extent.left, extent.bottom - extent.top };
}

HostRect WinView::OuterRect(const HostRect& client)
{
    // The host's frame includes the border, the client edge and the scroll bars of the style.
    return Host::AdjustWindowRect(client, style_, ex_style_);
}

HostSize WinView::Fit()
{
    natural_ = NaturalTextSize();
    const HostRect client { 0, 0, natural_.cx + margins_.left + margins_.right,
        natural_.cy + margins_.top + margins_.bottom };
    const HostRect outer = OuterRect(client);
    outer_ = HostSize { outer.Width(), outer.Height() };
    return outer_;
}

// --- Ownership, font and window helpers ------------------------------------------------------

WinView* WinView::RootView()
{
    WinView* view = this;
    while (view->owner_ != nullptr)
        view = view->owner_;
    return view;
}

void WinView::SetFont(const WinFontPtr& font)
{
    font_ = font;
    if (window_ != 0) {
        Host::SetWindowFont(window_, font_ ? font_->Handle().get() : nullptr, true);
    }
}

void WinView::Invalidate()
{
    if (window_ != 0)
        Host::InvalidateRect(window_);
}

void WinView::Focus()
{
    if (window_ != 0)
        Host::SetFocus(window_);
}

bool WinView::HasFocus() const
{
    return window_ != 0 && Host::Focus() == window_;
}

void WinView::Enable(bool enable)
{
    // The style word follows too, so a view enabled or disabled before its window is made
    // gets its window in that state.
    style_ = enable ? (style_ & ~HostStyle::kDisabled) : (style_ | HostStyle::kDisabled);
    if (window_ != 0)
        Host::EnableWindow(window_, enable);
}

bool WinView::Enabled() const
{
    return window_ != 0 ? Host::IsEnabled(window_) : (style_ & HostStyle::kDisabled) == 0;
}

void WinView::Show(bool show)
{
    style_ = show ? (style_ | HostStyle::kVisible) : (style_ & ~HostStyle::kVisible);
    if (window_ != 0)
        Host::ShowWindow(window_, show ? HostShow::kShow : HostShow::kHide);
}

void WinView::MoveTo(const HostRect& rect, bool repaint)
{
    rect_ = rect;
    if (window_ != 0)
        Host::MoveWindow(window_, rect, repaint);
}

void WinView::ShowContextMenu(const HostMenu& menu, HostPoint client)
{
    if (window_ == 0)
        return;
    const HostPoint screen = Host::ClientToScreen(window_, client);
    const uint32_t command = menu.Track(window_, screen);
    // Posted, so the command runs after the menu has closed.
    if (command != 0)
        Host::PostMessage(window_, WinDialog::kMsgContextCommand, command, 0);
}

HostHandle WinView::ModalChild() const
{
    std::lock_guard<std::mutex> guard(modal_lock_);
    return modal_child_;
}

void WinView::SetModalChild(HostHandle window)
{
    std::lock_guard<std::mutex> guard(modal_lock_);
    modal_child_ = window;
}

// --- Dispatch -------------------------------------------------------------------------------

void WinView::AttachWindow(HostHandle window, WinDialog* owner, uint16_t id)
{
    window_ = window;
    owner_ = owner;
    id_ = id;
}

void WinView::DetachWindow()
{
    window_ = 0;
}

HostResult WinView::AskHandlers(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    const HostResult own = HandleMessage(message, wparam, lparam);
    const HostResult hooked = hooks_.Ask(*this, message, wparam, lparam);
    return hooked != kHostNotHandled ? hooked : own;
}

WinDialog* WinView::CommandTarget()
{
    if (owner_ != nullptr)
        return owner_;
    return dynamic_cast<WinDialog*>(this);
}

HostResult WinView::HandleNavigationKey(uint32_t message, HostWParam wparam)
{
    if (message != HostMsg::kKeyDown || (wparam != HostKey::kTab && wparam != HostKey::kEscape))
        return kHostNotHandled;
    WinDialog* dialog = CommandTarget();
    if (dialog == nullptr || dialog->Window() == 0)
        return kHostNotHandled;
    // A dialog waiting for its modal child takes no keyboard commands, even when the focus was
    // left in one of its views.
    const HostHandle modal_child = dialog->RootView()->ModalChild();
    if (modal_child != 0 && Host::IsWindow(modal_child))
        return 0;
    // The dialog itself is named by identifier 0, which no child carries.
    const uint16_t id = dialog == this ? 0 : id_;
    if (wparam == HostKey::kTab) {
        const HostLParam backward = Host::KeyDown(HostKey::kShift) ? 1 : 0;
        Host::SendMessage(dialog->Window(), WinDialog::kMsgMoveFocus, id, backward);
    } else {
        Host::PostMessage(dialog->Window(), HostMsg::kCommand, HostMakeWParam(id, WinDialog::kNotifyCancel),
            static_cast<HostLParam>(window_));
    }
    return 0;
}

void WinView::PostCommand(uint16_t code)
{
    WinDialog* dialog = CommandTarget();
    if (dialog == nullptr || dialog->Window() == 0)
        return;
    const uint16_t id = dialog == this ? 0 : id_;
    Host::PostMessage(
        dialog->Window(), HostMsg::kCommand, HostMakeWParam(id, code), static_cast<HostLParam>(window_));
}

HostResult WinView::Dispatch(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    const HostHandle window = window_;
    HostResult result = AskHandlers(message, wparam, lparam);
    if (result == kHostNotHandled) {
        switch (message) {
        case HostMsg::kCommand:
            result = OnCommand(static_cast<uint32_t>(wparam));
            break;
        case WinDialog::kMsgContextCommand:
            result = OnContextCommand(static_cast<uint32_t>(wparam), lparam);
            break;
        case HostMsg::kKeyDown:
            result = HandleNavigationKey(message, wparam);
            break;
        default:
            break;
        }
    }
    if (result == kHostNotHandled)
        result = Host::DefaultProc(window, message, wparam, lparam);
    return result;
}

} // namespace WinLayer
