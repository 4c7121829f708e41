#pragma once
// The class registry behind CoCreateInstance. A backend registers the classes it
// provides (the local WMI stand-in, the WinRM client); a test registers fakes, with
// TScopedClassRegistration putting back what was there before.

#include "platform/com/ComObject.h"

#include <functional>

namespace tarnwick::com {

// Creates a new object and answers the interface asked for (QueryInterface rules).
using TClassFactory = std::function<HRESULT(const IID& riid, void** ppv)>;

class TClassRegistry {
public:
    static TClassRegistry& Instance();

    void Register(const CLSID& clsid, TClassFactory factory);
    void Unregister(const CLSID& clsid);
    bool IsRegistered(const CLSID& clsid) const;
    // The factory registered for clsid, or an empty one.
    TClassFactory Find(const CLSID& clsid) const;

private:
    TClassRegistry() = default;
};

class TScopedClassRegistration {
public:
    TScopedClassRegistration(const CLSID& clsid, TClassFactory factory);
    ~TScopedClassRegistration();
    TScopedClassRegistration(const TScopedClassRegistration&) = delete;
    TScopedClassRegistration& operator=(const TScopedClassRegistration&) = delete;

private:
    CLSID FClsid;
    TClassFactory FPrevious;
};

// A factory that makes a new T (a TComObject) for each request.
template <class T> TClassFactory FactoryOf() {
    return [](const IID& riid, void** ppv) -> HRESULT {
        TComPtr<T> object = MakeCom<T>();
        return object->QueryInterface(riid, ppv);
    };
}

// REGDB_E_CLASSNOTREG for a class nobody registered; CLASS_E_NOAGGREGATION for an outer object.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD clsContext, const IID& riid, void** ppv);

template <class T> HRESULT CoCreateInstance(const CLSID& clsid, DWORD clsContext, TComPtr<T>& result) {
    return CoCreateInstance(clsid, nullptr, clsContext, T::iid, result.PutVoid());
}

} // namespace tarnwick::com
