#pragma once
// Starting the WinRM emulator on loopback and opening sessions to it through the
// class registry, as the bridge does.

#include "integration/wsmanhttp/ProcessGuard.h"
#include "platform/com/ComPtr.h"
#include "wsman/WSManAutomation.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnwick::testing {

// Test-only accounts of the emulator; they exist nowhere else.
inline constexpr const char* TestUser = "CORP\\alice";
inline constexpr const char* TestPassword = "Emul4tor-Only!";
inline constexpr const char* EmulatorUsers = "CORP:alice:Emul4tor-Only!\n\n";

class TEmulator {
public:
    // Starts the emulator with the given options; throws when it does not come up in 10 s.
    explicit TEmulator(std::vector<std::string> options, const std::vector<std::string>& env = {});
    int Port() const { return FPort; }
    std::string Connection() const { return "127.0.0.1:" + std::to_string(FPort); }
    std::string ErrorOutput() { return FProcess->ErrorOutput(); }
    std::string WaitForLine(const std::string& prefix, int timeoutMs) {
        return FProcess->WaitForLine(prefix, timeoutMs);
    }

private:
    std::unique_ptr<TProcessGuard> FProcess;
    int FPort = 0;
};

struct TSessionResult {
    com::HRESULT Code = 0;
    std::string Error; // the thread's error text when Code is a failure
    com::TComPtr<wsman::IWSManSession> Session;
};

// Registers the WinRM client (once) and opens a session like the bridge does.
TSessionResult OpenSession(const std::string& connection, long flags, const std::string& user,
                           const std::string& password);

struct TQueryResult {
    com::HRESULT Code = 0;
    std::string Error;
    std::vector<std::string> Items;
};

// Enumerate + AtEndOfStream/ReadItem to the end (or to maxItems, then drops the enumerator).
TQueryResult RunQuery(wsman::IWSManSession* session, const std::string& wql, std::size_t maxItems = SIZE_MAX,
                      const std::string& nameSpace = "root/cimv2");

// A krb5.conf without realms, so Negotiate goes straight to NTLM (no KDC look-up).
void UseEmptyKerberosConfig(const TTempDir& dir);

std::string EmulatorScript();

} // namespace tarnwick::testing
