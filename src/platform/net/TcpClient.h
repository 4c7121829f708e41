#pragma once
// TTcpClient: opens a TCP connection to a host and port and closes it again; used to
// check that a service accepts connections. Nothing is sent or received.
//
// Guarantees: Connect either leaves the client connected or throws ETcpError and
// leaves it disconnected; the socket is closed by Disconnect and by the destructor
// whatever happened. A connect time-out of 0 sets no limit of the client's own (the
// system's own connect limit applies, which is bounded).

#include "platform/com/Exception.h"

#include <cstdint>
#include <string>

namespace tarnwick::net {

class ETcpError : public Exception {
public:
    using Exception::Exception;
};

class TTcpClient {
public:
    TTcpClient() = default;
    ~TTcpClient();
    TTcpClient(const TTcpClient&) = delete;
    TTcpClient& operator=(const TTcpClient&) = delete;

    const std::string& Host() const { return FHost; }
    void SetHost(std::string host) { FHost = std::move(host); }
    std::uint16_t Port() const { return FPort; }
    void SetPort(std::uint16_t port) { FPort = port; }
    // Milliseconds; 0 means no limit of the client's own.
    int ConnectTimeout() const { return FConnectTimeout; }
    void SetConnectTimeout(int ms) { FConnectTimeout = ms; }
    // Milliseconds a read may wait (kept on the socket as its receive time-out).
    int ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(int ms) { FReadTimeout = ms; }

    // Resolves the host and tries each of its addresses in turn.
    void Connect();
    void Disconnect();
    bool Connected() const { return FSocket >= 0; }

private:
    std::string FHost;
    std::uint16_t FPort = 0;
    int FConnectTimeout = 0;
    int FReadTimeout = 0;
    int FSocket = -1;
};

} // namespace tarnwick::net
