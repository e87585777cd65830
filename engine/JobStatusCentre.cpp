#include <core/RawLineFile.h>
#include <engine/JobStatusCentre.h>

#include <algorithm>

namespace JobLayer {

JobStatusCentre& JobStatusCentre::Instance()
{
    static JobStatusCentre centre;
    return centre;
}

JobStatusUnit JobStatusCentre::MakeEntry(
    JobStatusUnit::Kind kind, const RawString& text, const RawString& path)
{
    return JobStatusUnit(JobStatusUnit::NewId(), kind, text, path);
}

namespace {

RawString ErrorText(int state)
{
    std::string_view text = RawLayer::RawLineFile::StatusText(state);
    // States 0 to 3 are no failure and have no text; an entry made for one is still an error.
    if (text.empty())
        text = "Unknown error";
    return RawString(text, RawLayer::RawEncoding::Utf8);
}

} // namespace

JobStatusUnit JobStatusCentre::MakeErrorEntry(int state, const RawString& path)
{
    return MakeEntry(JobStatusUnit::kError, ErrorText(state), path);
}

RawString JobStatusCentre::PathWithReason(const RawString& path, std::string_view reason)
{
    RawString detail = path;
    if (!reason.empty()) {
        detail.AppendUnits(": ");
        detail.AppendUnits(reason);
    }
    return detail;
}

JobStatusUnit JobStatusCentre::MakeLineErrorEntry(int state, int64_t line_number, const RawString& path)
{
    RawString text = ErrorText(state);
    text.AppendUnits(" [line=");
    text.AppendNumber(line_number);
    text.AppendUnits("]");
    return MakeEntry(JobStatusUnit::kError, text, path);
}

bool JobStatusCentre::AddEntry(const JobStatusUnit& entry)
{
    if (!IsAccepting())
        return false;
    {
        std::lock_guard guard(list_.lock);
        list_.Emplace(entry);
    }
    std::lock_guard guard(second_lock_);
    if (accepting_ != 0 && sink_ != nullptr)
        sink_->Post(JobNotificationSink::kStatusAdded);
    return true;
}

void JobStatusCentre::SetAccepting(bool accepting)
{
    std::lock_guard guard(second_lock_);
    accepting_ = accepting ? 1 : 0;
}

bool JobStatusCentre::IsAccepting() const
{
    std::lock_guard guard(second_lock_);
    return accepting_ != 0;
}

void JobStatusCentre::SetSink(JobNotificationSink* sink)
{
    std::lock_guard guard(second_lock_);
    sink_ = sink;
}

std::optional<JobStatusUnit> JobStatusCentre::Find(uint32_t id) const
{
    std::lock_guard guard(list_.lock);
    // Lookups are mostly for recent entries, so the walk starts at the newest.
    for (auto it = list_.end(); it != list_.begin();) {
        --it;
        if (it->id == id)
            return *it;
    }
    return std::nullopt;
}

int32_t JobStatusCentre::Count() const
{
    std::lock_guard guard(list_.lock);
    return list_.Count();
}

std::vector<JobStatusUnit> JobStatusCentre::Entries(int32_t first) const
{
    std::lock_guard guard(list_.lock);
    // Viewers ask for the few entries they have not shown yet: walk back from the newest.
    std::vector<JobStatusUnit> entries;
    int32_t wanted = list_.Count() - std::max(first, 0);
    auto position = list_.end();
    for (int32_t i = 0; i < wanted; ++i)
        entries.push_back(*--position);
    std::reverse(entries.begin(), entries.end());
    return entries;
}

uint32_t JobStatusCentre::NewIdFor(uint32_t old_id) const
{
    std::lock_guard guard(second_lock_);
    return old_ids_.NewIdFor(old_id);
}

void JobStatusCentre::RecordOldId(uint32_t old_id, uint32_t new_id)
{
    std::lock_guard guard(second_lock_);
    old_ids_.Record(old_id, new_id);
}

void JobStatusCentre::ClearOldIds()
{
    std::lock_guard guard(second_lock_);
    old_ids_.Clear();
}

} // namespace JobLayer
