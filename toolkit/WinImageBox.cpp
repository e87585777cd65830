#include <toolkit/WinImageBox.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

WinImageBox::WinImageBox()
{
    SetClassName(RawLayer::RawString("Image"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible, 0);
    SetFlags(Flags() | kSkipFocus);
}

void WinImageBox::SetImage(const std::string& name, WinBitmapAlpha::Function function, HostSize size)
{
    name_ = name;
    function_ = function != nullptr ? function : WinBitmapAlpha::FunctionAreaAverage;
    size_ = size;
    Invalidate();
}

void WinImageBox::SetIcon(WinBitmapPool::Icon icon, int32_t size)
{
    SetImage(WinBitmapPool::IconName(icon), WinBitmapAlpha::FunctionAreaAverage, { size, size });
}

void WinImageBox::SetBackground(RawColour colour)
{
    background_ = colour;
    Invalidate();
}

HostSize WinImageBox::ImageSize(HostSize client) const
{
    return size_.cx > 0 && size_.cy > 0 ? size_ : client;
}

HostSize WinImageBox::NaturalTextSize()
{
    if (size_.cx > 0 && size_.cy > 0)
        return size_;
    WinBitmapPool::BitmapPtr source = WinBitmapPool::Instance().Source(name_);
    return source ? HostSize { source->width, source->height } : HostSize {};
}

void WinImageBox::Draw(HostPainter& painter, const HostRect& client)
{
    painter.FillRect(client, background_);
    HostSize size = ImageSize({ client.Width(), client.Height() });
    WinBitmapPool::BitmapPtr bitmap = WinBitmapPool::Instance().Scaled(name_, size.cx, size.cy, function_);
    if (!bitmap || bitmap->Empty())
        return;
    painter.DrawBitmap(*bitmap,
        { client.left + (client.Width() - bitmap->width) / 2,
            client.top + (client.Height() - bitmap->height) / 2 });
}

void WinImageBox::Paint(HostPainter& painter, const HostRect&)
{
    Draw(painter, Host::ClientRect(Window()));
}

} // namespace WinLayer
