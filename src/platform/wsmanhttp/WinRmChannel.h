#pragma once
// TWinRmChannel: one authenticated conversation with a WinRM service. It owns the
// HTTP connection and the security context, authenticates on first use (again if
// the service drops the context), seals and unseals bodies over plain HTTP, and
// hands back each reply parsed. HTTP-level failures become TWinRmError; a SOAP
// fault comes back as a reply for the caller to judge.

#include "platform/wsmanhttp/GssAuth.h"
#include "platform/wsmanhttp/HttpTransport.h"
#include "platform/wsmanhttp/WsmanEndpoint.h"
#include "platform/wsmanhttp/WsmanReply.h"

#include <memory>
#include <string>

namespace tarnwick::wsmanhttp {

enum class TAuthScheme { Negotiate, Kerberos, Basic };

struct TChannelOptions {
    TWsmanEndpoint Endpoint;
    TAuthScheme Scheme = TAuthScheme::Negotiate;
    std::string User;
    TSecret Password;
    std::string SpnHost; // empty: the endpoint's host (TARNWICK_WINRM_SPN_HOST overrides)
    unsigned OperationTimeoutMs = 60000;
    unsigned TimeoutMarginMs = 10000;
    THttpSettings Http;
};

// Options from the environment: time-outs, TLS switches, service name.
void ApplyEnvironment(TChannelOptions& options);

class TWinRmChannel {
public:
    explicit TWinRmChannel(TChannelOptions options);
    ~TWinRmChannel();

    // Sends one SOAP envelope and returns the parsed reply (a fault included).
    TWsmanReply Send(const std::string& soap);

    const TWsmanEndpoint& Endpoint() const { return FOptions.Endpoint; }
    unsigned OperationTimeoutMs() const { return FOptions.OperationTimeoutMs; }
    void SetOperationTimeoutMs(unsigned ms);
    // What authenticated this channel: "Negotiate/NTLM", "Kerberos/Kerberos", "Basic".
    std::string AuthDescription() const;
    bool Encrypting() const;
    THttpTransport& Transport() { return *FHttp; }

private:
    void Authenticate();
    [[noreturn]] void RaiseAccessDenied(const std::string& extra);
    [[noreturn]] void RaiseHttpStatus(const THttpResponse& r);
    std::string SchemeName() const;

    TChannelOptions FOptions;
    std::unique_ptr<THttpTransport> FHttp;
    std::unique_ptr<TGssAuth> FGss;
    bool FAuthenticated = false;
    bool FUseBasic = false;
};

} // namespace tarnwick::wsmanhttp
