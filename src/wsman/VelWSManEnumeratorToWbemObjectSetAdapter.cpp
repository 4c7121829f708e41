#include "wsman/VelWSManEnumeratorToWbemObjectSetAdapter.h"

#include "wsman/VelXMLToWbemObjectAdapter.h"
#include "wsman/WSManError.h"

namespace tarnwick::wsman {

TVelWSManEnumeratorAsWbemObjectSet::TVelWSManEnumeratorAsWbemObjectSet(
    com::TComPtr<IWSManEnumerator> aResultSet, com::TComPtr<IWSManSession> aSession)
    : FResultSet(std::move(aResultSet)), FIWsmanSession(std::move(aSession)) {}

TVelWSManEnumeratorAsWbemObjectSet::~TVelWSManEnumeratorAsWbemObjectSet() {
    FResultSet.Reset();
    FIWsmanSession.Reset();
}

HRESULT TVelWSManEnumeratorAsWbemObjectSet::Get__NewEnum(com::IUnknown** pUnk) {
    ClearOut(pUnk);
    return HandOut<com::IUnknown>(com::MakeCom<TVelWSManEnumeratorToEnumVariant>(FResultSet, FIWsmanSession),
                                  pUnk);
}

HRESULT TVelWSManEnumeratorAsWbemObjectSet::Item(const WideString&, com::LONG, ISWbemObject** objWbemObject) {
    ClearOut(objWbemObject);
    NotImplemented(u"Item");
}

HRESULT TVelWSManEnumeratorAsWbemObjectSet::Get_Count(com::LONG*) {
    NotImplemented(u"Get_Count");
}

HRESULT TVelWSManEnumeratorAsWbemObjectSet::Get_Security_(ISWbemSecurity** objWbemSecurity) {
    ClearOut(objWbemSecurity);
    NotImplemented(u"Get_Security_");
}

TVelWSManEnumeratorToEnumVariant::TVelWSManEnumeratorToEnumVariant(com::TComPtr<IWSManEnumerator> aResultSet,
                                                                   com::TComPtr<IWSManSession> aSession)
    : FResultSet(std::move(aResultSet)), FIWsmanSession(std::move(aSession)) {}

TVelWSManEnumeratorToEnumVariant::~TVelWSManEnumeratorToEnumVariant() {
    FResultSet.Reset();
    FIWsmanSession.Reset();
}

HRESULT TVelWSManEnumeratorToEnumVariant::Next(com::ULONG celt, com::TVariant* rgVar,
                                               com::ULONG* pCeltFetched) {
    CheckSingleFetch(celt);
    com::VARIANT_BOOL atEnd = com::VARIANT_FALSE;
    WSManCall([&] { return FResultSet->Get_AtEndOfStream(&atEnd); });
    if (atEnd != 0) return com::S_FALSE;
    if (!rgVar) return com::E_POINTER;
    WideString item;
    WSManCall([&] { return FResultSet->ReadItem(&item); });
    com::TComPtr<TVelXMLToWbemObjectAdapter> object =
        com::MakeCom<TVelXMLToWbemObjectAdapter>(item, FIWsmanSession);
    *rgVar = com::TVariant::FromUnknown(static_cast<com::IUnknown*>(object.Get()));
    if (pCeltFetched) *pCeltFetched = 1;
    return com::S_OK;
}

HRESULT TVelWSManEnumeratorToEnumVariant::Skip(com::ULONG) {
    NotImplemented(u"Skip");
}
HRESULT TVelWSManEnumeratorToEnumVariant::Reset() {
    NotImplemented(u"Reset");
}
HRESULT TVelWSManEnumeratorToEnumVariant::Clone(com::IEnumVARIANT** ppEnum) {
    ClearOut(ppEnum);
    NotImplemented(u"Clone");
}

} // namespace tarnwick::wsman
