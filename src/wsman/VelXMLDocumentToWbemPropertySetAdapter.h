#pragma once
// The properties of one WS-Management item: the children of its document element.
// Item finds every child whose local name matches (ASCII case folded, prefixes
// ignored); the enumerator yields one property per run of adjacent children with
// the same qualified name, in document order, one per Next. The set and its
// enumerators share the document and never change it.

#include "platform/xml/XmlDocument.h"
#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"

#include <memory>

namespace tarnwick::wsman {

using wmi::ISWbemProperty;
using wmi::ISWbemPropertySet;
using TXmlDocumentRef = std::shared_ptr<const xml::TXmlDocument>;

class TVelXMLDocumentToWbemPropertySetAdapter : public TInterfacedDispatch<ISWbemPropertySet> {
public:
    explicit TVelXMLDocumentToWbemPropertySetAdapter(TXmlDocumentRef aXML) : FXML(std::move(aXML)) {}

    HRESULT Get__NewEnum(com::IUnknown** pUnk) override;
    // 0x80041002 and a null property when no child has the name.
    HRESULT Item(const WideString& strName, com::LONG iFlags, ISWbemProperty** objWbemProperty) override;
    HRESULT Get_Count(com::LONG* iCount) override;
    HRESULT Add(const WideString& strName, wmi::WbemCimtypeEnum iCimType, com::VARIANT_BOOL bIsArray,
                com::LONG iFlags, ISWbemProperty** objWbemProperty) override;
    HRESULT Remove(const WideString& strName, com::LONG iFlags) override;

private:
    TXmlDocumentRef FXML;
};

class TVelXMLDocumentToEnumVariantAdapter : public com::TComObject<com::IEnumVARIANT> {
public:
    explicit TVelXMLDocumentToEnumVariantAdapter(TXmlDocumentRef aXml) : FXml(std::move(aXml)) {}

    // celt must be 1; S_FALSE (nothing written) once every child was handed out.
    HRESULT Next(com::ULONG celt, com::TVariant* rgVar, com::ULONG* pCeltFetched) override;
    HRESULT Skip(com::ULONG celt) override;
    HRESULT Reset() override;
    HRESULT Clone(com::IEnumVARIANT** ppEnum) override;

private:
    TXmlDocumentRef FXml;
    std::int32_t FCurrent = 0;
};

} // namespace tarnwick::wsman
