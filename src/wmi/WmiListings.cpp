// The listings of TWmiComponent and TWmiConnection: the domains and computers of the
// directory service, and the accounts, logical disks, namespaces and classes that WMI
// answers.

#include "errors/WmiErr.h"
#include "wmi/ActiveDS.h"
#include "wmi/AdsErr.h"
#include "wmi/WmiConnection.h"
#include "wmi/WmiUtil.h"

namespace tarnwick::wmi {

using errors::WmiCheck;

namespace {

com::TComPtr<IADsContainer> AdsBindContainer(const TWmiCredentials& credentials, const WideString& path) {
    com::TComPtr<IADsContainer> container;
    TActiveDs& ads = TActiveDs::Instance();
    HRESULT hr;
    if (Trim(credentials.UserName()).empty()) {
        hr = ads.ADsGetObject(path, IADsContainer::iid, container.PutVoid());
    } else {
        const WideString& password = credentials.Password();
        hr = ads.ADsOpenObject(path, credentials.UserName(), password.empty() ? nullptr : &password, 0,
                               IADsContainer::iid, container.PutVoid());
    }
    AdsCheck(hr);
    if (!container) AdsCheck(com::E_POINTER);
    return container;
}

// Calls `each` with every object the enumerator yields. A failing Next ends the
// listing with TWmiException rather than passing for its end.
template <class Each> void ForEachObject(com::IEnumVARIANT* enumerator, Each each) {
    for (;;) {
        TVariant item;
        com::ULONG fetched = 0;
        HRESULT hr = enumerator->Next(1, &item, &fetched);
        WmiCheck(hr);
        if (hr != com::S_OK || fetched == 0) break;
        com::TComPtr<ISWbemObject> object;
        WmiCheck(com::TComPtr<IUnknown>(item.Unknown()).As(object));
        each(object.Get());
    }
}

TComPtr<com::IEnumVARIANT> ExecListingQuery(TWmiComponent& component, const WideString& query) {
    if (!component.Active()) TWmiComponent::RaiseNotActive();
    return WmiExecQueryEnum(component.WmiServices().Get(), query);
}

} // namespace

// ---- TWmiComponent ---------------------------------------------------------------------

void TWmiComponent::RaiseNotActive() {
    throw errors::TWmiException(u"Component is not Active.");
}

void TWmiComponent::ListDomains(std::vector<WideString>& AList) {
    com::TComPtr<IADsContainer> container = AdsBindContainer(Credentials(), u"WinNT:");
    AdsCheck(container->Set_Filter(TVariant(u"Domain")));
    AdsSetHints(container.Get(), {u"Name"});
    AdsListNames(container.Get(), AList);
}

void TWmiComponent::ListServers(std::vector<WideString>& AList) {
    ListServersInDomain(SystemInfo().DomainName(), AList);
}

void TWmiComponent::ListServersInDomain(const WideString& ADomain, std::vector<WideString>& AList) {
    com::TComPtr<IADsContainer> container = AdsBindContainer(Credentials(), u"WinNT://" + ADomain);
    AdsSetFilter(container.Get(), u"Computer");
    AdsSetHints(container.Get(), {u"Name"});
    AdsListNames(container.Get(), AList);
}

void TWmiComponent::ListAccounts(std::vector<WideString>& AList) {
    if (!Active()) RaiseNotActive();
    auto enumerator = ExecListingQuery(*this, u"select domain, name from Win32_Account");
    ForEachObject(enumerator.Get(), [&](ISWbemObject* object) {
        TComPtr<ISWbemPropertySet> properties;
        WmiCheck(object->Get_Properties_(properties.Put()));
        AList.push_back(WmiGetPropertyText(properties.Get(), u"Domain") + u"\\" +
                        WmiGetPropertyText(properties.Get(), u"Name"));
    });
}

void TWmiComponent::ListLogicalDisks(std::vector<WideString>& AList) {
    if (!Active()) RaiseNotActive();
    auto enumerator = ExecListingQuery(*this, u"select name from Win32_LogicalDisk");
    ForEachObject(enumerator.Get(), [&](ISWbemObject* object) {
        TComPtr<ISWbemPropertySet> properties;
        WmiCheck(object->Get_Properties_(properties.Put()));
        AList.push_back(WmiGetPropertyText(properties.Get(), u"Name"));
    });
}

// ---- TWmiConnection --------------------------------------------------------------------

void TWmiConnection::ListNameSpaces(std::vector<WideString>& AList) {
    if (!Connected()) return;
    TWmiConnection second;
    second.SetNameSpace(NameSpace());
    second.SetMachineName(MachineName());
    second.Credentials().Assign(Credentials());
    second.Open(); // over DCOM: the transport settings are not copied
    auto enumerator = WmiExecQueryEnum(second.WMIServices().Get(), u"select * from __NAMESPACE");
    ForEachObject(enumerator.Get(), [&](ISWbemObject* object) {
        TComPtr<ISWbemPropertySet> properties;
        WmiCheck(object->Get_Properties_(properties.Put()));
        AList.push_back(AsciiLowerCase(WmiGetPropertyText(properties.Get(), u"Name")));
    });
    second.Close();
}

void TWmiConnection::ListClasses(std::vector<WideString>& AList) {
    if (!Connected()) return;
    auto enumerator = WmiExecQueryEnum(WMIServices().Get(), u"select * from meta_class");
    ForEachObject(enumerator.Get(), [&](ISWbemObject* object) {
        TComPtr<ISWbemObjectPath> path;
        WmiCheck(object->Get_Path_(path.Put()));
        WideString className;
        WmiCheck(path->Get_Class_(&className));
        AList.push_back(className);
    });
}

} // namespace tarnwick::wmi
