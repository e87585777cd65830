#include <core/RawFd.h>
#include <core/RawLineFile.h>
#include <core/RawPath.h>
#include <core/RawRecordFile.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobBackupItemList.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawEncoding;
using RawLayer::RawFd;
using RawLayer::RawLineEnd;
using RawLayer::RawLineFile;
using RawLayer::RawParameterUnit;
using RawLayer::RawPath;
using RawLayer::RawRecordFile;
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
// is the torn tail of an interrupted append and is dropped. The record is the store's own: a
// regular file, no link, bounded in size, and, like its folder, nobody else's to write.
bool ReadSections(const RawString& path, int32_t line_limit, SectionMap& sections, std::string& reason)
{
    RawLineFile file;
    file.SetOpenMode(RawLineFile::OpenMode::RegularNoLink, RawRecordFile::kRecordLimit);
    if (!file.OpenRead(path, line_limit, RawEncoding::Binary)) {
        reason = file.Reason();
        return false;
    }
    struct stat info { };
    if (fstat(file.Descriptor(), &info) != 0 || info.st_uid != geteuid()
        || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        reason = "owned or writable by another user";
        return false;
    }
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
    reason = file.Reason();
    return !file.Failed();
}

// A stored decimal number of up to 64 bits; nothing when the key is missing or malformed.
std::optional<uint64_t> ReadNumber(const RawParameterList& section, const char* key)
{
    const RawParameterUnit* unit = section.Find(RawString(key, RawEncoding::Utf8));
    if (unit == nullptr || unit->value.IsEmpty())
        return std::nullopt;
    uint64_t value = 0;
    for (char c : unit->value.View()) {
        if (c < '0' || c > '9' || value > (UINT64_MAX - 9) / 10)
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
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
    std::optional<uint64_t> device = ReadNumber(section, "Device");
    std::optional<uint64_t> inode = ReadNumber(section, "Inode");
    if (device && inode)
        item.SetIdentity(*device, *inode);
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

std::vector<JobUndoUnit*> JobBackupItemList::Units()
{
    std::vector<JobUndoUnit*> units;
    units.reserve(static_cast<std::size_t>(Count()));
    for (JobBackupItemUnit& item : *this)
        units.push_back(&item);
    return units;
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
    // Added after the first version; readers that do not know them pass them over.
    if (item.HasIdentity()) {
        AddLine(text, "Device", std::to_string(item.Device()));
        AddLine(text, "Inode", std::to_string(item.Inode()));
    }
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
    // Appended only to the regular file this list wrote: O_NONBLOCK keeps a pipe put in its
    // place from blocking the open.
    RawFd fd
        = path.IsValid() ? RawFd::Open(path.CStr(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK) : RawFd();
    struct stat info { };
    bool appended = fd.IsOpen() && fstat(fd.Get(), &info) == 0 && S_ISREG(info.st_mode)
        && WriteAll(fd.Get(), text) && fdatasync(fd.Get()) == 0;
    if (fd.Close() != 0)
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
    load_error_.clear();
    SectionMap sections;
    RawSystemText path(ini_path_);
    struct stat info { };
    // A record that is not there is no problem of the record: the set has no items.
    if (ini_path_.IsEmpty() || (lstat(path.CStr(), &info) != 0 && errno == ENOENT))
        return false;
    if (!ReadSections(ini_path_, kLineLimit, sections, load_error_))
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
