#include "platform/net/TcpClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tarnwick;
using namespace tarnwick::net;

namespace {

// A listening loopback socket on a port of the system's choice; closed by the destructor.
struct TListener {
    int Fd = -1;
    std::uint16_t Port = 0;
    explicit TListener(bool listen = true) {
        Fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(Fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(Fd, reinterpret_cast<sockaddr*>(&a), &len);
        Port = ntohs(a.sin_port);
        if (listen) ::listen(Fd, 4);
    }
    ~TListener() { ::close(Fd); }
};

} // namespace

TEST(TcpClient, ConnectsToAListeningPortAndDisconnects) {
    TListener server;
    TTcpClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port);
    client.SetReadTimeout(5000);
    client.Connect();
    EXPECT_TRUE(client.Connected());
    client.Disconnect();
    EXPECT_FALSE(client.Connected());
}

TEST(TcpClient, RefusedPortThrowsQuicklyAndStaysDisconnected) {
    std::uint16_t port;
    {
        TListener bound(false); // bound but not listening: the port refuses
        port = bound.Port;
        TTcpClient client;
        client.SetHost("127.0.0.1");
        client.SetPort(port);
        auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(client.Connect(), ETcpError);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_FALSE(client.Connected());
    }
}

TEST(TcpClient, UnresolvableHostThrows) {
    TTcpClient client;
    client.SetHost("no-such-host.invalid");
    client.SetPort(135);
    client.SetConnectTimeout(2000);
    try {
        client.Connect();
        FAIL() << "connected";
    } catch (const ETcpError& e) {
        EXPECT_NE(e.Message().find(u"no-such-host.invalid"), WideString::npos);
    }
}
