#include <core/RawEncoding.h>

#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// The byte scans on the hot path of reading files: the plain-ASCII run at the start of a text and
// UTF-8 validation. Both run over every byte of every file searched, so they use vector
// instructions where the processor has them, with the portable loops giving the same answers.

namespace RawLayer {

namespace {

#if defined(__x86_64__)
// UTF-8 validation 32 bytes at a time (the lookup method of Keiser and Lemire, "Validating UTF-8
// in less than one instruction per byte", 2021). Each byte is classified together with the byte
// before it by three 16-entry tables (high nibble of the first, low nibble of the first, high
// nibble of the second); a bit set in all three names an error. Continuation bytes required by
// three- and four-byte forms, which the pair tables cannot see, are checked from the bytes two
// and three places back. Everything stays in one function so no vector crosses a call.
[[gnu::target("avx2")]] bool ValidUtf8Avx2(const unsigned char* p, size_t n)
{
    constexpr char kTooShort = 1 << 0;  // a lead or ASCII followed by a lead or ASCII
    constexpr char kTooLong = 1 << 1;   // ASCII followed by a continuation
    constexpr char kOverlong3 = 1 << 2; // E0 80..9F
    constexpr char kTooLarge = 1 << 3;  // above U+10FFFF
    constexpr char kSurrogate = 1 << 4; // ED A0..BF
    constexpr char kOverlong2 = 1 << 5; // C0, C1
    constexpr char kTooLarge1000 = 1 << 6;
    constexpr char kOverlong4 = 1 << 6; // F0 80..8F
    constexpr char kTwoConts = static_cast<char>(1 << 7);
    constexpr char kCarry = kTooShort | kTooLong | kTwoConts;
    constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
    constexpr char kLead4 = kTooShort | kTooLarge | kTooLarge1000 | kOverlong4;
    constexpr char kLead3 = kTooShort | kOverlong3 | kSurrogate;
    constexpr char kLow0 = kCarry | kOverlong3 | kOverlong2 | kOverlong4;
    constexpr char k80 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
    constexpr char k90 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
    constexpr char kA0 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
    const __m256i byte_1_high = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
            kTwoConts, kTwoConts, kTwoConts, kTwoConts, kTooShort | kOverlong2, kTooShort, kLead3, kLead4));
    const __m256i byte_1_low = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(kLow0, kCarry | kOverlong2, kCarry, kCarry, kCarry | kTooLarge, kLarge, kLarge, kLarge,
            kLarge, kLarge, kLarge, kLarge, kLarge, kLarge | kSurrogate, kLarge, kLarge));
    const __m256i byte_2_high
        = _mm256_broadcastsi128_si256(_mm_setr_epi8(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
            kTooShort, kTooShort, kTooShort, k80, k90, kA0, kA0, kTooShort, kTooShort, kTooShort, kTooShort));
    // A lead in the last three bytes of a block whose sequence runs past it.
    const __m256i last_max = _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, char(0xF0 - 1), char(0xE0 - 1), char(0xC0 - 1));
    const __m256i nibble = _mm256_set1_epi8(0x0F);

    __m256i previous = _mm256_setzero_si256();
    __m256i error = _mm256_setzero_si256();
    __m256i incomplete = _mm256_setzero_si256();
    for (size_t i = 0; i < n; i += 32) {
        __m256i input;
        if (n - i >= 32) {
            input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        } else if (n >= 32) {
            // The last 32 bytes, overlapping the block before; checking bytes again with their
            // true neighbours changes nothing. Only the three bytes before them count as context.
            size_t start = n - 32;
            uint32_t before = 0;
            for (size_t k = 1; k <= 3 && k <= start; ++k)
                before |= uint32_t { p[start - k] } << (32 - 8 * k);
            input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + start));
            previous = _mm256_set_epi32(static_cast<int>(before), 0, 0, 0, 0, 0, 0, 0);
        } else { // shorter than one block: padded with ASCII zeros
            unsigned char tail[32] = {};
            std::memcpy(tail, p, n);
            input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tail));
        }
        if (_mm256_movemask_epi8(input) == 0) { // ASCII: only a sequence left open is wrong
            error = _mm256_or_si256(error, incomplete);
            previous = input;
            continue;
        }
        __m256i carried = _mm256_permute2x128_si256(previous, input, 0x21);
        __m256i prev1 = _mm256_alignr_epi8(input, carried, 15);
        __m256i special = _mm256_and_si256(
            _mm256_and_si256(
                _mm256_shuffle_epi8(byte_1_high, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
                _mm256_shuffle_epi8(byte_1_low, _mm256_and_si256(prev1, nibble))),
            _mm256_shuffle_epi8(byte_2_high, _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble)));
        __m256i third
            = _mm256_subs_epu8(_mm256_alignr_epi8(input, carried, 14), _mm256_set1_epi8(0xE0 - 0x80));
        __m256i fourth
            = _mm256_subs_epu8(_mm256_alignr_epi8(input, carried, 13), _mm256_set1_epi8(0xF0 - 0x80));
        __m256i must_continue
            = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
        error = _mm256_or_si256(error, _mm256_xor_si256(must_continue, special));
        incomplete = _mm256_subs_epu8(input, last_max);
        previous = input;
    }
    error = _mm256_or_si256(error, incomplete);
    return _mm256_testz_si256(error, error) != 0;
}

// Asked once at start-up; cpu_init makes the answer safe whatever the order of initialisation.
const bool kHasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

} // namespace

size_t RawPlainAsciiPrefix(std::string_view bytes)
{
    const char* p = bytes.data();
    size_t n = bytes.size();
    size_t i = 0;
#if defined(__x86_64__)
    // Sixteen bytes at a time: a byte is outside 01..7E when its high bit is set or it equals
    // 00 or 7F.
    const __m128i zero = _mm_setzero_si128();
    const __m128i del = _mm_set1_epi8(0x7F);
    for (; i + 16 <= n; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i odd
            = _mm_or_si128(block, _mm_or_si128(_mm_cmpeq_epi8(block, zero), _mm_cmpeq_epi8(block, del)));
        if (int mask = _mm_movemask_epi8(odd); mask != 0)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#else
    // Eight bytes at a time: a word is plain when no byte has its high bit set, is zero, or is
    // 7F (zero after an exclusive or with 7F).
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        uint64_t del = word ^ (kOnes * 0x7F);
        if (((word | ((word - kOnes) & ~word) | ((del - kOnes) & ~del)) & kHigh) != 0)
            break;
    }
#endif
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) - 1u >= 0x7Eu)
            return i;
    return n;
}

bool RawIsPlainAscii(std::string_view bytes)
{
    return RawPlainAsciiPrefix(bytes) == bytes.size();
}

bool RawIsValidUtf8(std::string_view bytes)
{
#if defined(__x86_64__)
    if (kHasAvx2)
        return ValidUtf8Avx2(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
#endif
    return RawIsValidUtf8Portable(bytes);
}

bool RawIsValidUtf8Portable(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Skip ASCII a word at a time; most text is mostly ASCII.
        while (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int trail;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the first continuation byte
        if (c >= 0xC2 && c <= 0xDF) {
            trail = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            trail = 2;
            if (c == 0xE0)
                low = 0xA0; // overlong
            else if (c == 0xED)
                high = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            trail = 3;
            if (c == 0xF0)
                low = 0x90; // overlong
            else if (c == 0xF4)
                high = 0x8F; // above U+10FFFF
        } else {
            return false;
        }
        if (end - p <= trail || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= trail; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += trail + 1;
    }
    return true;
}

} // namespace RawLayer
