#include "platform/wsmanhttp/WinRmChannel.h"

#include "platform/wsmanhttp/MessageEncryption.h"
#include "platform/wsmanhttp/WinRmError.h"

#include <cstdlib>
#include <cstring>

namespace tarnwick::wsmanhttp {

namespace {

constexpr int MaxAuthLegs = 6;

unsigned EnvUnsigned(const char* name, unsigned fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    unsigned long n = std::strtoul(v, &end, 10);
    return (end && *end == 0 && n > 0 && n < 3600000ul) ? unsigned(n) : fallback;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The token the server sent for scheme, or nullopt when it did not name the scheme.
bool FindChallenge(const THttpResponse& r, std::string_view scheme, std::string& token) {
    for (const auto& entry : r.WwwAuthenticate) {
        if (!StartsWithNoCase(entry, scheme)) continue;
        if (entry.size() != scheme.size() && entry[scheme.size()] != ' ') continue;
        std::string_view b64 = std::string_view(entry).substr(scheme.size());
        while (!b64.empty() && b64.front() == ' ')
            b64.remove_prefix(1);
        token.clear();
        if (!b64.empty() && !Base64Decode(b64, token))
            RaiseWinRm(codes::InvalidToken, "The server sent an authentication token that is not base64");
        return true;
    }
    return false;
}

bool OffersScheme(const THttpResponse& r, std::string_view scheme) {
    for (const auto& entry : r.WwwAuthenticate)
        if (StartsWithNoCase(entry, scheme) && (entry.size() == scheme.size() || entry[scheme.size()] == ' '))
            return true;
    return false;
}

std::string Offered(const THttpResponse& r) {
    std::string list;
    for (const auto& e : r.WwwAuthenticate) {
        std::string scheme = e.substr(0, e.find(' '));
        if (list.find(scheme) != std::string::npos) continue;
        if (!list.empty()) list += ", ";
        list += scheme;
    }
    return list.empty() ? "none" : list;
}

} // namespace

void ApplyEnvironment(TChannelOptions& options) {
    ApplyEnvironment(options.Http);
    options.OperationTimeoutMs =
        EnvUnsigned("TARNWICK_WINRM_OPERATION_TIMEOUT_MS", options.OperationTimeoutMs);
    options.TimeoutMarginMs = EnvUnsigned("TARNWICK_WINRM_TIMEOUT_MARGIN_MS", options.TimeoutMarginMs);
    if (const char* spn = std::getenv("TARNWICK_WINRM_SPN_HOST"); spn && *spn) options.SpnHost = spn;
}

TWinRmChannel::TWinRmChannel(TChannelOptions options) : FOptions(std::move(options)) {
    if (FOptions.SpnHost.empty()) FOptions.SpnHost = FOptions.Endpoint.Host;
    FOptions.Http.RequestTimeoutMs = long(FOptions.OperationTimeoutMs) + long(FOptions.TimeoutMarginMs);
    FHttp = std::make_unique<THttpTransport>(FOptions.Endpoint.Url, FOptions.Http);
    if (FOptions.Scheme == TAuthScheme::Basic) {
        if (!FOptions.Endpoint.Ssl)
            RaiseWinRm(
                codes::AccessDenied,
                "Basic authentication is used only over HTTPS: it would send the password in clear text");
        FUseBasic = true;
    }
}

TWinRmChannel::~TWinRmChannel() = default;

void TWinRmChannel::SetOperationTimeoutMs(unsigned ms) {
    FOptions.OperationTimeoutMs = ms;
    FHttp->Settings().RequestTimeoutMs = long(ms) + long(FOptions.TimeoutMarginMs);
}

bool TWinRmChannel::Encrypting() const {
    return !FOptions.Endpoint.Ssl && !FUseBasic;
}

std::string TWinRmChannel::SchemeName() const {
    return FOptions.Scheme == TAuthScheme::Kerberos ? "Kerberos" : "Negotiate";
}

std::string TWinRmChannel::AuthDescription() const {
    if (FUseBasic) return "Basic";
    return SchemeName() + "/" + (FGss ? FGss->MechName() : "?");
}

void TWinRmChannel::RaiseAccessDenied(const std::string& extra) {
    std::string user = FOptions.User.empty() ? std::string("the current Kerberos ticket") : FOptions.User;
    std::string text = "Access denied (HTTP 401) with " + AuthDescription() + " as " + user + " at " +
                       FOptions.Endpoint.Url +
                       ": the user name, domain or password is wrong, or the account may not "
                       "use WinRM there (it must be an administrator or in Remote Management "
                       "Users)";
    if (FGss && !FGss->KerberosSkipped().empty() && FGss->Mech() == TAuthMech::Ntlm)
        text += "; Kerberos was not used: " + FGss->KerberosSkipped();
    RaiseWinRm(codes::AccessDenied, text + extra);
}

void TWinRmChannel::RaiseHttpStatus(const THttpResponse& r) {
    std::string at = " from " + FOptions.Endpoint.Url;
    switch (r.Status) {
    case 401:
        RaiseAccessDenied("");
    case 404:
        RaiseWinRm(codes::DestinationUnreachable,
                   "HTTP 404" + at + ": no WinRM listener serves this URL (wrong port or URL prefix?)");
    case 413:
        RaiseWinRm(codes::ReplyTooLarge,
                   "HTTP 413" + at + ": the request is larger than the service accepts");
    case 500:
        RaiseWinRm(codes::DestinationUnreachable,
                   "HTTP 500 without a SOAP fault" + at +
                       (Encrypting() ? std::string(": the service refused the request")
                                     : std::string(": the service may require message encryption")));
    default:
        break;
    }
    RaiseWinRm(codes::DestinationUnreachable, "Unexpected HTTP status " + std::to_string(r.Status) + at);
}

void TWinRmChannel::Authenticate() {
    FAuthenticated = false;
    if (FUseBasic) {
        FAuthenticated = true;
        return;
    }
    if (!FGss) {
        TGssRequest request;
        request.User = FOptions.User;
        request.Password = FOptions.Password;
        request.SpnHost = FOptions.SpnHost;
        request.KerberosOnly = FOptions.Scheme == TAuthScheme::Kerberos;
        FGss = std::make_unique<TGssAuth>(request);
    } else {
        FGss->Restart();
    }
    const std::string scheme = SchemeName();
    std::string token = FGss->Step({});
    for (int leg = 0; leg < MaxAuthLegs; ++leg) {
        std::vector<std::string> headers = {"Authorization: " + scheme + " " + Base64Encode(token),
                                            "Content-Type: application/soap+xml;charset=UTF-8"};
        THttpResponse r = FHttp->Post(headers, std::string());
        std::string challenge;
        bool named = FindChallenge(r, scheme, challenge);
        if (r.Status == 200) {
            if (named && !challenge.empty() && !FGss->Complete()) FGss->Step(challenge); // mutual auth / MIC
            FAuthenticated = true;
            return;
        }
        if (r.Status != 401) RaiseHttpStatus(r);
        if (!named && leg == 0) {
            bool basic = OffersScheme(r, "Basic");
            if (basic && FOptions.Endpoint.Ssl && !FOptions.Password.Empty()) {
                FUseBasic = true; // the service offers nothing else: Basic, over TLS only
                FAuthenticated = true;
                return;
            }
            RaiseWinRm(codes::AccessDenied, "The WinRM service at " + FOptions.Endpoint.Url +
                                                " does not accept " + scheme +
                                                " authentication (it offers: " + Offered(r) + ")" +
                                                (basic && !FOptions.Endpoint.Ssl
                                                     ? ". Basic is never used over plain HTTP: use HTTPS"
                                                     : ""));
        }
        if (!named || challenge.empty() || FGss->Complete()) RaiseAccessDenied("");
        token = FGss->Step(challenge);
        if (token.empty()) RaiseAccessDenied("");
    }
    RaiseAccessDenied(" (too many authentication legs)");
}

TWsmanReply TWinRmChannel::Send(const std::string& soap) {
    for (int attempt = 0;; ++attempt) {
        if (!FAuthenticated) Authenticate();
        std::vector<std::string> headers;
        std::string body;
        if (FUseBasic) {
            std::string pair = FOptions.User + ":" + FOptions.Password.Reveal();
            std::string header = "Authorization: Basic " + Base64Encode(pair);
            WipeBytes(pair.data(), pair.size());
            headers.push_back(header);
            WipeBytes(header.data(), header.size());
        }
        if (Encrypting()) {
            std::string sigHeader, data;
            FGss->Wrap(soap, sigHeader, data);
            const char* protocol =
                FOptions.Scheme == TAuthScheme::Kerberos ? KerberosEncrypted : SpnegoEncrypted;
            headers.push_back("Content-Type: " + EncryptedContentType(protocol));
            // Length counts the data as sealed: the plaintext plus any cipher padding (none for AES).
            body = FrameEncrypted(protocol, data.size(), sigHeader, data);
        } else {
            headers.push_back("Content-Type: application/soap+xml;charset=UTF-8");
            body = soap;
        }
        THttpResponse r = FHttp->Post(headers, Encrypting() ? body : soap);
        for (auto& h : headers)
            WipeBytes(h.data(), h.size());
        if (r.Status == 401 && attempt == 0 && !FUseBasic) {
            FAuthenticated = false; // the service lost our context (a new connection): log on again
            continue;
        }
        if (r.Status == 401) RaiseAccessDenied("");
        // The context is bound to this connection: when the service closes it, log on afresh next time.
        if (r.ConnectionClosed && !FUseBasic) FAuthenticated = false;
        std::string plain;
        if (StartsWithNoCase(r.ContentType, "multipart/encrypted")) {
            if (!FGss || !FGss->Complete())
                RaiseWinRm(codes::InvalidToken,
                           "The WinRM service sent an encrypted reply before authentication");
            TEncryptedPart part = ParseEncrypted(r.Body);
            plain = FGss->Unwrap(part.Header, part.Data);
            // Kerberos ciphers that pad (RC4) count the padding in Length; gss_unwrap strips it.
            const std::size_t slack = FGss->Mech() == TAuthMech::Kerberos ? 16 : 0;
            if (plain.size() > part.Length || part.Length - plain.size() > slack)
                RaiseWinRm(codes::InvalidToken, "The encrypted WinRM reply is malformed: its Length " +
                                                    std::to_string(part.Length) + " does not match the " +
                                                    std::to_string(plain.size()) + " bytes it holds");
        } else {
            if (Encrypting() && !r.Body.empty() && (r.Status == 200 || r.Status == 500))
                RaiseWinRm(codes::InvalidToken,
                           "The WinRM service answered an encrypted request in clear text (" +
                               (r.ContentType.empty() ? std::string("no type") : r.ContentType) +
                               "); refusing an unprotected reply");
            plain = std::move(r.Body);
        }
        if ((r.Status == 200 || r.Status == 500) && !plain.empty()) return TWsmanReply::Parse(plain);
        RaiseHttpStatus(r);
    }
}

} // namespace tarnwick::wsmanhttp
