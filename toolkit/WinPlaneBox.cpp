#include <toolkit/WinPlaneBox.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

WinPlaneBox::WinPlaneBox()
{
    SetClassName(RawLayer::RawString("PlaneBox"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible, 0);
}

void WinPlaneBox::PaintBackground(HostPainter& painter, const HostRect& client)
{
    painter.FillRect(client, background_);
}

void WinPlaneBox::PaintContent(HostPainter& painter, const HostRect& client)
{
    const std::string text = TextUtf8();
    if (text.empty())
        return;
    HostRect inner { client.left + margins_.left, client.top + margins_.top, client.right - margins_.right,
        client.bottom - margins_.bottom };
    if (inner.Empty())
        return;
    uint32_t flags = HostText::kNoPrefix | HostText::kExpandTabs | HostText::kTabStop | (4u << 8);
    flags |= (style_ & HostStyle::kMultiLine) != 0 ? HostText::kWordBreak
                                                   : (HostText::kSingleLine | HostText::kVCenter);
    const WinFontPtr& font = Font() ? Font() : WinFont::MessageFont();
    painter.DrawText(*font->Handle(), text, inner, flags, Enabled() ? text_colour_ : kDisabledText);
}

void WinPlaneBox::OnClientSize(const HostSize&)
{
}

void WinPlaneBox::Draw(HostPainter& painter, const HostRect& client)
{
    PaintBackground(painter, client);
    PaintContent(painter, client);
}

void WinPlaneBox::Paint(HostPainter& painter, const HostRect&)
{
    Draw(painter, Host::ClientRect(Window()));
}

HostResult WinPlaneBox::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    if (message != HostMsg::kSize)
        return WinView::HandleMessage(message, wparam, lparam);
    OnClientSize(HostSize { HostPointX(lparam), HostPointY(lparam) });
    return 0;
}

void WinPlaneBox::SetColours(RawColour background, RawColour text)
{
    background_ = background;
    text_colour_ = text;
    Invalidate();
}

} // namespace WinLayer
