#pragma once

// The untyped handle part of every list. Lists are doubly linked rings with a sentinel node in a
// body that handles share: copying a handle shares the body (lists have no copy on write), and
// the last handle to go releases every element through its allocator exactly once.

#include <core/RawListProperty.h>

#include <atomic>
#include <cstdint>

namespace RawLayer {

class RawListSort;

struct RawListNode {
    RawListNode* prev;
    RawListNode* next;
    void* element; // the sentinel's points at the sentinel itself, marking the end
};

class RawListBody {
public:
    RawListBody(const RawListBody&) = delete;
    RawListBody& operator=(const RawListBody&) = delete;

    int32_t Count() const { return shared_->count; }
    bool IsEmpty() const { return shared_->count == 0; }
    uint8_t Flag() const { return flag_; }
    void SetFlag(uint8_t flag) { flag_ = flag; }
    bool SharesBodyWith(const RawListBody& other) const { return shared_ == other.shared_; }
    int32_t ExtraReferences() const { return shared_->extra_references.load(); }

    RawListNode* Sentinel() const { return &shared_->sentinel; }
    RawListNode* FirstNode() const { return shared_->sentinel.next; }
    RawListNode* LastNode() const { return shared_->sentinel.prev; }
    static bool IsEnd(const RawListNode* node) { return node->element == node; }

    // Unlinks `node`, frees it and hands its element to the allocator.
    void RemoveNode(RawListNode* node);
    // Removes every element.
    void Clear();
    // Sorts the elements in place with `sorter` (see RawListSort).
    void Sort(const RawListSort& sorter);

protected:
    explicit RawListBody(RawListProperty::Allocator* allocator);
    // Shares `other`'s body; the flag is copied too.
    RawListBody(const RawListBody& other, RawListProperty::Allocator* allocator);
    ~RawListBody() = default;

    // Lets go of the body, releasing the elements if this was the last handle. The typed list
    // calls it from its own destructor, while its allocator is still whole.
    void Detach();
    // Lets go of the current body and shares `other`'s.
    void ShareFrom(const RawListBody& other);
    RawListNode* LinkBefore(RawListNode* position, void* element);

private:
    struct Shared {
        Shared() { sentinel.prev = sentinel.next = &sentinel, sentinel.element = &sentinel; }
        // Handles beyond the first. An atomic stands in for the body lock: it guards only the count.
        std::atomic<int32_t> extra_references { 0 };
        RawListNode sentinel;
        int32_t count = 0;
    };
    Shared* shared_;
    RawListProperty::Allocator* allocator_;
    uint8_t flag_ = 0;
};

} // namespace RawLayer
