#include "app/startup/Platform.h"

#if defined(TARNWICK_HAVE_LOCALWMI) && __has_include("platform/localwmi/LocalWmi.h")
#define TARNWICK_REGISTER_LOCALWMI
#include "platform/localwmi/LocalWmi.h"
#endif
#if defined(TARNWICK_HAVE_WSMAN) && __has_include("wsman/VelWbemToWsmanAdapter.h")
#define TARNWICK_REGISTER_WSMAN
#include "wsman/VelWbemToWsmanAdapter.h"
#endif
#if defined(TARNWICK_HAVE_WSMANHTTP) && __has_include("platform/wsmanhttp/WinRmClient.h")
#define TARNWICK_REGISTER_WSMANHTTP
#include "platform/wsmanhttp/WinRmClient.h"
#endif

namespace tarnwick::app {

void RegisterPlatformBackends() {
#if defined(TARNWICK_REGISTER_LOCALWMI)
    localwmi::RegisterLocalWmi();
#endif
#if defined(TARNWICK_REGISTER_WSMAN)
    wsman::RegisterWsmanBridge();
#endif
#if defined(TARNWICK_REGISTER_WSMANHTTP)
    wsmanhttp::RegisterWinRmClient();
#endif
}

} // namespace tarnwick::app
