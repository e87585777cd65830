#pragma once

// RawString is a text handle whose body is shared between copies. The body carries its own
// encoding, so a string read from a Shift_JIS file and one typed by the user can sit side by side
// until someone asks for them in a common form. Copies are constant time; every change first
// makes the body private to the changing handle (copy on write).
//
// Sharing is thread safe (copy and release may run on any thread); reading or changing one
// handle from two threads at once is not, and is guarded by the owner of the handle.

#include <core/RawEncoding.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace RawLayer {

class RawString {
public:
    // How a body holds its text.
    enum class Kind : uint8_t {
        Empty = 0,    // points at the shared empty text
        Owned = 1,    // owns a heap buffer
        Static = 2,   // a literal: never freed, shared freely
        Borrowed = 3, // someone else's buffer: never freed, copied before it is shared
    };

    RawString();                              // empty, UTF-8
    explicit RawString(RawEncoding encoding); // empty in the given encoding

    // A literal of our own sources: UTF-8, held without a copy.
    template <std::size_t N>
    RawString(const char (&literal)[N]) // NOLINT: implicit on purpose, literals read naturally
        : RawString(FromStatic(literal, static_cast<int32_t>(N - 1)))
    {
    }
    // A writable buffer is never taken as a literal.
    template <std::size_t N> RawString(char (&buffer)[N]) = delete;

    // An owned copy of byte text (any code but Utf16) or of native 16-bit units.
    RawString(std::string_view bytes, RawEncoding encoding);
    explicit RawString(std::u16string_view units);

    // Someone else's text, used in place until it must be shared or changed. The buffer must
    // hold `length` units followed by a zero unit and outlive every use of the handle.
    static RawString Borrow(const void* text, int32_t length, RawEncoding encoding);

    // Decimal (or any base 2..36) digits of a number; negative values are led by "-".
    static RawString Number(int64_t value, int base = 10);
    static RawString UnsignedNumber(uint64_t value, int base = 10);

    RawString(const RawString& other);
    RawString(RawString&& other) noexcept;
    RawString& operator=(const RawString& other);
    RawString& operator=(RawString&& other) noexcept;
    ~RawString();

    // --- Reading ---------------------------------------------------------------------------
    RawEncoding Encoding() const;
    Kind StorageKind() const;
    int32_t Length() const; // code units of the body's own encoding
    bool IsEmpty() const { return Length() == 0; }
    const char* Bytes() const;          // the text as bytes, zero-terminated (any encoding)
    const char16_t* Units() const;      // the text as 16-bit units; only for Utf16
    std::string_view View() const;      // byte view; for Utf16 the raw bytes of the units
    std::u16string_view View16() const; // only for Utf16
    std::string Str() const { return std::string(View()); }

    // The code unit at `pos`: a byte for codes 0..6, a 16-bit unit for Utf16.
    uint32_t At(int32_t pos) const;

    // Units belonging to the character that starts at `pos`, beyond the first.
    int32_t TrailLength(int32_t pos) const;

    // Position of `unit` stepping by whole characters from `from`, or Length() if none.
    int32_t Find(uint32_t unit, int32_t from = 0) const;
    // Position of the text `needle` (same encoding) at or after `from`, or Length() if none.
    int32_t FindText(const RawString& needle, int32_t from = 0) const;
    // Position of the first unit that is / is not in `set`, or Length() if none.
    int32_t FindFirstOf(const RawString& set, int32_t from = 0) const;
    int32_t FindFirstNotOf(const RawString& set, int32_t from = 0) const;
    // Position of the last unit that is in `set`, or -1.
    int32_t FindLastOf(const RawString& set) const;

    // The units [start, end) as a new string of the same encoding (clamped to the text).
    RawString Substring(int32_t start, int32_t end) const;

    // Equality of the whole texts, unit by unit (encodings are not converted).
    bool Equals(const RawString& other) const;
    // The same with "a".."z" folded to upper case, and nothing else folded.
    bool EqualsIgnoreCase(const RawString& other) const;
    // Whether the first `count` units of both strings are equal (false if either is shorter).
    bool StartsWith(const RawString& prefix, int32_t count) const;
    bool StartsWith(const RawString& prefix) const { return StartsWith(prefix, prefix.Length()); }

    // --- Changing (each makes the body private first) ---------------------------------------
    // Becomes `source` in `encoding`: shares the body when it already has that encoding and is
    // not borrowed, else holds a converted copy. False (and unchanged) if the text cannot be
    // converted.
    [[nodiscard]] bool Acquire(const RawString& source, RawEncoding encoding);

    // Appends up to five strings, each converted to this string's encoding. False (and
    // unchanged) if one cannot be converted.
    [[nodiscard]] bool Append(const RawString& a);
    [[nodiscard]] bool Append(const RawString& a, const RawString& b, const RawString& c = {},
        const RawString& d = {}, const RawString& e = {});
    // Appends units of this string's own encoding without conversion.
    void AppendUnits(std::string_view bytes);
    void AppendNumber(int64_t value, int base = 10);
    void AppendUnsignedNumber(uint64_t value, int base = 10);

    // Replaces the units [start, end) by `with`, converted to this encoding. False (and
    // unchanged) if `with` cannot be converted.
    [[nodiscard]] bool Replace(int32_t start, int32_t end, const RawString& with);

    // Sets the text to `bytes` in `encoding`, reusing this handle's buffer when it is the only
    // owner. The hot path of line reading.
    void Assign(std::string_view bytes, RawEncoding encoding);

    void Clear();

    // Gives this handle a private, owned body (no-op when it already has one).
    void MakeUnique();

    // For tests: handles beyond the first that share this body.
    int32_t ExtraReferences() const;
    // For tests: whether two handles share one body.
    bool SharesBodyWith(const RawString& other) const;

private:
    struct Body;
    explicit RawString(Body* body);
    static Body* EmptyBody(RawEncoding encoding);
    static Body* NewOwned(std::string_view bytes, RawEncoding encoding, int32_t capacity);
    static RawString FromStatic(const char* literal, int32_t length);
    void Reset(Body* body);
    char* PrivateBuffer(int32_t units_needed);
    Body* body_;
};

} // namespace RawLayer
