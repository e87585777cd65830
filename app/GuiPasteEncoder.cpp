#include <app/GuiPasteEncoder.h>
#include <engine/JobExpressionUtility.h>

namespace AppLayer {

using JobLayer::JobExpressionUtility;
using RawLayer::RawEncoding;
using RawLayer::RawString;

std::u16string GuiPasteEncoder::Encode(const std::u16string& clipboard)
{
    RawString text;
    if (!text.Acquire(RawString(std::u16string_view(clipboard)), RawEncoding::Utf8))
        return {};
    const RawString escaped = mode_ == kModeOneItem ? JobExpressionUtility::Escape(text)
                                                    : JobExpressionUtility::EscapeLineBreaks(text);
    RawString units;
    if (!units.Acquire(escaped, RawEncoding::Utf16))
        return {};
    return std::u16string(units.View16());
}

} // namespace AppLayer
