#include "wmi/WmiConnection.h"

#include "errors/WmiErr.h"

namespace tarnwick::wmi {

using errors::WmiCheck;

TWmiConnection::TWmiConnection(db::TComponent* owner)
    : db::TCustomConnection(owner), FWmiConnection(std::make_unique<TWmiComponent>()) {}

TWmiConnection::~TWmiConnection() {
    BeginDestroy();
    FCurrentObject.Reset();
    FWmiConnection.reset(); // releases the services object without notifications
}

bool TWmiConnection::GetConnected() {
    return FWmiConnection && FWmiConnection->Active();
}

void TWmiConnection::DoConnect() {
    FWmiConnection->SetActive(true);
}

void TWmiConnection::DoDisconnect() {
    FWmiConnection->SetActive(false);
    FCurrentObject.Reset();
}

void TWmiConnection::SetNameSpace(const WideString& value) {
    if (value != FWmiConnection->NameSpace()) FWmiConnection->SetNameSpace(value);
}

void TWmiConnection::SetObjectPath(const WideString& value) {
    FObjectPath = value;
    FCurrentObject.Reset();
}

bool TWmiConnection::ExecWQLQuery(const WideString& AQuery, TComPtr<ISWbemObjectSet>& wmiResult,
                                  std::int32_t iFlags, IDispatch* objWbemNamedValueSet) {
    wmiResult.Reset();
    const TComPtr<ISWbemServices>& services = FWmiConnection->WmiServices();
    if (!services) throw errors::TWmiException(u"Component is not Active.");
    WmiCheck(services->ExecQuery(AQuery, u"WQL", iFlags, objWbemNamedValueSet, wmiResult.Put()));
    return true;
}

TComPtr<ISWbemObject> TWmiConnection::GetWmiObject(const WideString& AObjectPath, std::int32_t aFlags) {
    if (!Connected() || AObjectPath.empty()) return nullptr;
    TComPtr<ISWbemObject> object;
    WmiCheck(FWmiConnection->WmiServices()->Get(AObjectPath, aFlags, nullptr, object.Put()));
    return object;
}

TComPtr<ISWbemObject> TWmiConnection::GetWmiObject() {
    if (Connected() && !FCurrentObject && !FObjectPath.empty())
        FCurrentObject = GetWmiObject(FObjectPath, wbemFlagUseAmendedQualifiers);
    return FCurrentObject;
}

} // namespace tarnwick::wmi
