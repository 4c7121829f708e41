#include "wsman/VelXMLNodeToWbemPropertyAdapter.h"

#include "platform/time/Iso8601.h"
#include "wsman/VelEmptyWbemQualifierSetAdapter.h"

#include <stdexcept>

namespace tarnwick::wsman {

// Windows writes the date-times of a full instance as cim:Datetime (the CIM common
// namespace) and those of a property fragment as a bare Datetime; both are read.
static bool IsDatetimeElement(const xml::TXmlNode& node) {
    if (!node.IsTextElement()) return false;
    if (node.Name() == u"Datetime") return true;
    return xml::LocalNamePart(node.Name()) == u"Datetime" &&
           node.NamespaceUri() == u"http://schemas.dmtf.org/wbem/wscim/1/common";
}

com::TVariant XMLNodeToVariant(const xml::TXmlNode& node) {
    if (node.IsTextElement()) return com::TVariant(node.Text());
    const xml::TXmlNode first = node.FirstChild();
    if (first.IsNull()) return com::TVariant(WideString());
    if (IsDatetimeElement(first))
        return com::TVariant::FromDate(iso8601::ISO8601ToDate(first.Text()));
    return com::TVariant();
}

TVelXMLNodeToWbemPropertyAdapter::TVelXMLNodeToWbemPropertyAdapter(TXmlNodeList aXMLNodeList)
    : FXMLNodeList(std::move(aXMLNodeList)) {
    if (FXMLNodeList.empty()) throw std::invalid_argument("a property needs at least one node");
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Get_Value(com::TVariant* varValue) {
    ClearOut(varValue);
    if (!varValue) return com::E_POINTER;
    if (FXMLNodeList.size() == 1) {
        *varValue = XMLNodeToVariant(FXMLNodeList.front());
        return com::S_OK;
    }
    // A repeated element: the values joined as they read, a date-time as its text.
    WideString joined = u"{";
    for (std::size_t i = 0; i < FXMLNodeList.size(); ++i) {
        if (i > 0) joined += u',';
        joined += com::VarToWideStr(XMLNodeToVariant(FXMLNodeList[i]));
    }
    joined += u'}';
    *varValue = com::TVariant(std::move(joined));
    return com::S_OK;
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Set_Value(const com::TVariant&) {
    NotImplemented(u"Set_Value");
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Get_Name(WideString* strName) {
    ClearOut(strName);
    if (!strName) return com::E_POINTER;
    *strName = FXMLNodeList.front().Name();
    return com::S_OK;
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Get_IsLocal(com::VARIANT_BOOL*) {
    NotImplemented(u"Get_IsLocal");
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Get_Origin(WideString* strOrigin) {
    ClearOut(strOrigin);
    NotImplemented(u"Get_Origin");
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Get_CIMType(WbemCimtypeEnum* iCimType) {
    if (!iCimType) return com::E_POINTER;
    *iCimType = wmi::wbemCimtypeReference;
    return com::S_OK;
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) {
    ClearOut(objWbemQualifierSet);
    return HandOut<ISWbemQualifierSet>(com::MakeCom<TVelEmptyWbemQualifierSetAdapter>(), objWbemQualifierSet);
}

HRESULT TVelXMLNodeToWbemPropertyAdapter::Get_IsArray(com::VARIANT_BOOL* bIsArray) {
    if (!bIsArray) return com::E_POINTER;
    *bIsArray = com::VARIANT_FALSE;
    return com::S_OK;
}

} // namespace tarnwick::wsman
