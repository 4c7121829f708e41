#pragma once
// A throw-away MIT Kerberos realm on loopback for tests: database, KDC process,
// the test user and the service key of HTTP/localhost in a keytab. Everything
// lives in a private temporary folder and goes away with the object.

#include "integration/wsmanhttp/ProcessGuard.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnwick::testing {

class TKerberosRealm {
public:
    static constexpr const char* Realm = "TARN.TEST";

    // Empty when the KDC programs are not installed (the caller skips).
    static std::string MissingTools();

    // Creates the realm with user@REALM (password given) and starts the KDC; throws on failure.
    TKerberosRealm(const std::string& user, const std::string& password);
    ~TKerberosRealm();

    // KRB5_CONFIG=..., KRB5_KTNAME=... for the service (emulator).
    std::vector<std::string> ServiceEnvironment() const;
    // Points this process (the client) at the realm, with a private ticket cache.
    void UseInThisProcess() const;
    const std::string& ConfigFile() const { return FConfig; }
    // Runs kinit for the user (password through standard input); returns true on success.
    bool Kinit(const std::string& principal, const std::string& password) const;

private:
    TTempDir FDir;
    std::string FConfig;
    std::unique_ptr<TProcessGuard> FKdc;
};

} // namespace tarnwick::testing
