// Transport failures and hostile replies: each ends in a clear error within a
// bounded time, never a crash or a hang.

#include "integration/wsmanhttp/EmulatorFixture.h"
#include "platform/com/ErrorInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace tarnwick::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr long Negotiate = wsman::WSManFlagUseNegotiate;

class WinRmTransport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FDir = new TTempDir();
        UseEmptyKerberosConfig(*FDir);
        setenv("TARNWICK_WINRM_TIMEOUT_MARGIN_MS", "500", 1);
        setenv("TARNWICK_WINRM_CONNECT_TIMEOUT_MS", "3000", 1);
    }
    static void TearDownTestSuite() {
        unsetenv("TARNWICK_WINRM_TIMEOUT_MARGIN_MS");
        unsetenv("TARNWICK_WINRM_CONNECT_TIMEOUT_MS");
        delete FDir;
        FDir = nullptr;
    }
    // Opens a session with a 1 s operation time-out (1.5 s per request) and runs one query.
    static TQueryResult Query(const std::string& connection, long flags = Negotiate) {
        TSessionResult s = OpenSession(connection, flags, TestUser, TestPassword);
        if (com::Failed(s.Code)) return {s.Code, s.Error, {}};
        EXPECT_EQ(s.Session->Set_Timeout(1000), 0);
        return RunQuery(s.Session.Get(), "SELECT * FROM Win32_Service");
    }
    static TTempDir* FDir;
};
TTempDir* WinRmTransport::FDir = nullptr;

TEST_F(WinRmTransport, RefusedPortNamesTheListener) {
    const int port = FreeLoopbackPort();
    auto start = Clock::now();
    TQueryResult q = Query("127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(unsigned(q.Code), 0x800704C9u) << q.Error;
    EXPECT_NE(q.Error.find("Cannot connect to the WinRM service (http://127.0.0.1:" + std::to_string(port) +
                           "/wsman)"),
              std::string::npos)
        << q.Error;
    EXPECT_NE(q.Error.find("winrm quickconfig"), std::string::npos);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

TEST_F(WinRmTransport, UnknownHostIsANameError) {
    TQueryResult q = Query("no-such-host.invalid");
    EXPECT_EQ(unsigned(q.Code), 0x80072EE7u) << q.Error;
    EXPECT_NE(q.Error.find("host name could not be resolved"), std::string::npos) << q.Error;
}

TEST_F(WinRmTransport, BadConnectionTextsAreRefusedAtOnce) {
    for (const char* text : {"host:0", "host:70000", "host:12ab", "[::1", "[zz::1]:5985", "bad host"}) {
        SCOPED_TRACE(text);
        TSessionResult s = OpenSession(text, Negotiate, TestUser, TestPassword);
        EXPECT_EQ(unsigned(s.Code), 0x80070057u) << s.Error;
        EXPECT_FALSE(s.Error.empty());
    }
}

TEST_F(WinRmTransport, ServerThatNeverAnswersIsBounded) {
    TEmulator emulator({"--hostile", "silent"});
    auto start = Clock::now();
    TQueryResult q = Query(emulator.Connection());
    auto took = Clock::now() - start;
    EXPECT_EQ(unsigned(q.Code), 0x80072EE2u) << q.Error;
    EXPECT_NE(q.Error.find("did not answer in time"), std::string::npos) << q.Error;
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(WinRmTransport, NegotiateOverIpv6Loopback) {
    TEmulator emulator({"--bind", "::1"});
    TSessionResult s =
        OpenSession("[::1]:" + std::to_string(emulator.Port()), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT Name FROM Win32_Service WHERE State = 'Running'");
    ASSERT_EQ(q.Code, 0) << q.Error;
    EXPECT_GT(q.Items.size(), 100u);
}

struct THostileCase {
    const char* Kind;
    com::HRESULT Code;
    com::HRESULT OtherCode; // a second acceptable code (time-out versus size cap), or 0
    const char* Text;
};

class WinRmHostile : public WinRmTransport, public ::testing::WithParamInterface<THostileCase> {};

TEST_P(WinRmHostile, EndsInAClearErrorWithoutHanging) {
    const THostileCase& c = GetParam();
    TEmulator emulator({"--hostile", c.Kind});
    auto start = Clock::now();
    TQueryResult q = Query(emulator.Connection());
    auto took = Clock::now() - start;
    EXPECT_TRUE(q.Code == c.Code || (c.OtherCode && q.Code == c.OtherCode))
        << std::hex << unsigned(q.Code) << " " << q.Error;
    EXPECT_NE(q.Error.find(c.Text), std::string::npos) << q.Error;
    EXPECT_LT(took, std::chrono::seconds(10));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, WinRmHostile,
    ::testing::Values(THostileCase{"truncated", com::Hr(0x8000FFFF), 0, "not valid WS-Management"},
                      THostileCase{"not-xml", com::Hr(0x8000FFFF), 0, "not valid WS-Management"},
                      THostileCase{"bad-length", com::Hr(0x80090308), 0, "does not match"},
                      THostileCase{"forged-signature", com::Hr(0x8009030F), 0, "does not verify"},
                      THostileCase{"wrong-type", com::Hr(0x80090308), 0, "in clear text"},
                      THostileCase{"huge", com::Hr(0x80338048), 0, "larger than 32 MB"},
                      THostileCase{"endless-chunks", com::Hr(0x80338048), com::Hr(0x80072EE2), "WinRM"},
                      THostileCase{"no-answer", com::Hr(0x80072EE2), 0, "did not answer in time"},
                      THostileCase{"wrong-relates", com::Hr(0x8000FFFF), 0, "answered another request"}),
    [](const auto& info) {
        std::string name = info.param.Kind;
        for (char& ch : name)
            if (ch == '-') ch = '_';
        return name;
    });

} // namespace
} // namespace tarnwick::testing
