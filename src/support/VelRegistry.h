#pragma once
// TVelRegistry: a key/value store with the interface of a registry access object that
// works in one of two modes, fixed when it is created:
// - registry mode: every operation goes to the registry (root key: local machine);
// - file mode: every operation goes to one process-wide INI file, "pod.reg", in the
//   directory that the registry value "RegPath" under "\software\Veltrano\" names.
//   Keys become sections (every "\WoW6432Node" removed, so the 32-bit and the 64-bit
//   view share one section; the empty key is the section "root"), value names become
//   keys, and line breaks in texts are kept as "#CRLF".
//
// Start-up and shutdown: Startup() runs the probe for "RegPath" once per process (the
// first Create runs it too when nobody did); it may create the key and the directory.
// Shutdown() releases the INI file at exit, under the store lock; every instance must
// be gone by then, and a later Create probes again.
//
// Guarantees:
// - File mode: reads of absent entries give empty text, 0, false or 0.0; every access
//   to the shared INI file is guarded by one process-wide TVelSRWLock (reads shared,
//   writes exclusive). An instance itself (its open key) is used by one thread at a time.
// - Registry mode: failures are the registry object's (opens answer false, typed reads
//   of missing or mistyped values throw registry::ERegistryException).

#include "platform/com/DateTime.h"
#include "support/VelRegistryAccess.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick::support {

class TVelRegistry {
public:
    explicit TVelRegistry(bool aForceRegistryMode = false);
    TVelRegistry(std::uint32_t aAccess, bool aForceRegistryMode);
    // An access mask alone would silently turn into aForceRegistryMode.
    explicit TVelRegistry(std::uint32_t aAccess) = delete;
    ~TVelRegistry(); // Flush
    TVelRegistry(const TVelRegistry&) = delete;
    TVelRegistry& operator=(const TVelRegistry&) = delete;

    // The start-up probe, once per process until Shutdown.
    static void Startup();
    // Releases the INI file (store lock taken with the label "TVelRegistry.shutdown").
    static void Shutdown();
    // What the probe found: whether file mode is available, and the INI file's path.
    static bool FileModeAvailable();
    static std::string IniPath();

    bool IsFileMode() const { return FFileMode; }
    std::uint32_t Rootkey() const { return FRootKey; }
    void SetRootkey(std::uint32_t value);
    // The current key (registry mode) or section (file mode).
    const WideString& CurrentKey() const { return FKey; }

    // File mode: writes the INI file's pending changes.
    void Flush();

    bool OpenKey(const WideString& aKey, bool aCanCreate);
    bool OpenKeyReadOnly(const WideString& aKey);
    void CloseKey();
    bool CreateKey(const WideString& aKey);
    bool KeyExists(const WideString& aKey);
    bool DeleteKey(const WideString& aKey);
    bool ValueExists(const WideString& aName);
    bool DeleteValue(const WideString& aName);
    // File mode: every section of the file, whatever key is open. Nothing without a list.
    void GetKeyNames(std::vector<WideString>* aList);
    void GetValuenames(std::vector<WideString>* aList);

    WideString ReadString(const WideString& aName);
    std::int32_t ReadInteger(const WideString& aName);
    bool ReadBool(const WideString& aName);
    TDateTime ReadDate(const WideString& aName);
    TDateTime ReadDateTime(const WideString& aName);
    void WriteString(const WideString& aName, const WideString& aValue);
    void WriteInteger(const WideString& aName, std::int32_t aValue);
    void WriteBool(const WideString& aName, bool aValue);
    void WriteDate(const WideString& aName, TDateTime aValue);
    void WriteDateTime(const WideString& aName, TDateTime aValue);

    // When the value exists: its typed read and true; otherwise the empty value and false.
    bool TryReadValueAsString(const WideString& aName, WideString& aValue);
    bool TryReadValueAsInteger(const WideString& aName, std::int32_t& aValue);
    bool TryReadValueAsBool(const WideString& aName, bool& aValue);
    bool TryReadValueAsDateTime(const WideString& aName, TDateTime& aValue);
    bool TryReadValueAsDate(const WideString& aName, TDateTime& aValue);
    WideString ReadValueAsStringOrDefault(const WideString& aName, const WideString& aDefault);
    std::int32_t ReadValueAsIntegerOrDefault(const WideString& aName, std::int32_t aDefault);
    bool ReadValueAsBoolOrDefault(const WideString& aName, bool aDefault);
    TDateTime ReadValueAsDateTimeOrDefault(const WideString& aName, TDateTime aDefault);
    TDateTime ReadValueAsDateOrDefault(const WideString& aName, TDateTime aDefault);

    // The section that a key maps to in file mode.
    static WideString SectionName(const WideString& aKey);

private:
    std::unique_ptr<TVelRegistryAccess> FReg;
    std::uint32_t FRootKey = 0;
    WideString FKey;
    bool FFileMode = false;
};

} // namespace tarnwick::support
