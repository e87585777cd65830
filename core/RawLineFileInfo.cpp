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

// Control characters a text file may hold: backspace (overstriking), tab, the line ends,
// vertical tab, form feed, SUB (an old end-of-file mark) and escape. The others, and U+0000
// above all, stand in binary data, not in text.
bool IsTextControl(unsigned code)
{
    return (code >= 0x08 && code <= 0x0D) || code == 0x1A || code == 0x1B;
}

// Whether `window` (the start of a file holding a zero byte; `whole` when it is all of the file)
// reads as UTF-16 text in one byte order. Text in UTF-16 has its zero bytes in the high byte of
// the characters below U+0100 and, more rarely, in the low byte of characters U+xx00; it never
// holds U+0000, a control character outside IsTextControl or a surrogate without its partner,
// and it has whole units. It is confirmed by a 16-bit line end (000A or 000D). Without one (a
// text of one line, or of lines longer than the window), every zero byte must stand in a high
// byte and no line end byte may appear at all (byte-form line ends with zero bytes between them
// are not UTF-16); then a whole file is confirmed, and a longer one when at least a quarter of
// its units have a zero high byte, as text in Latin script has: a lone zero byte before a long
// run of other bytes is no evidence of UTF-16.
bool ReadsAsUtf16(std::string_view window, bool whole, bool big_endian)
{
    size_t n = window.size();
    if (whole && n % 2 != 0)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(window.data());
    int64_t high_zeros = 0;
    int64_t low_zeros = 0;
    int64_t line_ends = 0;
    bool want_low_surrogate = false;
    for (size_t i = 0; i + 1 < n; i += 2) {
        unsigned high = p[big_endian ? i : i + 1];
        unsigned low = p[big_endian ? i + 1 : i];
        bool low_surrogate = high >= 0xDC && high <= 0xDF;
        if (low_surrogate != want_low_surrogate)
            return false;
        want_low_surrogate = high >= 0xD8 && high <= 0xDB;
        if (high == 0) {
            if (low < 0x20 && !IsTextControl(low))
                return false;
            ++high_zeros;
            line_ends += low == 0x0A || low == 0x0D ? 1 : 0;
        } else if (low == 0) {
            ++low_zeros;
        }
    }
    if (want_low_surrogate && whole)
        return false;
    if (line_ends > 0)
        return true;
    if (low_zeros > 0 || window.find_first_of("\n\r") != std::string_view::npos)
        return false;
    return whole || high_zeros * 4 >= static_cast<int64_t>(n / 2);
}

// The confirmation of a file whose first kZeroWindow bytes hold a zero byte: UTF-16 in the byte
// order that puts most of the zero bytes into high bytes (big-endian when they stand at even
// offsets), if the window reads as text in it; otherwise binary. Equal counts at both offsets
// are what binary data shows, never text.
RawEncoding ConfirmUtf16(std::string_view window, bool whole)
{
    int64_t even = 0;
    int64_t odd = 0;
    for (size_t at = window.find('\0'); at != std::string_view::npos; at = window.find('\0', at + 1))
        ++(at % 2 == 0 ? even : odd);
    if (even == odd)
        return RawEncoding::Binary;
    bool big_endian = even > odd;
    if (!ReadsAsUtf16(window, whole, big_endian))
        return RawEncoding::Binary;
    return big_endian ? RawEncoding::Utf16Be : RawEncoding::Utf16Le;
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
    // Zero bytes decide before anything else: a file with one near its start is UTF-16 or
    // binary, whatever byte comes first.
    bool whole = false;
    auto head = LookAhead(source, 0, kZeroWindow, whole);
    if (!head)
        return Failed();
    if (head->find('\0') != std::string_view::npos)
        return Decided(ConfirmUtf16(*head, whole));
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
        if (c >= 0x80 && c <= 0xC1)
            return Decided(RawEncoding::Sjis);
        if (c >= 0xC2 && c <= 0xEF)
            return TwoWay(source, at);
        if (c >= 0xF0 && c <= 0xFD)
            return Decided(RawEncoding::Utf8);
        // 7F, FE, FF, and a zero byte after a start of plain ASCII longer than the zero
        // window: a UTF-16 text would have shown zero bytes there.
        return Decided(RawEncoding::Binary);
    }
}

RawLineFileInfo::Verdict RawLineFileInfo::ScanContent(std::string_view whole_file)
{
    MemorySource source(whole_file);
    return ScanContent(source);
}

} // namespace RawLayer
