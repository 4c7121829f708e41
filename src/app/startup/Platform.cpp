#include "app/startup/Platform.h"

#include "platform/localwmi/LocalWmi.h"
#include "platform/wsmanhttp/WinRmClient.h"
#include "support/VelRegistry.h"
#include "wmi/InitComSecurity.h"
#include "wsman/VelWbemToWsmanAdapter.h"

namespace tarnwick::app {

void RegisterPlatformBackends() {
    localwmi::RegisterLocalWmi();
    wsman::RegisterWsmanBridge();
    wsmanhttp::RegisterWinRmClient();
}

TProgramLifetime::TProgramLifetime() {
    RegisterPlatformBackends();
    support::TVelRegistry::Startup();
}

TProgramLifetime::~TProgramLifetime() {
    support::TVelRegistry::Shutdown();
    wmi::FinalizeComForThread();
}

} // namespace tarnwick::app
