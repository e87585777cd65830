#pragma once

// A text file read as overlapping blocks of lines, the unit a search matches its expressions
// against. A record is a block of LineCount consecutive lines joined by their own line breaks;
// the position advances by one line per record, so with LineCount 3 the records start at lines
// 1, 2, 3, ... and each covers three lines.
//
// Reading ends when fewer than LineCount lines remain after the previous record's first line:
// there is no short record at the end of a file (a file with fewer lines than LineCount gives
// none). Every expression of a search must match in a block, and the one with the most line
// breaks needs LineCount lines, so a short block could never hold a result.
//
// Each line is read and converted once: the last LineCount lines are kept in a ring and a
// record's text is assembled from them, and with LineCount 1 the line is read straight into
// the record. Buffers are reused from record to record and from file to file.

#include <core/RawLineFile.h>
#include <engine/JobBlockUnit.h>

#include <cstdint>
#include <vector>

namespace JobLayer {

using RawLayer::RawLineEnd;
using RawLayer::RawLineFile;

class JobLinesFile : public RawLineFile {
public:
    // The internal text of a line end: "\n", "\r\n", "\r" or empty.
    static const RawString& LineEndText(RawLineEnd end);

    explicit JobLinesFile(int32_t line_count = 1);

    // Lines per record, 1 or more; takes effect at the next OpenRead.
    void SetLineCount(int32_t line_count);
    int32_t LineCount() const { return line_count_; }

    // Opens `path` as RawLineFile::OpenRead does and starts a fresh series of records. The
    // lines come as UTF-8; a file detected as Binary delivers its bytes unconverted.
    [[nodiscard]] bool OpenRead(
        const RawString& path, int32_t line_limit, RawEncoding file_encoding = RawEncoding::NoSet);
    // The same on a descriptor already open, as RawLineFile's own does.
    [[nodiscard]] bool OpenRead(
        int fd, const RawString& path, int32_t line_limit, RawEncoding file_encoding = RawEncoding::NoSet);

    // Reads the next record into Record(). False at the end (fewer than LineCount lines left)
    // or on a failure; Status() tells which.
    [[nodiscard]] bool ReadRecord();
    // The last record read: path, last-write time, encoding and mark of the file, the index of
    // its first line, its text and the line end after its last line.
    const JobFoundBlock& Record() const { return record_; }

    // The index the next record would have had: the record at which reading stopped.
    int64_t StoppedIndex() const { return records_; }
    // The 0-based index of the line at which reading stopped: after a failure the line that
    // could not be read whole or converted, after a normal end the number of lines.
    int64_t StoppedLineIndex() const;
    // The line end of the first line read so far that has one; empty when none had one.
    const RawString& FirstLineEnd() const { return first_line_end_; }
    // After WholeContent, with one line per record: passes over the next `lines` records, the
    // whole lines in the next `bytes` of the content, whose first line end is `first_end`.
    bool SkipRecords(size_t bytes, int64_t lines, RawLineEnd first_end);

private:
    struct Line {
        RawString text;
        RawLineEnd end = RawLineEnd::None;
    };

    void StartRecords();
    bool Opened(bool opened);
    bool ReadInto(RawString& text, RawLineEnd& end);
    bool FillRing();
    void BuildText();

    int32_t line_count_ = 1;
    int32_t open_line_count_ = 1; // the line count of the file being read
    std::vector<Line> ring_;      // the lines of the current record (LineCount above 1)
    size_t first_ = 0;            // the ring slot of the record's first line
    int64_t records_ = 0;
    JobFoundBlock record_;
    RawString first_line_end_;
};

} // namespace JobLayer
