#pragma once

// A bitmap from the bitmap pool, scaled by one of the scaling functions and centred on the box's
// ground. The image's size is the box's client size, or a fixed size when one is set (an icon
// keeps its size in a box laid out larger).

#include <toolkit/WinBitmapAlpha.h>
#include <toolkit/WinBitmapPool.h>
#include <toolkit/WinView.h>

#include <string>

namespace WinLayer {

class HostPainter;

class WinImageBox : public WinView {
public:
    static constexpr RawColour kDefaultBackground = RawColour::FromRgb(0xF0, 0xF0, 0xF0);

    WinImageBox();

    // The pool's bitmap `name`, scaled by `function` to `size` (0 x 0: the client size).
    void SetImage(const std::string& name, WinBitmapAlpha::Function function, HostSize size = {});
    // A standard icon at `size` x `size` pixels, reduced by area averaging.
    void SetIcon(WinBitmapPool::Icon icon, int32_t size);
    void SetBackground(RawColour colour);

    const std::string& ImageName() const { return name_; }
    WinBitmapAlpha::Function ScalingFunction() const { return function_; }
    // The size the image is shown at in a client area of `client` size.
    HostSize ImageSize(HostSize client) const;

    // The fixed image size, or the source's size.
    HostSize NaturalTextSize() override;
    void Paint(HostPainter& painter, const HostRect& dirty) override;

    // Paints the box into `client` (what Paint does; also used by tests without a window).
    void Draw(HostPainter& painter, const HostRect& client);

private:
    std::string name_;
    WinBitmapAlpha::Function function_ = WinBitmapAlpha::FunctionAreaAverage;
    HostSize size_ {};
    RawColour background_ = kDefaultBackground;
};

} // namespace WinLayer
