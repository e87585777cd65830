#include <core/RawString.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <optional>

namespace RawLayer {

struct RawString::Body {
    Kind kind;
    RawEncoding encoding;
    char* text; // code units followed by one zero unit; 16-bit units for Utf16
    int32_t length;
    int32_t capacity;
    // Handles beyond the first. An atomic stands in for the body lock: copies and releases only
    // touch the count, and a change first makes the body private (see MakeUnique).
    std::atomic<int32_t> extra_references;
};

namespace {

alignas(char16_t) constexpr char kEmptyText[2] = { 0, 0 };
constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string DigitsOf(uint64_t value, int base, bool negative)
{
    if (base < 2 || base > 36)
        base = 10;
    char buffer[72];
    char* end = buffer + sizeof(buffer);
    char* p = end;
    do {
        *--p = kDigits[value % static_cast<unsigned>(base)];
        value /= static_cast<unsigned>(base);
    } while (value != 0);
    if (negative)
        *--p = '-';
    return std::string(p, end);
}

uint64_t Magnitude(int64_t value)
{
    return value < 0 ? ~static_cast<uint64_t>(value) + 1 : static_cast<uint64_t>(value);
}

bool IsHighSurrogate(uint32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

uint32_t FoldAscii(uint32_t unit)
{
    return unit >= 'a' && unit <= 'z' ? unit - 0x20 : unit;
}

char* AllocateText(int32_t capacity, RawEncoding encoding)
{
    size_t bytes = (static_cast<size_t>(capacity) + 1) * static_cast<size_t>(RawUnitSize(encoding));
    return static_cast<char*>(::operator new(bytes));
}

// The text of `source` as bytes in `encoding` (native unit bytes for Utf16); nothing when a
// character has no form there.
std::optional<std::string> BytesIn(const RawString& source, RawEncoding encoding)
{
    if (source.Encoding() == encoding || source.IsEmpty())
        return std::string(source.View());
    if (source.Encoding() == RawEncoding::Utf16)
        return RawFromUtf16(source.View16(), encoding);
    if (encoding == RawEncoding::Utf16) {
        auto units = RawToUtf16(source.View(), source.Encoding());
        if (!units)
            return std::nullopt;
        return std::string(reinterpret_cast<const char*>(units->data()), units->size() * 2);
    }
    return RawConvertBytes(source.View(), source.Encoding(), encoding);
}

// Capacity of a fresh copy: room to grow without an immediate reallocation.
int32_t CopyCapacity(int32_t length)
{
    return length < 200 ? 2 * length + 20 : 2 * length + 100;
}

} // namespace

// --- Bodies ------------------------------------------------------------------------------------

RawString::Body* RawString::EmptyBody(RawEncoding encoding)
{
    // One immortal empty body per encoding: empty strings cost no allocation, and a moved-from
    // handle still points at a body. They are never written and never counted.
    static Body bodies[kRawEncodingCount];
    static const bool ready = [] {
        for (int i = 0; i < kRawEncodingCount; ++i) {
            bodies[i].kind = Kind::Empty;
            bodies[i].encoding = static_cast<RawEncoding>(i);
            bodies[i].text = const_cast<char*>(kEmptyText);
            bodies[i].length = 0;
            bodies[i].capacity = 0;
        }
        return true;
    }();
    (void)ready;
    auto index = static_cast<int>(encoding);
    return &bodies[index >= 0 && index < kRawEncodingCount ? index : static_cast<int>(RawEncoding::Utf8)];
}

RawString::Body* RawString::NewOwned(std::string_view bytes, RawEncoding encoding, int32_t capacity)
{
    int unit = RawUnitSize(encoding);
    auto length = static_cast<int32_t>(bytes.size() / static_cast<size_t>(unit));
    capacity = std::max(capacity, length);
    auto* body
        = new Body { Kind::Owned, encoding, AllocateText(capacity, encoding), length, capacity, { 0 } };
    if (length > 0)
        std::memcpy(body->text, bytes.data(), static_cast<size_t>(length) * static_cast<size_t>(unit));
    std::memset(
        body->text + static_cast<size_t>(length) * static_cast<size_t>(unit), 0, static_cast<size_t>(unit));
    return body;
}

void RawString::Reset(Body* body)
{
    Body* old = body_;
    body_ = body;
    if (old->kind == Kind::Empty)
        return;
    if (old->extra_references.fetch_sub(1, std::memory_order_acq_rel) != 0)
        return;
    if (old->kind == Kind::Owned)
        ::operator delete(old->text);
    delete old;
}

// --- Construction ------------------------------------------------------------------------------

RawString::RawString(Body* body)
    : body_(body)
{
}

RawString::RawString()
    : body_(EmptyBody(RawEncoding::Utf8))
{
}

RawString::RawString(RawEncoding encoding)
    : body_(EmptyBody(encoding))
{
}

RawString::RawString(std::string_view bytes, RawEncoding encoding)
    : body_(bytes.empty() ? EmptyBody(encoding) : NewOwned(bytes, encoding, 0))
{
}

RawString::RawString(std::u16string_view units)
    : RawString(
        std::string_view(reinterpret_cast<const char*>(units.data()), units.size() * 2), RawEncoding::Utf16)
{
}

RawString RawString::FromStatic(const char* literal, int32_t length)
{
    if (length == 0)
        return RawString();
    return RawString(
        new Body { Kind::Static, RawEncoding::Utf8, const_cast<char*>(literal), length, length, { 0 } });
}

RawString RawString::Borrow(const void* text, int32_t length, RawEncoding encoding)
{
    if (length <= 0)
        return RawString(encoding);
    return RawString(new Body {
        Kind::Borrowed, encoding, static_cast<char*>(const_cast<void*>(text)), length, length, { 0 } });
}

RawString RawString::Number(int64_t value, int base)
{
    std::string digits = DigitsOf(Magnitude(value), base, value < 0);
    return RawString(digits, RawEncoding::Utf8);
}

RawString RawString::UnsignedNumber(uint64_t value, int base)
{
    std::string digits = DigitsOf(value, base, false);
    return RawString(digits, RawEncoding::Utf8);
}

RawString::RawString(const RawString& other)
    : body_(other.body_)
{
    if (body_->kind == Kind::Borrowed)
        body_ = NewOwned(other.View(), body_->encoding, 0); // borrowed text is copied before it is shared
    else if (body_->kind != Kind::Empty)
        body_->extra_references.fetch_add(1, std::memory_order_relaxed);
}

RawString::RawString(RawString&& other) noexcept
    : body_(other.body_)
{
    other.body_ = EmptyBody(RawEncoding::Utf8);
}

RawString& RawString::operator=(const RawString& other)
{
    if (body_ != other.body_) {
        RawString copy(other);
        std::swap(body_, copy.body_);
    }
    return *this;
}

RawString& RawString::operator=(RawString&& other) noexcept
{
    if (this != &other) {
        Reset(other.body_);
        other.body_ = EmptyBody(RawEncoding::Utf8);
    }
    return *this;
}

RawString::~RawString()
{
    Reset(EmptyBody(RawEncoding::Utf8));
}

// --- Reading -----------------------------------------------------------------------------------

RawEncoding RawString::Encoding() const
{
    return body_->encoding;
}
RawString::Kind RawString::StorageKind() const
{
    return body_->kind;
}
int32_t RawString::Length() const
{
    return body_->length;
}
const char* RawString::Bytes() const
{
    return body_->text;
}
const char16_t* RawString::Units() const
{
    return reinterpret_cast<const char16_t*>(body_->text);
}

std::string_view RawString::View() const
{
    return std::string_view(
        body_->text, static_cast<size_t>(body_->length) * static_cast<size_t>(RawUnitSize(body_->encoding)));
}

std::u16string_view RawString::View16() const
{
    if (body_->encoding != RawEncoding::Utf16)
        return {};
    return std::u16string_view(Units(), static_cast<size_t>(body_->length));
}

uint32_t RawString::At(int32_t pos) const
{
    if (pos < 0 || pos >= body_->length)
        return 0;
    if (body_->encoding == RawEncoding::Utf16)
        return Units()[pos];
    return static_cast<unsigned char>(body_->text[pos]);
}

int32_t RawString::TrailLength(int32_t pos) const
{
    uint32_t unit = At(pos);
    switch (body_->encoding) {
    case RawEncoding::Utf16:
        return IsHighSurrogate(unit) ? 1 : 0;
    case RawEncoding::Sjis:
        return (unit >= 0x81 && unit <= 0x9F) || (unit >= 0xE0 && unit <= 0xEF) ? 1 : 0;
    case RawEncoding::Utf8:
        if (unit < 0x80 || unit == 0xC0 || unit == 0xC1)
            return 0;
        if ((unit & 0xE0) == 0xC0)
            return 1;
        if ((unit & 0xF0) == 0xE0)
            return 2;
        if ((unit & 0xF8) == 0xF0)
            return 3;
        if ((unit & 0xFC) == 0xF8)
            return 4;
        if ((unit & 0xFE) == 0xFC)
            return 5;
        return 0;
    case RawEncoding::Utf16Be:
    case RawEncoding::Utf16Le: {
        if (pos % 2 != 0)
            return 0;
        uint32_t next = At(pos + 1);
        uint32_t whole = body_->encoding == RawEncoding::Utf16Be ? (unit << 8 | next) : (next << 8 | unit);
        return IsHighSurrogate(whole) ? 3 : 1;
    }
    default:
        return 0;
    }
}

int32_t RawString::Find(uint32_t unit, int32_t from) const
{
    int32_t length = body_->length;
    for (int32_t pos = std::max(from, 0); pos < length; pos += 1 + TrailLength(pos))
        if (At(pos) == unit)
            return pos;
    return length;
}

int32_t RawString::FindText(const RawString& needle, int32_t from) const
{
    int32_t length = body_->length;
    int32_t size = needle.Length();
    for (int32_t pos = std::max(from, 0); pos + size <= length; pos += 1 + TrailLength(pos)) {
        bool same = true;
        for (int32_t i = 0; i < size && same; ++i)
            same = At(pos + i) == needle.At(i);
        if (same)
            return pos;
    }
    return length;
}

namespace {
bool InSet(const RawString& set, uint32_t unit)
{
    for (int32_t i = 0; i < set.Length(); ++i)
        if (set.At(i) == unit)
            return true;
    return false;
}
} // namespace

int32_t RawString::FindFirstOf(const RawString& set, int32_t from) const
{
    int32_t length = body_->length;
    for (int32_t pos = std::max(from, 0); pos < length; pos += 1 + TrailLength(pos))
        if (InSet(set, At(pos)))
            return pos;
    return length;
}

int32_t RawString::FindFirstNotOf(const RawString& set, int32_t from) const
{
    int32_t length = body_->length;
    for (int32_t pos = std::max(from, 0); pos < length; pos += 1 + TrailLength(pos))
        if (!InSet(set, At(pos)))
            return pos;
    return length;
}

// Walks forward by whole characters so that a trail byte (a Shift_JIS trail may be "\") is never
// taken for a character of its own.
int32_t RawString::FindLastOf(const RawString& set) const
{
    int32_t found = -1;
    for (int32_t pos = 0; pos < body_->length; pos += 1 + TrailLength(pos))
        if (InSet(set, At(pos)))
            found = pos;
    return found;
}

RawString RawString::Substring(int32_t start, int32_t end) const
{
    start = std::clamp(start, 0, body_->length);
    end = std::clamp(end, start, body_->length);
    size_t unit = static_cast<size_t>(RawUnitSize(body_->encoding));
    return RawString(std::string_view(body_->text + static_cast<size_t>(start) * unit,
                         static_cast<size_t>(end - start) * unit),
        body_->encoding);
}

bool RawString::Equals(const RawString& other) const
{
    if (Length() != other.Length())
        return false;
    if (RawUnitSize(Encoding()) == RawUnitSize(other.Encoding()))
        return View() == other.View();
    for (int32_t i = 0; i < Length(); ++i)
        if (At(i) != other.At(i))
            return false;
    return true;
}

bool RawString::EqualsIgnoreCase(const RawString& other) const
{
    if (Length() != other.Length())
        return false;
    for (int32_t i = 0; i < Length(); ++i)
        if (FoldAscii(At(i)) != FoldAscii(other.At(i)))
            return false;
    return true;
}

bool RawString::StartsWith(const RawString& prefix, int32_t count) const
{
    if (count < 0 || Length() < count || prefix.Length() < count)
        return false;
    for (int32_t i = 0; i < count; ++i)
        if (At(i) != prefix.At(i))
            return false;
    return true;
}

int32_t RawString::ExtraReferences() const
{
    return body_->extra_references.load(std::memory_order_relaxed);
}

bool RawString::SharesBodyWith(const RawString& other) const
{
    return body_ == other.body_;
}

// --- Changing ----------------------------------------------------------------------------------

void RawString::MakeUnique()
{
    Body* body = body_;
    if (body->kind == Kind::Owned && body->extra_references.load(std::memory_order_acquire) == 0)
        return;
    Reset(NewOwned(View(), body->encoding, CopyCapacity(body->length)));
}

// A private owned buffer with room for `units_needed` units, keeping the current text.
char* RawString::PrivateBuffer(int32_t units_needed)
{
    MakeUnique();
    if (units_needed > body_->capacity) {
        int32_t capacity
            = std::max(units_needed, body_->capacity < INT32_MAX / 2 ? body_->capacity * 2 : INT32_MAX);
        char* text = AllocateText(capacity, body_->encoding);
        size_t unit = static_cast<size_t>(RawUnitSize(body_->encoding));
        std::memcpy(text, body_->text, (static_cast<size_t>(body_->length) + 1) * unit);
        ::operator delete(body_->text);
        body_->text = text;
        body_->capacity = capacity;
    }
    return body_->text;
}

void RawString::Assign(std::string_view bytes, RawEncoding encoding)
{
    size_t unit = static_cast<size_t>(RawUnitSize(encoding));
    auto length = static_cast<int32_t>(bytes.size() / unit);
    Body* body = body_;
    bool reusable = body->kind == Kind::Owned && body->extra_references.load(std::memory_order_acquire) == 0
        && RawUnitSize(body->encoding) == static_cast<int>(unit) && body->capacity >= length;
    if (!reusable) {
        Reset(NewOwned(bytes, encoding, length < 64 ? 64 : length + length / 4));
        return;
    }
    if (length > 0)
        std::memcpy(body->text, bytes.data(), static_cast<size_t>(length) * unit);
    std::memset(body->text + static_cast<size_t>(length) * unit, 0, unit);
    body->length = length;
    body->encoding = encoding;
}

void RawString::AppendUnits(std::string_view bytes)
{
    size_t unit = static_cast<size_t>(RawUnitSize(body_->encoding));
    auto added = static_cast<int32_t>(bytes.size() / unit);
    if (added == 0)
        return;
    char* text = PrivateBuffer(body_->length + added);
    std::memcpy(
        text + static_cast<size_t>(body_->length) * unit, bytes.data(), static_cast<size_t>(added) * unit);
    body_->length += added;
    std::memset(text + static_cast<size_t>(body_->length) * unit, 0, unit);
}

bool RawString::Append(const RawString& a)
{
    return Append(a, RawString());
}

bool RawString::Append(
    const RawString& a, const RawString& b, const RawString& c, const RawString& d, const RawString& e)
{
    // Convert every piece first so a failure leaves the string unchanged.
    std::string joined;
    for (const RawString* piece : { &a, &b, &c, &d, &e }) {
        auto bytes = BytesIn(*piece, body_->encoding);
        if (!bytes)
            return false;
        joined += *bytes;
    }
    AppendUnits(joined);
    return true;
}

void RawString::AppendNumber(int64_t value, int base)
{
    (void)Append(Number(value, base));
}

void RawString::AppendUnsignedNumber(uint64_t value, int base)
{
    (void)Append(UnsignedNumber(value, base));
}

bool RawString::Acquire(const RawString& source, RawEncoding encoding)
{
    if (source.Encoding() == encoding && source.StorageKind() != Kind::Borrowed) {
        *this = source;
        return true;
    }
    auto bytes = BytesIn(source, encoding);
    if (!bytes)
        return false;
    Reset(bytes->empty() ? EmptyBody(encoding)
                         : NewOwned(*bytes, encoding,
                             CopyCapacity(static_cast<int32_t>(bytes->size()) / RawUnitSize(encoding))));
    return true;
}

bool RawString::Replace(int32_t start, int32_t end, const RawString& with)
{
    auto inserted = BytesIn(with, body_->encoding);
    if (!inserted)
        return false;
    start = std::clamp(start, 0, body_->length);
    end = std::clamp(end, start, body_->length);
    size_t unit = static_cast<size_t>(RawUnitSize(body_->encoding));
    std::string_view view = View();
    std::string joined;
    joined.reserve(view.size() + inserted->size());
    joined.append(view.substr(0, static_cast<size_t>(start) * unit));
    joined.append(*inserted);
    joined.append(view.substr(static_cast<size_t>(end) * unit));
    Reset(NewOwned(joined, body_->encoding, CopyCapacity(static_cast<int32_t>(joined.size() / unit))));
    return true;
}

void RawString::Clear()
{
    Reset(EmptyBody(body_->encoding));
}

} // namespace RawLayer
