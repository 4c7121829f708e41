#include "wsman/VelWbemToWsmanAdapter.h"

#include "errors/WmiErr.h"
#include "platform/com/ClassRegistry.h"
#include "wmi/InitComSecurity.h"
#include "wmi/WsmanServicesFactory.h"
#include "wsman/VelWSManEnumeratorToWbemObjectSetAdapter.h"
#include "wsman/VelXMLToWbemObjectAdapter.h"
#include "wsman/WSManError.h"

namespace tarnwick::wsman {

namespace {

WideString RemoveFirst(WideStringView text, WideStringView what) {
    const std::size_t at = FindText(text, what);
    if (at == WideStringView::npos) return WideString(text);
    return WideString(text.substr(0, at)) + WideString(text.substr(at + what.size()));
}

bool IsLocalMachine(const WideString& machine) {
    return machine.empty() || machine == u"127.0.0.1" || machine == u"localhost";
}

// The interface an operation's dispatch result answers; a component that hands
// out something else fails like any component operation.
template <class I> com::TComPtr<I> Query(const com::TComPtr<IDispatch>& object) {
    com::TComPtr<I> result;
    WSManCall([&] { return object ? object.As(result) : com::E_POINTER; });
    return result;
}

} // namespace

WideString AuthorityDomain(WideStringView authority) {
    return RemoveFirst(RemoveFirst(authority, u"NTLMDOMAIN:"), u"kerberos:");
}

TVelWbemToWsmanAdapter::TVelWbemToWsmanAdapter(const WideString& aMachineName, std::int32_t aPort,
                                               const WideString& aNameSpace, const WideString& aUserName,
                                               const WideString& aPassword, const WideString&,
                                               const WideString& aAuthority, bool aEnforceKerberos,
                                               bool aUseSSL)
    : FNameSpace(aNameSpace) {
    wmi::EnsureComInitialized();
    com::TComPtr<IWSMan> wsman;
    errors::WmiCheck(
        com::CoCreateInstance(CLSID_WSMan, nullptr, WSManClassContext, IWSMan::iid, wsman.PutVoid()));

    const WideString domain = AuthorityDomain(aAuthority);
    com::TComPtr<IDispatch> optionsObject;
    WSManCall([&] { return wsman->CreateConnectionOptions(optionsObject.Put()); });
    com::TComPtr<IWSManConnectionOptions> options = Query<IWSManConnectionOptions>(optionsObject);

    LONG flags = 0;
    if (!aUserName.empty()) {
        WSManCall([&] { return options->Set_UserName(domain + u"\\" + aUserName); });
        WSManCall([&] { return options->Set_Password(aPassword); });
        flags |= WSManFlagCredUsernamePassword;
    }
    const bool kerberos = aEnforceKerberos || FindText(aAuthority, u"kerberos:") != WideStringView::npos;
    flags |= kerberos ? WSManFlagUseKerberos : WSManFlagUseNegotiate;
    if (aUseSSL) flags |= WSManFlagUseSsl;

    WideString connection = aMachineName;
    if (aPort > 0) {
        // An IPv6 literal gets its brackets, or "::1:5985" would name another address.
        if (connection.find(u':') != WideString::npos && connection.front() != u'[')
            connection = u"[" + connection + u"]";
        connection += u":" + IntToStr(aPort);
    }

    com::TComPtr<IDispatch> session;
    if (IsLocalMachine(aMachineName))
        WSManCall([&] { return wsman->CreateSession(WideString(), 0, nullptr, session.Put()); });
    else
        WSManCall(
            [&] { return wsman->CreateSession(connection, flags, optionsObject.Get(), session.Put()); });
    FIWsmanSession = Query<IWSManSession>(session);
}

TVelWbemToWsmanAdapter::~TVelWbemToWsmanAdapter() {
    FIWsmanSession.Reset();
}

HRESULT TVelWbemToWsmanAdapter::Get(const WideString&, LONG, IDispatch*, ISWbemObject** objWbemObject) {
    ClearOut(objWbemObject);
    return HandOut<ISWbemObject>(com::MakeCom<TVelWbemObjectAdapter>(), objWbemObject);
}

HRESULT TVelWbemToWsmanAdapter::InstancesOf(const WideString&, LONG, IDispatch*,
                                            ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"InstancesOf");
}

HRESULT TVelWbemToWsmanAdapter::SubclassesOf(const WideString&, LONG, IDispatch*,
                                             ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"SubclassesOf");
}

HRESULT TVelWbemToWsmanAdapter::ExecQuery(const WideString& strQuery, const WideString& strQueryLanguage,
                                          LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    if (!objWbemObjectSet) return com::E_POINTER;
    const com::TVariant resourceUri(WideString(WSManWmiResourceUriBase) +
                                    ReplaceAll(FNameSpace, u"\\", u"/") + u"/*");
    const WideString dialect = WideString(WSManDialectBase) + strQueryLanguage;
    com::TComPtr<IDispatch> resultSet;
    WSManCall([&] { return FIWsmanSession->Enumerate(resourceUri, strQuery, dialect, 0, resultSet.Put()); });
    com::TComPtr<IWSManEnumerator> enumerator = Query<IWSManEnumerator>(resultSet);
    return HandOut<ISWbemObjectSet>(
        com::MakeCom<TVelWSManEnumeratorAsWbemObjectSet>(std::move(enumerator), FIWsmanSession),
        objWbemObjectSet);
}

HRESULT TVelWbemToWsmanAdapter::AssociatorsOf(const WideString&, const WideString&, const WideString&,
                                              const WideString&, const WideString&, VARIANT_BOOL,
                                              VARIANT_BOOL, const WideString&, const WideString&, LONG,
                                              IDispatch*, ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"AssociatorsOf");
}

HRESULT TVelWbemToWsmanAdapter::ReferencesTo(const WideString&, const WideString&, const WideString&,
                                             VARIANT_BOOL, VARIANT_BOOL, const WideString&, LONG, IDispatch*,
                                             ISWbemObjectSet** objWbemObjectSet) {
    ClearOut(objWbemObjectSet);
    NotImplemented(u"ReferencesTo");
}

HRESULT TVelWbemToWsmanAdapter::ExecNotificationQuery(const WideString&, const WideString&, LONG, IDispatch*,
                                                      IDispatch** objWbemEventSource) {
    ClearOut(objWbemEventSource);
    NotImplemented(u"ExecNotificationQuery");
}

HRESULT TVelWbemToWsmanAdapter::ExecMethod(const WideString&, const WideString&, IDispatch*, LONG, IDispatch*,
                                           ISWbemObject** objWbemOutParameters) {
    ClearOut(objWbemOutParameters);
    NotImplemented(u"ExecMethod");
}

HRESULT TVelWbemToWsmanAdapter::Get_Security_(ISWbemSecurity** objWbemSecurity) {
    ClearOut(objWbemSecurity);
    NotImplemented(u"Get_Security_");
}

void RegisterWsmanBridge() {
    wmi::SetWsmanServicesFactory(
        [](const WideString& machineName, std::int32_t port, const WideString& nameSpace,
           const WideString& userName, const WideString& password, const WideString& locale,
           const WideString& authority, bool enforceKerberos, bool useSSL) -> com::TComPtr<ISWbemServices> {
            return com::MakeCom<TVelWbemToWsmanAdapter>(machineName, port, nameSpace, userName, password,
                                                        locale, authority, enforceKerberos, useSSL);
        });
}

} // namespace tarnwick::wsman
