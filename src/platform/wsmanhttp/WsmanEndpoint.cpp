#include "platform/wsmanhttp/WsmanEndpoint.h"

#include "platform/wsmanhttp/WinRmError.h"

#include <arpa/inet.h>

#include <cctype>

namespace tarnwick::wsmanhttp {

namespace {

bool ValidHostChars(std::string_view host) {
    if (host.empty() || host.size() > 253) return false;
    for (unsigned char c : host)
        if (!(std::isalnum(c) || c == '-' || c == '.' || c == '_')) return false;
    return host.front() != '-' && host.front() != '.';
}

int ParsePort(std::string_view text, std::string_view connection) {
    int port = 0;
    if (text.empty() || text.size() > 5) port = -1;
    for (char c : text) {
        if (port < 0) break;
        if (c < '0' || c > '9')
            port = -1;
        else
            port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535)
        RaiseWinRm(codes::InvalidArgument,
                   "The port in \"" + std::string(connection) + "\" is not a number from 1 to 65535");
    return port;
}

} // namespace

std::string TWsmanEndpoint::UrlHost() const {
    return Host.find(':') != std::string::npos ? "[" + Host + "]" : Host;
}

bool TWsmanEndpoint::HostIsAddress() const {
    unsigned char buf[16];
    return inet_pton(AF_INET, Host.c_str(), buf) == 1 || inet_pton(AF_INET6, Host.c_str(), buf) == 1;
}

TWsmanEndpoint ParseConnection(std::string_view connection, bool ssl) {
    TWsmanEndpoint e;
    std::string_view text = connection;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (text.starts_with("https://")) {
        ssl = true;
        text.remove_prefix(8);
    } else if (text.starts_with("http://")) {
        ssl = false;
        text.remove_prefix(7);
    }
    if (auto slash = text.find('/'); slash != std::string_view::npos) text = text.substr(0, slash);
    e.Ssl = ssl;
    e.Port = ssl ? WinRmHttpsPort : WinRmHttpPort;
    if (text.empty()) {
        e.Host = "localhost";
    } else if (text.front() == '[') {
        auto close = text.find(']');
        if (close == std::string_view::npos)
            RaiseWinRm(codes::InvalidArgument,
                       "The IPv6 address in \"" + std::string(connection) + "\" lacks its ']'");
        e.Host = std::string(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                RaiseWinRm(codes::InvalidArgument,
                           "Unexpected text after ']' in \"" + std::string(connection) + "\"");
            e.Port = ParsePort(rest.substr(1), connection);
        }
        unsigned char buf[16];
        if (inet_pton(AF_INET6, e.Host.c_str(), buf) != 1)
            RaiseWinRm(codes::InvalidArgument, "\"" + e.Host + "\" is not an IPv6 address");
    } else {
        auto colon = text.find(':');
        if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos) {
            // A bare IPv6 literal without brackets: take it whole, default port.
            e.Host = std::string(text);
            unsigned char buf[16];
            if (inet_pton(AF_INET6, e.Host.c_str(), buf) != 1)
                RaiseWinRm(codes::InvalidArgument,
                           "\"" + std::string(connection) +
                               "\" is neither host[:port] nor an IPv6 address in brackets");
        } else {
            e.Host = std::string(text.substr(0, colon));
            if (colon != std::string_view::npos) e.Port = ParsePort(text.substr(colon + 1), connection);
            if (!ValidHostChars(e.Host))
                RaiseWinRm(codes::InvalidArgument, "\"" + e.Host + "\" is not a valid host name");
        }
    }
    e.Url = std::string(ssl ? "https://" : "http://") + e.UrlHost() + ":" + std::to_string(e.Port) + "/wsman";
    return e;
}

} // namespace tarnwick::wsmanhttp
