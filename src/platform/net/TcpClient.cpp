#include "platform/net/TcpClient.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <utility>

namespace tarnwick::net {

namespace {

struct TAddrInfo { // RAII holder of getaddrinfo's list
    addrinfo* List = nullptr;
    ~TAddrInfo() {
        if (List) ::freeaddrinfo(List);
    }
};

struct TSocket { // closes the descriptor unless released
    int Fd = -1;
    ~TSocket() {
        if (Fd >= 0) ::close(Fd);
    }
    int Release() { return std::exchange(Fd, -1); }
};

// Connects fd to addr, waiting at most timeoutMs (0: as long as the system allows).
// Returns 0 or an errno value.
int ConnectOne(int fd, const addrinfo& addr, int timeoutMs) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, addr.ai_addr, addr.ai_addrlen);
    if (rc != 0 && errno != EINPROGRESS && errno != EINTR) return errno;
    if (rc != 0) {
        using Clock = std::chrono::steady_clock;
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            int wait = -1;
            if (timeoutMs > 0) {
                auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left <= 0) return ETIMEDOUT;
                wait = int(left);
            }
            pollfd p{fd, POLLOUT, 0};
            int n = ::poll(&p, 1, wait);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno;
            if (n == 0) return ETIMEDOUT;
            break;
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
        if (err != 0) return err;
    }
    ::fcntl(fd, F_SETFL, flags);
    return 0;
}

} // namespace

TTcpClient::~TTcpClient() {
    Disconnect();
}

void TTcpClient::Connect() {
    Disconnect();
    std::string where = FHost + ":" + std::to_string(FPort);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    TAddrInfo addresses;
    std::string port = std::to_string(FPort);
    int gai = ::getaddrinfo(FHost.c_str(), port.c_str(), &hints, &addresses.List);
    if (gai != 0) throw ETcpError(FromUtf8("Cannot resolve " + FHost + ": " + ::gai_strerror(gai)));
    int lastError = ECONNREFUSED;
    for (addrinfo* a = addresses.List; a; a = a->ai_next) {
        TSocket sock{::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol)};
        if (sock.Fd < 0) {
            lastError = errno;
            continue;
        }
        int err = ConnectOne(sock.Fd, *a, FConnectTimeout);
        if (err != 0) {
            lastError = err;
            continue;
        }
        if (FReadTimeout > 0) {
            timeval tv{FReadTimeout / 1000, (FReadTimeout % 1000) * 1000};
            ::setsockopt(sock.Fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        }
        FSocket = sock.Release();
        return;
    }
    throw ETcpError(FromUtf8("Cannot connect to " + where + ": " + std::strerror(lastError)));
}

void TTcpClient::Disconnect() {
    if (FSocket >= 0) {
        ::close(FSocket);
        FSocket = -1;
    }
}

} // namespace tarnwick::net
