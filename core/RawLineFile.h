#pragma once

// A text file read or written line by line in any encoding of RawEncoding. Reading finds the
// encoding of a file that does not state it (see RawLineFileInfo), hands each line to the caller
// converted to the internal encoding, together with its line end and with its raw bytes exactly
// as they stood in the file, so that a rewrite can copy unchanged lines byte for byte. Every
// failure is kept as one status code per file object; the first failure stays.

#include <core/RawFd.h>
#include <core/RawLineFileInfo.h>
#include <core/RawString.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace RawLayer {

// The line end found after a line. The last line of a file may have none.
enum class RawLineEnd : uint8_t { None, Lf, CrLf, Cr };

class RawLineFile : public RawLineFileInfo {
public:
    // Status codes. 0..3 are not errors; 0, 1 and 2 are normal ends of reading.
    enum Status : int {
        kStatusOpen = 0,      // open (or never opened), nothing wrong
        kStatusEndOfData = 1, // the last line was delivered
        kStatusBinary = 2,    // not used as a failure: see ReadLine for binary files
        kStatusClosed = 3,    // closed after writing, everything flushed
        kReadOpenError = 4,
        kWriteOpenError = 5,
        kReadError = 6,
        kWriteError = 7,
        kSeekError = 8,
        kDeleteError = 9,
        kMoveError = 10,
        kCodeConversionError = 11,
        kLineOverflow = 12,
    };

    // "Read open error" ... "Line overflow"; "" for 0..3; "Unknown error" for anything else.
    static std::string_view StatusText(int status);

    RawLineFile();
    virtual ~RawLineFile();
    RawLineFile(const RawLineFile&) = delete;
    RawLineFile& operator=(const RawLineFile&) = delete;

    // How OpenRead opens its file.
    enum class OpenMode : uint8_t {
        Any,           // whatever is at the path (the search's files, checked by the walk)
        Regular,       // only a regular file, opened without blocking; links are followed
        RegularNoLink, // the same, and a symbolic link at the path is refused
    };

    // --- Reading -----------------------------------------------------------------------------
    // Opens `path` for reading. `file_encoding` NoSet means: detect the mark and the content.
    // `line_limit` is the longest line accepted, in code units of the file's encoding.
    [[nodiscard]] bool OpenRead(
        const RawString& path, int32_t line_limit, RawEncoding file_encoding = RawEncoding::NoSet);

    // Reads the open descriptor `fd` as the file `path`, which only names it (Close closes the
    // descriptor, also when opening fails). It must be a regular file, else status 4: a caller
    // that opened an entry of a folder it walks cannot have it turned into a device or a pipe.
    [[nodiscard]] bool OpenRead(
        int fd, const RawString& path, int32_t line_limit, RawEncoding file_encoding = RawEncoding::NoSet);

    // The last-write time of the file being read (100-ns ticks since 1601-01-01 UTC), taken from
    // the open descriptor; 0 when it could not be read or no file is open.
    uint64_t FileTicks() const { return file_ticks_; }

    // The encoding used for a file whose content detection cannot decide (plain ASCII). NoSet,
    // the locale's codeset, unless set before OpenRead.
    void SetUndecidedEncoding(RawEncoding encoding) { undecided_encoding_ = encoding; }

    // The opening rule for the program's own records (see RawRecordFile), and the most bytes
    // read from the file before the read fails; a negative bound reads to the end. Any and no
    // bound unless set before OpenRead.
    void SetOpenMode(OpenMode mode, int64_t size_limit = -1)
    {
        open_mode_ = mode;
        size_limit_ = size_limit;
    }

    // The encoding of the lines delivered by ReadLine; Utf8 unless set before OpenRead. A file
    // detected as Binary is never converted: its lines come as their bytes.
    void SetInternalEncoding(RawEncoding encoding) { internal_encoding_ = encoding; }

    // Delivers the next line without its line end, converted to the internal encoding. False at
    // the end of the data (status 1) or on a failure (status set; lines before it stay valid).
    // After a conversion failure RawLine, LineEnd, LinePosition and LineIndex describe the line
    // that could not be converted.
    [[nodiscard]] bool ReadLine(RawString& line);

    // The last line read, as the bytes that stood in the file (no mark, no line end).
    std::string_view RawLine() const;
    RawLineEnd LineEnd() const { return line_end_; }
    // The line end's bytes as they stood in the file (empty for None).
    std::string_view RawLineEndBytes() const;
    // Byte offset in the file of the last line read.
    int64_t LinePosition() const { return line_position_; }
    // 0-based number of the last line read.
    int64_t LineIndex() const { return line_index_; }
    // Byte offset in the file of the next line to be read.
    int64_t NextLinePosition() const;
    // After WholeContent: passes over the next `bytes` of the content, `lines` whole lines, as if
    // they had been read; the next ReadLine reads the line after them. False (and nothing
    // changes) when the content does not hold that many bytes.
    bool SkipWholeLines(size_t bytes, int64_t lines);
    // The descriptor of the file open for reading, -1 when none: for fstat, and for pread by a
    // caller that copies the very file that was read. It stays this object's.
    int Descriptor() const;

    // Reads the rest of the file into the read buffer, before the first ReadLine, and returns its
    // content after the mark, valid until the next OpenRead or Close. ReadLine then delivers the
    // lines from these very bytes, exactly as it would have read them piece by piece. Nothing
    // when the file holds more than `max_bytes`, a read fails, or lines were read already; the
    // reading then goes on as if this had not been called (a read error is met again there).
    [[nodiscard]] std::optional<std::string_view> WholeContent(int64_t max_bytes);

    // --- Writing -----------------------------------------------------------------------------
    // Writes into a descriptor the caller owns (typically RawSafeWrite's temporary file), in
    // `encoding`; the mark of that encoding goes first when `mark` is set. Binary is refused
    // (status 5): a binary file is never rewritten.
    [[nodiscard]] bool AttachWrite(int fd, RawEncoding encoding, bool mark);
    // Converts `text` from its own encoding to the file's and writes it. A text that cannot be
    // converted writes nothing and sets status 11.
    [[nodiscard]] bool WriteText(const RawString& text);
    // Writes bytes exactly as given (a line copied from a file of the same encoding).
    [[nodiscard]] bool WriteRaw(std::string_view bytes);
    // Writes CR LF in the file's form (0D 0A, 0D 00 0A 00, or 00 0D 00 0A).
    [[nodiscard]] bool WriteLineEnd();

    // --- Both --------------------------------------------------------------------------------
    // Flushes what is buffered for writing, then closes (a descriptor given to AttachWrite stays
    // open). True when no failure happened at any point.
    bool Close();

    int Status() const { return status_; }
    // What the system said about the first failure ("No space left on device", "not a regular
    // file", ...); empty when it said nothing (a conversion error, a line too long).
    const std::string& Reason() const { return reason_; }
    bool Failed() const { return status_ >= kReadOpenError; }
    const RawString& Path() const { return path_; }
    RawEncoding FileEncoding() const { return file_encoding_; }
    bool HasMark() const { return mark_; }

private:
    struct Reader;
    struct Writer;
    bool Fail(int status);
    void StartFile(const RawString& path, int32_t line_limit, RawEncoding file_encoding);
    bool StartReading(RawFd fd);
    bool Fail(int status, std::string reason);
    bool FailSystem(int status, int error);
    bool ReadFailure();
    bool ConvertLine(std::string_view raw, RawString& line);
    bool Detect(RawEncoding given);
    bool Put(std::string_view bytes);
    bool Flush();

    std::unique_ptr<Reader> reader_;
    std::unique_ptr<Writer> writer_;
    int64_t line_limit_ = 0;
    RawString path_;
    RawEncoding file_encoding_ = RawEncoding::NoSet;
    RawEncoding undecided_encoding_ = RawEncoding::NoSet;
    RawEncoding internal_encoding_ = RawEncoding::Utf8;
    bool mark_ = false;
    OpenMode open_mode_ = OpenMode::Any;
    int64_t size_limit_ = -1;
    int status_ = kStatusOpen;
    std::string reason_;
    RawLineEnd line_end_ = RawLineEnd::None;
    int64_t line_position_ = 0;
    int64_t line_index_ = -1;
    uint64_t file_ticks_ = 0;
};

} // namespace RawLayer
