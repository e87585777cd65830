#include <engine/JobFileRecord.h>

#include <iterator>

#include <unistd.h>

namespace JobLayer {

JobFileRecord::JobFileRecord(
    const RawString& path, int fd, int open_error, const std::atomic<bool>& stop, Owner& owner)
    : path_(path)
    , fd_(fd)
    , open_error_(open_error)
    , stop_(stop)
    , owner_(owner)
{
}

// A record dropped before its search (a stopped search) still owns its descriptor.
JobFileRecord::~JobFileRecord()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void JobFileRecord::Search(JobFileSearch& search)
{
    int fd = fd_;
    fd_ = -1;
    outcome_ = search.Search(fd, open_error_, path_, *this);
    cut_ = stop_.load();
}

void JobFileRecord::BlockFound(
    const JobFoundBlock& block, const RawString& file_line_end, const JobHitMulti& hits, int32_t line_count)
{
    // The block's text may lie in the reader's buffer: the copy owns it.
    steps_.emplace_back(Found { block, file_line_end, hits, line_count });
    constexpr int64_t kStepBytes = 160;
    held_bytes_ += kStepBytes + block.text.Length() * (block.text.Encoding() == RawEncoding::Utf16 ? 2 : 1);
    if (held_bytes_ >= kChunkBytes)
        owner_.ChunkFull(*this);
}

void JobFileRecord::BlockDone(int64_t index)
{
    AddDone(index, 1);
}

// A stop keeps the blocks out, as it would from the second on.
void JobFileRecord::BlocksDone(int64_t first, int64_t count)
{
    if (count > 0 && !IsStopRequested())
        AddDone(first, count);
}

// Blocks that follow the last run of blocks done extend it.
void JobFileRecord::AddDone(int64_t first, int64_t count)
{
    if (!steps_.empty()) {
        if (Done* last = std::get_if<Done>(&steps_.back());
            last != nullptr && last->first + last->count == first) {
            last->count += count;
            return;
        }
    }
    steps_.emplace_back(Done { first, count });
}

void JobFileRecord::Publish()
{
    if (published_.empty()) {
        published_.swap(steps_);
    } else {
        published_.insert(
            published_.end(), std::make_move_iterator(steps_.begin()), std::make_move_iterator(steps_.end()));
        steps_.clear();
    }
    published_bytes_ += held_bytes_;
    held_bytes_ = 0;
}

void JobFileRecord::TakeSteps(std::vector<Step>& steps)
{
    steps.clear();
    steps.swap(published_);
    published_bytes_ = 0;
}

void JobFileRecord::Deliver(const std::vector<Step>& steps, JobFindHandler& handler)
{
    for (const Step& step : steps) {
        if (const Found* found = std::get_if<Found>(&step)) {
            handler.BlockFound(found->block, found->file_line_end, found->hits, found->line_count);
        } else {
            const Done& done = std::get<Done>(step);
            handler.BlocksDone(done.first, done.count);
        }
    }
}

} // namespace JobLayer
