#pragma once
// Thread initialisation and process security of the COM runtime. Without a COM
// runtime on the platform they do nothing and answer S_OK; each call is counted so
// that tests can see what the code asked for.

#include "platform/com/ComTypes.h"

namespace tarnwick::com {

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr LONG RPC_C_AUTHN_DEFAULT_LIST = -1;
inline constexpr DWORD RPC_C_AUTHN_LEVEL_DEFAULT = 0;
inline constexpr DWORD RPC_C_IMP_LEVEL_IMPERSONATE = 3;
inline constexpr DWORD EOAC_NONE = 0;

HRESULT CoInitializeEx(void* reserved, DWORD coInit);
HRESULT CoInitializeSecurity(void* securityDescriptor, LONG authServiceCount, void* authServices,
                             void* reserved1, DWORD authnLevel, DWORD impLevel, void* authList,
                             DWORD capabilities, void* reserved3);
void CoUninitialize();

// What the calls of this process asked for (for tests).
struct TComRuntimeTrace {
    int InitializeCalls = 0;
    DWORD LastCoInit = 0xFFFFFFFF;
    int SecurityCalls = 0;
    LONG LastAuthServiceCount = 0;
    DWORD LastAuthnLevel = 0xFFFFFFFF;
    DWORD LastImpLevel = 0xFFFFFFFF;
    DWORD LastCapabilities = 0xFFFFFFFF;
    bool LastPointersNull = true;
    int UninitializeCalls = 0;
};
TComRuntimeTrace ComRuntimeTrace();
void ResetComRuntimeTrace();

} // namespace tarnwick::com
