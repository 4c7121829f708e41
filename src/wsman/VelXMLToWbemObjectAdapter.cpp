#include "wsman/VelXMLToWbemObjectAdapter.h"

#include "wsman/VelXMLDocumentToWbemPropertySetAdapter.h"
#include "wsman/VelXMLToWbemMethodSetAdapter.h"
#include "wsman/WSManError.h"

namespace tarnwick::wsman {

namespace {
constexpr HRESULT WBEM_E_FAILED = com::Hr(0x80041001);

bool IsServiceMethod(const WideString& name) {
    return name == u"StartService" || name == u"ResumeService";
}

// The text of the child named Name in the document element's namespace; a
// conversion error when there is none or it is empty.
WideString ServiceName(const xml::TXmlNode& root) {
    const WideString ns = root.NamespaceUri();
    for (const xml::TXmlNode& child : root.Children()) {
        if (!child.IsElement() || (child.Name() != u"Name" && child.LocalName() != u"Name")) continue;
        if (!ns.empty() && !SameText(child.NamespaceUri(), ns)) continue;
        const WideString text = child.Text();
        if (!text.empty()) return text;
        break;
    }
    return com::TVariant::Null().AsText(); // throws: the instance has no usable Name
}
} // namespace

// ---- TVelWbemObjectBase

HRESULT TVelWbemObjectBase::Put_(LONG, IDispatch*, ISWbemObjectPath** objWbemObjectPath) {
    ClearOut(objWbemObjectPath);
    NotImplemented(u"Put_");
}
HRESULT TVelWbemObjectBase::Instances_(LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"Instances_");
}
HRESULT TVelWbemObjectBase::Subclasses_(LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"Subclasses_");
}
HRESULT TVelWbemObjectBase::Associators_(const WideString&, const WideString&, const WideString&,
                                         const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                                         const WideString&, LONG, IDispatch*,
                                         ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"Associators_");
}
HRESULT TVelWbemObjectBase::References_(const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                                        const WideString&, LONG, IDispatch*,
                                        ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"References_");
}
HRESULT TVelWbemObjectBase::Clone_(ISWbemObject** objWbemObject) {
    ClearOut(objWbemObject);
    NotImplemented(u"Clone_");
}
HRESULT TVelWbemObjectBase::GetObjectText_(LONG, WideString* strObjectText) {
    ClearOut(strObjectText);
    NotImplemented(u"GetObjectText_");
}
HRESULT TVelWbemObjectBase::SpawnDerivedClass_(LONG, ISWbemObject** objWbemObject) {
    ClearOut(objWbemObject);
    NotImplemented(u"SpawnDerivedClass_");
}
HRESULT TVelWbemObjectBase::SpawnInstance_(LONG, ISWbemObject** objWbemObject) {
    ClearOut(objWbemObject);
    NotImplemented(u"SpawnInstance_");
}
HRESULT TVelWbemObjectBase::Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) {
    ClearOut(objWbemQualifierSet);
    NotImplemented(u"Get_Qualifiers_");
}
HRESULT TVelWbemObjectBase::Get_Methods_(ISWbemMethodSet** objWbemMethodSet) {
    ClearOut(objWbemMethodSet);
    return HandOut<ISWbemMethodSet>(com::MakeCom<TVelXMLToWbemMethodSetAdapter>(), objWbemMethodSet);
}
HRESULT TVelWbemObjectBase::Get_Derivation_(TVariant* strClassNameArray) {
    ClearOut(strClassNameArray);
    NotImplemented(u"Get_Derivation_");
}
HRESULT TVelWbemObjectBase::Get_Security_(ISWbemSecurity** objWbemSecurity) {
    ClearOut(objWbemSecurity);
    NotImplemented(u"Get_Security_");
}

// ---- TVelXMLToWbemObjectAdapter

TVelXMLToWbemObjectAdapter::TVelXMLToWbemObjectAdapter(WideStringView aXML,
                                                       com::TComPtr<IWSManSession> aSession)
    : FXml(xml::TXmlDocument::Parse(aXML)), FIWsmanSession(std::move(aSession)) {}

TVelXMLToWbemObjectAdapter::~TVelXMLToWbemObjectAdapter() {
    FXml.reset();
    FIWsmanSession.Reset();
}

HRESULT TVelXMLToWbemObjectAdapter::ServiceMethod(const WideString& aMethod, const WideString& aName) {
    const WideString classUri = WideString(WSManWmiResourceUriBase) + u"root/cimv2/Win32_Service";
    const TVariant resourceUri(classUri + u"?Name=" + aName);
    const WideString parameters = u"<p:" + aMethod + u"_INPUT xmlns:p=\"" + classUri + u"\"/>";
    WideString output;
    WSManCall([&] { return FIWsmanSession->Invoke(aMethod, resourceUri, parameters, 0, &output); });

    const xml::TXmlNode first = xml::TXmlDocument::Parse(output)->DocumentElement().FirstChild();
    if (first.IsNull()) return WBEM_E_FAILED;
    std::int64_t value = 0;
    if (!TryStrToInt64(first.Text(), value)) return WBEM_E_FAILED;
    return static_cast<HRESULT>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

HRESULT TVelXMLToWbemObjectAdapter::ExecMethod_(const WideString& strMethodName, IDispatch*, LONG, IDispatch*,
                                                ISWbemObject** objWbemOutParameters) {
    ClearOut(objWbemOutParameters);
    if (!IsServiceMethod(strMethodName))
        throw Exception(u"ExecMethod_ " + strMethodName + u" not implemented");
    return ServiceMethod(strMethodName, ServiceName(FXml->DocumentElement()));
}

HRESULT TVelXMLToWbemObjectAdapter::Get_Properties_(ISWbemPropertySet** objWbemPropertySet) {
    ClearOut(objWbemPropertySet);
    return HandOut<ISWbemPropertySet>(com::MakeCom<TVelXMLDocumentToWbemPropertySetAdapter>(FXml),
                                      objWbemPropertySet);
}

HRESULT TVelXMLToWbemObjectAdapter::Get_Path_(ISWbemObjectPath** objWbemObjectPath) {
    ClearOut(objWbemObjectPath);
    return HandOut<ISWbemObjectPath>(com::MakeCom<TVelWbemObjectPathAdapter>(), objWbemObjectPath);
}

// ---- TVelWbemObjectAdapter

HRESULT TVelWbemObjectAdapter::ExecMethod_(const WideString&, IDispatch*, LONG, IDispatch*,
                                           ISWbemObject** objWbemOutParameters) {
    ClearOut(objWbemOutParameters);
    NotImplemented(u"ExecMethod_");
}
HRESULT TVelWbemObjectAdapter::Get_Properties_(ISWbemPropertySet** objWbemPropertySet) {
    ClearOut(objWbemPropertySet);
    NotImplemented(u"Get_Properties_");
}
HRESULT TVelWbemObjectAdapter::Get_Path_(ISWbemObjectPath** objWbemObjectPath) {
    ClearOut(objWbemObjectPath);
    NotImplemented(u"Get_Path_");
}

// ---- TVelWbemObjectPathAdapter

HRESULT TVelWbemObjectPathAdapter::Get_Path(WideString* strPath) {
    ClearOut(strPath);
    NotImplemented(u"Get_Path");
}
HRESULT TVelWbemObjectPathAdapter::Get_RelPath(WideString* strRelPath) {
    ClearOut(strRelPath);
    NotImplemented(u"Get_RelPath");
}
HRESULT TVelWbemObjectPathAdapter::Get_Server(WideString* strServer) {
    ClearOut(strServer);
    NotImplemented(u"Get_Server");
}
HRESULT TVelWbemObjectPathAdapter::Get_Namespace(WideString* strNamespace) {
    ClearOut(strNamespace);
    NotImplemented(u"Get_Namespace");
}
HRESULT TVelWbemObjectPathAdapter::Get_ParentNamespace(WideString* strParentNamespace) {
    ClearOut(strParentNamespace);
    NotImplemented(u"Get_ParentNamespace");
}
HRESULT TVelWbemObjectPathAdapter::Get_DisplayName(WideString* strDisplayName) {
    ClearOut(strDisplayName);
    NotImplemented(u"Get_DisplayName");
}
HRESULT TVelWbemObjectPathAdapter::Get_Class_(WideString* strClass) {
    ClearOut(strClass);
    if (!strClass) return com::E_POINTER;
    *strClass = u"NotUsed";
    return com::S_OK;
}
HRESULT TVelWbemObjectPathAdapter::Get_Keys(ISWbemNamedValueSet** objWbemNamedValueSet) {
    ClearOut(objWbemNamedValueSet);
    NotImplemented(u"Get_Keys");
}
HRESULT TVelWbemObjectPathAdapter::Get_Security_(ISWbemSecurity** objWbemSecurity) {
    ClearOut(objWbemSecurity);
    NotImplemented(u"Get_Security_");
}
HRESULT TVelWbemObjectPathAdapter::Get_Locale(WideString* strLocale) {
    ClearOut(strLocale);
    NotImplemented(u"Get_Locale");
}
HRESULT TVelWbemObjectPathAdapter::Get_Authority(WideString* strAuthority) {
    ClearOut(strAuthority);
    NotImplemented(u"Get_Authority");
}

} // namespace tarnwick::wsman
