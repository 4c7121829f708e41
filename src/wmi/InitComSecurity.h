#pragma once
// Per-thread preparation of COM for the WMI calls.

namespace tarnwick::wmi {

// Prepares COM on the calling thread once: the multithreaded apartment and the
// process-wide security (default authentication services and level, impersonation
// level 3). Failures of either call are ignored: a thread prepared elsewhere or a
// process whose security is already set does not stop the caller.
void EnsureComInitialized();
// At program end: uninitialises COM once for the calling thread when it was prepared.
void FinalizeComForThread();
// Whether this thread was prepared (for tests).
bool ComInitializedOnThisThread();

} // namespace tarnwick::wmi
