#include <core/RawLineFile.h>
#include <core/RawPath.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobBackupItemList.h>

#include <string>
#include <string_view>
#include <unordered_map>

#include <fcntl.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawEncoding;
using RawLayer::RawLineEnd;
using RawLayer::RawLineFile;
using RawLayer::RawParameterUnit;
using RawLayer::RawPath;
using RawLayer::RawSafeWrite;
using RawLayer::RawSystemText;

namespace {

// Sections by name with "a".."z" folded, the first of each name only.
using SectionMap = std::unordered_map<std::string, RawParameterList>;

std::string FoldName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

std::string ActionName(int32_t index)
{
    return "Action_" + std::to_string(index);
}

bool StaysOnLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == text.npos;
}

// A comment value on one line: its line breaks in the escaped form "%N", zero bytes dropped.
// The comment is only shown, and losing the record of a run over it would be far worse.
std::string OneLine(std::string_view text)
{
    std::string line;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == '\r' || text[pos] == '\n') {
            line += "%N";
            if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
                ++pos;
        } else if (text[pos] != '\0') {
            line += text[pos];
        }
    }
    return line;
}

void AddLine(std::string& text, std::string_view key, std::string_view value)
{
    text.append(key).append("=").append(value).append("\r\n");
}

void AddComment(std::string& text, const RawParameterList& comment)
{
    text += "[Comment]\r\n";
    for (const RawParameterUnit& unit : comment) {
        RawString key;
        RawString value;
        if (!key.Acquire(unit.key, RawEncoding::Utf8) || !value.Acquire(unit.value, RawEncoding::Utf8))
            continue;
        std::string_view name = key.View();
        // A key that would not read back as itself is left out.
        if (!StaysOnLine(name) || name.find('=') != name.npos || name.starts_with('[')
            || name.starts_with("//"))
            continue;
        AddLine(text, name, OneLine(value.View()));
    }
}

// Every section of the file at `path`. The lines are taken as the bytes in the file: paths are
// bytes, written as they are, and must come back unchanged. A last line without its line end
// is the torn tail of an interrupted append and is dropped.
bool ReadSections(const RawString& path, int32_t line_limit, SectionMap& sections)
{
    RawLineFile file;
    if (!file.OpenRead(path, line_limit, RawEncoding::Binary))
        return false;
    RawString line;
    RawParameterList* current = nullptr;
    bool first = true;
    while (file.ReadLine(line)) {
        std::string_view raw = file.RawLine();
        if (first && raw.starts_with("\xEF\xBB\xBF"))
            raw.remove_prefix(3);
        first = false;
        if (file.LineEnd() == RawLineEnd::None)
            break;
        if (raw.starts_with('[')) {
            std::size_t last = raw.size() >= 2 ? raw.rfind(']') : raw.npos;
            std::string_view name = raw.substr(1, last != raw.npos && last > 0 ? last - 1 : raw.npos);
            auto [entry, added] = sections.try_emplace(FoldName(name));
            current = added ? &entry->second : nullptr;
        } else if (current != nullptr && !raw.empty() && !raw.starts_with("//")) {
            current->AddEntries(RawString(raw, RawEncoding::Utf8));
        }
    }
    return !file.Failed();
}

// The item one section describes; false for a section that cannot be one: without "Source" or
// "Destin", or with a "Destin" that is not a plain name inside the set folder.
bool ReadItem(const RawParameterList& section, JobBackupItemUnit& item)
{
    const RawParameterUnit* source = section.Find("Source");
    const RawParameterUnit* destin = section.Find("Destin");
    if (source == nullptr || destin == nullptr)
        return false;
    std::string_view name = destin->value.View();
    if (name.find('/') != name.npos || name == "." || name == "..")
        return false;
    item.SetKind(JobBackupItemUnit::KindFromName(section.GetText("InfoType", "")));
    item.SetSource(source->value);
    item.SetBackupName(destin->value);
    item.SetTimeParts(static_cast<uint32_t>(section.GetInteger("TimeL", 0)),
        static_cast<uint32_t>(section.GetInteger("TimeH", 0)));
    return true;
}

// Writes all of `text` to `fd` with the file's own line form (UTF-8 without a mark).
bool WriteAll(int fd, std::string_view text)
{
    RawLineFile out;
    bool written = out.AttachWrite(fd, RawEncoding::Utf8, false) && out.WriteRaw(text);
    return out.Close() && written;
}

} // namespace

void JobBackupItemList::SetFolder(const RawString& folder)
{
    folder_ = folder;
    ini_path_ = folder.IsEmpty() ? RawString() : RawPath::Join(folder, "Backup.ini");
    saved_count_ = -1;
}

JobBackupItemUnit& JobBackupItemList::AddItem()
{
    JobBackupItemUnit& item = Emplace();
    item.SetFolder(folder_);
    return item;
}

bool JobBackupItemList::AppendSection(std::string& text, int32_t index, const JobBackupItemUnit& item)
{
    RawSystemText source(item.Source());
    RawSystemText destin(item.BackupName());
    if (!source.IsValid() || !destin.IsValid() || !StaysOnLine(source.View()) || !StaysOnLine(destin.View()))
        return false;
    text.append("[").append(ActionName(index)).append("]\r\n");
    AddLine(text, "InfoType", JobBackupItemUnit::KindName(item.ItemKind()).View());
    AddLine(text, "Source", source.View());
    AddLine(text, "Destin", destin.View());
    AddLine(text, "TimeH", std::to_string(item.TimeHigh()));
    AddLine(text, "TimeL", std::to_string(item.TimeLow()));
    return true;
}

bool JobBackupItemList::Save()
{
    if (ini_path_.IsEmpty())
        return false;
    return saved_count_ >= 0 && Count() > saved_count_ ? AppendNew() : Rewrite();
}

bool JobBackupItemList::Rewrite()
{
    std::string text;
    AddComment(text, comment_);
    int32_t sections = 0;
    bool complete = true;
    for (const JobBackupItemUnit& item : *this) {
        if (AppendSection(text, sections, item))
            ++sections;
        else
            complete = false;
    }
    saved_count_ = -1;
    RawSafeWrite write(ini_path_);
    if (!write.Open() || !WriteAll(write.Fd(), text) || !write.Commit())
        return false;
    saved_count_ = Count();
    section_count_ = sections;
    return complete;
}

bool JobBackupItemList::AppendNew()
{
    // Walk back from the end to the first item not yet in the file, so each save costs only
    // what it adds.
    auto item = end();
    for (int32_t index = Count(); index > saved_count_; --index)
        --item;
    std::string text;
    int32_t sections = section_count_;
    bool complete = true;
    for (; item != end(); ++item) {
        if (AppendSection(text, sections, *item))
            ++sections;
        else
            complete = false;
    }
    if (text.empty()) {
        saved_count_ = Count();
        return complete;
    }
    RawSystemText path(ini_path_);
    int fd = path.IsValid() ? open(path.CStr(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC) : -1;
    bool appended = fd >= 0 && WriteAll(fd, text) && fdatasync(fd) == 0;
    if (fd >= 0 && close(fd) != 0)
        appended = false;
    if (!appended) {
        // The file may now end in a torn section; only a whole new file is sure to be right.
        saved_count_ = -1;
        return Rewrite();
    }
    saved_count_ = Count();
    section_count_ = sections;
    return complete;
}

bool JobBackupItemList::Load()
{
    Clear();
    // A fresh list, not Clear: a comment handed out earlier shares the old body.
    comment_ = RawParameterList();
    saved_count_ = -1;
    SectionMap sections;
    if (ini_path_.IsEmpty() || !ReadSections(ini_path_, kLineLimit, sections))
        return false;
    if (auto comment = sections.find("COMMENT"); comment != sections.end())
        comment_ = comment->second;
    for (int32_t index = 0;; ++index) {
        auto section = sections.find(FoldName(ActionName(index)));
        if (section == sections.end())
            break;
        JobBackupItemUnit& item = AddItem();
        if (!ReadItem(section->second, item))
            Remove(--end());
    }
    return true;
}

} // namespace JobLayer
