#include <core/RawEncoding.h>
#include <core/RawLineFile.h>
#include <core/RawLineFileInfo.h>
#include <core/RawParameterList.h>
#include <core/RawPath.h>
#include <core/RawProfile.h>
#include <core/RawSafeWrite.h>
#include <engine/JobExpressionUtility.h>
#include <engine/JobResultFile.h>

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace JobLayer {

using RawLayer::RawEncoding;
using RawLayer::RawLineFile;
using RawLayer::RawParameterList;
using RawLayer::RawParameterUnit;
using RawLayer::RawPath;

namespace {

constexpr std::array<std::string_view, 2> kResultLabels = { "STT", "FIN" };

// The bytes of `text` in UTF-8, or nothing when it has no valid UTF-8 form.
std::optional<std::string> Utf8Bytes(const RawString& text)
{
    RawString converted;
    if (!converted.Acquire(text, RawEncoding::Utf8) || !RawLayer::RawIsValidUtf8(converted.View()))
        return std::nullopt;
    return converted.Str();
}

template <std::size_t N> std::string LabelsText(uint16_t flags, const std::array<std::string_view, N>& labels)
{
    std::string text;
    for (std::size_t bit = 0; bit < N; ++bit) {
        if ((flags & (1u << bit)) == 0)
            continue;
        if (!text.empty())
            text += '+';
        text += labels[bit];
    }
    return text;
}

// Each piece between "+" that equals a label sets its bit; other pieces are ignored.
template <std::size_t N>
uint16_t LabelsFlags(const RawString& text, const std::array<std::string_view, N>& labels)
{
    std::string_view rest = text.View();
    uint16_t flags = 0;
    for (;;) {
        std::size_t plus = rest.find('+');
        std::string_view piece = rest.substr(0, plus);
        for (std::size_t bit = 0; bit < N; ++bit) {
            if (piece == labels[bit])
                flags = static_cast<uint16_t>(flags | (1u << bit));
        }
        if (plus == std::string_view::npos)
            return flags;
        rest.remove_prefix(plus + 1);
    }
}

// The name of an encoding value; empty for a value that has none.
RawString EncodingText(int32_t value)
{
    if (value < 0 || value >= static_cast<int32_t>(RawEncoding::Binary))
        return RawString();
    return RawString(RawLayer::RawEncodingName(static_cast<RawEncoding>(value)), RawEncoding::Utf8);
}

// A name that is not one of the eight reads as Binary.
RawEncoding EncodingValue(const RawString& name)
{
    return RawLayer::RawEncodingFromName(name.View()).value_or(RawEncoding::Binary);
}

RawString Unsigned(uint32_t value)
{
    return RawString::UnsignedNumber(value);
}

// --- Saving ------------------------------------------------------------------------------------

// The whole file built in memory, so that it is written in one go and only when every value
// has a form that reads back as it was.
class FileImage {
public:
    void Section(std::string_view name) { content_.append("[").append(name).append("]\r\n"); }
    void Section(std::string_view prefix, std::size_t number)
    {
        Section(std::string(prefix) + std::to_string(number));
    }

    // A value that holds a zero character or a line break, or is not valid UTF-8, would not
    // read back as written, and spoils the whole file.
    void Entry(std::string_view key, const RawString& value)
    {
        std::optional<std::string> bytes = Utf8Bytes(value);
        if (!bytes || bytes->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos
            || key.size() + 1 + bytes->size() > static_cast<std::size_t>(JobResultFile::kLineLimit)) {
            valid_ = false;
            return;
        }
        content_.append(key).append("=").append(*bytes).append("\r\n");
    }
    void Entries(const RawParameterList& list)
    {
        for (const RawParameterUnit& unit : list)
            Entry(unit.key.View(), unit.value); // keys are our own ASCII names
    }

    bool Valid() const { return valid_; }
    const std::string& Content() const { return content_; }

private:
    std::string content_;
    bool valid_ = true;
};

// The display texts of status entries by id, each looked up once.
class StatusTexts {
public:
    explicit StatusTexts(JobStatusCentre& status)
        : status_(status)
    {
    }
    const RawString& For(uint32_t id)
    {
        auto [at, added] = texts_.try_emplace(id);
        if (added) {
            if (std::optional<JobStatusUnit> entry = status_.Find(id))
                at->second = entry->display;
        }
        return at->second;
    }

private:
    JobStatusCentre& status_;
    std::unordered_map<uint32_t, RawString> texts_;
};

void WriteBlock(FileImage& image, const JobBlockUnit& block, StatusTexts& texts)
{
    image.Entry("Flags", RawString(LabelsText(block.Flags(), JobBlockUnit::kFlagLabels), RawEncoding::Utf8));
    image.Entry("FilePath", RawPath::MakeAbsolute(block.file_path));
    image.Entry("BasePath", RawPath::MakeAbsolute(block.base_path));
    image.Entry("FileTimeHigh", Unsigned(block.FileTimeHigh()));
    image.Entry("FileTimeLow", Unsigned(block.FileTimeLow()));
    image.Entry("LineNumber", Unsigned(static_cast<uint32_t>(block.line_number)));
    image.Entry("LineCount", Unsigned(static_cast<uint32_t>(block.line_count)));
    image.Entry("Original", JobResultFile::EscapeValue(block.original));
    image.Entry("Replaced", JobResultFile::EscapeValue(block.replaced));
    image.Entry("EOL", JobResultFile::EscapeValue(block.line_end));
    image.Entry("FileEol", JobResultFile::EscapeValue(block.file_line_end));
    image.Entry("FileSet", EncodingText(static_cast<int32_t>(block.file_encoding)));
    image.Entry("BomSet", EncodingText(block.byte_order_mark));
    image.Entry("HitRecord", block.hit_record.ToText());
    image.Entry("HitReplaced", block.hit_replaced.ToText());
    image.Entry("StatusId", Unsigned(block.status_id));
    image.Entry("Status", block.status_id != 0 ? texts.For(block.status_id) : RawString());
}

void WriteResults(FileImage& image, const JobResultSet& results, JobStatusCentre& status)
{
    // Read before the locks are taken: the accessors take the result set's lock themselves.
    uint16_t flags = results.Flags();
    RawString base = results.CurrentTarget();
    int32_t files = results.FilesSearched();
    image.Section("Data");
    image.Entry("Flags", RawString(LabelsText(flags, kResultLabels), RawEncoding::Utf8));
    image.Entry("BasePath", RawPath::MakeAbsolute(base));
    image.Entry("FileCount", Unsigned(static_cast<uint32_t>(files)));

    StatusTexts texts(status);
    std::lock_guard guard(results.lock);
    std::lock_guard list_guard(results.blocks.lock);
    std::size_t number = 0;
    for (const JobBlockUnit& block : results.blocks) {
        image.Section("Found_", number++);
        WriteBlock(image, block, texts);
    }
}

// The first line of a block's text: all of it for a one-line block, else up to its first line
// break.
RawString FirstLine(const JobBlockUnit& block)
{
    if (block.line_count == 1)
        return block.original;
    return block.original.Substring(0, block.original.FindFirstOf("\r\n"));
}

// "path(line):text" per block. Fails only for a text with no UTF-8 form.
bool SimpleContent(const JobResultSet& results, std::string& content)
{
    std::lock_guard guard(results.lock);
    std::lock_guard list_guard(results.blocks.lock);
    for (const JobBlockUnit& block : results.blocks) {
        std::optional<std::string> path = Utf8Bytes(block.file_path);
        std::optional<std::string> text = Utf8Bytes(FirstLine(block));
        if (!path || !text)
            return false;
        content.append(*path).append("(").append(std::to_string(block.line_number)).append("):");
        content.append(*text).append("\r\n");
    }
    return true;
}

// Content the reader would not take for UTF-8 gets the mark, which settles it.
bool NeedsMark(const std::string& content)
{
    RawLayer::RawLineFileInfo::Verdict verdict = RawLayer::RawLineFileInfo::ScanContent(content);
    return verdict.decided && verdict.encoding != RawEncoding::Utf8;
}

bool Report(JobStatusCentre& status, int state, const RawString& path)
{
    status.AddEntry(JobStatusCentre::MakeErrorEntry(state, path));
    return false;
}

bool WriteFile(const RawString& path, const std::string& content, bool mark, JobStatusCentre& status)
{
    RawLayer::RawSafeWrite safe(path);
    if (!safe.Open())
        return Report(status, RawLineFile::kWriteOpenError, path);
    RawLineFile out;
    bool written = out.AttachWrite(safe.Fd(), RawEncoding::Utf8, mark) && out.WriteRaw(content);
    if (!out.Close() || !written)
        return Report(status, out.Failed() ? out.Status() : RawLineFile::kWriteError, path);
    if (!safe.Commit()) {
        bool moved = safe.FailedStep() == RawLayer::RawSafeWrite::Step::Rename;
        return Report(status, moved ? RawLineFile::kMoveError : RawLineFile::kWriteError, path);
    }
    return true;
}

// --- Loading -----------------------------------------------------------------------------------

// Walks a parameter file section by section, reading every line once.
class SectionReader {
public:
    explicit SectionReader(RawLineFile& file)
        : file_(file)
    {
    }

    // The next section with all its entries. False at the end of the file, and on a read
    // failure (the file's status tells).
    bool Next(RawString& name, RawParameterList& entries)
    {
        RawString line;
        while (!pending_) {
            if (!file_.ReadLine(line))
                return false;
            pending_ = RawLayer::RawProfile::SectionHeader(line);
        }
        name = *pending_;
        pending_.reset();
        entries = RawParameterList();
        while (file_.ReadLine(line)) {
            pending_ = RawLayer::RawProfile::SectionHeader(line);
            if (pending_)
                return true;
            if (!RawLayer::RawProfile::IsSkippedLine(line))
                entries.AddEntries(line);
        }
        return !file_.Failed();
    }

private:
    RawLineFile& file_;
    std::optional<RawString> pending_;
};

bool NameIs(const RawString& name, const RawString& wanted)
{
    return name.EqualsIgnoreCase(wanted);
}

void ReadNumber(const RawParameterList& section, const RawString& key, uint32_t& value)
{
    if (section.Contains(key))
        value = static_cast<uint32_t>(section.GetInteger(key, 0));
}

void ReadNumber(const RawParameterList& section, const RawString& key, int32_t& value)
{
    uint32_t number = static_cast<uint32_t>(value);
    ReadNumber(section, key, number);
    value = static_cast<int32_t>(number);
}

void ReadText(const RawParameterList& section, const RawString& key, RawString& value)
{
    if (const RawParameterUnit* unit = section.Find(key))
        value = unit->value;
}

void ReadEscaped(const RawParameterList& section, const RawString& key, RawString& value)
{
    if (const RawParameterUnit* unit = section.Find(key))
        value = JobResultFile::UnescapeValue(unit->value);
}

// Later stages cut the block text at the offsets of its hits, so hits that do not lie within
// the text, in order, are as malformed as an unreadable hit text.
bool HitsFit(const JobHitMulti& hits, int32_t length)
{
    auto fits = [length](int32_t start, int32_t end) { return (start == -1 && end == -1) || end <= length; };
    for (const JobHitSingle& single : hits) {
        int32_t previous_end = 0;
        for (const JobHitUnit& unit : single) {
            if (!fits(unit.start, unit.end))
                return false;
            if (unit.start >= 0) {
                if (unit.start < previous_end)
                    return false;
                previous_end = unit.end;
            }
            for (const JobHitRange& capture : unit.ranges) {
                if (!fits(capture.start, capture.end))
                    return false;
            }
        }
    }
    return true;
}

JobHitMulti ReadHits(const RawParameterList& section, const RawString& key, const RawString& text)
{
    JobHitMulti hits = JobHitMulti::FromText(section.GetText(key, RawString()));
    return HitsFit(hits, text.Length()) ? hits : JobHitMulti();
}

// A block read back, with the text of the status entry it pointed at.
struct LoadedBlock {
    std::unique_ptr<JobBlockUnit> block;
    RawString status_text;
};

LoadedBlock ReadBlock(const RawParameterList& section)
{
    LoadedBlock loaded { std::make_unique<JobBlockUnit>(), RawString() };
    JobBlockUnit& block = *loaded.block;
    block.StoreFlags(LabelsFlags(section.GetText("Flags", RawString()), JobBlockUnit::kFlagLabels));
    // A file saved by an older version may hold relative paths: they meant the current folder,
    // and are made absolute from it now, once, like the targets of a search.
    ReadText(section, "FilePath", block.file_path);
    ReadText(section, "BasePath", block.base_path);
    block.file_path = RawPath::MakeAbsolute(block.file_path);
    block.base_path = RawPath::MakeAbsolute(block.base_path);
    uint32_t high = block.FileTimeHigh();
    uint32_t low = block.FileTimeLow();
    ReadNumber(section, "FileTimeHigh", high);
    ReadNumber(section, "FileTimeLow", low);
    block.SetFileTime(low, high);
    ReadNumber(section, "LineNumber", block.line_number);
    ReadNumber(section, "LineCount", block.line_count);
    ReadEscaped(section, "Original", block.original);
    ReadEscaped(section, "Replaced", block.replaced);
    ReadEscaped(section, "EOL", block.line_end);
    ReadEscaped(section, "FileEol", block.file_line_end);
    if (const RawParameterUnit* unit = section.Find("FileSet"))
        block.file_encoding = EncodingValue(unit->value);
    if (const RawParameterUnit* unit = section.Find("BomSet"))
        block.byte_order_mark = static_cast<int32_t>(EncodingValue(unit->value));
    block.hit_record = ReadHits(section, "HitRecord", block.original);
    block.hit_replaced = ReadHits(section, "HitReplaced", block.replaced);
    ReadNumber(section, "StatusId", block.status_id);
    ReadText(section, "Status", loaded.status_text);
    block.UpdateDisplayTexts();
    return loaded;
}

// What a "Detail" file holds beyond the parameters.
struct LoadedResults {
    bool present = false;
    uint16_t flags = 0;
    RawString base;
    int32_t files = 0;
    std::vector<LoadedBlock> blocks;
};

// Reads the sections after "Params"; the file's status tells whether all could be read.
void ReadResults(SectionReader& reader, LoadedResults& loaded)
{
    RawString name;
    RawParameterList section;
    if (!reader.Next(name, section) || !NameIs(name, "Data"))
        return;
    loaded.present = true;
    loaded.flags = LabelsFlags(section.GetText("Flags", RawString()), kResultLabels);
    ReadText(section, "BasePath", loaded.base);
    loaded.base = RawPath::MakeAbsolute(loaded.base);
    ReadNumber(section, "FileCount", loaded.files);
    while (reader.Next(name, section)) {
        if (name.Length() >= 5 && NameIs(name.Substring(0, 5), "Found"))
            loaded.blocks.push_back(ReadBlock(section));
    }
}

// "message (path)" back into message and path, split at the first " (".
std::pair<RawString, RawString> SplitStatusText(const RawString& text)
{
    int32_t length = text.Length();
    int32_t open = text.FindText(" (");
    if (open >= length || length == 0 || text.At(length - 1) != ')')
        return { text, RawString() };
    return { text.Substring(0, open), text.Substring(open + 2, length - 1) };
}

// The id of this run's entry for a stored status id: the entry already made for it, or a new
// one made from the stored text. A stored 0 means "no status" and stays 0.
uint32_t RenumberStatus(uint32_t old_id, const RawString& text, JobStatusCentre& status)
{
    if (old_id == 0)
        return 0;
    if (uint32_t known = status.NewIdFor(old_id))
        return known;
    auto [message, path] = SplitStatusText(text);
    JobStatusUnit entry = JobStatusCentre::MakeEntry(JobStatusUnit::kError, message, path);
    status.AddEntry(entry);
    status.RecordOldId(old_id, entry.id);
    return entry.id;
}

void CommitResults(LoadedResults& loaded, JobResultSet& results, JobStatusCentre& status)
{
    results.SetFlags(loaded.flags);
    results.StartTarget(loaded.base);
    results.SetFilesSearched(loaded.files);
    status.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Old data loading...", {}));
    status.ClearOldIds();
    for (LoadedBlock& loaded_block : loaded.blocks)
        loaded_block.block->status_id
            = RenumberStatus(loaded_block.block->status_id, loaded_block.status_text, status);
    {
        std::lock_guard guard(results.lock);
        std::lock_guard list_guard(results.blocks.lock);
        for (LoadedBlock& loaded_block : loaded.blocks)
            results.blocks.Append(loaded_block.block.release());
    }
    status.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Old data loaded.", {}));
    status.ClearOldIds();
}

} // namespace

// --- Saved forms -------------------------------------------------------------------------------

namespace {

std::string EscapeBytes(std::string_view text, bool list_item)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\t':
            escaped += "%t";
            break;
        case '\n':
            escaped += "%n";
            break;
        case '\r':
            escaped += "%r";
            break;
        case '%':
            escaped += "%e";
            break;
        case ';':
            escaped += list_item ? "%d" : ";";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// Loading removes a pair of enclosing quotation marks; "%" before the first one keeps it.
RawString GuardQuotes(std::string value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value.insert(0, 1, '%');
    return RawString(value, RawEncoding::Utf8);
}

// The range of `value` inside one pair of enclosing quotation marks, or all of it.
std::pair<int32_t, int32_t> Unquoted(const RawString& value)
{
    int32_t length = value.Length();
    if (length >= 2 && value.At(0) == '"' && value.At(length - 1) == '"')
        return { 1, length - 1 };
    return { 0, length };
}

} // namespace

RawString JobResultFile::EscapeValue(const RawString& text)
{
    RawString utf8;
    if (!utf8.Acquire(text, RawEncoding::Utf8))
        return text;
    return GuardQuotes(EscapeBytes(utf8.View(), false));
}

RawString JobResultFile::EscapeList(const RawStringList& items)
{
    std::string joined;
    bool first = true;
    for (const RawString& item : items) {
        RawString utf8;
        if (!utf8.Acquire(item, RawEncoding::Utf8))
            return item; // the save refuses a text it cannot convert
        if (!first)
            joined += ';';
        first = false;
        joined += EscapeBytes(utf8.View(), true);
    }
    return GuardQuotes(std::move(joined));
}

RawString JobResultFile::UnescapeValue(const RawString& value)
{
    auto [start, end] = Unquoted(value);
    return JobExpressionUtility::Unescape(value, start, end);
}

// Split before decoding: a ";" that an item holds is saved as "%d" and must not end the item.
RawStringList JobResultFile::UnescapeList(const RawString& value)
{
    auto [start, end] = Unquoted(value);
    RawStringList items;
    if (start == end)
        return items;
    RawString text = value.Substring(start, end);
    for (const RawString& piece : JobExpressionUtility::SplitList(text, JobExpressionUtility::Field::Replace))
        items.Add(JobExpressionUtility::Unescape(piece));
    return items;
}

// --- Save and load -----------------------------------------------------------------------------

bool JobResultFile::Save(const RawString& path, Type type, const JobParams& params,
    const JobResultSet& results, JobStatusCentre& status)
{
    std::string content;
    bool mark = false;
    if (type == Type::Simple) {
        if (!SimpleContent(results, content))
            return Report(status, RawLineFile::kCodeConversionError, path);
    } else {
        FileImage image;
        RawParameterList section;
        {
            std::lock_guard guard(params.lock);
            params.WriteSection(section, type == Type::Detail);
        }
        image.Section("Params");
        image.Entries(section);
        if (type == Type::Detail)
            WriteResults(image, results, status);
        if (!image.Valid())
            return Report(status, RawLineFile::kCodeConversionError, path);
        content = image.Content();
        mark = NeedsMark(content);
    }
    return WriteFile(path, content, mark, status);
}

JobResultFile::LoadResult JobResultFile::Load(
    const RawString& path, JobParams& params, JobResultSet& results, JobStatusCentre& status)
{
    RawLineFile file;
    // A data file is the program's own record: never a pipe or a device, and bounded in size.
    file.SetOpenMode(RawLineFile::OpenMode::Regular, kSizeLimit);
    if (!file.OpenRead(path, kLineLimit)) {
        Report(status, file.Status(), JobStatusCentre::PathWithReason(path, file.Reason()));
        return {};
    }
    SectionReader reader(file);
    RawString name;
    RawParameterList params_section;
    bool first = file.FileEncoding() != RawEncoding::Binary && reader.Next(name, params_section);
    if (file.Failed()) {
        Report(status, file.Status(), JobStatusCentre::PathWithReason(path, file.Reason()));
        return {};
    }
    if (!first || !NameIs(name, "Params")) {
        status.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError, "Bad format file.", path));
        return {};
    }
    LoadedResults loaded;
    ReadResults(reader, loaded);
    if (file.Failed()) {
        Report(status, file.Status(), JobStatusCentre::PathWithReason(path, file.Reason()));
        return {};
    }

    {
        std::lock_guard guard(params.lock);
        params.Reset();
        params.ReadSection(params_section);
        params.MakeTargetsAbsolute();
    }
    results.Reset();
    if (!loaded.present)
        return { true, false };
    CommitResults(loaded, results, status);
    return { true, true };
}

} // namespace JobLayer
