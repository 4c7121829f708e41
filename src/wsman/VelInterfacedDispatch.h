#pragma once
// The common base of the bridge's classes and the conventions they share.
//
// Every bridge class guarantees:
// - each operation returns an HRESULT (S_OK on success) and first sets every
//   out-parameter that carries an interface, a text or a variant to empty;
//   numbers and booleans are written on success only;
// - an operation the bridge does not offer throws tarnwick::Exception with the
//   text "<operation> not implemented" (a failure, not a result code);
// - conditions WMI reports with a code (no such property or method) are returned
//   as that code, without an exception;
// - every request for a sub-object returns a new object; nothing is cached;
// - the bridge objects cannot be driven by name: the four dispatch operations
//   answer E_NOTIMPL and write nothing.

#include "platform/com/ComObject.h"
#include "platform/com/Exception.h"
#include "platform/com/Variant.h"

namespace tarnwick::wsman {

using com::HRESULT;

// "<operation> not implemented", as the general exception.
[[noreturn]] void NotImplemented(const char16_t* operation);
// "celt <> 1. We only support 1." for an enumerator asked for another count.
void CheckSingleFetch(com::ULONG celt);

template <class... Interfaces> class TInterfacedDispatch : public com::TComObject<Interfaces...> {
public:
    HRESULT GetTypeInfoCount(com::UINT*) override { return com::E_NOTIMPL; }
    HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) override { return com::E_NOTIMPL; }
    HRESULT GetIDsOfNames(const com::IID&, const WideString*, com::UINT, com::LCID, com::DISPID*) override {
        return com::E_NOTIMPL;
    }
    HRESULT Invoke(com::DISPID, const com::IID&, com::LCID, com::WORD, com::DISPPARAMS*, com::TVariant*,
                   com::EXCEPINFO*, com::UINT*) override {
        return com::E_NOTIMPL;
    }

protected:
    TInterfacedDispatch() = default;
};

// Empties an interface out-parameter (when the caller passed one).
template <class T> void ClearOut(T** out) {
    if (out) *out = nullptr;
}
inline void ClearOut(WideString* out) {
    if (out) out->clear();
}
inline void ClearOut(com::TVariant* out) {
    if (out) out->Clear();
}

// Hands out a new reference to object as interface I through out.
template <class I, class T> HRESULT HandOut(const com::TComPtr<T>& object, I** out) {
    if (!out) return com::E_POINTER;
    com::TComPtr<I> result(static_cast<I*>(object.Get()));
    *out = result.Detach();
    return com::S_OK;
}

} // namespace tarnwick::wsman
