#include <engine/JobResultSet.h>

#include <memory>

namespace JobLayer {

uint16_t JobResultSet::Flags() const
{
    std::lock_guard guard(lock);
    return flags_;
}

bool JobResultSet::HasFlag(uint16_t flags) const
{
    return (Flags() & flags) != 0;
}

void JobResultSet::SetFlags(uint16_t flags)
{
    std::lock_guard guard(lock);
    flags_ |= flags;
}

void JobResultSet::ClearFlags(uint16_t flags)
{
    std::lock_guard guard(lock);
    flags_ = static_cast<uint16_t>(flags_ & ~flags);
}

void JobResultSet::Reset()
{
    std::lock_guard guard(lock);
    std::lock_guard list_guard(blocks.lock);
    flags_ = 0;
    blocks.Clear();
    current_target_.Clear();
    current_folder_.Clear();
    files_searched_ = 0;
    block_tick_ = 0;
}

RawString JobResultSet::CurrentTarget() const
{
    std::lock_guard guard(lock);
    return current_target_;
}

RawString JobResultSet::CurrentFolder() const
{
    std::lock_guard guard(lock);
    return current_folder_;
}

void JobResultSet::StartTarget(const RawString& target)
{
    std::lock_guard guard(lock);
    current_target_ = target;
    current_folder_ = target;
}

void JobResultSet::SetCurrentFolder(const RawString& folder)
{
    std::lock_guard guard(lock);
    current_folder_ = folder;
}

int32_t JobResultSet::FilesSearched() const
{
    std::lock_guard guard(lock);
    return files_searched_;
}

void JobResultSet::AddFileSearched()
{
    std::lock_guard guard(lock);
    ++files_searched_;
}

void JobResultSet::SetFilesSearched(int32_t count)
{
    std::lock_guard guard(lock);
    files_searched_ = count;
}

uint8_t JobResultSet::BlockTick() const
{
    std::lock_guard guard(lock);
    return block_tick_;
}

bool JobResultSet::AdvanceBlockTick()
{
    std::lock_guard guard(lock);
    ++block_tick_;
    return block_tick_ == 0;
}

int64_t JobResultSet::AdvanceBlockTicks(int64_t count)
{
    std::lock_guard guard(lock);
    int64_t total = block_tick_ + count;
    block_tick_ = static_cast<uint8_t>(total);
    return total / 256;
}

JobBlockUnit& JobResultSet::AddFoundBlock(const JobFoundBlock& found, const RawString& file_line_end_seen,
    const JobHitMulti& hits, int32_t block_line_count)
{
    // Filled before it is linked, so no other thread sees a half-filled block, and outside the
    // locks, so the window never waits for the file's time to be read. Only the search thread
    // changes the current target, so it cannot change in between.
    auto block = std::make_unique<JobBlockUnit>();
    RawString base = CurrentTarget();
    bool same_file = found.path.Equals(last_path_) && base.Equals(last_base_);
    block->Fill(
        found, file_line_end_seen, hits, block_line_count, base, same_file ? &last_display_ : nullptr);
    if (!same_file) {
        last_path_ = found.path;
        last_base_ = base;
        last_display_ = block->display_name;
    }
    std::lock_guard guard(lock);
    std::lock_guard list_guard(blocks.lock);
    return *blocks.Append(block.release());
}

void JobResultSet::SetFileEncoding(const RawString& path, RawEncoding encoding)
{
    std::lock_guard guard(lock);
    std::lock_guard list_guard(blocks.lock);
    for (auto it = blocks.end(); it != blocks.begin();) {
        --it;
        if (!it->file_path.Equals(path))
            break;
        it->file_encoding = encoding;
    }
}

int32_t JobResultSet::MarkFileFailed(const RawString& path, uint32_t status_id)
{
    std::lock_guard guard(lock);
    std::lock_guard list_guard(blocks.lock);
    int32_t marked = 0;
    for (auto it = blocks.end(); it != blocks.begin();) {
        --it;
        if (!it->file_path.Equals(path))
            break;
        it->status_id = status_id;
        it->ChangeFlags(JobBlockUnit::kLng | JobBlockUnit::kUpd, JobBlockUnit::kChk);
        ++marked;
    }
    return marked;
}

} // namespace JobLayer
