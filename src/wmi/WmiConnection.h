#pragma once
// TWmiConnection: the dataset framework's connection over one owned TWmiComponent.
// Connected is the component's Active state; the window creates and configures
// it, the query dataset opens it.

#include "db/CustomConnection.h"
#include "wmi/WmiComponent.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarnwick::wmi {

class TWmiConnection : public db::TCustomConnection, public IWmiObjectSource {
public:
    explicit TWmiConnection(db::TComponent* owner = nullptr);
    ~TWmiConnection() override;

    TWmiComponent& Component() { return *FWmiConnection; }

    TWmiCredentials& Credentials() { return FWmiConnection->Credentials(); }
    void SetCredentials(const TWmiCredentials& value) { FWmiConnection->Credentials().Assign(value); }
    const WideString& MachineName() const { return FWmiConnection->MachineName(); }
    void SetMachineName(const WideString& value) { FWmiConnection->SetMachineName(value); }
    const WideString& NameSpace() const { return FWmiConnection->NameSpace(); }
    void SetNameSpace(const WideString& value);
    const TComPtr<ISWbemServices>& WMIServices() const { return FWmiConnection->WmiServices(); }
    void SetUseWSMan(bool value) { FWmiConnection->SetUseWSMan(value); }
    void SetWSManPort(std::int32_t value) { FWmiConnection->SetWSManPort(value); }
    void SetWSManUseSSL(bool value) { FWmiConnection->SetWSManUseSSL(value); }
    void SetEnforceKerberos(bool value) { FWmiConnection->SetEnforceKerberos(value); }

    const WideString& ObjectPath() const { return FObjectPath; }
    void SetObjectPath(const WideString& value);

    // ExecQuery with "WQL" on the services object; result holds the object set.
    // Always true when it returns; raises TWmiException on failure.
    bool ExecWQLQuery(const WideString& AQuery, TComPtr<ISWbemObjectSet>& wmiResult, std::int32_t iFlags,
                      IDispatch* objWbemNamedValueSet);
    // None without a call when not connected or the path is empty.
    TComPtr<ISWbemObject> GetWmiObject(const WideString& AObjectPath, std::int32_t aFlags);

    // Listings (WmiListings.cpp). Each appends to AList; the two below do nothing on
    // a closed connection. ListNameSpaces lists the namespaces below NameSpace, lower
    // case, through a second connection to the same computer that always uses DCOM;
    // ListClasses lists the class names of NameSpace.
    void ListServers(std::vector<WideString>& AList) { FWmiConnection->ListServers(AList); }
    void ListClasses(std::vector<WideString>& AList);
    void ListNameSpaces(std::vector<WideString>& AList);

    // IWmiObjectSource: the object for ObjectPath (fetched once with amended
    // qualifiers, cached until ObjectPath changes or the connection closes).
    TComPtr<ISWbemObject> GetWmiObject() override;
    TComPtr<ISWbemServices> GetWmiServices() override { return FWmiConnection->WmiServices(); }
    db::TComponent* GetImplementingComponent() override { return this; }

protected:
    void DoConnect() override;
    void DoDisconnect() override;
    bool GetConnected() override;

private:
    std::unique_ptr<TWmiComponent> FWmiConnection;
    WideString FObjectPath;
    TComPtr<ISWbemObject> FCurrentObject;
};

} // namespace tarnwick::wmi
