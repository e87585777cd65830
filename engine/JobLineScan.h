#pragma once

// Scans over a whole file's content for what the line reader would find in it, without splitting
// it into lines: whether every line fits a length, and how many lines there are. Lines end as the
// reader ends them: at LF, at CR LF (one line end), and at a CR followed by anything else or by
// the end of the data; in 16-bit files the same characters as 16-bit units.

#include <core/RawLineFile.h>

#include <cstdint>
#include <string_view>

namespace JobLayer {

class JobLineScan {
public:
    // The code unit of a file's lines.
    enum class Unit : uint8_t { Byte, Utf16Le, Utf16Be };

    // Whether no line of `content` is longer than `limit` units (its line end not counted).
    static bool LinesWithin(std::string_view content, Unit unit, int64_t limit);

    // The number of lines the reader delivers for `content`; a last line without a line end
    // counts, an empty content has none.
    static int64_t CountLines(std::string_view content, Unit unit);

    // The offset of the start of the line that holds offset `at` (within a unit), or `from` when
    // no line ends between `from` (a line start) and `at`.
    static size_t LineStart(std::string_view content, size_t from, size_t at, Unit unit);
    // The line end of the first line of `content` that has one.
    static RawLayer::RawLineEnd FirstEnd(std::string_view content, Unit unit);

private:
    static bool BytesWithin(std::string_view content, int64_t limit);
    static int64_t CountBytes(std::string_view content);
    static int64_t CountByte(std::string_view content, char byte);
    static int64_t CountPairs(std::string_view content);
    static bool UnitsWithin(std::string_view content, bool big_endian, int64_t limit);
    static int64_t CountUnits(std::string_view content, bool big_endian);
};

} // namespace JobLayer
