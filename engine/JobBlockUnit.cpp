#include <core/RawPath.h>
#include <core/RawSystemText.h>
#include <engine/JobBlockUnit.h>

#include <cassert>

#include <sys/stat.h>

namespace JobLayer {

namespace {

// The file's last-write time in 100-ns ticks since 1601; 0 when it cannot be read (apply then
// sees a changed file rather than trusting a time it never had).
uint64_t CurrentFileTime(const RawString& path)
{
    RawLayer::RawSystemText system_path(path);
    struct stat info { };
    if (!system_path.IsValid() || stat(system_path.CStr(), &info) != 0)
        return 0;
    return RawLayer::RawPath::TicksFromTimespec(info.st_mtim);
}

// Position just after the last "/" of `path`, or 0 when it has none.
int32_t AfterLastSeparator(const RawString& path)
{
    return path.FindLastOf("/") + 1;
}

} // namespace

JobBlockUnit::JobBlockUnit(const JobBlockUnit& other)
    : JobColumnTextHandler(other)
{
    CopyFields(other);
    StoreFlags(other.Flags());
}

JobBlockUnit& JobBlockUnit::operator=(const JobBlockUnit& other)
{
    if (this != &other) {
        CopyFields(other);
        StoreFlags(other.Flags());
    }
    return *this;
}

void JobBlockUnit::CopyFields(const JobBlockUnit& other)
{
    file_path = other.file_path;
    display_name = other.display_name;
    file_time = other.file_time;
    line_number = other.line_number;
    line_count = other.line_count;
    original = other.original;
    replaced = other.replaced;
    line_end = other.line_end;
    file_line_end = other.file_line_end;
    file_encoding = other.file_encoding;
    byte_order_mark = other.byte_order_mark;
    hit_record = other.hit_record;
    hit_replaced = other.hit_replaced;
    replace_stamp = other.replace_stamp;
    status_id = other.status_id;
    base_path = other.base_path;
}

uint16_t JobBlockUnit::Flags() const
{
    std::lock_guard guard(lock_);
    return flags_;
}

bool JobBlockUnit::HasFlag(uint16_t flags) const
{
    return (Flags() & flags) != 0;
}

void JobBlockUnit::SetFlags(uint16_t flags)
{
    ChangeFlags(flags, 0);
}

void JobBlockUnit::ClearFlags(uint16_t flags)
{
    ChangeFlags(0, flags);
}

uint16_t JobBlockUnit::ChangeFlags(uint16_t to_set, uint16_t to_clear)
{
    std::lock_guard guard(lock_);
    flags_ = static_cast<uint16_t>((flags_ & ~to_clear) | to_set);
    return flags_;
}

void JobBlockUnit::StoreFlags(uint16_t flags)
{
    std::lock_guard guard(lock_);
    flags_ = flags;
}

bool JobBlockUnit::ToggleCheckByUser()
{
    std::lock_guard guard(lock_);
    if ((flags_ & (kLng | kApl)) != 0)
        return false;
    flags_ ^= kChk;
    return true;
}

bool JobBlockUnit::SetCheckedByUser(bool checked)
{
    std::lock_guard guard(lock_);
    if ((flags_ & (kLng | kApl)) != 0 || ((flags_ & kChk) != 0) == checked)
        return false;
    flags_ ^= kChk;
    return true;
}

RawString JobBlockUnit::ColumnText(int32_t column) const
{
    switch (column) {
    case kColumnCheck:
        return {};
    case kColumnFile:
        return display_name;
    case kColumnLine:
        return RawString::Number(line_number);
    case kColumnText:
        return original;
    default:
        assert(!"no such column");
        return {};
    }
}

bool JobBlockUnit::IsChecked() const
{
    return HasFlag(kChk);
}

RawColour JobBlockUnit::BackgroundColour() const
{
    uint16_t flags = Flags();
    if ((flags & (kLng | kAfl)) != 0)
        return kColourFailed;
    if ((flags & kOvw) != 0)
        return kColourOverlap;
    if ((flags & kApl) != 0)
        return kColourApplied;
    if ((flags & kChk) == 0)
        return kColourUnchecked;
    return kWindowBackground;
}

void JobBlockUnit::Fill(const JobFoundBlock& found, const RawString& file_line_end_seen,
    const JobHitMulti& hits, int32_t block_line_count, const RawString& base, const RawString* display)
{
    StoreFlags(kChk);
    file_path = found.path;
    // The time of the file that was read, when the reader knew it: the path may no longer
    // lead to it, or be too long to be looked up whole.
    file_time = found.file_time != 0 ? found.file_time : CurrentFileTime(found.path);
    line_number = static_cast<int32_t>(found.index + 1);
    line_count = block_line_count;
    original = found.text;
    replaced.Clear();
    line_end = found.line_end;
    file_line_end = file_line_end_seen.IsEmpty() ? RawString("\r\n") : file_line_end_seen;
    file_encoding = found.encoding == RawEncoding::NoSet ? RawEncoding::Utf8 : found.encoding;
    byte_order_mark = found.mark ? 1 : 0;
    hit_record = hits;
    hit_replaced = JobHitMulti();
    replace_stamp = 0;
    status_id = 0;
    base_path = base;
    if (display != nullptr)
        display_name = *display;
    else
        UpdateDisplayTexts();
}

void JobBlockUnit::UpdateDisplayTexts()
{
    display_name = DisplayName(file_path, base_path);
}

RawString JobBlockUnit::DisplayName(const RawString& file_path, const RawString& base)
{
    // A base without any "/" (a relative target such as "src") has no folder part to drop.
    int32_t start = AfterLastSeparator(base);
    RawString name = file_path.Substring(start, file_path.Length());
    if (name.IsEmpty())
        name = file_path.Substring(AfterLastSeparator(file_path), file_path.Length());
    return name;
}

} // namespace JobLayer
