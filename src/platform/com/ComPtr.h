#pragma once
// TComPtr<T>: the owner of one counted interface reference. Only TComPtr calls
// AddRef and Release.

#include "platform/com/Unknown.h"

#include <type_traits>
#include <utility>

namespace tarnwick::com {

template <class T> class TComPtr {
public:
    TComPtr() = default;
    TComPtr(std::nullptr_t) {}
    // Takes a new counted reference to p.
    TComPtr(T* p) : FPtr(p) {
        if (FPtr) FPtr->AddRef();
    }
    TComPtr(const TComPtr& other) : TComPtr(other.FPtr) {}
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    TComPtr(const TComPtr<U>& other) : TComPtr(static_cast<T*>(other.Get())) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    TComPtr(TComPtr<U>&& other) noexcept : FPtr(other.Detach()) {}
    ~TComPtr() { Reset(); }

    TComPtr& operator=(TComPtr other) noexcept {
        std::swap(FPtr, other.FPtr);
        return *this;
    }

    T* Get() const noexcept { return FPtr; }
    T* operator->() const noexcept { return FPtr; }
    T& operator*() const noexcept { return *FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }

    void Reset() noexcept {
        if (T* p = std::exchange(FPtr, nullptr)) p->Release();
    }
    // Releases what is held and gives the slot to an operation's out-parameter.
    T** Put() noexcept {
        Reset();
        return &FPtr;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    // Hands the reference over without releasing it.
    T* Detach() noexcept { return std::exchange(FPtr, nullptr); }
    // Takes over a reference that is already counted.
    void Attach(T* p) noexcept {
        Reset();
        FPtr = p;
    }

    // QueryInterface for U; empty when the object does not answer it.
    template <class U> TComPtr<U> As() const {
        TComPtr<U> result;
        if (FPtr) FPtr->QueryInterface(U::iid, result.PutVoid());
        return result;
    }
    template <class U> HRESULT As(TComPtr<U>& result) const {
        if (!FPtr) {
            result.Reset();
            return E_POINTER;
        }
        return FPtr->QueryInterface(U::iid, result.PutVoid());
    }

    friend bool operator==(const TComPtr& a, const TComPtr& b) { return a.FPtr == b.FPtr; }
    friend bool operator==(const TComPtr& a, std::nullptr_t) { return a.FPtr == nullptr; }

private:
    T* FPtr = nullptr;
};

} // namespace tarnwick::com
