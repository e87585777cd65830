#include <toolkit/WinStaticBox.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

WinStaticBox::WinStaticBox()
{
    SetClassName(RawLayer::RawString("Static"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible, 0);
    SetFlags(Flags() | kSkipFocus);
}

void WinStaticBox::SetColours(RawColour background, RawColour second_background, RawColour text)
{
    background_ = background;
    second_background_ = second_background;
    text_colour_ = text;
    Invalidate();
}

void WinStaticBox::SetBoxStyle(uint32_t box_style)
{
    box_style_ = box_style;
    Invalidate();
}

void WinStaticBox::SetText(const RawLayer::RawString& text)
{
    WinView::SetText(text);
    Invalidate();
}

uint32_t WinStaticBox::TextFlags() const
{
    uint32_t flags = HostText::kNoPrefix;
    if ((box_style_ & kAlignLeft) != 0)
        flags |= HostText::kLeft;
    else if ((box_style_ & kAlignRight) != 0)
        flags |= HostText::kRight;
    else
        flags |= HostText::kCenter;
    if ((box_style_ & kMultiLine) != 0)
        flags |= HostText::kWordBreak;
    return flags;
}

const HostFont& WinStaticBox::DrawingFont() const
{
    const WinFontPtr& font = Font() ? Font() : WinFont::MessageFont();
    return *font->Handle();
}

HostSize WinStaticBox::WrappedTextSize(int32_t width)
{
    HostRect extent
        = HostPainter::MeasureText(DrawingFont(), GetText().Str(), { 0, 0, width, 32767 }, TextFlags());
    return { extent.Width(), extent.Height() };
}

HostSize WinStaticBox::NaturalTextSize()
{
    return WrappedTextSize(32767);
}

void WinStaticBox::Draw(HostPainter& painter, const HostRect& client, bool enabled)
{
    painter.FillRect(client, background_);
    if (second_background_ != RawColour::None()) {
        int32_t middle = client.top + client.Height() / 2;
        painter.FillRect({ client.left, middle, client.right, client.bottom }, second_background_);
    }
    HostRect margins = Margins();
    HostRect area { client.left + margins.left, client.top + margins.top, client.right - margins.right,
        client.bottom - margins.bottom };
    std::string text = GetText().Str();
    if (area.Empty() || text.empty())
        return;
    uint32_t flags = TextFlags();
    HostRect extent = HostPainter::MeasureText(DrawingFont(), text, area, flags);
    int32_t height = extent.bottom - extent.top;
    HostRect text_rect = area;
    if (height < area.Height()) {
        if ((box_style_ & kAlignBottom) != 0)
            text_rect.top = area.bottom - height;
        else if ((box_style_ & kAlignTop) == 0)
            text_rect.top = area.top + (area.Height() - height) / 2;
    }
    text_rect.bottom = text_rect.top + height;
    painter.Save();
    painter.ClipTo(area);
    painter.DrawText(DrawingFont(), text, text_rect, flags, enabled ? text_colour_ : kDisabledText);
    painter.Restore();
}

void WinStaticBox::Paint(HostPainter& painter, const HostRect&)
{
    Draw(painter, Host::ClientRect(Window()), Enabled());
}

} // namespace WinLayer
