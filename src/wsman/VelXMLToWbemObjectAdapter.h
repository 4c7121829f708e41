#pragma once
// WMI objects of the bridge.
// - TVelXMLToWbemObjectAdapter: one WS-Management item (the XML text of one
//   instance) as ISWbemObject: its properties (new set on every request, all over
//   the one parsed document), the method set, a placeholder path, and the service
//   methods StartService and ResumeService, invoked on the session that read it.
//   The item is parsed once, when the object is made; hostile text (not
//   well-formed, a document type declaration, too deep or too long) is refused
//   with xml::TXmlError and no object is made.
// - TVelWbemObjectPathAdapter: a path whose class is "NotUsed"; nothing else.
// - TVelWbemObjectAdapter: the placeholder object handed out by Get of the
//   services: only its method set works.

#include "platform/xml/XmlDocument.h"
#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"
#include "wsman/WSManAutomation.h"

#include <memory>

namespace tarnwick::wsman {

using com::IDispatch;
using com::LONG;
using com::TVariant;
using com::VARIANT_BOOL;
using wmi::ISWbemMethodSet;
using wmi::ISWbemNamedValueSet;
using wmi::ISWbemObject;
using wmi::ISWbemObjectPath;
using wmi::ISWbemObjectSet;
using wmi::ISWbemPropertySet;
using wmi::ISWbemQualifierSet;
using wmi::ISWbemSecurity;

// The operations of ISWbemObject that both object classes refuse alike.
class TVelWbemObjectBase : public TInterfacedDispatch<ISWbemObject> {
public:
    HRESULT Put_(LONG, IDispatch*, ISWbemObjectPath** objWbemObjectPath) override;
    HRESULT PutAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { NotImplemented(u"PutAsync_"); }
    HRESULT Delete_(LONG, IDispatch*) override { NotImplemented(u"Delete_"); }
    HRESULT DeleteAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"DeleteAsync_");
    }
    HRESULT Instances_(LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT InstancesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"InstancesAsync_");
    }
    HRESULT Subclasses_(LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT SubclassesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"SubclassesAsync_");
    }
    HRESULT Associators_(const WideString&, const WideString&, const WideString&, const WideString&,
                         VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&, LONG, IDispatch*,
                         ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT AssociatorsAsync_(IDispatch*, const WideString&, const WideString&, const WideString&,
                              const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                              const WideString&, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"AssociatorsAsync_");
    }
    HRESULT References_(const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                        LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT ReferencesAsync_(IDispatch*, const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                             const WideString&, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"ReferencesAsync_");
    }
    HRESULT ExecMethodAsync_(IDispatch*, const WideString&, IDispatch*, LONG, IDispatch*,
                             IDispatch*) override {
        NotImplemented(u"ExecMethodAsync_");
    }
    HRESULT Clone_(ISWbemObject** objWbemObject) override;
    HRESULT GetObjectText_(LONG, WideString* strObjectText) override;
    HRESULT SpawnDerivedClass_(LONG, ISWbemObject** objWbemObject) override;
    HRESULT SpawnInstance_(LONG, ISWbemObject** objWbemObject) override;
    HRESULT CompareTo_(IDispatch*, LONG, VARIANT_BOOL*) override { NotImplemented(u"CompareTo_"); }
    HRESULT Get_Qualifiers_(ISWbemQualifierSet** objWbemQualifierSet) override;
    // A new method set (StartService and ResumeService) on every call.
    HRESULT Get_Methods_(ISWbemMethodSet** objWbemMethodSet) override;
    HRESULT Get_Derivation_(TVariant* strClassNameArray) override;
    HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) override;
};

class TVelXMLToWbemObjectAdapter : public TVelWbemObjectBase {
public:
    // Parses aXML (throws xml::TXmlError); keeps the session for the service methods.
    TVelXMLToWbemObjectAdapter(WideStringView aXML, com::TComPtr<IWSManSession> aSession);
    ~TVelXMLToWbemObjectAdapter();

    // StartService or ResumeService of Win32_Service aName, through Invoke; the
    // result is the method's return value, 0x80041001 when the answer holds none.
    HRESULT ServiceMethod(const WideString& aMethod, const WideString& aName);

    // StartService and ResumeService only (case counts); the out-parameters stay null.
    HRESULT ExecMethod_(const WideString& strMethodName, IDispatch* objWbemInParameters, LONG iFlags,
                        IDispatch* objWbemNamedValueSet, ISWbemObject** objWbemOutParameters) override;
    HRESULT Get_Properties_(ISWbemPropertySet** objWbemPropertySet) override;
    HRESULT Get_Path_(ISWbemObjectPath** objWbemObjectPath) override;

    const std::shared_ptr<const xml::TXmlDocument>& Xml() const { return FXml; }

private:
    std::shared_ptr<const xml::TXmlDocument> FXml;
    com::TComPtr<IWSManSession> FIWsmanSession;
};

class TVelWbemObjectAdapter : public TVelWbemObjectBase {
public:
    HRESULT ExecMethod_(const WideString&, IDispatch*, LONG, IDispatch*,
                        ISWbemObject** objWbemOutParameters) override;
    HRESULT Get_Properties_(ISWbemPropertySet** objWbemPropertySet) override;
    HRESULT Get_Path_(ISWbemObjectPath** objWbemObjectPath) override;
};

class TVelWbemObjectPathAdapter : public TInterfacedDispatch<ISWbemObjectPath> {
public:
    HRESULT Get_Path(WideString* strPath) override;
    HRESULT Set_Path(const WideString&) override { NotImplemented(u"Set_Path"); }
    HRESULT Get_RelPath(WideString* strRelPath) override;
    HRESULT Set_RelPath(const WideString&) override { NotImplemented(u"Set_RelPath"); }
    HRESULT Get_Server(WideString* strServer) override;
    HRESULT Set_Server(const WideString&) override { NotImplemented(u"Set_Server"); }
    HRESULT Get_Namespace(WideString* strNamespace) override;
    HRESULT Set_Namespace(const WideString&) override { NotImplemented(u"Set_Namespace"); }
    HRESULT Get_ParentNamespace(WideString* strParentNamespace) override;
    HRESULT Get_DisplayName(WideString* strDisplayName) override;
    HRESULT Set_DisplayName(const WideString&) override { NotImplemented(u"Set_DisplayName"); }
    // "NotUsed", whatever the object.
    HRESULT Get_Class_(WideString* strClass) override;
    HRESULT Set_Class_(const WideString&) override { NotImplemented(u"Set_Class_"); }
    HRESULT Get_IsClass(VARIANT_BOOL*) override { NotImplemented(u"Get_IsClass"); }
    HRESULT SetAsClass() override { NotImplemented(u"SetAsClass"); }
    HRESULT Get_IsSingleton(VARIANT_BOOL*) override { NotImplemented(u"Get_IsSingleton"); }
    HRESULT SetAsSingleton() override { NotImplemented(u"SetAsSingleton"); }
    HRESULT Get_Keys(ISWbemNamedValueSet** objWbemNamedValueSet) override;
    HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) override;
    HRESULT Get_Locale(WideString* strLocale) override;
    HRESULT Set_Locale(const WideString&) override { NotImplemented(u"Set_Locale"); }
    HRESULT Get_Authority(WideString* strAuthority) override;
    HRESULT Set_Authority(const WideString&) override { NotImplemented(u"Set_Authority"); }
};

} // namespace tarnwick::wsman
