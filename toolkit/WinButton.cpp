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

void WinButton::Paint(HostPainter& painter, const HostRect&)
{
    DrawButton(painter, Host::ClientRect(Window()));
}

void WinButton::OnFocusGained()
{
    focus_flag_ = true;
    Invalidate();
}

void WinButton::OnFocusLost()
{
    focus_flag_ = false;
    pressed_ = false;
    Invalidate();
}

bool WinButton::OnMouseDown(HostPoint, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left)
        return false;
    if (!Enabled())
        return true;
    Focus();
    Host::SetCapture(Window());
    pressed_ = true;
    Invalidate();
    return true;
}

bool WinButton::OnMouseMove(HostPoint point, uint32_t)
{
    if (Host::Capture() != Window())
        return true;
    const bool inside = Host::ClientRect(Window()).Contains(point);
    if (inside != pressed_) {
        pressed_ = inside;
        Invalidate();
    }
    return true;
}

bool WinButton::OnMouseUp(HostPoint point, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left || Host::Capture() != Window())
        return false;
    const bool click = pressed_ && Host::ClientRect(Window()).Contains(point);
    pressed_ = false;
    Host::ReleaseCapture();
    Invalidate();
    if (click)
        Click();
    return true;
}

void WinButton::OnCaptureLost()
{
    if (pressed_) {
        pressed_ = false;
        Invalidate();
    }
}

bool WinButton::OnKeyDown(uint32_t key, uint32_t)
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
