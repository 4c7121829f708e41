#pragma once
// The WMI services object of a connection over WS-Management. It opens one session
// of the WS-Management component (CLSID_WSMan) when made and keeps it; ExecQuery
// runs a WQL query as an enumeration of the namespace's resource URI; Get hands
// out a placeholder object; every other operation throws "<name> not implemented".
//
// Failures: a component that cannot be created raises errors::TWmiException;
// any later component failure raises TWSManException (code and description). The
// adapter catches none of them and adds nothing to them.

#include "wmi/WbemScripting.h"
#include "wsman/VelInterfacedDispatch.h"
#include "wsman/WSManAutomation.h"

#include <cstdint>

namespace tarnwick::wsman {

using com::IDispatch;
using com::LONG;
using com::VARIANT_BOOL;
using wmi::ISWbemObject;
using wmi::ISWbemObjectSet;
using wmi::ISWbemSecurity;
using wmi::ISWbemServices;

// The domain of an authority text: the first "NTLMDOMAIN:" and then the first
// "kerberos:" removed, wherever they stand (ASCII case ignored).
WideString AuthorityDomain(WideStringView authority);

class TVelWbemToWsmanAdapter : public TInterfacedDispatch<ISWbemServices> {
public:
    // aLocale is accepted and not used.
    TVelWbemToWsmanAdapter(const WideString& aMachineName, std::int32_t aPort, const WideString& aNameSpace,
                           const WideString& aUserName, const WideString& aPassword,
                           const WideString& aLocale, const WideString& aAuthority, bool aEnforceKerberos,
                           bool aUseSSL);
    ~TVelWbemToWsmanAdapter();

    HRESULT Get(const WideString& strObjectPath, LONG iFlags, IDispatch* objWbemNamedValueSet,
                ISWbemObject** objWbemObject) override;
    HRESULT GetAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"GetAsync");
    }
    HRESULT Delete(const WideString&, LONG, IDispatch*) override { NotImplemented(u"Delete"); }
    HRESULT DeleteAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"DeleteAsync");
    }
    HRESULT InstancesOf(const WideString&, LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT InstancesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"InstancesOfAsync");
    }
    HRESULT SubclassesOf(const WideString&, LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT SubclassesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"SubclassesOfAsync");
    }
    HRESULT ExecQuery(const WideString& strQuery, const WideString& strQueryLanguage, LONG iFlags,
                      IDispatch* objWbemNamedValueSet, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT ExecQueryAsync(IDispatch*, const WideString&, const WideString&, LONG, IDispatch*,
                           IDispatch*) override {
        NotImplemented(u"ExecQueryAsync");
    }
    HRESULT AssociatorsOf(const WideString&, const WideString&, const WideString&, const WideString&,
                          const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&,
                          LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT AssociatorsOfAsync(IDispatch*, const WideString&, const WideString&, const WideString&,
                               const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                               const WideString&, const WideString&, LONG, IDispatch*, IDispatch*) override {
        NotImplemented(u"AssociatorsOfAsync");
    }
    HRESULT ReferencesTo(const WideString&, const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                         const WideString&, LONG, IDispatch*, ISWbemObjectSet** objWbemObjectSet) override;
    HRESULT ReferencesToAsync(IDispatch*, const WideString&, const WideString&, const WideString&,
                              VARIANT_BOOL, VARIANT_BOOL, const WideString&, LONG, IDispatch*,
                              IDispatch*) override {
        NotImplemented(u"ReferencesToAsync");
    }
    HRESULT ExecNotificationQuery(const WideString&, const WideString&, LONG, IDispatch*,
                                  IDispatch** objWbemEventSource) override;
    HRESULT ExecNotificationQueryAsync(IDispatch*, const WideString&, const WideString&, LONG, IDispatch*,
                                       IDispatch*) override {
        NotImplemented(u"ExecNotificationQueryAsync");
    }
    HRESULT ExecMethod(const WideString&, const WideString&, IDispatch*, LONG, IDispatch*,
                       ISWbemObject** objWbemOutParameters) override;
    HRESULT ExecMethodAsync(IDispatch*, const WideString&, const WideString&, IDispatch*, LONG, IDispatch*,
                            IDispatch*) override {
        NotImplemented(u"ExecMethodAsync");
    }
    HRESULT Get_Security_(ISWbemSecurity** objWbemSecurity) override;

private:
    com::TComPtr<IWSManSession> FIWsmanSession;
    WideString FNameSpace;
};

// Installs the factory through which a connection with UseWSMan makes its
// services object (wmi::SetWsmanServicesFactory).
void RegisterWsmanBridge();

} // namespace tarnwick::wsman
