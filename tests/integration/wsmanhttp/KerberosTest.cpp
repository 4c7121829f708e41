// The WinRM client with Kerberos against a throw-away realm: the Kerberos scheme
// with its own encryption protocol, Negotiate choosing Kerberos or NTLM, a wrong
// password, a service name for an IP target, and the ticket cache.

#include "integration/wsmanhttp/EmulatorFixture.h"
#include "integration/wsmanhttp/KerberosRealm.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarnwick::testing {
namespace {

class WinRmKerberos : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!TKerberosRealm::MissingTools().empty()) return;
        FRealm = new TKerberosRealm("alice", TestPassword);
        FRealm->UseInThisProcess();
        FEmulator = new TEmulator({}, FRealm->ServiceEnvironment());
    }
    static void TearDownTestSuite() {
        delete FEmulator;
        delete FRealm;
        FEmulator = nullptr;
        FRealm = nullptr;
        unsetenv("KRB5_CONFIG");
        unsetenv("KRB5CCNAME");
    }
    void SetUp() override {
        if (!FRealm)
            GTEST_SKIP() << "Kerberos KDC programs missing (" << TKerberosRealm::MissingTools()
                         << "): install krb5-kdc and krb5-admin-server";
        unsetenv("TARNWICK_WINRM_SPN_HOST");
    }
    static std::string Local() { return "localhost:" + std::to_string(FEmulator->Port()); }
    static TKerberosRealm* FRealm;
    static TEmulator* FEmulator;
};
TKerberosRealm* WinRmKerberos::FRealm = nullptr;
TEmulator* WinRmKerberos::FEmulator = nullptr;

struct TLogonCase {
    const char* Name;
    long Flags;
    const char* User;
    const char* LogonLine; // what the service saw
};

class WinRmLogons : public WinRmKerberos, public ::testing::WithParamInterface<TLogonCase> {};

TEST_P(WinRmLogons, QueryRunsSealedWithTheExpectedMechanism) {
    const TLogonCase& c = GetParam();
    TSessionResult s = OpenSession(Local(), c.Flags, c.User, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT * FROM Win32_Process");
    ASSERT_EQ(q.Code, 0) << q.Error << FEmulator->ErrorOutput();
    EXPECT_EQ(q.Items.size(), 120u);
    EXPECT_EQ(FEmulator->WaitForLine("authenticated ", 3000), c.LogonLine);
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, WinRmLogons,
    ::testing::Values(TLogonCase{"KerberosScheme", wsman::WSManFlagUseKerberos, "alice@TARN.TEST",
                                 "authenticated alice@TARN.TEST via kerberos Kerberos"},
                      TLogonCase{"KerberosDefaultRealm", wsman::WSManFlagUseKerberos, "\\alice",
                                 "authenticated alice@TARN.TEST via kerberos Kerberos"},
                      TLogonCase{"NegotiatePicksKerberos", wsman::WSManFlagUseNegotiate, "TARN.TEST\\alice",
                                 "authenticated alice@TARN.TEST via kerberos Negotiate"},
                      TLogonCase{"NegotiatePicksNtlmWithoutRealm", wsman::WSManFlagUseNegotiate,
                                 "CORP\\alice", "authenticated CORP\\alice via ntlm Negotiate"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(WinRmKerberos, WrongPasswordFailsAtTheKdcWithAClearText) {
    TSessionResult s = OpenSession(Local(), wsman::WSManFlagUseKerberos, "alice@TARN.TEST", "wrong-password");
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT * FROM Win32_Service");
    EXPECT_EQ(unsigned(q.Code), 0x8007052Eu) << q.Error;
    EXPECT_NE(q.Error.find("Kerberos logon of alice@TARN.TEST failed"), std::string::npos) << q.Error;
    EXPECT_EQ(q.Error.find("wrong-password"), std::string::npos);
}

TEST_F(WinRmKerberos, IpTargetNeedsAServiceNameOverride) {
    const std::string ip = "127.0.0.1:" + std::to_string(FEmulator->Port());
    {
        TSessionResult s = OpenSession(ip, wsman::WSManFlagUseKerberos, "alice@TARN.TEST", TestPassword);
        ASSERT_EQ(s.Code, 0) << s.Error;
        TQueryResult q = RunQuery(s.Session.Get(), "SELECT Name FROM Win32_Service");
        EXPECT_NE(q.Code, 0);
        EXPECT_NE(q.Error.find("TARNWICK_WINRM_SPN_HOST"), std::string::npos) << q.Error;
    }
    setenv("TARNWICK_WINRM_SPN_HOST", "localhost", 1);
    TSessionResult s = OpenSession(ip, wsman::WSManFlagUseKerberos, "alice@TARN.TEST", TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT Name FROM Win32_Service");
    EXPECT_EQ(q.Code, 0) << q.Error;
    EXPECT_EQ(q.Items.size(), 300u);
}

TEST_F(WinRmKerberos, TicketCacheServesWithoutPassword) {
    ASSERT_TRUE(FRealm->Kinit("alice", TestPassword));
    TSessionResult s = OpenSession(Local(), wsman::WSManFlagUseNegotiate, "", "");
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT Caption FROM Win32_OperatingSystem");
    EXPECT_EQ(q.Code, 0) << q.Error;
    EXPECT_EQ(q.Items.size(), 1u);
}

TEST_F(WinRmKerberos, AlteredSealedReplyIsRefused) {
    std::vector<std::string> env = FRealm->ServiceEnvironment();
    TEmulator forging({"--hostile", "forged-signature"}, env);
    TSessionResult s = OpenSession("localhost:" + std::to_string(forging.Port()), wsman::WSManFlagUseKerberos,
                                   "alice@TARN.TEST", TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT Name FROM Win32_Service");
    EXPECT_EQ(unsigned(q.Code), 0x8009030Fu) << q.Error;
    EXPECT_NE(q.Error.find("does not verify"), std::string::npos) << q.Error;
}

} // namespace
} // namespace tarnwick::testing
