#include <core/RawEncoding.h>

#include <cli/CliShownName.h>

namespace QuelvaneCli {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

} // namespace

void CliShownName::AppendEscaped(std::string& to, std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F || byte == '\\')
                AppendByte(to, byte);
            else
                to.push_back(static_cast<char>(byte));
            ++i;
            continue;
        }
        size_t length = Utf8Length(bytes.substr(i));
        if (length == 0) {
            AppendByte(to, byte);
            ++i;
            continue;
        }
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        if (byte == 0xC2 && second < 0xA0) {
            to.append("\\u00");
            to.push_back(kHexDigits[second >> 4]);
            to.push_back(kHexDigits[second & 0x0F]);
        } else {
            to.append(bytes.substr(i, length));
        }
        i += length;
    }
}

void CliShownName::AppendByte(std::string& to, unsigned char byte)
{
    switch (byte) {
    case '\n':
        to.append("\\n");
        return;
    case '\r':
        to.append("\\r");
        return;
    case '\t':
        to.append("\\t");
        return;
    case '\\':
        to.append("\\\\");
        return;
    default:
        to.append("\\x");
        to.push_back(kHexDigits[byte >> 4]);
        to.push_back(kHexDigits[byte & 0x0F]);
    }
}

size_t CliShownName::Utf8Length(std::string_view bytes)
{
    auto lead = static_cast<unsigned char>(bytes.front());
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2
        : lead >= 0xE0 && lead <= 0xEF           ? 3
        : lead >= 0xF0 && lead <= 0xF4           ? 4
                                                 : 0;
    if (length == 0 || length > bytes.size())
        return 0;
    return RawLayer::RawIsValidUtf8(bytes.substr(0, length)) ? length : 0;
}

} // namespace QuelvaneCli
