#pragma once
// The WinRM endpoint named by a connection text: "host", "host:port", "[v6]" or
// "[v6]:port"; empty means the local computer. Also accepted: a full http(s) URL.

#include <string>
#include <string_view>

namespace tarnwick::wsmanhttp {

struct TWsmanEndpoint {
    std::string Host; // without brackets
    int Port = 0;
    bool Ssl = false;
    std::string Url; // http://host:port/wsman

    // The host as it appears in a URL (IPv6 literals in brackets).
    std::string UrlHost() const;
    // True when Host is an IPv4 or IPv6 literal (no Kerberos service name exists for it).
    bool HostIsAddress() const;
};

inline constexpr int WinRmHttpPort = 5985;
inline constexpr int WinRmHttpsPort = 5986;

// Throws TWinRmError (E_INVALIDARG) for a text that names no host and port.
TWsmanEndpoint ParseConnection(std::string_view connection, bool ssl);

} // namespace tarnwick::wsmanhttp
