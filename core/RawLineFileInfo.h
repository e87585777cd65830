#pragma once

// Finding the encoding of a text file: its byte order mark, or else a scan of its content. The
// scan is a pure function of the file's bytes; it reads them through a Source so that a file on
// disk can be looked at beyond the first buffer without moving its reading position, and so that
// tests and the fuzzer can run it on bytes in memory.
//
// RawLineFileInfo is the second base of RawLineFile and keeps what detection found for the file
// being read.

#include <core/RawEncoding.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace RawLayer {

class RawLineFileInfo {
public:
    // Where the encoding of the file being read came from.
    enum class Origin : uint8_t {
        Given,     // the caller named it
        Mark,      // a byte order mark
        Content,   // the content scan decided
        Undecided, // the scan read the whole file without deciding (plain ASCII)
    };

    // The bytes of a file, from its start.
    class Source {
    public:
        // Up to `size` bytes at `offset`, fewer only where the file ends; valid until the next
        // call. Nothing on a read failure.
        virtual std::optional<std::string_view> View(int64_t offset, int64_t size) = 0;

    protected:
        ~Source() = default;
    };

    // The verdict of the content scan; `decided` false means the whole file was scanned and
    // held nothing but bytes 01..7E. `failed` is set when the source could not be read.
    struct Verdict {
        RawEncoding encoding = RawEncoding::NoSet;
        bool decided = false;
        bool failed = false;
    };

    // How far past the byte that starts the two-way test the scan looks, unless the file ends
    // before.
    static constexpr int64_t kLookAhead = 64 * 1024;
    // The start of a file looked at for zero bytes before the scan: a file holding one there is
    // UTF-16 when the bytes read as UTF-16 text, else binary.
    static constexpr int64_t kZeroWindow = 64 * 1024;

    // The encoding whose mark `head` (the first bytes of a file) starts with, and the mark's
    // length; NoSet and 0 when there is none. UTF-7's mark is never recognised.
    struct Mark {
        RawEncoding encoding = RawEncoding::NoSet;
        int length = 0;
    };
    static Mark DetectMark(std::string_view head);

    // The mark written for `encoding` ("" when it has none).
    static std::string_view MarkBytes(RawEncoding encoding);

    // The content scan of a file without a mark. First the zero bytes: when the first
    // kZeroWindow bytes hold one, the file is UTF-16 if they read as UTF-16 text in one byte
    // order (no U+0000, no stray control character or surrogate, most zero bytes in high
    // bytes, and a 16-bit line end or, for a whole file of one line, no line end byte at all),
    // and binary otherwise. Then the first byte outside 01..7E decides.
    static Verdict ScanContent(Source& source);
    // The same on bytes in memory that are a whole file.
    static Verdict ScanContent(std::string_view whole_file);

    // The two-way test between Shift_JIS and UTF-8 over `bytes`. With `cut_allowed` (the bytes
    // are a window of a longer text), a sequence cut off by the end of the window counts
    // against neither. Empty input gives Sjis.
    static RawEncoding SjisOrUtf8(std::string_view bytes, bool cut_allowed = false);

    Origin EncodingOrigin() const { return origin_; }
    // Bytes of the mark in front of the first line (0 when there is none).
    int MarkLength() const { return mark_length_; }

protected:
    RawLineFileInfo() = default;
    ~RawLineFileInfo() = default;

    Origin origin_ = Origin::Given;
    int mark_length_ = 0;
};

} // namespace RawLayer
