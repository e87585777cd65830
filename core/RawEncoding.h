#pragma once

// Text encodings as the whole program names them: in string bodies, for files, and by name in
// data files. Conversions between byte encodings always pass through UTF-16.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace RawLayer {

enum class RawEncoding : uint8_t {
    NoSet = 0, // the locale's codeset
    Sjis = 1,  // Windows code page 932
    Utf8 = 2,  // the program's internal form
    Utf7 = 3,
    Mac = 4,     // Mac Roman
    Utf16Be = 5, // bytes, high byte first
    Utf16Le = 6, // bytes, low byte first
    Utf16 = 7,   // native 16-bit units
    Binary = 8,  // detection result only; never converted
};

inline constexpr int kRawEncodingCount = 9;

// Bytes per code unit of a body in this encoding (2 only for the native 16-bit form).
inline int RawUnitSize(RawEncoding encoding)
{
    return encoding == RawEncoding::Utf16 ? 2 : 1;
}

// "NO_SET", "SJIS", ... "UTF16"; "" for Binary and for anything out of range.
std::string_view RawEncodingName(RawEncoding encoding);

// The encoding whose name is exactly `name`, or nothing (the empty name is not looked up).
std::optional<RawEncoding> RawEncodingFromName(std::string_view name);

// The locale's codeset as iconv names it; valid after setlocale(LC_ALL, "") ran.
std::string RawSystemCodeset();

// True when `bytes` is well-formed UTF-8 in the strict sense iconv uses: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool RawIsValidUtf8(std::string_view bytes);

// The same check a byte at a time; the vector version is tested against it.
bool RawIsValidUtf8Portable(std::string_view bytes);

// True when every byte is 0x01..0x7E, the range every byte encoding here reads alike.
bool RawIsPlainAscii(std::string_view bytes);
// The length of the run of such bytes at the start of `bytes`.
size_t RawPlainAsciiPrefix(std::string_view bytes);

// Byte text in `encoding` (any code but Utf16 and Binary) to native UTF-16. Nothing on a
// conversion failure: no character is ever substituted.
std::optional<std::u16string> RawToUtf16(std::string_view bytes, RawEncoding encoding);

// Native UTF-16 to byte text in `encoding`. Nothing when a character has no form there.
std::optional<std::string> RawFromUtf16(std::u16string_view units, RawEncoding encoding);

// Byte text to byte text, through UTF-16 unless both encodings are the same.
std::optional<std::string> RawConvertBytes(std::string_view bytes, RawEncoding from, RawEncoding to);

} // namespace RawLayer
