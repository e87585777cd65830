#include <engine/JobSearchPool.h>

#include <chrono>

namespace JobLayer {

JobSearchPool::JobSearchPool(int32_t threads, const JobFileSearch::Settings& settings, JobMatchLimits limits,
    JobFindHandler& handler, JobStatusCentre& status, FileEnd file_end)
    : handler_(handler)
    , status_(status)
    , file_end_(std::move(file_end))
{
    limits.stop = &stop_;
    for (int32_t i = 0; i < threads; ++i)
        searches_.push_back(std::make_unique<JobFileSearch>(settings, limits));
    for (size_t i = 0; i < searches_.size(); ++i)
        workers_.emplace_back([this, i] { WorkerMain(i); });
}

JobSearchPool::~JobSearchPool()
{
    stop_.store(true);
    StopWorkers();
}

void JobSearchPool::StopWorkers()
{
    {
        std::lock_guard guard(lock_);
        ending_ = true;
    }
    work_ready_.notify_all();
    taken_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
}

void JobSearchPool::AddFolder(const RawString& folder, int32_t depth)
{
    auto item = std::make_unique<Item>(Item::Kind::Folder);
    item->path = folder;
    item->depth = depth;
    Add(std::move(item));
}

void JobSearchPool::AddEntry(const JobStatusUnit& entry)
{
    auto item = std::make_unique<Item>(Item::Kind::Entry);
    item->entry = entry;
    Add(std::move(item));
}

void JobSearchPool::AddFile(const RawString& path, int fd, int open_error)
{
    auto item = std::make_unique<Item>(Item::Kind::File);
    JobFileRecord::Owner& owner = *this;
    item->record = std::make_unique<JobFileRecord>(path, fd, open_error, stop_, owner);
    Add(std::move(item));
}

void JobSearchPool::Add(std::unique_ptr<Item> item)
{
    std::unique_lock lock(lock_);
    if (item->kind == Item::Kind::File) {
        queue_.push_back(item.get());
        work_ready_.notify_one();
    }
    window_.push_back(std::move(item));
    Release(lock, kWindow);
}

bool JobSearchPool::IsStopRequested()
{
    if (!stop_seen_ && handler_.IsStopRequested()) {
        stop_seen_ = true;
        {
            // Taken so that no worker misses the change between its check and its wait.
            std::lock_guard guard(lock_);
            stop_.store(true);
        }
        work_ready_.notify_all();
        taken_.notify_all();
    }
    return stop_seen_;
}

// After a stop the files no worker had begun are dropped, with everything after them; the
// workers take files in walk order, so the files before them have all been searched.
void JobSearchPool::Finish()
{
    std::unique_lock lock(lock_);
    Release(lock, 0);
    // Files after a cut one may still be in a worker's hands.
    release_ready_.wait(lock, [this] { return running_ == 0; });
    queue_.clear();
    window_.clear();
    lock.unlock();
    StopWorkers();
}

void JobSearchPool::Release(std::unique_lock<std::mutex>& lock, size_t limit)
{
    constexpr auto kPoll = std::chrono::milliseconds(5);
    for (;;) {
        while (!window_.empty() && !cut_released_ && ReleaseFront(lock))
            window_.pop_front();
        if (window_.size() <= limit || cut_released_)
            return;
        const Item& front = *window_.front();
        if (stop_seen_ && front.kind == Item::Kind::File && front.state == Item::State::Queued)
            return;
        release_ready_.wait_for(lock, kPoll);
        if (!stop_seen_) {
            lock.unlock();
            (void)IsStopRequested();
            lock.lock();
        }
    }
}

bool JobSearchPool::ReleaseFront(std::unique_lock<std::mutex>& lock)
{
    Item& item = *window_.front();
    if (item.kind == Item::Kind::File)
        return ReleaseFile(item, lock);
    lock.unlock();
    if (item.kind == Item::Kind::Folder) {
        handler_.FolderEntered(item.path, item.depth);
    } else {
        // Ids count in the order the entries are added, as in a one-thread search.
        item.entry.id = JobStatusUnit::NewId();
        (void)status_.AddEntry(item.entry);
    }
    lock.lock();
    return true;
}

bool JobSearchPool::ReleaseFile(Item& item, std::unique_lock<std::mutex>& lock)
{
    if (item.state == Item::State::Queued)
        return false;
    JobFileRecord& record = *item.record;
    record.TakeSteps(steps_);
    taken_.notify_all();
    bool done = item.state == Item::State::Done;
    bool started = item.started;
    item.started = true;
    lock.unlock();
    if (!started)
        handler_.FileStarted(record.Path());
    JobFileRecord::Deliver(steps_, handler_);
    if (done) {
        JobFileSearch::Outcome& outcome = record.Outcome();
        if (outcome.failure)
            outcome.failure->id = JobStatusUnit::NewId();
        file_end_(record.Path(), outcome);
        cut_released_ = record.WasCut();
    }
    lock.lock();
    return done;
}

void JobSearchPool::WorkerMain(size_t index)
{
    std::unique_lock lock(lock_);
    for (;;) {
        work_ready_.wait(lock, [this] { return ending_ || stop_.load() || !queue_.empty(); });
        if (ending_ || stop_.load())
            return;
        Item* item = queue_.front();
        queue_.pop_front();
        item->state = Item::State::Running;
        ++running_;
        lock.unlock();
        item->record->Search(*searches_[index]);
        lock.lock();
        item->record->Publish();
        item->state = Item::State::Done;
        --running_;
        release_ready_.notify_one();
    }
}

// A file whose reports pile up behind the one first in line waits until they are taken.
void JobSearchPool::ChunkFull(JobFileRecord& record)
{
    std::unique_lock lock(lock_);
    record.Publish();
    release_ready_.notify_one();
    taken_.wait(lock, [&] { return record.PublishedBytes() < kHeldBytes || stop_.load() || ending_; });
}

} // namespace JobLayer
