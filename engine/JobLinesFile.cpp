#include <engine/JobLinesFile.h>

#include <algorithm>

namespace JobLayer {

// Literals, so handing one to a record allocates nothing.
const RawString& JobLinesFile::LineEndText(RawLineEnd end)
{
    static const RawString kNone;
    static const RawString kLf("\n");
    static const RawString kCrLf("\r\n");
    static const RawString kCr("\r");
    switch (end) {
    case RawLineEnd::Lf:
        return kLf;
    case RawLineEnd::CrLf:
        return kCrLf;
    case RawLineEnd::Cr:
        return kCr;
    case RawLineEnd::None:
        break;
    }
    return kNone;
}

JobLinesFile::JobLinesFile(int32_t line_count)
{
    SetLineCount(line_count);
    SetInternalEncoding(RawEncoding::Utf8);
}

void JobLinesFile::SetLineCount(int32_t line_count)
{
    line_count_ = std::max<int32_t>(line_count, 1);
}

bool JobLinesFile::OpenRead(const RawString& path, int32_t line_limit, RawEncoding file_encoding)
{
    StartRecords();
    return Opened(RawLineFile::OpenRead(path, line_limit, file_encoding));
}

bool JobLinesFile::OpenRead(int fd, const RawString& path, int32_t line_limit, RawEncoding file_encoding)
{
    StartRecords();
    return Opened(RawLineFile::OpenRead(fd, path, line_limit, file_encoding));
}

void JobLinesFile::StartRecords()
{
    open_line_count_ = line_count_;
    if (open_line_count_ > 1 && ring_.size() != static_cast<size_t>(open_line_count_))
        ring_.resize(static_cast<size_t>(open_line_count_));
    first_ = 0;
    records_ = 0;
    first_line_end_ = RawString();
}

bool JobLinesFile::Opened(bool opened)
{
    record_.path = Path();
    record_.file_time = FileTicks();
    record_.index = 0;
    record_.text.Clear();
    record_.line_end = RawString();
    record_.encoding = FileEncoding();
    record_.mark = HasMark();
    return opened;
}

int64_t JobLinesFile::StoppedLineIndex() const
{
    // A line that failed conversion has been counted; a line that could not be read has not.
    return Status() == kCodeConversionError ? LineIndex() : LineIndex() + 1;
}

bool JobLinesFile::ReadInto(RawString& text, RawLineEnd& end)
{
    if (!ReadLine(text))
        return false;
    end = LineEnd();
    if (first_line_end_.IsEmpty() && end != RawLineEnd::None)
        first_line_end_ = LineEndText(end);
    return true;
}

// The first record needs all of its lines; every later one drops its oldest line and reads one.
bool JobLinesFile::FillRing()
{
    if (records_ == 0) {
        for (Line& line : ring_)
            if (!ReadInto(line.text, line.end))
                return false;
        first_ = 0;
        return true;
    }
    Line& oldest = ring_[first_];
    if (!ReadInto(oldest.text, oldest.end))
        return false;
    first_ = (first_ + 1) % ring_.size();
    return true;
}

void JobLinesFile::BuildText()
{
    size_t count = ring_.size();
    const Line* previous = &ring_[first_];
    record_.text.Assign(previous->text.View(), RawEncoding::Utf8);
    for (size_t k = 1; k < count; ++k) {
        const Line& line = ring_[(first_ + k) % count];
        record_.text.AppendUnits(LineEndText(previous->end).View());
        record_.text.AppendUnits(line.text.View());
        previous = &line;
    }
    record_.line_end = LineEndText(previous->end);
}

bool JobLinesFile::SkipRecords(size_t bytes, int64_t lines, RawLineEnd first_end)
{
    if (open_line_count_ != 1 || !SkipWholeLines(bytes, lines))
        return false;
    if (first_line_end_.IsEmpty() && first_end != RawLineEnd::None)
        first_line_end_ = LineEndText(first_end);
    records_ += lines;
    return true;
}

bool JobLinesFile::ReadRecord()
{
    if (open_line_count_ == 1) {
        RawLineEnd end = RawLineEnd::None;
        if (!ReadInto(record_.text, end))
            return false;
        record_.line_end = LineEndText(end);
    } else {
        if (!FillRing())
            return false;
        BuildText();
    }
    record_.index = records_++;
    return true;
}

} // namespace JobLayer
