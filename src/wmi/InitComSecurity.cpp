#include "wmi/InitComSecurity.h"

#include "platform/com/ComRuntime.h"

namespace tarnwick::wmi {
namespace {
thread_local bool tComInitialized = false;
}

void EnsureComInitialized() {
    if (tComInitialized) return;
    (void)com::CoInitializeEx(nullptr, com::COINIT_MULTITHREADED);
    (void)com::CoInitializeSecurity(nullptr, com::RPC_C_AUTHN_DEFAULT_LIST, nullptr, nullptr,
                                    com::RPC_C_AUTHN_LEVEL_DEFAULT, com::RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                    com::EOAC_NONE, nullptr);
    tComInitialized = true;
}

void FinalizeComForThread() {
    if (!tComInitialized) return;
    com::CoUninitialize();
    tComInitialized = false;
}

bool ComInitializedOnThisThread() {
    return tComInitialized;
}

} // namespace tarnwick::wmi
