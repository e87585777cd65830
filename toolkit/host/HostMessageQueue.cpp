#include <toolkit/host/detail/HostMessageQueue.h>

#include <SDL.h>

namespace WinLayer {

void HostMessageQueue::Open(uint32_t wake_event_type)
{
    std::lock_guard lock(mutex_);
    open_ = true;
    wake_pending_ = false;
    wake_type_ = wake_event_type;
}

void HostMessageQueue::Close()
{
    std::deque<Entry> dropped;
    {
        std::lock_guard lock(mutex_);
        open_ = false;
        dropped.swap(entries_);
    }
    for (Entry& entry : dropped) {
        if (entry.raw)
            FreePayload(entry.event);
    }
}

bool HostMessageQueue::IsOpen()
{
    std::lock_guard lock(mutex_);
    return open_;
}

bool HostMessageQueue::Post(const HostMessage& message)
{
    std::lock_guard lock(mutex_);
    if (!open_)
        return false;
    Entry entry;
    entry.message = message;
    entries_.push_back(entry);
    // One wake event at a time is enough: the loop takes every entry once it runs. The event is
    // pushed under the lock so that Close (before SDL ends) cannot overtake it.
    if (!wake_pending_) {
        SDL_Event wake {};
        wake.type = wake_type_;
        wake_pending_ = SDL_PushEvent(&wake) == 1;
    }
    return true;
}

void HostMessageQueue::PushRaw(const SDL_Event& event)
{
    std::lock_guard lock(mutex_);
    Entry entry;
    entry.raw = true;
    entry.event = event;
    entries_.push_back(entry);
}

bool HostMessageQueue::Pop(Entry& entry)
{
    std::lock_guard lock(mutex_);
    if (entries_.empty())
        return false;
    entry = entries_.front();
    entries_.pop_front();
    return true;
}

bool HostMessageQueue::Empty()
{
    std::lock_guard lock(mutex_);
    return entries_.empty();
}

void HostMessageQueue::WakeTaken()
{
    std::lock_guard lock(mutex_);
    wake_pending_ = false;
}

void HostMessageQueue::FreePayload(SDL_Event& event)
{
    switch (event.type) {
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
        SDL_free(event.drop.file);
        event.drop.file = nullptr;
        break;
    case SDL_TEXTEDITING_EXT:
        SDL_free(event.editExt.text);
        event.editExt.text = nullptr;
        break;
    default:
        break;
    }
}

} // namespace WinLayer
