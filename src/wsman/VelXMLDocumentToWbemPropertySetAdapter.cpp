#include "wsman/VelXMLDocumentToWbemPropertySetAdapter.h"

#include "wsman/VelXMLNodeToWbemPropertyAdapter.h"

namespace tarnwick::wsman {

namespace {
constexpr HRESULT WBEM_E_NOT_FOUND = com::Hr(0x80041002);
}

HRESULT TVelXMLDocumentToWbemPropertySetAdapter::Get__NewEnum(com::IUnknown** pUnk) {
    ClearOut(pUnk);
    return HandOut<com::IUnknown>(com::MakeCom<TVelXMLDocumentToEnumVariantAdapter>(FXML), pUnk);
}

HRESULT TVelXMLDocumentToWbemPropertySetAdapter::Item(const WideString& strName, com::LONG,
                                                      ISWbemProperty** objWbemProperty) {
    ClearOut(objWbemProperty);
    if (!objWbemProperty) return com::E_POINTER;
    const WideString key = xml::LocalNamePart(strName);
    TXmlNodeList found;
    for (const xml::TXmlNode& child : FXML->DocumentElement().Children())
        if (SameText(child.LocalName(), key)) found.push_back(child);
    if (found.empty()) return WBEM_E_NOT_FOUND;
    return HandOut<ISWbemProperty>(com::MakeCom<TVelXMLNodeToWbemPropertyAdapter>(std::move(found)),
                                   objWbemProperty);
}

HRESULT TVelXMLDocumentToWbemPropertySetAdapter::Get_Count(com::LONG*) {
    NotImplemented(u"Get_Count");
}

HRESULT TVelXMLDocumentToWbemPropertySetAdapter::Add(const WideString&, wmi::WbemCimtypeEnum,
                                                     com::VARIANT_BOOL, com::LONG,
                                                     ISWbemProperty** objWbemProperty) {
    ClearOut(objWbemProperty);
    NotImplemented(u"Add");
}

HRESULT TVelXMLDocumentToWbemPropertySetAdapter::Remove(const WideString&, com::LONG) {
    NotImplemented(u"Remove");
}

HRESULT TVelXMLDocumentToEnumVariantAdapter::Next(com::ULONG celt, com::TVariant* rgVar,
                                                  com::ULONG* pCeltFetched) {
    CheckSingleFetch(celt);
    const std::vector<xml::TXmlNode> children = FXml->DocumentElement().Children();
    const auto count = static_cast<std::int32_t>(children.size());
    if (FCurrent >= count) return com::S_FALSE;
    if (!rgVar) return com::E_POINTER;
    const WideString name = children[FCurrent].Name();
    TXmlNodeList run;
    for (std::int32_t j = FCurrent; j < count && SameText(children[j].Name(), name); ++j)
        run.push_back(children[j]);
    const auto length = static_cast<std::int32_t>(run.size());
    com::TComPtr<TVelXMLNodeToWbemPropertyAdapter> property =
        com::MakeCom<TVelXMLNodeToWbemPropertyAdapter>(std::move(run));
    FCurrent += length;
    *rgVar = com::TVariant::FromUnknown(static_cast<com::IUnknown*>(property.Get()));
    if (pCeltFetched) *pCeltFetched = 1;
    return com::S_OK;
}

HRESULT TVelXMLDocumentToEnumVariantAdapter::Skip(com::ULONG) {
    NotImplemented(u"Skip");
}
HRESULT TVelXMLDocumentToEnumVariantAdapter::Reset() {
    NotImplemented(u"Reset");
}
HRESULT TVelXMLDocumentToEnumVariantAdapter::Clone(com::IEnumVARIANT** ppEnum) {
    ClearOut(ppEnum);
    NotImplemented(u"Clone");
}

} // namespace tarnwick::wsman
