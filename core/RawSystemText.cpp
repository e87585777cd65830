#include <core/RawSystemText.h>

namespace RawLayer {

RawSystemText::RawSystemText(const RawString& text)
{
    RawEncoding encoding = text.Encoding();
    if (encoding == RawEncoding::NoSet || encoding == RawEncoding::Utf8 || text.IsEmpty()) {
        bytes_.assign(text.View());
        valid_ = true;
    } else if (encoding == RawEncoding::Utf16) {
        auto converted = RawFromUtf16(text.View16(), RawEncoding::NoSet);
        valid_ = converted.has_value();
        if (valid_)
            bytes_ = std::move(*converted);
    } else {
        auto converted = RawConvertBytes(text.View(), encoding, RawEncoding::NoSet);
        valid_ = converted.has_value();
        if (valid_)
            bytes_ = std::move(*converted);
    }
    if (bytes_.find('\0') != std::string::npos) {
        valid_ = false;
        bytes_.clear();
    }
}

} // namespace RawLayer
