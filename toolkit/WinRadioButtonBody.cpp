#include <toolkit/WinDialog.h>
#include <toolkit/WinRadioButtonBody.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

WinRadioButtonBody::WinRadioButtonBody()
{
    SetClassName(RawLayer::RawString("Selector"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible | HostStyle::kTabStop, 0);
}

void WinRadioButtonBody::Setup(const std::vector<RawLayer::RawString>& labels, uint16_t code, int32_t chosen)
{
    labels_.clear();
    for (const RawLayer::RawString& label : labels) {
        RawLayer::RawString utf8;
        labels_.push_back(utf8.Acquire(label, RawLayer::RawEncoding::Utf8) ? utf8 : label);
    }
    code_ = code;
    chosen_ = chosen >= 0 && chosen < Count() ? chosen : -1;
    Invalidate();
}

void WinRadioButtonBody::SetChosen(int32_t index)
{
    if (index < -1 || index >= Count())
        return;
    chosen_ = index;
    Invalidate();
}

bool WinRadioButtonBody::Choose(int32_t index)
{
    if (index < 0 || index >= Count() || index == chosen_ || !Enabled())
        return false;
    chosen_ = index;
    Invalidate();
    if (Window() != 0 && code_ != 0)
        Host::PostMessage(
            Window(), HostMsg::kCommand, HostMakeWParam(Id(), code_), static_cast<HostLParam>(Window()));
    PostCommand(0);
    return true;
}

int32_t WinRadioButtonBody::OptionAt(HostPoint point) const
{
    HostRect client = Host::ClientRect(Window());
    for (int32_t i = 0; i < Count(); ++i) {
        if (OptionRect(i, client).Contains(point))
            return i;
    }
    return -1;
}

const HostFont& WinRadioButtonBody::DrawingFont() const
{
    const WinFontPtr& font = Font() ? Font() : WinFont::MessageFont();
    return *font->Handle();
}

HostSize WinRadioButtonBody::LabelExtent() const
{
    const HostFont& font = DrawingFont();
    HostSize extent { 0, font.LineHeight() };
    for (const RawLayer::RawString& label : labels_) {
        HostRect rect
            = HostPainter::MeasureText(font, label.Str(), { 0, 0, 32767, 32767 }, HostText::kNoPrefix);
        extent.cx = std::max(extent.cx, rect.Width());
        extent.cy = std::max(extent.cy, rect.Height());
    }
    return extent;
}

void WinRadioButtonBody::Draw(HostPainter& painter, const HostRect& client)
{
    painter.FillRect(client, kBackground);
    for (int32_t i = 0; i < Count(); ++i) {
        HostRect rect = OptionRect(i, client);
        painter.Save();
        painter.ClipTo(rect);
        // The focus shows on the chosen option, or on the first when none is chosen.
        bool focus_here = focused_ && (i == chosen_ || (chosen_ < 0 && i == 0));
        DrawOption(painter, i, rect, i == chosen_, focus_here, Enabled());
        painter.Restore();
    }
}

bool WinRadioButtonBody::OnKeyDown(uint32_t key, uint32_t)
{
    bool previous_choice = Vertical() ? key == HostKey::kUp : key == HostKey::kLeft;
    bool next_choice = Vertical() ? key == HostKey::kDown : key == HostKey::kRight;
    bool previous_view = Vertical() ? key == HostKey::kLeft : key == HostKey::kUp;
    bool next_view = Vertical() ? key == HostKey::kRight : key == HostKey::kDown;
    if (previous_choice || next_choice) {
        int32_t from = chosen_ < 0 ? (previous_choice ? Count() : -1) : chosen_;
        Choose(std::clamp(from + (previous_choice ? -1 : 1), 0, Count() - 1));
        return true;
    }
    if (previous_view || next_view) {
        WinDialog* dialog = OwnerDialog();
        if (dialog != nullptr && dialog->Window() != 0)
            Host::SendMessage(dialog->Window(), WinDialog::kMsgMoveFocus, Id(), previous_view ? 1 : 0);
        return true;
    }
    return false;
}

void WinRadioButtonBody::Paint(HostPainter& painter, const HostRect&)
{
    Draw(painter, Host::ClientRect(Window()));
}

void WinRadioButtonBody::OnFocusGained()
{
    focused_ = true;
    Invalidate();
}

void WinRadioButtonBody::OnFocusLost()
{
    focused_ = false;
    Invalidate();
}

bool WinRadioButtonBody::OnMouseDown(HostPoint point, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left)
        return false;
    if (Enabled()) {
        Focus();
        Choose(OptionAt(point));
    }
    return true;
}

} // namespace WinLayer
