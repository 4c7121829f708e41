#pragma once
// The qualifier set of every bridge property and method: WS-Management items carry
// no qualifiers, so it enumerates nothing.

#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"

namespace tarnwick::wsman {

using wmi::ISWbemQualifier;
using wmi::ISWbemQualifierSet;

class TVelEmptyWbemQualifierSetAdapter : public TInterfacedDispatch<ISWbemQualifierSet> {
public:
    HRESULT Get__NewEnum(com::IUnknown** pUnk) override;
    HRESULT Item(const WideString& strName, com::LONG iFlags, ISWbemQualifier** objWbemQualifier) override;
    HRESULT Get_Count(com::LONG* iCount) override;
    HRESULT Add(const WideString& strName, const com::TVariant& varVal,
                com::VARIANT_BOOL bPropagatesToSubclass, com::VARIANT_BOOL bPropagatesToInstance,
                com::VARIANT_BOOL bIsOverridable, com::LONG iFlags,
                ISWbemQualifier** objWbemQualifier) override;
    HRESULT Remove(const WideString& strName, com::LONG iFlags) override;
};

// An enumerator at its end from the start: Next answers S_FALSE and writes nothing.
class TVelEmptyEnumVariantAdapter : public com::TComObject<com::IEnumVARIANT> {
public:
    HRESULT Next(com::ULONG celt, com::TVariant* rgVar, com::ULONG* pCeltFetched) override;
    HRESULT Skip(com::ULONG celt) override;
    HRESULT Reset() override;
    HRESULT Clone(com::IEnumVARIANT** ppEnum) override;
};

} // namespace tarnwick::wsman
