#pragma once

// Lists of plain records, appended by value. The mechanism is that of RawListR: a shared body,
// elements released through the allocator A when the last handle goes.

#include <core/RawListR.h>

namespace RawLayer {

template <typename T> class RawListBodyP : public RawListBodyR<T> {
public:
    T& Append(const T& record) { return *RawListBodyR<T>::Append(new T(record)); }

protected:
    using RawListBodyR<T>::RawListBodyR;
};

template <typename A, typename T> class RawListP : public A, public RawListBodyP<T> {
public:
    RawListP()
        : RawListBodyP<T>(static_cast<A*>(this))
    {
    }
    RawListP(const RawListP& other)
        : A(other)
        , RawListBodyP<T>(other, static_cast<A*>(this))
    {
    }
    RawListP& operator=(const RawListP& other)
    {
        this->ShareFrom(other);
        return *this;
    }
    ~RawListP() override { this->Detach(); }
};

} // namespace RawLayer
