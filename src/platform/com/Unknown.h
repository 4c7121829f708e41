#pragma once
// The basic interfaces: IUnknown, IDispatch, IEnumVARIANT and the type information
// that the scripting version lookup reads. Every operation returns an HRESULT and
// hands results back through out-parameters, which it first sets to empty.
// An interface declares its identity as `iid` and its parent as `Base`.

#include "platform/com/ComTypes.h"
#include "platform/com/WideString.h"

namespace tarnwick::com {

class TVariant;

struct IUnknown {
    static constexpr IID iid = MakeGuid("00000000-0000-0000-C000-000000000046");
    // Answers S_OK and a counted reference for the interfaces the object declares,
    // E_NOINTERFACE (with *ppv null and the count unchanged) for any other.
    virtual HRESULT QueryInterface(const IID& riid, void** ppv) = 0;
    // Both return the new count; the object deletes itself when Release reaches 0.
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

struct DISPPARAMS {
    TVariant* rgvarg = nullptr;
    DISPID* rgdispidNamedArgs = nullptr;
    UINT cArgs = 0;
    UINT cNamedArgs = 0;
};

struct EXCEPINFO {
    WORD wCode = 0;
    WideString bstrSource;
    WideString bstrDescription;
    HRESULT scode = 0;
};

struct TLIBATTR {
    GUID guid;
    LCID lcid = 0;
    WORD wMajorVerNum = 0;
    WORD wMinorVerNum = 0;
    WORD wLibFlags = 0;
};

struct ITypeLib : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid = MakeGuid("00020402-0000-0000-C000-000000000046");
    virtual HRESULT GetLibAttr(TLIBATTR** ppTLibAttr) = 0;
    virtual void ReleaseTLibAttr(TLIBATTR* pTLibAttr) = 0;
};

struct ITypeInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid = MakeGuid("00020401-0000-0000-C000-000000000046");
    virtual HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) = 0;
};

struct IDispatch : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid = MakeGuid("00020400-0000-0000-C000-000000000046");
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(const IID& riid, const WideString* rgszNames, UINT cNames, LCID lcid,
                                  DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, const IID& riid, LCID lcid, WORD wFlags,
                           DISPPARAMS* pDispParams, TVariant* pVarResult, EXCEPINFO* pExcepInfo,
                           UINT* puArgErr) = 0;
};

struct IEnumVARIANT : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid = MakeGuid("00020404-0000-0000-C000-000000000046");
    // S_OK when celt values were fetched, S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG celt, TVariant* rgVar, ULONG* pCeltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumVARIANT** ppEnum) = 0;
};

} // namespace tarnwick::com
