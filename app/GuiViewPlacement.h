#pragma once

// The main window's parameters in the GUI profile's section "ViewDialog": where the window was
// ("WindowRect", screen coordinates), the fixed upper part with the bars and buttons ("FixRect",
// client coordinates; the divider stands at its bottom) and the result list's column widths
// ("ColumnWidth"). Rectangles are written "left,top,right,bottom", widths "w0,w1,w2,w3", as
// decimal numbers; a value that does not read back that way is ignored.

#include <core/RawProfile.h>
#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace AppLayer {

class GuiViewPlacement {
public:
    static constexpr const char* kSection = "ViewDialog";
    static constexpr size_t kColumnCount = 4;

    std::optional<WinLayer::HostRect> window_rect;
    std::optional<WinLayer::HostRect> fix_rect;
    std::vector<int32_t> column_widths; // empty when none was stored

    static GuiViewPlacement Read(RawLayer::RawProfile& profile);
    // Writes the three keys into the section, keeping its other keys. The result of the write.
    [[nodiscard]] bool Write(RawLayer::RawProfile& profile) const;

    // `count` comma-separated decimal integers; nothing unless the text is exactly that.
    static std::optional<std::vector<int32_t>> ParseNumbers(std::string_view text, size_t count);
    static std::string FormatNumbers(const std::vector<int32_t>& numbers);
    // A rectangle with a positive width and height.
    static std::optional<WinLayer::HostRect> ParseRect(std::string_view text);
    static std::string FormatRect(const WinLayer::HostRect& rect);

    // Where a window that was at `rect` goes when the screens are `areas` (the primary one
    // first): it stays when its top edge lies on one of them with enough of the window visible
    // to take it by its title; otherwise it is moved, and shrunk where it is larger, into the
    // first area.
    static WinLayer::HostRect IntoWorkArea(
        const WinLayer::HostRect& rect, const std::vector<WinLayer::HostRect>& areas);
};

} // namespace AppLayer
