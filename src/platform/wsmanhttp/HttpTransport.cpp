#include "platform/wsmanhttp/HttpTransport.h"

#include "platform/wsmanhttp/WinRmError.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace tarnwick::wsmanhttp {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TSlist {
    curl_slist* List = nullptr;
    ~TSlist() { curl_slist_free_all(List); }
    void Append(const std::string& line) {
        curl_slist* next = curl_slist_append(List, line.c_str());
        if (!next) RaiseWinRm(com::E_OUTOFMEMORY, "Out of memory building an HTTP request");
        List = next;
    }
};

struct TReceive {
    THttpResponse* Response;
    std::size_t Cap;
    bool Overflow = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* r = static_cast<TReceive*>(user);
    size_t n = size * count;
    if (r->Response->Body.size() + n > r->Cap) {
        r->Overflow = true;
        return 0; // makes libcurl stop with CURLE_WRITE_ERROR
    }
    r->Response->Body.append(data, n);
    return n;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string TrimLine(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' '))
        s.remove_suffix(1);
    return std::string(s);
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* r = static_cast<THttpResponse*>(user);
    std::string_view line(data, size * count);
    if (StartsWithNoCase(line, "HTTP/")) { // a new response (e.g. after 100 Continue): start over
        r->WwwAuthenticate.clear();
        r->ContentType.clear();
        r->ConnectionClosed = false;
    } else if (StartsWithNoCase(line, "WWW-Authenticate:")) {
        // "Negotiate, Kerberos" folds several schemes into one line; a token never holds a comma.
        std::string value = TrimLine(line.substr(17));
        std::size_t start = 0;
        while (start <= value.size()) {
            std::size_t comma = value.find(',', start);
            std::string part = TrimLine(std::string_view(value).substr(start, comma - start));
            // Basic realm="a,b" must not be split: keep parameters with their scheme.
            if (!part.empty()) {
                if (!r->WwwAuthenticate.empty() && part.find('=') != std::string::npos &&
                    part.find(' ') == std::string::npos && part.back() != '=')
                    r->WwwAuthenticate.back() += ", " + part;
                else
                    r->WwwAuthenticate.push_back(part);
            }
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    } else if (StartsWithNoCase(line, "Content-Type:")) {
        r->ContentType = TrimLine(line.substr(13));
    } else if (StartsWithNoCase(line, "Connection:") && line.find("close") != std::string_view::npos) {
        r->ConnectionClosed = true;
    }
    return size * count;
}

int OnSocketOpened(void* user, curl_socket_t, curlsocktype) {
    ++*static_cast<long*>(user);
    return CURL_SOCKOPT_OK;
}

long EnvMs(const char* name, long fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    return (end && *end == 0 && n > 0) ? n : fallback;
}

} // namespace

struct THttpTransport::TCurlHandle {
    CURL* Handle = nullptr;
    char Error[CURL_ERROR_SIZE] = {};
    TCurlHandle() : Handle(curl_easy_init()) {}
    ~TCurlHandle() {
        if (Handle) curl_easy_cleanup(Handle);
    }
    TCurlHandle(const TCurlHandle&) = delete;
    TCurlHandle& operator=(const TCurlHandle&) = delete;
};

void ApplyEnvironment(THttpSettings& settings) {
    settings.ConnectTimeoutMs = EnvMs("TARNWICK_WINRM_CONNECT_TIMEOUT_MS", settings.ConnectTimeoutMs);
    if (const char* ca = std::getenv("TARNWICK_CA_FILE"); ca && *ca) settings.CaFile = ca;
    if (const char* insecure = std::getenv("TARNWICK_INSECURE"); insecure && std::strcmp(insecure, "1") == 0)
        settings.Insecure = true;
    if (const char* cap = std::getenv("TARNWICK_WINRM_MAX_REPLY_BYTES"); cap && *cap)
        settings.MaxReplyBytes =
            std::strtoull(cap, nullptr, 10) ? std::strtoull(cap, nullptr, 10) : settings.MaxReplyBytes;
}

THttpTransport::THttpTransport(std::string url, THttpSettings settings)
    : FUrl(std::move(url)), FSettings(std::move(settings)) {
    GlobalInit();
    FCurl = std::make_unique<TCurlHandle>();
    if (!FCurl->Handle) RaiseWinRm(com::E_OUTOFMEMORY, "Cannot create an HTTP client handle");
    if (FSettings.Insecure && FUrl.starts_with("https:"))
        std::fprintf(stderr, "warning: TLS certificate verification is off for %s (TARNWICK_INSECURE)\n",
                     FUrl.c_str());
}

THttpTransport::~THttpTransport() = default;

long THttpTransport::LocalPort() const {
    long port = 0;
    curl_easy_getinfo(FCurl->Handle, CURLINFO_LOCAL_PORT, &port);
    return port;
}

THttpResponse THttpTransport::Post(const std::vector<std::string>& headers, const std::string& body) {
    CURL* h = FCurl->Handle;
    THttpResponse response;
    TReceive receive{&response, FSettings.MaxReplyBytes};
    TSlist list;
    for (const auto& line : headers)
        list.Append(line);
    list.Append("Expect:"); // no 100-continue round trip
    list.Append("Accept-Encoding: identity");

    curl_easy_setopt(h, CURLOPT_URL, FUrl.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.List);
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_NONE);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    // Straight to the host, as WinRM clients do by default: connection-bound logons do not
    // survive a proxy, and an http_proxy meant for browsing must not capture the session.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, FSettings.ConnectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, FSettings.RequestTimeoutMs);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, FCurl->Error);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &receive);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &response);
    curl_easy_setopt(h, CURLOPT_SOCKOPTFUNCTION, OnSocketOpened);
    curl_easy_setopt(h, CURLOPT_SOCKOPTDATA, &FConnects);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, FSettings.Insecure ? 0L : 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, FSettings.Insecure ? 0L : 2L);
    if (!FSettings.CaFile.empty()) {
        // The extra CA replaces the bundle file; the system's hashed CA folder (CAPATH) stays.
        curl_easy_setopt(h, CURLOPT_CAINFO, FSettings.CaFile.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    FCurl->Error[0] = 0;
    CURLcode rc = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    if (rc == CURLE_OK) {
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.Status);
        return response;
    }
    std::string detail = FCurl->Error[0] ? FCurl->Error : curl_easy_strerror(rc);
    std::string where = " (" + FUrl + ")";
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        RaiseWinRm(codes::NameNotResolved, "The host name could not be resolved" + where +
                                               ": check the computer name and the DNS settings");
    case CURLE_COULDNT_CONNECT:
        RaiseWinRm(
            codes::ConnectionRefused,
            "Cannot connect to the WinRM service" + where + ": " + detail +
                ". Check that WinRM listens on this port (winrm quickconfig) and no firewall blocks it");
    case CURLE_OPERATION_TIMEDOUT:
        RaiseWinRm(codes::Timeout, "The WinRM service did not answer in time" + where + ": " + detail);
    case CURLE_WRITE_ERROR:
        if (receive.Overflow)
            RaiseWinRm(codes::ReplyTooLarge, "The WinRM reply is larger than " +
                                                 std::to_string(FSettings.MaxReplyBytes >> 20) + " MB" +
                                                 where);
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        if (detail.find("name") != std::string::npos || detail.find("match") != std::string::npos)
            RaiseWinRm(codes::CertificateNameInvalid,
                       "The server's TLS certificate does not match the host name" + where + ": " + detail);
        RaiseWinRm(codes::CertificateUntrusted, "The server's TLS certificate is not trusted" + where + ": " +
                                                    detail +
                                                    ". Add its CA with TARNWICK_CA_FILE, or "
                                                    "set TARNWICK_INSECURE=1 to skip the check");
    case CURLE_SSL_CONNECT_ERROR:
        if (detail.find("certificate") != std::string::npos)
            RaiseWinRm(codes::CertificateUntrusted, "The server's TLS certificate is not trusted" + where +
                                                        ": " + detail + ". Add its CA with TARNWICK_CA_FILE");
        RaiseWinRm(codes::SecureChannelError, "The TLS handshake failed" + where + ": " + detail +
                                                  ". Is this an HTTPS listener (port 5986)?");
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        RaiseWinRm(codes::ConnectionAborted,
                   "The WinRM service closed the connection" + where + ": " + detail);
    default:
        break;
    }
    RaiseWinRm(codes::DestinationUnreachable, "HTTP request failed" + where + ": " + detail);
}

} // namespace tarnwick::wsmanhttp
