#pragma once

// The allocator side of every list: how one element is released when its list lets go of it.

namespace RawLayer {

class RawListProperty {
public:
    // Base of every allocator: releases one element of its list (forwarding to a typed delete).
    class Allocator {
    public:
        virtual ~Allocator() = default;
        virtual void Release(void* element) = 0;
    };
};

// The allocator for elements of type T made with new. A list whose elements need more than
// delete derives its own allocator and overrides Delete.
template <typename T> class RawListAllocator : public RawListProperty::Allocator {
public:
    void Release(void* element) final { Delete(static_cast<T*>(element)); }
    virtual void Delete(T* element) { delete element; }
};

} // namespace RawLayer
