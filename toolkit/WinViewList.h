#pragma once

// A locked, ordered list of views: a dialog's children (their order is the focus order) or the
// process-wide list of root dialogs. Adding a view hands out the next control identifier. The
// lock lets a job thread look a dialog up while the user-interface thread changes the list; the
// views themselves are not owned.

#include <core/RawListR.h>
#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace WinLayer {

class WinView;

// Releasing an entry leaves the view alone: views belong to their dialogs or to the program.
class WinViewListAllocator : public RawLayer::RawListAllocator<WinView> {
public:
    void Delete(WinView*) override { }
};

class WinViewList {
public:
    // First identifiers of the root list and of a dialog's list.
    static constexpr uint16_t kRootFirstId = 2000;
    static constexpr uint16_t kDialogFirstId = 2500;

    explicit WinViewList(uint16_t first_id);
    WinViewList(const WinViewList&) = delete;
    WinViewList& operator=(const WinViewList&) = delete;

    // Appends `view` and returns the identifier it gets: the first identifier, then one more for
    // each view added. An empty list starts again from the first identifier, so a dialog shown
    // again gives its children the same identifiers. Returns 0 when the view is in the list.
    uint16_t Add(WinView& view);
    // Removes `view`; false when it was not in the list.
    bool Remove(WinView& view);
    bool Contains(const WinView& view) const;

    // The first view whose window / control identifier matches, or nullptr.
    WinView* FindByWindow(HostHandle window) const;
    WinView* FindById(uint16_t id) const;

    int32_t Count() const;
    uint16_t FirstId() const { return first_id_; }
    uint16_t NextId() const;
    // The views in order, copied under the lock (for walks that call into the views).
    std::vector<WinView*> Snapshot() const;

private:
    mutable std::mutex lock_;
    RawLayer::RawListR<WinViewListAllocator, WinView> views_;
    const uint16_t first_id_;
    uint16_t next_id_;
};

} // namespace WinLayer
