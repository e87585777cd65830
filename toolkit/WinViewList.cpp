#include <toolkit/WinView.h>
#include <toolkit/WinViewList.h>

namespace WinLayer {

WinViewList::WinViewList(uint16_t first_id)
    : first_id_(first_id)
    , next_id_(first_id)
{
}

uint16_t WinViewList::Add(WinView& view)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (WinView& entry : views_) {
        if (&entry == &view)
            return 0;
    }
    // Starting again when the list is empty keeps identifiers stable over repeated showings
    // of a dialog and keeps them from running out of their 16 bits.
    if (views_.IsEmpty())
        next_id_ = first_id_;
    uint16_t id = next_id_++;
    if (next_id_ == 0)
        next_id_ = first_id_;
    views_.Append(&view);
    return id;
}

bool WinViewList::Remove(WinView& view)
{
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = views_.begin(); it != views_.end(); ++it) {
        if (&*it == &view) {
            views_.Remove(it);
            return true;
        }
    }
    return false;
}

bool WinViewList::Contains(const WinView& view) const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (const WinView& entry : views_) {
        if (&entry == &view)
            return true;
    }
    return false;
}

WinView* WinViewList::FindByWindow(HostHandle window) const
{
    if (window == 0)
        return nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    for (WinView& entry : views_) {
        if (entry.Window() == window)
            return &entry;
    }
    return nullptr;
}

WinView* WinViewList::FindById(uint16_t id) const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (WinView& entry : views_) {
        if (entry.Id() == id)
            return &entry;
    }
    return nullptr;
}

int32_t WinViewList::Count() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return views_.Count();
}

uint16_t WinViewList::NextId() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return views_.IsEmpty() ? first_id_ : next_id_;
}

std::vector<WinView*> WinViewList::Snapshot() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<WinView*> views;
    views.reserve(static_cast<size_t>(views_.Count()));
    for (WinView& entry : views_)
        views.push_back(&entry);
    return views;
}

} // namespace WinLayer
