#pragma once
// One WMI property over the XML nodes that carry it: one node for a scalar, one per
// value for a repeated element. Values stay the item's text; a child element
// Datetime (bare, or of the CIM common namespace) becomes a UTC date-time; a repeated element reads as one text
// "{a,b,c}". Every property reports CIM type 102, no array flag and no qualifiers.
// The nodes keep their document alive.

#include "platform/xml/XmlDocument.h"
#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"

#include <vector>

namespace tarnwick::wsman {

using wmi::ISWbemProperty;
using wmi::ISWbemQualifierSet;
using wmi::WbemCimtypeEnum;
using TXmlNodeList = std::vector<xml::TXmlNode>;

// The value of one node: the text of a text element; the empty text for a node
// without children; a date-time for a first child Datetime; empty otherwise.
// Throws iso8601::TIso8601Error for a "Datetime" text that is no date-time.
com::TVariant XMLNodeToVariant(const xml::TXmlNode& node);

class TVelXMLNodeToWbemPropertyAdapter : public TInterfacedDispatch<ISWbemProperty> {
public:
    // aXMLNodeList must not be empty; its first node names the property.
    explicit TVelXMLNodeToWbemPropertyAdapter(TXmlNodeList aXMLNodeList);

    HRESULT Get_Value(com::TVariant* varValue) override;
    HRESULT Set_Value(const com::TVariant& varValue) override;
    HRESULT Get_Name(WideString* strName) override;
    HRESULT Get_IsLocal(com::VARIANT_BOOL* bIsLocal) override;
    HRESULT Get_Origin(WideString* strOrigin) override;
    HRESULT Get_CIMType(WbemCimtypeEnum* iCimType) override;
    HRESULT Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) override;
    HRESULT Get_IsArray(com::VARIANT_BOOL* bIsArray) override;

private:
    TXmlNodeList FXMLNodeList;
};

} // namespace tarnwick::wsman
