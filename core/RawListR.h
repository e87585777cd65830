#pragma once

// Lists of elements held by pointer and owned through an allocator A (a RawListAllocator<T> or a
// class derived from it). Copying a list shares its body; see RawListBody.

#include <core/RawListBody.h>
#include <core/RawListSort.h>

#include <iterator>
#include <utility>

namespace RawLayer {

// Iteration over a list's elements, usable with range-for. Node() gives the position for
// InsertBefore and Remove.
template <typename T> class RawListIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = T*;
    using reference = T&;

    RawListIterator() = default;
    explicit RawListIterator(RawListNode* node)
        : node_(node)
    {
    }
    T& operator*() const { return *static_cast<T*>(node_->element); }
    T* operator->() const { return static_cast<T*>(node_->element); }
    RawListIterator& operator++()
    {
        node_ = node_->next;
        return *this;
    }
    RawListIterator operator++(int)
    {
        RawListIterator old = *this;
        node_ = node_->next;
        return old;
    }
    RawListIterator& operator--()
    {
        node_ = node_->prev;
        return *this;
    }
    bool operator==(const RawListIterator& other) const { return node_ == other.node_; }
    RawListNode* Node() const { return node_; }

private:
    RawListNode* node_ = nullptr;
};

// The typed handle part of a list of T held by pointer.
template <typename T> class RawListBodyR : public RawListBody {
public:
    using Iterator = RawListIterator<T>;

    Iterator begin() const { return Iterator(FirstNode()); }
    Iterator end() const { return Iterator(Sentinel()); }

    // Takes ownership of `element` and links it at the end; returns it.
    T* Append(T* element)
    {
        LinkBefore(Sentinel(), element);
        return element;
    }
    // Takes ownership of `element` and links it before `position`.
    T* InsertBefore(Iterator position, T* element)
    {
        LinkBefore(position.Node(), element);
        return element;
    }
    // Releases the element at `position`; returns the position after it.
    Iterator Remove(Iterator position)
    {
        RawListNode* next = position.Node()->next;
        RemoveNode(position.Node());
        return Iterator(next);
    }
    T& Front() const { return *begin(); }
    T& Back() const { return *static_cast<T*>(LastNode()->element); }
    // The element at a 0-based index, walking the ring; nullptr when out of range.
    T* At(int32_t index) const
    {
        if (index < 0 || index >= Count())
            return nullptr;
        RawListNode* node = FirstNode();
        while (index-- > 0)
            node = node->next;
        return static_cast<T*>(node->element);
    }

protected:
    using RawListBody::RawListBody;
};

template <typename A, typename T> class RawListR : public A, public RawListBodyR<T> {
public:
    RawListR()
        : RawListBodyR<T>(static_cast<A*>(this))
    {
    }
    RawListR(const RawListR& other)
        : A(other)
        , RawListBodyR<T>(other, static_cast<A*>(this))
    {
    }
    RawListR& operator=(const RawListR& other)
    {
        this->ShareFrom(other);
        return *this;
    }
    ~RawListR() override { this->Detach(); }

    // Makes a new element of T from `args`, appends it and returns it.
    template <typename... Args> T& Emplace(Args&&... args)
    {
        return *this->Append(new T(std::forward<Args>(args)...));
    }
};

} // namespace RawLayer
