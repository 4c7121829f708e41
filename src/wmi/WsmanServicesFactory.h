#pragma once
// How the connection reaches the WS-Management bridge without depending on it: the
// bridge installs a factory at start-up; until then the WS-Management transport
// raises a clear "not available" error.

#include "platform/com/ComPtr.h"
#include "wmi/WbemScripting.h"

#include <cstdint>
#include <functional>

namespace tarnwick::wmi {

using TWsmanServicesFactory = std::function<com::TComPtr<ISWbemServices>(
    const WideString& machineName, std::int32_t port, const WideString& nameSpace, const WideString& userName,
    const WideString& password, const WideString& locale, const WideString& authority, bool enforceKerberos,
    bool useSSL)>;

void SetWsmanServicesFactory(TWsmanServicesFactory factory);
const TWsmanServicesFactory& WsmanServicesFactory();

} // namespace tarnwick::wmi
