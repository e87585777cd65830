#include <core/RawLineFile.h>
#include <core/RawProfile.h>
#include <core/RawRecordFile.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace RawLayer {

namespace {

// How a header line is written back as "[" name "]".
enum class HeaderForm : uint8_t {
    Closed,   // the line is "[" name "]" already: copied as its bytes
    Unclosed, // no "]": its bytes, then "]"
    Trailing, // text after the last "]", which is dropped: written anew from the name
};

// The section name of a header line, or nothing for any other line: from the second character
// to the last "]", or to the end of the line when there is no "]".
std::optional<RawString> HeaderName(const RawString& line, HeaderForm* form = nullptr)
{
    if (line.IsEmpty() || line.At(0) != '[')
        return std::nullopt;
    int32_t last = line.Length() >= 2 ? line.FindLastOf("]") : -1;
    if (form != nullptr)
        *form = last <= 0               ? HeaderForm::Unclosed
            : last == line.Length() - 1 ? HeaderForm::Closed
                                        : HeaderForm::Trailing;
    return line.Substring(1, last > 0 ? last : line.Length());
}

bool IsIgnored(const RawString& line)
{
    return line.IsEmpty() || line.StartsWith("//");
}

bool FileMissing(const RawString& path)
{
    RawSystemText text(path);
    struct stat info { };
    return text.IsValid() && stat(text.CStr(), &info) != 0 && errno == ENOENT;
}

// A text that holds no line break and no zero character, so it stays on its one line.
bool StaysOnLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == text.npos;
}

// The entry line "key=value" in UTF-8, or nothing when reading it back would not give this
// key and value: a key with "=", a line that would read as a header or a comment.
std::optional<RawString> EntryLine(const RawParameterUnit& unit)
{
    RawString line;
    if (!line.Append(unit.key))
        return std::nullopt;
    std::string_view key = line.View();
    if (!StaysOnLine(key) || key.find('=') != key.npos || key.starts_with('[') || key.starts_with("//"))
        return std::nullopt;
    if (!line.Append("=", unit.value) || !StaysOnLine(line.View()))
        return std::nullopt;
    return line;
}

// Lines longer than this, in code units of the file's encoding, would not read back.
bool FitsLineLimit(const RawString& line, RawEncoding encoding, int32_t line_limit)
{
    std::optional<std::string> bytes = RawConvertBytes(line.View(), RawEncoding::Utf8, encoding);
    if (!bytes)
        return true; // the write itself reports the conversion failure
    bool wide = encoding == RawEncoding::Utf16Le || encoding == RawEncoding::Utf16Be;
    return static_cast<int64_t>(bytes->size() / (wide ? 2 : 1)) <= line_limit;
}

// A profile is the program's own record: never a pipe or a device, and bounded in size. It may
// be a link the user made (a profile kept with other settings elsewhere).
void OpenAsRecord(RawLineFile& file)
{
    file.SetOpenMode(RawLineFile::OpenMode::Regular, RawRecordFile::kRecordLimit);
}

// Whether the file at `path` is found to have `encoding` and `mark`. The content scan decides a
// file's encoding, so text a rewrite drops or adds can change what it decides, and the next read
// would decode every line differently. A file that became plain ASCII reads alike in every byte
// encoding.
bool ReadsAs(const std::string& path, RawEncoding encoding, bool mark)
{
    RawLineFile file;
    OpenAsRecord(file);
    if (!file.OpenRead(RawString(path, RawEncoding::Utf8), 0) || file.HasMark() != mark)
        return false;
    bool wide = encoding == RawEncoding::Utf16Le || encoding == RawEncoding::Utf16Be;
    return file.FileEncoding() == encoding
        || (file.EncodingOrigin() == RawLineFileInfo::Origin::Undecided && !wide);
}

} // namespace

// One line of the old file, kept for the rewrite.
struct RawProfile::OldLine {
    std::string raw; // the bytes that stood in the file, without the line end
    bool header = false;
    HeaderForm form = HeaderForm::Closed;
    RawString name;
    RawString rewritten; // "[" name "]" for a header of the Trailing form
};

std::optional<RawString> RawProfile::SectionHeader(const RawString& line)
{
    return HeaderName(line);
}

bool RawProfile::IsSkippedLine(const RawString& line)
{
    return IsIgnored(line);
}

RawProfile::RawProfile(const RawString& path)
    : path_(path)
    , file_path_(path)
{
}

bool RawProfile::Fail(int status)
{
    status_ = status;
    reason_.clear();
    return false;
}

bool RawProfile::Fail(const RawLineFile& file)
{
    status_ = file.Status();
    reason_ = file.Reason();
    return false;
}

bool RawProfile::ReadSection(const RawString& name, RawParameterList& list)
{
    list.Clear();
    status_ = 0;
    reason_.clear();
    RawString wanted;
    if (!wanted.Acquire(name, RawEncoding::Utf8))
        return false;
    RawLineFile file;
    OpenAsRecord(file);
    if (!file.OpenRead(file_path_, line_limit_)) {
        // A file that is missing reads as an empty section, so callers never have to check
        // for the file before asking for a key.
        if (!FileMissing(file_path_))
            (void)Fail(file);
        return false;
    }
    encoding_ = file.FileEncoding();
    mark_ = file.HasMark();
    // A binary file holds no parameters.
    if (encoding_ == RawEncoding::Binary)
        return false;
    RawString line;
    bool inside = false;
    while (file.ReadLine(line)) {
        if (std::optional<RawString> header = HeaderName(line)) {
            if (inside)
                break;
            inside = header->EqualsIgnoreCase(wanted);
        } else if (inside && !IsIgnored(line)) {
            list.AddEntries(line);
        }
    }
    if (file.Failed())
        (void)Fail(file);
    return list.Count() > 0;
}

RawString RawProfile::GetText(const RawString& section, const RawString& key, const RawString& default_value)
{
    RawParameterList list;
    if (!ReadSection(section, list))
        return default_value;
    return list.GetText(key, default_value);
}

bool RawProfile::SetText(const RawString& section, const RawString& key, const RawString& value)
{
    RawParameterList list;
    // A failed read leaves the entries read so far; the write below rereads the whole file
    // and refuses to go on unless that read is complete.
    ReadSection(section, list);
    RawParameterUnit* unit = list.Find(key);
    if (unit == nullptr)
        unit = &list.Add(key);
    unit->value = value;
    return WriteSection(section, list);
}

bool RawProfile::ReadOldLines(std::vector<OldLine>& lines)
{
    RawLineFile file;
    OpenAsRecord(file);
    if (!file.OpenRead(file_path_, line_limit_)) {
        if (!FileMissing(file_path_))
            return Fail(file);
        encoding_ = RawEncoding::Utf8;
        mark_ = 0;
        return true;
    }
    encoding_ = file.FileEncoding();
    mark_ = file.HasMark();
    if (encoding_ == RawEncoding::Binary)
        return Fail(RawLineFile::kCodeConversionError);
    RawString text;
    while (file.ReadLine(text)) {
        OldLine& line = lines.emplace_back();
        line.raw = file.RawLine();
        if (std::optional<RawString> header = HeaderName(text, &line.form)) {
            line.header = true;
            line.name = *header;
            if (line.form == HeaderForm::Trailing && !line.rewritten.Append("[", line.name, "]"))
                return Fail(RawLineFile::kCodeConversionError);
        }
    }
    return !file.Failed() || Fail(file);
}

// Copies the old lines with the entries of the first section named `wanted` replaced by
// `entries`, or appends `header` and `entries` when there is no such section. Headers are
// written back as "[" name "]": as their bytes where the line is just that.
bool RawProfile::WriteLines(RawLineFile& out, const std::vector<OldLine>& lines, const RawString& wanted,
    const RawString& header, const std::vector<RawString>& entries)
{
    auto write_entries = [&] {
        bool written = true;
        for (const RawString& entry : entries)
            written = written && out.WriteText(entry) && out.WriteLineEnd();
        return written;
    };
    bool replaced = false;
    bool skipping = false;
    for (const OldLine& line : lines) {
        bool ok = true;
        if (line.header) {
            skipping = !replaced && line.name.EqualsIgnoreCase(wanted);
            replaced = replaced || skipping;
            if (line.form == HeaderForm::Trailing)
                ok = out.WriteText(line.rewritten);
            else
                ok = out.WriteRaw(line.raw) && (line.form == HeaderForm::Closed || out.WriteText("]"));
            ok = ok && out.WriteLineEnd() && (!skipping || write_entries());
        } else if (!skipping) {
            ok = out.WriteRaw(line.raw) && out.WriteLineEnd();
        }
        if (!ok)
            return false;
    }
    return replaced || (out.WriteText(header) && out.WriteLineEnd() && write_entries());
}

bool RawProfile::WriteSection(const RawString& name, const RawParameterList& list)
{
    status_ = 0;
    reason_.clear();
    RawString wanted;
    if (!wanted.Acquire(name, RawEncoding::Utf8) || !StaysOnLine(wanted.View()))
        return Fail(RawLineFile::kWriteError);
    // The whole old file is read before anything is written: a file that cannot be read to its
    // end is never replaced by a truncated copy.
    std::vector<OldLine> old_lines;
    if (!ReadOldLines(old_lines))
        return false;
    // Plain ASCII leaves the encoding undecided; UTF-8 writes those bytes unchanged.
    RawEncoding encoding = encoding_ == RawEncoding::NoSet ? RawEncoding::Utf8 : encoding_;

    RawString header;
    if (!header.Append("[", wanted, "]") || !FitsLineLimit(header, encoding, line_limit_))
        return Fail(RawLineFile::kWriteError);
    std::vector<RawString> entries;
    for (const RawParameterUnit& unit : list) {
        std::optional<RawString> line = EntryLine(unit);
        if (!line || !FitsLineLimit(*line, encoding, line_limit_))
            return Fail(RawLineFile::kWriteError);
        entries.push_back(*line);
    }

    // UTF-8 text without a mark can read back as another encoding when the content scan decides
    // otherwise (a file whose only non-ASCII text is "ぁぁ" scans as Shift_JIS); such a file is
    // written once more with the UTF-8 mark, which settles it. Other encodings are never changed.
    bool mark = mark_ != 0;
    for (;;) {
        RawSafeWrite safe(file_path_);
        if (!safe.Open())
            return Fail(RawLineFile::kWriteOpenError);
        RawLineFile out;
        bool ok = out.AttachWrite(safe.Fd(), encoding, mark)
            && WriteLines(out, old_lines, wanted, header, entries);
        if (!out.Close() || !ok)
            return Fail(out.Failed() ? out.Status() : RawLineFile::kWriteError);
        if (!ReadsAs(safe.TempPath(), encoding, mark)) {
            if (encoding != RawEncoding::Utf8 || mark)
                return Fail(RawLineFile::kCodeConversionError);
            mark = true;
            continue;
        }
        if (!safe.Commit())
            return Fail(safe.FailedStep() == RawSafeWrite::Step::Rename ? RawLineFile::kMoveError
                                                                        : RawLineFile::kWriteError);
        encoding_ = encoding;
        mark_ = mark;
        break;
    }
    return true;
}

} // namespace RawLayer
