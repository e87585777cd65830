#include <core/RawListBody.h>
#include <core/RawListSort.h>

namespace RawLayer {

RawListBody::RawListBody(RawListProperty::Allocator* allocator)
    : shared_(new Shared)
    , allocator_(allocator)
{
}

RawListBody::RawListBody(const RawListBody& other, RawListProperty::Allocator* allocator)
    : shared_(other.shared_)
    , allocator_(allocator)
    , flag_(other.flag_)
{
    shared_->extra_references.fetch_add(1, std::memory_order_relaxed);
}

void RawListBody::Detach()
{
    if (shared_ == nullptr)
        return;
    Shared* shared = shared_;
    shared_ = nullptr;
    if (shared->extra_references.fetch_sub(1, std::memory_order_acq_rel) != 0)
        return;
    // Last handle: unlink from the front, free each node, release its element once.
    while (shared->sentinel.next != &shared->sentinel) {
        RawListNode* node = shared->sentinel.next;
        node->next->prev = &shared->sentinel;
        shared->sentinel.next = node->next;
        void* element = node->element;
        delete node;
        allocator_->Release(element);
    }
    delete shared;
}

void RawListBody::ShareFrom(const RawListBody& other)
{
    if (shared_ == other.shared_)
        return;
    other.shared_->extra_references.fetch_add(1, std::memory_order_relaxed);
    Detach();
    shared_ = other.shared_;
    flag_ = other.flag_;
}

RawListNode* RawListBody::LinkBefore(RawListNode* position, void* element)
{
    auto* node = new RawListNode { position->prev, position, element };
    position->prev->next = node;
    position->prev = node;
    ++shared_->count;
    return node;
}

void RawListBody::RemoveNode(RawListNode* node)
{
    if (IsEnd(node))
        return;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    --shared_->count;
    void* element = node->element;
    delete node;
    allocator_->Release(element);
}

void RawListBody::Clear()
{
    while (!IsEmpty())
        RemoveNode(FirstNode());
}

void RawListBody::Sort(const RawListSort& sorter)
{
    sorter.SortNodes(Sentinel());
}

} // namespace RawLayer
