#include "platform/com/ComRuntime.h"

#include <mutex>

namespace tarnwick::com {
namespace {
std::mutex gLock;
TComRuntimeTrace gTrace;
} // namespace

HRESULT CoInitializeEx(void* /*reserved*/, DWORD coInit) {
    std::lock_guard lock(gLock);
    ++gTrace.InitializeCalls;
    gTrace.LastCoInit = coInit;
    return S_OK;
}

HRESULT CoInitializeSecurity(void* securityDescriptor, LONG authServiceCount, void* authServices,
                             void* reserved1, DWORD authnLevel, DWORD impLevel, void* authList,
                             DWORD capabilities, void* reserved3) {
    std::lock_guard lock(gLock);
    ++gTrace.SecurityCalls;
    gTrace.LastAuthServiceCount = authServiceCount;
    gTrace.LastAuthnLevel = authnLevel;
    gTrace.LastImpLevel = impLevel;
    gTrace.LastCapabilities = capabilities;
    gTrace.LastPointersNull = !securityDescriptor && !authServices && !reserved1 && !authList && !reserved3;
    return S_OK;
}

void CoUninitialize() {
    std::lock_guard lock(gLock);
    ++gTrace.UninitializeCalls;
}

TComRuntimeTrace ComRuntimeTrace() {
    std::lock_guard lock(gLock);
    return gTrace;
}

void ResetComRuntimeTrace() {
    std::lock_guard lock(gLock);
    gTrace = TComRuntimeTrace();
}

} // namespace tarnwick::com
