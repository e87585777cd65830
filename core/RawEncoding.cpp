#include <core/RawEncoding.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include <iconv.h>
#include <langinfo.h>

namespace RawLayer {

namespace {

constexpr std::array<std::string_view, kRawEncodingCount + 1> kNames { "NO_SET", "SJIS", "UTF8", "UTF7",
    "MAC", "UTF16BE", "UTF16LE", "UTF16", "", "" };

constexpr const char* kNativeUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// The iconv name of a byte encoding; empty for the 16-bit forms and Binary, which iconv never sees.
std::string IconvName(RawEncoding encoding)
{
    switch (encoding) {
    case RawEncoding::NoSet:
        return RawSystemCodeset();
    case RawEncoding::Sjis:
        return "CP932"; // glibc's SHIFT_JIS is not code page 932
    case RawEncoding::Utf8:
        return "UTF-8";
    case RawEncoding::Utf7:
        return "UTF-7";
    case RawEncoding::Mac:
        return "MACINTOSH";
    default:
        return {};
    }
}

// Opening a converter costs far more than a short conversion, so each thread keeps the ones it
// has used. A descriptor is never shared between threads.
class IconvCache {
public:
    IconvCache() = default;
    IconvCache(const IconvCache&) = delete;
    IconvCache& operator=(const IconvCache&) = delete;
    ~IconvCache()
    {
        for (auto& entry : converters_)
            if (entry.second != reinterpret_cast<iconv_t>(-1))
                iconv_close(entry.second);
    }
    iconv_t Get(const std::string& to, const std::string& from)
    {
        auto key = std::make_pair(to, from);
        auto found = converters_.find(key);
        if (found == converters_.end())
            found = converters_.emplace(key, iconv_open(to.c_str(), from.c_str())).first;
        return found->second;
    }

private:
    std::map<std::pair<std::string, std::string>, iconv_t> converters_;
};

// Runs one whole conversion; false on any invalid or incomplete input or unconvertible character.
bool RunIconv(
    const std::string& to, const std::string& from, const char* input, size_t input_size, std::string& output)
{
    thread_local IconvCache cache;
    iconv_t cd = cache.Get(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    output.resize(input_size * 2 + 16);
    auto* in = const_cast<char*>(input);
    size_t in_left = input_size;
    size_t used = 0;
    bool flushing = false;
    for (;;) {
        char* out = output.data() + used;
        size_t out_left = output.size() - used;
        size_t result = flushing ? iconv(cd, nullptr, nullptr, &out, &out_left)
                                 : iconv(cd, &in, &in_left, &out, &out_left);
        used = output.size() - out_left;
        if (result != static_cast<size_t>(-1)) {
            if (flushing)
                break;
            flushing = true; // write out any pending shift state (UTF-7)
            continue;
        }
        if (errno != E2BIG)
            return false;
        output.resize(output.size() * 2);
    }
    output.resize(used);
    return true;
}

void SwapPairs(std::string& bytes)
{
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        std::swap(bytes[i], bytes[i + 1]);
}

bool IsNativeOrder(RawEncoding encoding)
{
    return (encoding == RawEncoding::Utf16Le) == (std::endian::native == std::endian::little);
}

} // namespace

std::string_view RawEncodingName(RawEncoding encoding)
{
    auto index = static_cast<size_t>(encoding);
    return index < kNames.size() ? kNames[index] : std::string_view();
}

std::optional<RawEncoding> RawEncodingFromName(std::string_view name)
{
    if (name.empty())
        return std::nullopt;
    for (size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name)
            return static_cast<RawEncoding>(i);
    return std::nullopt;
}

std::string RawSystemCodeset()
{
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && *codeset != '\0' ? codeset : "ANSI_X3.4-1968";
}

std::optional<std::u16string> RawToUtf16(std::string_view bytes, RawEncoding encoding)
{
    std::string native;
    switch (encoding) {
    case RawEncoding::Binary:
        return std::nullopt;
    case RawEncoding::Utf16:
    case RawEncoding::Utf16Be:
    case RawEncoding::Utf16Le:
        if (bytes.size() % 2 != 0)
            return std::nullopt;
        native.assign(bytes);
        if (encoding != RawEncoding::Utf16 && !IsNativeOrder(encoding))
            SwapPairs(native);
        break;
    default:
        if (!RunIconv(kNativeUtf16, IconvName(encoding), bytes.data(), bytes.size(), native))
            return std::nullopt;
    }
    std::u16string units(native.size() / 2, u'\0');
    std::memcpy(units.data(), native.data(), units.size() * 2);
    return units;
}

std::optional<std::string> RawFromUtf16(std::u16string_view units, RawEncoding encoding)
{
    const char* data = reinterpret_cast<const char*>(units.data());
    size_t size = units.size() * 2;
    std::string output;
    switch (encoding) {
    case RawEncoding::Binary:
        return std::nullopt;
    case RawEncoding::Utf16:
    case RawEncoding::Utf16Be:
    case RawEncoding::Utf16Le:
        output.assign(data, size);
        if (encoding != RawEncoding::Utf16 && !IsNativeOrder(encoding))
            SwapPairs(output);
        return output;
    default:
        if (!RunIconv(IconvName(encoding), kNativeUtf16, data, size, output))
            return std::nullopt;
        return output;
    }
}

std::optional<std::string> RawConvertBytes(std::string_view bytes, RawEncoding from, RawEncoding to)
{
    if (from == to)
        return std::string(bytes);
    auto units = RawToUtf16(bytes, from);
    if (!units)
        return std::nullopt;
    return RawFromUtf16(*units, to);
}

} // namespace RawLayer
