#include "wsman/VelEmptyWbemQualifierSetAdapter.h"

namespace tarnwick::wsman {

HRESULT TVelEmptyWbemQualifierSetAdapter::Get__NewEnum(com::IUnknown** pUnk) {
    ClearOut(pUnk);
    return HandOut<com::IUnknown>(com::MakeCom<TVelEmptyEnumVariantAdapter>(), pUnk);
}

HRESULT TVelEmptyWbemQualifierSetAdapter::Item(const WideString&, com::LONG,
                                               ISWbemQualifier** objWbemQualifier) {
    ClearOut(objWbemQualifier);
    NotImplemented(u"Item");
}

HRESULT TVelEmptyWbemQualifierSetAdapter::Get_Count(com::LONG*) {
    NotImplemented(u"Get_Count");
}

HRESULT TVelEmptyWbemQualifierSetAdapter::Add(const WideString&, const com::TVariant&, com::VARIANT_BOOL,
                                              com::VARIANT_BOOL, com::VARIANT_BOOL, com::LONG,
                                              ISWbemQualifier** objWbemQualifier) {
    ClearOut(objWbemQualifier);
    NotImplemented(u"Add");
}

HRESULT TVelEmptyWbemQualifierSetAdapter::Remove(const WideString&, com::LONG) {
    NotImplemented(u"Remove");
}

HRESULT TVelEmptyEnumVariantAdapter::Next(com::ULONG, com::TVariant*, com::ULONG*) {
    return com::S_FALSE;
}
HRESULT TVelEmptyEnumVariantAdapter::Skip(com::ULONG) {
    NotImplemented(u"Skip");
}
HRESULT TVelEmptyEnumVariantAdapter::Reset() {
    NotImplemented(u"Reset");
}
HRESULT TVelEmptyEnumVariantAdapter::Clone(com::IEnumVARIANT** ppEnum) {
    ClearOut(ppEnum);
    NotImplemented(u"Clone");
}

} // namespace tarnwick::wsman
