#pragma once
// THttpTransport: HTTP/1.1 POSTs to one WinRM endpoint over one kept-alive libcurl
// connection (connection-bound authentication needs that). libcurl does no
// authentication of its own; the caller sets the Authorization header.
//
// Every wait is bounded: the connect time-out, and a whole-request time-out (which
// also ends a reply that trickles in forever). Replies larger than the cap are cut
// off with an error. TLS peers are verified against the system's CA store, plus
// TARNWICK_CA_FILE; TARNWICK_INSECURE=1 turns verification off (with a warning).

#include <memory>
#include <string>
#include <vector>

namespace tarnwick::wsmanhttp {

struct THttpSettings {
    long ConnectTimeoutMs = 30000;
    long RequestTimeoutMs = 70000;
    std::size_t MaxReplyBytes = 32u << 20;
    std::string CaFile;    // extra CA bundle (PEM)
    bool Insecure = false; // skip TLS verification
};

struct THttpResponse {
    long Status = 0;
    std::string ContentType;
    std::vector<std::string> WwwAuthenticate; // one entry per offered scheme (folded lists split)
    std::string Body;
    bool ConnectionClosed = false;
};

class THttpTransport {
public:
    THttpTransport(std::string url, THttpSettings settings);
    ~THttpTransport();
    THttpTransport(const THttpTransport&) = delete;
    THttpTransport& operator=(const THttpTransport&) = delete;

    // Throws TWinRmError for a failure below HTTP (DNS, connect, TLS, time-out, cap).
    THttpResponse Post(const std::vector<std::string>& headers, const std::string& body);

    const std::string& Url() const { return FUrl; }
    THttpSettings& Settings() { return FSettings; }
    // Local port of the last request (tests check that all legs share one connection).
    long LocalPort() const;
    // Connections opened so far (1 while keep-alive holds).
    long ConnectionsOpened() const { return FConnects; }

private:
    struct TCurlHandle;
    std::unique_ptr<TCurlHandle> FCurl;
    std::string FUrl;
    THttpSettings FSettings;
    long FConnects = 0;
};

// Reads TARNWICK_CA_FILE, TARNWICK_INSECURE and the time-out variables into settings.
void ApplyEnvironment(THttpSettings& settings);

} // namespace tarnwick::wsmanhttp
