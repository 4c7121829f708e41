#pragma once
// TComObject<I...>: the reference-counted base. It answers QueryInterface from the
// interfaces the class declares (and their parents), counts references atomically
// and deletes the object on its last Release. A new object starts at count 0;
// hold it in a TComPtr at once (MakeCom does).

#include "platform/com/ComPtr.h"

#include <atomic>
#include <tuple>
#include <type_traits>

namespace tarnwick::com {

template <class... Interfaces> class TComObject : public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a COM object declares at least one interface");
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    HRESULT QueryInterface(const IID& riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IUnknown::iid) {
            *ppv = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            ((*ppv == nullptr && Implements<Interfaces>(riid) ? (*ppv = static_cast<Interfaces*>(this), true)
                                                              : false),
             ...);
        }
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        ULONG count = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (count == 0) delete this;
        return count;
    }
    ULONG RefCount() const { return FRefCount.load(std::memory_order_relaxed); }

protected:
    TComObject() = default;
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

private:
    template <class I> static bool Implements(const IID& riid) {
        if (riid == I::iid) return true;
        if constexpr (std::is_same_v<I, IUnknown>)
            return false;
        else
            return Implements<typename I::Base>(riid);
    }

    std::atomic<ULONG> FRefCount{0};
};

template <class T, class... Args> TComPtr<T> MakeCom(Args&&... args) {
    return TComPtr<T>(new T(std::forward<Args>(args)...));
}

} // namespace tarnwick::com
