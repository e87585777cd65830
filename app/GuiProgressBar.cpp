#include <app/GuiProgressBar.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace AppLayer {

using WinLayer::WinEditBoxInfo;

GuiProgressBar::GuiProgressBar()
{
    SetEditFlags(
        EditFlags() | WinEditBoxInfo::kReadOnly | WinEditBoxInfo::kNoIme | WinEditBoxInfo::kNoTabInsert);
}

int32_t GuiProgressBar::ClientWidth() const
{
    if (Window() == 0)
        return Rect().right - Rect().left;
    const WinLayer::HostRect client = WinLayer::Host::ClientRect(Window());
    return client.right - client.left;
}

void GuiProgressBar::Start()
{
    SetBlock(std::max(ClientWidth() / 10, 1), 0);
}

void GuiProgressBar::Advance(int32_t pixels)
{
    if (offset_ < 0)
        return;
    const int32_t room = std::max(ClientWidth() - block_width_, 1);
    SetBlock(block_width_, (offset_ + std::max(pixels, 0)) % room);
}

void GuiProgressBar::Stop()
{
    SetBlock(block_width_, -1);
}

void GuiProgressBar::SetBlock(int32_t width, int32_t offset)
{
    if (width == block_width_ && offset == offset_)
        return;
    block_width_ = std::max(width, 0);
    offset_ = std::max(offset, -1);
    Invalidate();
}

void GuiProgressBar::PaintBackground(WinLayer::HostPainter& painter, const WinLayer::HostRect& client)
{
    WinEditBox::PaintBackground(painter, client);
    if (offset_ < 0 || block_width_ <= 0)
        return;
    const int32_t left = client.left + offset_;
    painter.FillRect({ left, client.top, left + block_width_, client.bottom }, kBlockColour);
}

} // namespace AppLayer
