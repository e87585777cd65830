// RawLineFile: sections
//   1. Helpers (encodings, system calls)
//   2. Reader: the read buffer, the detection source and the line-end search
//   3. Reading: OpenRead, detection, ReadLine, conversion
//   4. Writing: AttachWrite, WriteText, WriteRaw, WriteLineEnd
//   5. Status and closing

#include <core/RawFd.h>
#include <core/RawLineFile.h>
#include <core/RawPath.h>
#include <core/RawRecordFile.h>
#include <core/RawSystemText.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawLayer {

// --- 1. Helpers --------------------------------------------------------------------------------

namespace {

constexpr size_t kReadBlock = 256 * 1024;
// A buffer grown for a large file is kept for the next file up to this size, so a tree of
// files read whole costs no allocation per file.
constexpr size_t kKeptBlock = 2 * 1024 * 1024;
constexpr size_t kWriteBlock = 64 * 1024;
constexpr size_t kNone = static_cast<size_t>(-1);

// A file "UTF16" is held in the native byte order.
RawEncoding FileForm(RawEncoding encoding)
{
    if (encoding != RawEncoding::Utf16)
        return encoding;
    return std::endian::native == std::endian::little ? RawEncoding::Utf16Le : RawEncoding::Utf16Be;
}

bool IsWide(RawEncoding encoding)
{
    return encoding == RawEncoding::Utf16Le || encoding == RawEncoding::Utf16Be;
}

// Encodings in which the bytes 01..7E stand for the same ASCII characters, so a plain ASCII line
// is copied between them as it is. UTF-7 is not one of them ("+" starts a shifted sequence).
bool IsAsciiCompatible(RawEncoding encoding)
{
    return encoding == RawEncoding::NoSet || encoding == RawEncoding::Sjis || encoding == RawEncoding::Utf8
        || encoding == RawEncoding::Mac;
}

// read(2) and pread(2) with EINTR retried; -1 on any other failure.
ssize_t ReadRetrying(int fd, char* data, size_t size, off_t offset, bool positioned)
{
    for (;;) {
        ssize_t n = positioned ? pread(fd, data, size, offset) : read(fd, data, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

} // namespace

// --- 2. Reader ---------------------------------------------------------------------------------

// The next place of one byte in the read buffer at or after a position, remembered so that each
// stretch of the buffer is searched once: a file without CR (or without LF) costs one search
// per buffer for that byte, not one per line.
struct NextByte {
    char byte;
    size_t at = kNone; // the next place, or kNone when there is none before `searched_to`
    size_t searched_to = 0;

    size_t Find(const char* data, size_t pos, size_t fill)
    {
        if (at != kNone && at >= pos)
            return at;
        size_t from = at == kNone ? std::max(pos, searched_to) : pos;
        const void* hit = from < fill ? std::memchr(data + from, byte, fill - from) : nullptr;
        at = hit != nullptr ? static_cast<size_t>(static_cast<const char*>(hit) - data) : kNone;
        searched_to = fill;
        return at;
    }
    // The buffer's bytes moved `shift` places to the front.
    void Shift(size_t shift)
    {
        searched_to = at == kNone && searched_to > shift ? searched_to - shift : 0;
        at = kNone;
    }
};

struct RawLineFile::Reader final : RawLineFileInfo::Source {
    // A line end found in the buffer: where it starts, its bytes and kind. `more` says the last
    // unit is a CR whose follower has not been read yet.
    struct End {
        size_t at = kNone;
        size_t size = 0;
        RawLineEnd kind = RawLineEnd::None;
        bool more = false;
    };

    RawFd fd;
    // The most bytes read before the read fails (negative: no bound), and the bytes read.
    int64_t limit = -1;
    int64_t total = 0;
    bool over_limit = false;
    std::unique_ptr<char[]> buffer;
    size_t capacity = 0;
    size_t pos = 0;            // start of the next line
    size_t fill = 0;           // end of the bytes read
    int64_t buffer_offset = 0; // file offset of buffer[0]
    bool eof = false;
    size_t line_start = 0; // the line last delivered, and its line end
    size_t line_size = 0;
    size_t end_size = 0;
    NextByte lf { '\n' };
    NextByte cr { '\r' };
    std::string scratch;    // detection look-ahead beyond the first buffer
    std::u16string widened; // binary lines delivered as 16-bit units

    void Reset(RawFd new_fd, int64_t size_limit)
    {
        fd = std::move(new_fd);
        limit = size_limit;
        total = 0;
        over_limit = false;
        if (!buffer || capacity < kReadBlock || capacity > kKeptBlock) {
            buffer.reset(new char[kReadBlock]); // not zeroed: only read bytes are looked at
            capacity = kReadBlock;
        }
        pos = fill = 0;
        buffer_offset = 0;
        eof = false;
        line_start = line_size = end_size = 0;
        lf = NextByte { '\n' };
        cr = NextByte { '\r' };
    }

    void CloseFile() { fd.Reset(); }

    // Reads once into the free end of the buffer; false on a read failure, and when the file
    // has grown past the bound while it was read.
    bool ReadMore()
    {
        ssize_t n = ReadRetrying(fd.Get(), buffer.get() + fill, capacity - fill, 0, false);
        if (n < 0)
            return false;
        fill += static_cast<size_t>(n);
        total += n;
        eof = n == 0;
        over_limit = limit >= 0 && total > limit;
        return !over_limit;
    }

    // The first buffer is filled completely (or to the end of the file) so the mark and the
    // start of the content scan never depend on how the system split the reads.
    bool FillFirst()
    {
        while (!eof && fill < capacity)
            if (!ReadMore())
                return false;
        return true;
    }

    // Makes room for more of a line that does not end in the buffer: moves it to the front, and
    // doubles the buffer when the line already fills it. Then reads.
    bool Refill()
    {
        if (pos > 0) {
            std::memmove(buffer.get(), buffer.get() + pos, fill - pos);
            buffer_offset += static_cast<int64_t>(pos);
            fill -= pos;
            lf.Shift(pos);
            cr.Shift(pos);
            pos = 0;
        }
        if (fill == capacity)
            Grow(capacity * 2);
        return ReadMore();
    }

    // Makes the buffer hold at least `size` bytes, keeping what it holds.
    void Grow(size_t size)
    {
        std::unique_ptr<char[]> bigger(new char[size]);
        std::memcpy(bigger.get(), buffer.get(), fill);
        buffer = std::move(bigger);
        capacity = size;
    }

    // Reads to the end of the file, growing the buffer to hold it all; false when the file
    // holds more than `max_bytes` or a read fails. What was read stays in the buffer. The
    // buffer is sized once by the file's size (one byte more, for the read that meets the end),
    // and grown further only for a file that grows meanwhile.
    bool FillWhole(size_t max_bytes)
    {
        struct stat info { };
        if (fstat(fd.Get(), &info) != 0 || info.st_size < 0
            || static_cast<uint64_t>(info.st_size) > max_bytes)
            return false;
        if (!eof && capacity < static_cast<size_t>(info.st_size) + 1)
            Grow(static_cast<size_t>(info.st_size) + 1);
        while (!eof) {
            if (fill == capacity) {
                if (capacity >= max_bytes + 1)
                    return false;
                Grow(std::min(std::max(capacity * 2, capacity + kReadBlock), max_bytes + 1));
            }
            if (!ReadMore())
                return false;
        }
        return fill <= max_bytes;
    }

    // Detection runs right after FillFirst, while buffer[0] is the start of the file.
    std::optional<std::string_view> View(int64_t offset, int64_t size) override
    {
        auto start = static_cast<size_t>(offset);
        auto length = static_cast<size_t>(size);
        if (eof || start + length <= fill) {
            if (start >= fill)
                return std::string_view();
            return std::string_view(buffer.get() + start, std::min(length, fill - start));
        }
        scratch.resize(length);
        size_t got = 0;
        while (got < length) {
            ssize_t n = ReadRetrying(
                fd.Get(), scratch.data() + got, length - got, static_cast<off_t>(start + got), true);
            if (n < 0)
                return std::nullopt;
            if (n == 0)
                break;
            got += static_cast<size_t>(n);
        }
        return std::string_view(scratch.data(), got);
    }

    // A CR at `at` (of `unit` bytes) is a line end of its own unless an LF follows.
    End EndAtCr(size_t at, size_t unit, bool lf_follows, bool follower_read) const
    {
        if (!follower_read)
            return eof ? End { at, unit, RawLineEnd::Cr } : End { at, 0, RawLineEnd::None, true };
        if (lf_follows)
            return { at, 2 * unit, RawLineEnd::CrLf };
        return { at, unit, RawLineEnd::Cr };
    }

    End FindEndBytes()
    {
        const char* data = buffer.get();
        size_t lf_at = lf.Find(data, pos, fill);
        size_t cr_at = cr.Find(data, pos, fill);
        if (cr_at == kNone || (lf_at != kNone && lf_at < cr_at))
            return lf_at == kNone ? End {} : End { lf_at, 1, RawLineEnd::Lf };
        bool follower_read = cr_at + 1 < fill;
        return EndAtCr(cr_at, 1, follower_read && data[cr_at + 1] == '\n', follower_read);
    }

    unsigned UnitAt(size_t at, bool big_endian) const
    {
        auto high = static_cast<unsigned char>(buffer[big_endian ? at : at + 1]);
        auto low = static_cast<unsigned char>(buffer[big_endian ? at + 1 : at]);
        return high << 8 | low;
    }

    // The same search over 16-bit units; a unit cut off by the end of the buffer waits for the
    // next read.
    End FindEndUnits(bool big_endian)
    {
        for (size_t at = pos; at + 1 < fill; at += 2) {
            unsigned unit = UnitAt(at, big_endian);
            if (unit == 0x0A)
                return { at, 2, RawLineEnd::Lf };
            if (unit == 0x0D) {
                bool follower_read = at + 3 < fill;
                return EndAtCr(at, 2, follower_read && UnitAt(at + 2, big_endian) == 0x0A, follower_read);
            }
        }
        return {};
    }
};

// --- 3. Reading --------------------------------------------------------------------------------

RawLineFile::RawLineFile() = default;

RawLineFile::~RawLineFile()
{
    Close();
}

bool RawLineFile::OpenRead(const RawString& path, int32_t line_limit, RawEncoding file_encoding)
{
    StartFile(path, line_limit, file_encoding);
    RawFd fd;
    if (open_mode_ == OpenMode::Any) {
        RawSystemText name(path);
        if (!name.IsValid())
            return FailSystem(kReadOpenError, EINVAL);
        fd = RawFd::Open(name.CStr(), O_RDONLY | O_NOCTTY);
        if (!fd.IsOpen())
            return FailSystem(kReadOpenError, errno);
    } else {
        RawRecordFile record;
        auto links
            = open_mode_ == OpenMode::Regular ? RawRecordFile::Links::Follow : RawRecordFile::Links::Refuse;
        if (!record.Open(path, links, size_limit_))
            return Fail(kReadOpenError, record.Reason());
        fd = std::move(record.Fd());
    }
    struct stat info { };
    file_ticks_ = fstat(fd.Get(), &info) == 0 ? RawPath::TicksFromTimespec(info.st_mtim) : 0;
    return StartReading(std::move(fd));
}

bool RawLineFile::OpenRead(int fd, const RawString& path, int32_t line_limit, RawEncoding file_encoding)
{
    RawFd owned(fd);
    StartFile(path, line_limit, file_encoding);
    struct stat info { };
    if (!owned.IsOpen())
        return FailSystem(kReadOpenError, EBADF);
    if (fstat(owned.Get(), &info) != 0)
        return FailSystem(kReadOpenError, errno);
    if (!S_ISREG(info.st_mode))
        return Fail(kReadOpenError, "not a regular file");
    file_ticks_ = RawPath::TicksFromTimespec(info.st_mtim);
    return StartReading(std::move(owned));
}

void RawLineFile::StartFile(const RawString& path, int32_t line_limit, RawEncoding file_encoding)
{
    Close();
    path_ = path;
    status_ = kStatusOpen;
    line_limit_ = std::max<int32_t>(line_limit, 0);
    file_encoding_ = FileForm(file_encoding);
    mark_ = false;
    mark_length_ = 0;
    origin_ = Origin::Given;
    line_end_ = RawLineEnd::None;
    line_position_ = 0;
    line_index_ = -1;
    file_ticks_ = 0;
    reason_.clear();
}

bool RawLineFile::StartReading(RawFd fd)
{
    if (!reader_)
        reader_ = std::make_unique<Reader>();
    reader_->Reset(std::move(fd), size_limit_);
    if (!reader_->FillFirst())
        return ReadFailure();
    return Detect(file_encoding_);
}

// A mark counts only when no encoding was given or it is the given encoding's own: bytes that
// merely look like another encoding's mark are text, and skipping them would lose them on a
// rewrite. A file read as Binary keeps all of its bytes in its lines. A UTF-8 mark does not
// make a file text: with a zero byte in its first kZeroWindow bytes it is binary, as it would
// be without the mark (a UTF-16 mark is what confirms zero bytes).
bool RawLineFile::Detect(RawEncoding given)
{
    Reader& reader = *reader_;
    std::string_view head(reader.buffer.get(), reader.fill);
    Mark mark = DetectMark(head);
    if (given == RawEncoding::NoSet && mark.encoding == RawEncoding::Utf8
        && head.substr(0, kZeroWindow).find('\0') != std::string_view::npos) {
        file_encoding_ = RawEncoding::Binary;
        origin_ = Origin::Content;
        return true;
    }
    if (mark.length > 0 && (given == RawEncoding::NoSet || given == mark.encoding)) {
        file_encoding_ = mark.encoding;
        mark_ = true;
        mark_length_ = mark.length;
        origin_ = given == RawEncoding::NoSet ? Origin::Mark : Origin::Given;
        reader.pos = static_cast<size_t>(mark.length);
        return true;
    }
    if (given != RawEncoding::NoSet)
        return true;
    Verdict verdict = ScanContent(reader);
    if (verdict.failed)
        return ReadFailure();
    file_encoding_ = verdict.decided ? verdict.encoding : FileForm(undecided_encoding_);
    origin_ = verdict.decided ? Origin::Content : Origin::Undecided;
    return true;
}

bool RawLineFile::ReadLine(RawString& line)
{
    line_end_ = RawLineEnd::None;
    if (!reader_ || !reader_->fd.IsOpen() || status_ != kStatusOpen)
        return false;
    Reader& reader = *reader_;
    reader.line_size = reader.end_size = 0;
    bool wide = IsWide(file_encoding_);
    size_t unit = wide ? 2 : 1;
    for (;;) {
        Reader::End end
            = wide ? reader.FindEndUnits(file_encoding_ == RawEncoding::Utf16Be) : reader.FindEndBytes();
        size_t content = (end.at == kNone ? reader.fill : end.at) - reader.pos;
        if (static_cast<int64_t>(content / unit) > line_limit_)
            return Fail(kLineOverflow);
        if (end.at == kNone && reader.eof) {
            if (reader.pos == reader.fill) {
                status_ = kStatusEndOfData;
                return false;
            }
            end.at = reader.fill; // the last line, without a line end
        }
        if (end.at != kNone && !end.more) {
            reader.line_start = reader.pos;
            reader.line_size = end.at - reader.pos;
            reader.end_size = end.size;
            reader.pos = end.at + end.size;
            line_end_ = end.kind;
            line_position_ = reader.buffer_offset + static_cast<int64_t>(reader.line_start);
            ++line_index_;
            return ConvertLine(RawLine(), line) || Fail(kCodeConversionError);
        }
        if (!reader.Refill())
            return ReadFailure();
    }
}

// Lines of a Binary file are never converted: they are split at byte-form line ends and handed
// over as their bytes, tagged with the internal encoding (each byte one unit when that is the
// 16-bit form). A search still finds the ASCII text in them, and a rewrite of unchanged lines
// stays byte-exact.
bool RawLineFile::ConvertLine(std::string_view raw, RawString& line)
{
    RawEncoding from = file_encoding_;
    RawEncoding to = internal_encoding_;
    if (from == RawEncoding::Binary && to == RawEncoding::Utf16) {
        std::u16string& units = reader_->widened;
        units.assign(raw.begin(), raw.end());
        for (char16_t& unit : units)
            unit &= 0xFF;
        line.Assign(std::string_view(reinterpret_cast<const char*>(units.data()), units.size() * 2), to);
        return true;
    }
    // A file the content scan could not decide holds only bytes 01..7E, so its lines need no
    // second look.
    bool plain = IsAsciiCompatible(from) && IsAsciiCompatible(to)
        && (EncodingOrigin() == Origin::Undecided || RawIsPlainAscii(raw));
    if (from == RawEncoding::Binary || from == to || plain) {
        if (from == RawEncoding::Utf8 && to == RawEncoding::Utf8 && !RawIsValidUtf8(raw))
            return false;
        line.Assign(raw, to);
        return true;
    }
    if (to == RawEncoding::Utf16) {
        auto units = RawToUtf16(raw, from);
        if (!units)
            return false;
        line.Assign(std::string_view(reinterpret_cast<const char*>(units->data()), units->size() * 2), to);
        return true;
    }
    auto bytes = RawConvertBytes(raw, from, to);
    if (!bytes)
        return false;
    line.Assign(*bytes, to);
    return true;
}

std::optional<std::string_view> RawLineFile::WholeContent(int64_t max_bytes)
{
    if (!reader_ || !reader_->fd.IsOpen() || status_ != kStatusOpen || line_index_ >= 0 || max_bytes < 0)
        return std::nullopt;
    Reader& reader = *reader_;
    if (!reader.FillWhole(static_cast<size_t>(max_bytes)))
        return std::nullopt;
    return std::string_view(reader.buffer.get() + reader.pos, reader.fill - reader.pos);
}

int64_t RawLineFile::NextLinePosition() const
{
    return reader_ ? reader_->buffer_offset + static_cast<int64_t>(reader_->pos) : 0;
}

bool RawLineFile::SkipWholeLines(size_t bytes, int64_t lines)
{
    if (!reader_ || status_ != kStatusOpen || !reader_->eof || bytes > reader_->fill - reader_->pos
        || lines < 0)
        return false;
    reader_->pos += bytes;
    line_index_ += lines;
    return true;
}

int RawLineFile::Descriptor() const
{
    return reader_ ? reader_->fd.Get() : -1;
}

std::string_view RawLineFile::RawLine() const
{
    // Never a null view, even for an empty line: it is handed on to memcpy.
    if (!reader_ || !reader_->buffer)
        return {};
    return std::string_view(reader_->buffer.get() + reader_->line_start, reader_->line_size);
}

std::string_view RawLineFile::RawLineEndBytes() const
{
    if (!reader_ || reader_->end_size == 0)
        return {};
    return std::string_view(
        reader_->buffer.get() + reader_->line_start + reader_->line_size, reader_->end_size);
}

// --- 4. Writing --------------------------------------------------------------------------------

struct RawLineFile::Writer {
    int fd = -1;
    std::unique_ptr<char[]> buffer { new char[kWriteBlock] };
    size_t used = 0;
};

// Binary is no encoding to write in: a file detected as binary is never rewritten, whatever
// reached the writer (a result data file can name Binary for a file, for one).
bool RawLineFile::AttachWrite(int fd, RawEncoding encoding, bool mark)
{
    Close();
    status_ = kStatusOpen;
    file_encoding_ = FileForm(encoding);
    mark_ = mark;
    path_ = RawString();
    reason_.clear();
    if (fd < 0)
        return FailSystem(kWriteOpenError, EBADF);
    if (file_encoding_ == RawEncoding::Binary)
        return Fail(kWriteOpenError, "a binary file is never rewritten");
    if (!writer_)
        writer_ = std::make_unique<Writer>();
    writer_->fd = fd;
    writer_->used = 0;
    return !mark || Put(MarkBytes(file_encoding_));
}

// Short writes are continued and EINTR retried; anything else is a write error.
bool RawLineFile::Flush()
{
    Writer& writer = *writer_;
    const char* data = writer.buffer.get();
    size_t left = writer.used;
    writer.used = 0;
    while (left > 0) {
        ssize_t n = ::write(writer.fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return FailSystem(kWriteError, n < 0 ? errno : ENOSPC);
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool RawLineFile::Put(std::string_view bytes)
{
    if (!writer_ || writer_->fd < 0)
        return Fail(kWriteError);
    if (Failed())
        return false;
    Writer& writer = *writer_;
    while (!bytes.empty()) {
        if (writer.used == kWriteBlock && !Flush())
            return false;
        size_t part = std::min(bytes.size(), kWriteBlock - writer.used);
        std::memcpy(writer.buffer.get() + writer.used, bytes.data(), part);
        writer.used += part;
        bytes.remove_prefix(part);
    }
    return true;
}

bool RawLineFile::WriteText(const RawString& text)
{
    RawEncoding from = text.Encoding();
    RawEncoding to = file_encoding_;
    if (from == to || (IsAsciiCompatible(from) && IsAsciiCompatible(to) && RawIsPlainAscii(text.View())))
        return Put(text.View());
    auto bytes = from == RawEncoding::Utf16 ? RawFromUtf16(text.View16(), to)
                                            : RawConvertBytes(text.View(), from, to);
    if (!bytes)
        return Fail(kCodeConversionError);
    return Put(*bytes);
}

bool RawLineFile::WriteRaw(std::string_view bytes)
{
    return Put(bytes);
}

bool RawLineFile::WriteLineEnd()
{
    using namespace std::string_view_literals;
    if (file_encoding_ == RawEncoding::Utf16Le)
        return Put("\r\0\n\0"sv);
    if (file_encoding_ == RawEncoding::Utf16Be)
        return Put("\0\r\0\n"sv);
    return Put("\r\n"sv);
}

// --- 5. Status and closing ---------------------------------------------------------------------

bool RawLineFile::Fail(int status)
{
    if (!Failed())
        status_ = status;
    return false;
}

bool RawLineFile::Fail(int status, std::string reason)
{
    if (!Failed())
        reason_ = std::move(reason);
    return Fail(status);
}

bool RawLineFile::FailSystem(int status, int error)
{
    return Fail(status, std::error_code(error, std::generic_category()).message());
}

bool RawLineFile::ReadFailure()
{
    if (reader_ && reader_->over_limit)
        return Fail(kReadError, "larger than " + std::to_string(size_limit_ >> 20) + " MB");
    return FailSystem(kReadError, errno);
}

bool RawLineFile::Close()
{
    if (writer_ && writer_->fd >= 0) {
        // What was accepted before a conversion failure is still written out.
        if (status_ != kWriteError && Flush() && !Failed())
            status_ = kStatusClosed;
        writer_->fd = -1; // the caller's descriptor stays open
        writer_->used = 0;
    }
    if (reader_) {
        reader_->CloseFile();
        reader_->line_size = reader_->end_size = 0;
    }
    return !Failed();
}

std::string_view RawLineFile::StatusText(int status)
{
    switch (status) {
    case kStatusOpen:
    case kStatusEndOfData:
    case kStatusBinary:
    case kStatusClosed:
        return "";
    case kReadOpenError:
        return "Read open error";
    case kWriteOpenError:
        return "Write open error";
    case kReadError:
        return "Read error";
    case kWriteError:
        return "Write error";
    case kSeekError:
        return "Seek error";
    case kDeleteError:
        return "Delete error";
    case kMoveError:
        return "Move error";
    case kCodeConversionError:
        return "Code conversion error";
    case kLineOverflow:
        return "Line overflow";
    default:
        return "Unknown error";
    }
}

} // namespace RawLayer
