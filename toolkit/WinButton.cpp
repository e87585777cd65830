#include <toolkit/WinButton.h>
#include <toolkit/WinDialog.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostWindow.h>

#include <string>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawString;

WinButton::WinButton()
{
    SetClassName(RawString("Button"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible | HostStyle::kTabStop, 0);
    SetMargins({ kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin });
}

void WinButton::Setup(const RawString& text, uint32_t shape_flags, uint16_t code)
{
    SetShapeFlags(shape_flags);
    code_ = code;
    SetText(ExpandLineBreaks(text));
    Invalidate();
}

RawString WinButton::ExpandLineBreaks(const RawString& text)
{
    RawString utf8;
    if (!utf8.Acquire(text, RawEncoding::Utf8))
        utf8 = text;
    std::string expanded;
    std::string_view view = utf8.View();
    expanded.reserve(view.size());
    for (size_t i = 0; i < view.size(); ++i) {
        if (view[i] == '\\' && i + 1 < view.size() && view[i + 1] == 'n') {
            expanded += "\r\n";
            ++i;
        } else {
            expanded += view[i];
        }
    }
    return RawString(expanded, RawEncoding::Utf8);
}

void WinButton::SetWindowParameters(int32_t radius, int32_t margin)
{
    SetRadius(radius);
    SetMargin(margin);
    SetMargins({ Margin(), Margin(), Margin(), Margin() });
    Invalidate();
}

void WinButton::SetToggleState(bool on)
{
    toggle_state_ = on ? 1 : 0;
    Invalidate();
}

void WinButton::Click()
{
    if (Window() == 0 || !Enabled())
        return;
    if (IsToggle()) {
        toggle_state_ = toggle_state_ != 0 ? 0 : 1;
        Invalidate();
    }
    if (code_ != 0)
        Host::PostMessage(
            Window(), HostMsg::kCommand, HostMakeWParam(Id(), code_), static_cast<HostLParam>(Window()));
    PostCommand(0);
}

void WinButton::DrawButton(HostPainter& painter, const HostRect& client)
{
    std::string text = GetText().Str();
    DrawFace(painter, client, DrawState(pressed_, Enabled()), Radius(), Margin(), DrawingFont(), text,
        TextAlign());
}

WinButtonDraw::VerticalAlign WinButton::TextAlign() const
{
    if ((Style() & kStyleTop) != 0)
        return VerticalAlign::Top;
    if ((Style() & kStyleBottom) != 0)
        return VerticalAlign::Bottom;
    return VerticalAlign::Centre;
}

const HostFont& WinButton::DrawingFont() const
{
    const WinFontPtr& font = Font() ? Font() : WinFont::MessageFont();
    return *font->Handle();
}

HostResult WinButton::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    switch (message) {
    case HostMsg::kPaint:
        if (lparam != 0)
            DrawButton(*reinterpret_cast<HostPainter*>(lparam), Host::ClientRect(Window()));
        return 0;
    case HostMsg::kSetFocus:
    case HostMsg::kKillFocus:
        focus_flag_ = message == HostMsg::kSetFocus;
        if (!focus_flag_)
            pressed_ = false;
        Invalidate();
        return 0;
    case HostMsg::kEnable:
        Invalidate();
        return 0;
    case HostMsg::kLButtonDown:
    case HostMsg::kLButtonDblClk:
    case HostMsg::kLButtonUp:
    case HostMsg::kMouseMove:
    case HostMsg::kCaptureChanged:
        return OnMouse(message, lparam);
    case HostMsg::kKeyDown:
        if (OnKey(static_cast<uint32_t>(wparam)))
            return 0;
        return WinView::HandleMessage(message, wparam, lparam);
    default:
        return WinView::HandleMessage(message, wparam, lparam);
    }
}

HostResult WinButton::OnMouse(uint32_t message, HostLParam lparam)
{
    HostHandle window = Window();
    switch (message) {
    case HostMsg::kLButtonDown:
    case HostMsg::kLButtonDblClk:
        // The second press of a double click is one more click.
        if (!Enabled())
            return 0;
        Focus();
        Host::SetCapture(window);
        pressed_ = true;
        Invalidate();
        return 0;
    case HostMsg::kMouseMove:
        if (Host::Capture() == window) {
            bool inside = Host::ClientRect(window).Contains({ HostPointX(lparam), HostPointY(lparam) });
            if (inside != pressed_) {
                pressed_ = inside;
                Invalidate();
            }
        }
        return 0;
    case HostMsg::kLButtonUp: {
        if (Host::Capture() != window)
            return 0;
        bool click
            = pressed_ && Host::ClientRect(window).Contains({ HostPointX(lparam), HostPointY(lparam) });
        pressed_ = false;
        Host::ReleaseCapture();
        Invalidate();
        if (click)
            Click();
        return 0;
    }
    case HostMsg::kCaptureChanged:
        if (static_cast<HostHandle>(lparam) != window && pressed_) {
            pressed_ = false;
            Invalidate();
        }
        return 0;
    default:
        return kHostNotHandled;
    }
}

bool WinButton::OnKey(uint32_t key)
{
    WinDialog* dialog = OwnerDialog();
    switch (key) {
    case HostKey::kReturn:
    case HostKey::kSpace:
        Click();
        return true;
    case HostKey::kLeft:
    case HostKey::kUp:
    case HostKey::kRight:
    case HostKey::kDown:
        if (dialog != nullptr && dialog->Window() != 0) {
            bool backward = key == HostKey::kLeft || key == HostKey::kUp;
            Host::SendMessage(dialog->Window(), WinDialog::kMsgMoveFocus, Id(), backward ? 1 : 0);
        }
        return true;
    default:
        return false;
    }
}

} // namespace WinLayer
