#include <engine/JobLineScan.h>

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace JobLayer {

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kLows = 0x7F7F7F7F7F7F7F7FULL;

// The last CR or LF in `window`, or nullptr.
const char* LastLineEnd(std::string_view window, bool has_cr)
{
    const void* lf = memrchr(window.data(), '\n', window.size());
    const void* cr = has_cr ? memrchr(window.data(), '\r', window.size()) : nullptr;
    return static_cast<const char*>(std::max(lf, cr));
}

unsigned UnitAt(std::string_view content, size_t at, bool big_endian)
{
    auto first = static_cast<unsigned char>(content[at]);
    auto second = static_cast<unsigned char>(content[at + 1]);
    return big_endian ? (first << 8 | second) : (second << 8 | first);
}

// One in the low bit of each byte of `word` that is zero; exact, with no carries between bytes.
uint64_t ZeroBytes(uint64_t word)
{
    uint64_t low_bits_set = (word & kLows) + kLows;
    return (~(low_bits_set | word | kLows) >> 7) & kOnes;
}

// The sum of the eight byte counters (each at most 255), through four 16-bit ones.
uint64_t SumBytes(uint64_t counts)
{
    constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFULL;
    constexpr uint64_t kPairOnes = 0x0001000100010001ULL;
    uint64_t pairs = (counts & kEvenBytes) + ((counts >> 8) & kEvenBytes);
    return (pairs * kPairOnes) >> 48;
}

#if defined(__x86_64__)
const bool kHasAvx2
    = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"));

// The bytes equal to `byte` in the whole 32-byte blocks at the start of [data, data + size).
[[gnu::target("avx2,popcnt")]] int64_t CountBlocksAvx2(const char* data, size_t size, char byte)
{
    const __m256i pattern = _mm256_set1_epi8(byte);
    int64_t count = 0;
    for (size_t at = 0; at + 32 <= size; at += 32) {
        __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
        auto equal = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(block, pattern)));
        count += __builtin_popcount(equal);
    }
    return count;
}
#endif

} // namespace

bool JobLineScan::LinesWithin(std::string_view content, Unit unit, int64_t limit)
{
    if (unit == Unit::Byte)
        return BytesWithin(content, limit);
    return UnitsWithin(content, unit == Unit::Utf16Be, limit);
}

int64_t JobLineScan::CountLines(std::string_view content, Unit unit)
{
    if (unit == Unit::Byte)
        return CountBytes(content);
    return CountUnits(content, unit == Unit::Utf16Be);
}

size_t JobLineScan::LineStart(std::string_view content, size_t from, size_t at, Unit unit)
{
    if (unit == Unit::Byte) {
        const char* end = LastLineEnd(content.substr(from, at - from), true);
        return end == nullptr ? from : static_cast<size_t>(end - content.data()) + 1;
    }
    bool big_endian = unit == Unit::Utf16Be;
    for (size_t unit_at = from + (at - from) / 2 * 2; unit_at > from; unit_at -= 2) {
        unsigned code = UnitAt(content, unit_at - 2, big_endian);
        if (code == '\n' || code == '\r')
            return unit_at;
    }
    return from;
}

// A CR ends a line alone unless LF follows it.
RawLayer::RawLineEnd JobLineScan::FirstEnd(std::string_view content, Unit unit)
{
    using RawLayer::RawLineEnd;
    size_t step = unit == Unit::Byte ? 1 : 2;
    auto code = [&](size_t at) {
        return unit == Unit::Byte ? static_cast<unsigned char>(content[at])
                                  : UnitAt(content, at, unit == Unit::Utf16Be);
    };
    for (size_t at = 0; at + step <= content.size(); at += step) {
        unsigned unit_code = code(at);
        if (unit_code == '\n')
            return RawLineEnd::Lf;
        if (unit_code == '\r')
            return at + 2 * step <= content.size() && code(at + step) == '\n' ? RawLineEnd::CrLf
                                                                              : RawLineEnd::Cr;
    }
    return RawLineEnd::None;
}

// Every line starting in [start, last line end in the next limit + 1 bytes] ends by that line
// end, so the search jumps from line end to line end at least `limit` bytes at a time at
// best, and a window with no line end at all holds the start of a line that is too long.
bool JobLineScan::BytesWithin(std::string_view content, int64_t limit)
{
    if (limit < 0)
        return content.empty();
    auto span = static_cast<size_t>(limit);
    bool has_cr = std::memchr(content.data(), '\r', content.size()) != nullptr;
    size_t start = 0;
    while (content.size() - start > span) {
        const char* end = LastLineEnd(content.substr(start, span + 1), has_cr);
        if (end == nullptr)
            return false;
        start = static_cast<size_t>(end - content.data()) + 1;
    }
    return true;
}

int64_t JobLineScan::CountBytes(std::string_view content)
{
    if (content.empty())
        return 0;
    int64_t ends = CountByte(content, '\n');
    if (std::memchr(content.data(), '\r', content.size()) != nullptr)
        ends += CountByte(content, '\r') - CountPairs(content);
    char last = content.back();
    return ends + (last == '\n' || last == '\r' ? 0 : 1);
}

// Thirty-two bytes at a time where the processor can, else eight; the byte counters of a word
// are summed before any can pass 255.
int64_t JobLineScan::CountByte(std::string_view content, char byte)
{
    const uint64_t pattern = kOnes * static_cast<uint8_t>(byte);
    const char* data = content.data();
    size_t size = content.size();
    size_t at = 0;
    int64_t count = 0;
#if defined(__x86_64__)
    if (kHasAvx2) {
        at = size - size % 32;
        count = CountBlocksAvx2(data, at, byte);
    }
#endif
    while (size - at >= 8) {
        uint64_t counts = 0;
        size_t stop = std::min(size - (size - at) % 8, at + 8 * 255);
        for (; at < stop; at += 8) {
            uint64_t word;
            std::memcpy(&word, data + at, sizeof word);
            counts += ZeroBytes(word ^ pattern);
        }
        count += static_cast<int64_t>(SumBytes(counts));
    }
    for (; at < size; ++at)
        count += data[at] == byte ? 1 : 0;
    return count;
}

int64_t JobLineScan::CountPairs(std::string_view content)
{
    int64_t pairs = 0;
    for (size_t at = content.find('\r'); at != std::string_view::npos; at = content.find('\r', at + 1))
        pairs += at + 1 < content.size() && content[at + 1] == '\n' ? 1 : 0;
    return pairs;
}

bool JobLineScan::UnitsWithin(std::string_view content, bool big_endian, int64_t limit)
{
    int64_t length = 0;
    for (size_t at = 0; at + 1 < content.size(); at += 2) {
        unsigned unit = UnitAt(content, at, big_endian);
        length = unit == '\n' || unit == '\r' ? 0 : length + 1;
        if (length > limit)
            return false;
    }
    // An odd byte at the end stays part of the last line.
    return length + static_cast<int64_t>(content.size() % 2) <= limit || content.size() % 2 == 0;
}

int64_t JobLineScan::CountUnits(std::string_view content, bool big_endian)
{
    int64_t lines = 0;
    bool open = false; // a line has started that has not ended
    size_t units = content.size() / 2;
    for (size_t k = 0; k < units; ++k) {
        unsigned unit = UnitAt(content, 2 * k, big_endian);
        if (unit == '\r' && k + 1 < units && UnitAt(content, 2 * k + 2, big_endian) == '\n')
            continue; // the LF ends this line
        bool end = unit == '\n' || unit == '\r';
        lines += end ? 1 : 0;
        open = !end;
    }
    return lines + (open || content.size() % 2 != 0 ? 1 : 0);
}

} // namespace JobLayer
