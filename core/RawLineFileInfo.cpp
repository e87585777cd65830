#include <core/RawLineFileInfo.h>

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace RawLayer {

namespace {

// The ASCII run before the first deciding byte is read in pieces of this size, so a large
// plain file is scanned without holding it in memory.
constexpr int64_t kScanChunk = 256 * 1024;

class MemorySource final : public RawLineFileInfo::Source {
public:
    explicit MemorySource(std::string_view bytes)
        : bytes_(bytes)
    {
    }
    std::optional<std::string_view> View(int64_t offset, int64_t size) override
    {
        auto start = static_cast<size_t>(offset);
        if (start >= bytes_.size())
            return std::string_view();
        return bytes_.substr(start, static_cast<size_t>(size));
    }

private:
    std::string_view bytes_;
};

// One step of the Shift_JIS checker; false when the byte cannot stand here.
bool StepSjis(unsigned char c, bool& want_trail, int64_t& points_for)
{
    if (want_trail) {
        want_trail = false;
        return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
    }
    if (c < 0x80)
        return true;
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) {
        want_trail = true;
        return true;
    }
    if (c >= 0xA1 && c <= 0xDF) {
        ++points_for; // a half-width katakana
        return true;
    }
    return false;
}

// One step of the UTF-8 checker; false when the byte cannot stand here. The five- and six-byte
// forms of the original definition are accepted but count against UTF-8.
bool StepUtf8(unsigned char c, int& trail, int64_t& points_against)
{
    if (trail > 0) {
        --trail;
        return (c & 0xC0) == 0x80;
    }
    if (c < 0x80)
        return true;
    if (c < 0xC2 || c >= 0xFE)
        return false; // stray continuation, C0, C1, FE, FF
    if (c < 0xE0)
        trail = 1;
    else if (c < 0xF0)
        trail = 2;
    else if (c < 0xF8)
        trail = 3;
    else {
        trail = c < 0xFC ? 4 : 5;
        ++points_against;
    }
    return true;
}

RawLineFileInfo::Verdict Decided(RawEncoding encoding)
{
    return { encoding, true, false };
}

RawLineFileInfo::Verdict Failed()
{
    return { RawEncoding::NoSet, false, true };
}

// A window of up to `size` bytes at `offset`, and whether it reaches the end of the file.
std::optional<std::string_view> LookAhead(
    RawLineFileInfo::Source& source, int64_t offset, int64_t size, bool& whole)
{
    auto window = source.View(offset, size + 1);
    if (window) {
        whole = static_cast<int64_t>(window->size()) <= size;
        if (!whole)
            window->remove_suffix(1);
    }
    return window;
}

// A zero byte at `zero` makes the file UTF-16, high byte first when the zero stands at an even
// offset. The guess is confirmed by a 16-bit line end: the units of the look-ahead window (the
// file from its start to kLookAhead bytes past the zero, which covers at least its first
// 64 KiB) are read in that byte order, and the first unit 000A or 000D confirms it. A window
// that is the whole file and has none is still UTF-16 (a text of one line); a full window
// without one is binary. Only 16-bit line ends count: a byte pair 0D 0A decides nothing.
// Units before the zero's hold no zero byte, so the walk starts at the zero's unit.
RawLineFileInfo::Verdict ConfirmUtf16(RawLineFileInfo::Source& source, int64_t zero)
{
    bool big_endian = zero % 2 == 0;
    int64_t start = zero - zero % 2;
    bool whole = false;
    auto window = LookAhead(source, start, zero + RawLineFileInfo::kLookAhead - start, whole);
    if (!window)
        return Failed();
    const auto* p = reinterpret_cast<const unsigned char*>(window->data());
    RawEncoding encoding = big_endian ? RawEncoding::Utf16Be : RawEncoding::Utf16Le;
    for (size_t i = 0; i + 1 < window->size(); i += 2) {
        unsigned unit = big_endian ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]);
        if (unit == 0x0A || unit == 0x0D)
            return Decided(encoding);
    }
    return Decided(whole ? encoding : RawEncoding::Binary);
}

RawLineFileInfo::Verdict TwoWay(RawLineFileInfo::Source& source, int64_t from)
{
    bool whole = false;
    auto window = LookAhead(source, from, RawLineFileInfo::kLookAhead, whole);
    if (!window)
        return Failed();
    return Decided(RawLineFileInfo::SjisOrUtf8(*window, !whole));
}

} // namespace

RawLineFileInfo::Mark RawLineFileInfo::DetectMark(std::string_view head)
{
    if (head.starts_with("\xFE\xFF"))
        return { RawEncoding::Utf16Be, 2 };
    if (head.starts_with("\xFF\xFE"))
        return { RawEncoding::Utf16Le, 2 };
    if (head.starts_with("\xEF\xBB\xBF"))
        return { RawEncoding::Utf8, 3 };
    return {};
}

std::string_view RawLineFileInfo::MarkBytes(RawEncoding encoding)
{
    switch (encoding) {
    case RawEncoding::Utf16Be:
        return "\xFE\xFF";
    case RawEncoding::Utf16Le:
        return "\xFF\xFE";
    case RawEncoding::Utf8:
        return "\xEF\xBB\xBF";
    case RawEncoding::Utf7:
        return "+/v8-";
    default:
        return {};
    }
}

RawEncoding RawLineFileInfo::SjisOrUtf8(std::string_view bytes, bool cut_allowed)
{
    int64_t sjis_points = 0;
    int64_t points_against_utf8 = 0;
    bool sjis_trail = false;
    int utf8_trail = 0;
    for (unsigned char c : bytes) {
        bool sjis_ok = StepSjis(c, sjis_trail, sjis_points);
        // A byte that fails both checkers leaves Shift_JIS, the encoding that also wins when
        // neither has points: it decodes more byte strings, so more of such a file stays readable.
        if (!StepUtf8(c, utf8_trail, points_against_utf8))
            return RawEncoding::Sjis;
        if (!sjis_ok)
            return RawEncoding::Utf8;
    }
    if (!cut_allowed && utf8_trail > 0)
        return RawEncoding::Sjis;
    if (!cut_allowed && sjis_trail)
        return RawEncoding::Utf8;
    return points_against_utf8 < sjis_points ? RawEncoding::Utf8 : RawEncoding::Sjis;
}

RawLineFileInfo::Verdict RawLineFileInfo::ScanContent(Source& source)
{
    for (int64_t offset = 0;;) {
        auto chunk = source.View(offset, kScanChunk);
        if (!chunk)
            return Failed();
        if (chunk->empty())
            return {};
        size_t plain = RawPlainAsciiPrefix(*chunk);
        if (plain == chunk->size()) {
            offset += static_cast<int64_t>(plain);
            continue;
        }
        auto c = static_cast<unsigned char>((*chunk)[plain]);
        int64_t at = offset + static_cast<int64_t>(plain);
        if (c == 0)
            return ConfirmUtf16(source, at);
        if (c >= 0x80 && c <= 0xC1)
            return Decided(RawEncoding::Sjis);
        if (c >= 0xC2 && c <= 0xEF)
            return TwoWay(source, at);
        if (c >= 0xF0 && c <= 0xFD)
            return Decided(RawEncoding::Utf8);
        return Decided(RawEncoding::Binary); // 7F, FE, FF
    }
}

RawLineFileInfo::Verdict RawLineFileInfo::ScanContent(std::string_view whole_file)
{
    MemorySource source(whole_file);
    return ScanContent(source);
}

} // namespace RawLayer
