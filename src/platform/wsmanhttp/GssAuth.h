#pragma once
// TGssAuth: one GSS-API security context for HTTP Negotiate/Kerberos and for
// WinRM message encryption (wrap/unwrap) afterwards. Credentials come from a user
// name and password (acquired in memory) or, without a password, from the current
// Kerberos ticket cache.
//
// Negotiate chooses Kerberos when the user's realm has a KDC in the Kerberos
// configuration (or a ticket is in the cache), else NTLM through gss-ntlmssp with
// credentials for NTLM alone, so no KDC is contacted in vain.

#include "platform/wsmanhttp/Secret.h"

#include <memory>
#include <string>

namespace tarnwick::wsmanhttp {

enum class TAuthMech { Kerberos, Ntlm };

struct TGssRequest {
    std::string User;    // "DOMAIN\\user", "user@REALM" or "user"; empty = ticket cache
    TSecret Password;    // empty = ticket cache
    std::string SpnHost; // host part of the service name HTTP/host
    bool KerberosOnly = false;
};

class TGssAuth {
public:
    // Acquires credentials; throws TWinRmError (logon failure, no KDC, no ticket).
    explicit TGssAuth(const TGssRequest& request);
    ~TGssAuth();
    TGssAuth(const TGssAuth&) = delete;
    TGssAuth& operator=(const TGssAuth&) = delete;

    TAuthMech Mech() const { return FMech; }
    const char* MechName() const { return FMech == TAuthMech::Kerberos ? "Kerberos" : "NTLM"; }
    // Why Kerberos was not used under Negotiate (empty when it was, or not tried).
    const std::string& KerberosSkipped() const { return FKerberosSkipped; }

    // One leg: the server's token in (empty for the first), ours out (may be empty).
    std::string Step(const std::string& serverToken);
    bool Complete() const { return FComplete; }
    // Starts a fresh context with the same credentials (after the server dropped it).
    void Restart();

    // Seals one message: the signature/token header and the encrypted bytes.
    void Wrap(const std::string& plain, std::string& header, std::string& data);
    // Unseals header+data; throws TWinRmError(MessageAltered) when it does not verify.
    std::string Unwrap(const std::string& header, const std::string& data);

private:
    struct TState;
    std::unique_ptr<TState> FState;
    TAuthMech FMech = TAuthMech::Ntlm;
    bool FComplete = false;
    std::string FKerberosSkipped;
};

std::string Base64Encode(const std::string& bytes);
// Returns false for text that is not base64.
bool Base64Decode(std::string_view text, std::string& bytes);

} // namespace tarnwick::wsmanhttp
