#pragma once
// The scripting objects of the local computer: security, qualifiers, properties,
// object paths, objects, the variant enumerator and named values. Each implements
// every slot of its interface in WbemScripting.h; what the local computer cannot do
// answers a WMI code and never crashes:
//   Put_, Delete_, ExecMethod_ and their Async forms   0x80041024 (provider not capable)
//   other operations this stand-in does not offer      0x8004100C (not supported)
//   IDispatch late binding (GetIDsOfNames, Invoke)     E_NOTIMPL
// Unknown names in Item lookups answer 0x80041002 (not found).

#include "platform/com/ComObject.h"
#include "platform/localwmi/ObjectData.h"
#include "wmi/WbemScripting.h"

namespace tarnwick::localwmi {

using com::DISPID;
using com::DISPPARAMS;
using com::EXCEPINFO;
using com::HRESULT;
using com::ITypeInfo;
using com::LCID;
using com::LONG;
using com::TComPtr;
using com::UINT;
using com::ULONG;
using com::VARIANT_BOOL;
using com::WORD;
using namespace wmi;

// The IDispatch slots every scripting object shares: no type information, no late binding.
template <class... I> class TDispatchObject : public com::TComObject<I...> {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return com::E_POINTER;
        *pctinfo = 0;
        return com::S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo) *ppTInfo = nullptr;
        return com::E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(const com::IID&, const WideString*, UINT, LCID, DISPID*) override {
        return com::E_NOTIMPL;
    }
    HRESULT Invoke(DISPID, const com::IID&, LCID, WORD, DISPPARAMS*, TVariant* pVarResult, EXCEPINFO*,
                   UINT*) override {
        if (pVarResult) pVarResult->Clear();
        return com::E_NOTIMPL;
    }
};

// IEnumVARIANT over a fixed list of values.
class TVariantEnum : public com::TComObject<com::IEnumVARIANT> {
public:
    explicit TVariantEnum(std::shared_ptr<const std::vector<TVariant>> items, std::size_t position = 0);
    HRESULT Next(ULONG celt, TVariant* rgVar, ULONG* pCeltFetched) override;
    HRESULT Skip(ULONG celt) override;
    HRESULT Reset() override;
    HRESULT Clone(com::IEnumVARIANT** ppEnum) override;

private:
    std::shared_ptr<const std::vector<TVariant>> FItems;
    std::size_t FPosition;
};
// Hands out a new enumerator over the values as IUnknown.
HRESULT NewVariantEnum(std::vector<TVariant> items, com::IUnknown** pUnk);

// The impersonation and authentication levels; privileges are not offered.
class TLocalSecurity : public TDispatchObject<ISWbemSecurity> {
public:
    HRESULT Get_ImpersonationLevel(WbemImpersonationLevelEnum* level) override;
    HRESULT Set_ImpersonationLevel(WbemImpersonationLevelEnum level) override;
    HRESULT Get_AuthenticationLevel(WbemAuthenticationLevelEnum* level) override;
    HRESULT Set_AuthenticationLevel(WbemAuthenticationLevelEnum level) override;
    HRESULT Get_Privileges(IDispatch** objWbemPrivilegeSet) override;

private:
    WbemImpersonationLevelEnum FImpersonation = wbemImpersonationLevelImpersonate;
    WbemAuthenticationLevelEnum FAuthentication = wbemAuthenticationLevelPktPrivacy;
};
HRESULT NewSecurity(ISWbemSecurity** result);

// A fresh object over the data (counted for the caller).
HRESULT NewObject(std::shared_ptr<TObjectData> data, ISWbemObject** result);
TComPtr<ISWbemObject> MakeObject(std::shared_ptr<TObjectData> data);

// A named value set, empty at first. Names are matched with case ignored.
HRESULT NewNamedValueSet(ISWbemNamedValueSet** result);

} // namespace tarnwick::localwmi
