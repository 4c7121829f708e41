// The WinRM client against the WinRM emulator on loopback: NTLM with message
// encryption over HTTP, enumeration in batches, faults and transport failures.

#include "integration/wsmanhttp/EmulatorFixture.h"

#include "platform/com/ErrorInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

namespace tarnwick::testing {
namespace {

constexpr long Negotiate = wsman::WSManFlagUseNegotiate;

class WinRmEmulator : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FDir = new TTempDir();
        UseEmptyKerberosConfig(*FDir);
        unsetenv("TARNWICK_WINRM_OPERATION_TIMEOUT_MS");
    }
    static void TearDownTestSuite() {
        delete FDir;
        FDir = nullptr;
    }
    static TTempDir* FDir;
};
TTempDir* WinRmEmulator::FDir = nullptr;

std::string NameOf(const std::string& item) {
    auto b = item.find(":Name>");
    if (b == std::string::npos) return {};
    b += 6;
    return item.substr(b, item.find('<', b) - b);
}

TEST_F(WinRmEmulator, NtlmOverHttpEnumeratesEveryServiceInSealedBatches) {
    TEmulator emulator({"--services", "300", "--max-envelope", "153600"});
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT * FROM Win32_Service");
    ASSERT_EQ(q.Code, 0) << q.Error << emulator.ErrorOutput();
    ASSERT_EQ(q.Items.size(), 300u);
    std::set<std::string> names;
    for (const auto& item : q.Items)
        names.insert(NameOf(item));
    EXPECT_EQ(names.size(), 300u) << "every row once, none lost between batches";
    // Each item stands alone: its namespaces are declared on it.
    const std::string& first = q.Items.front();
    EXPECT_EQ(first.rfind("<p:Win32_Service", 0), 0u) << first.substr(0, 200);
    EXPECT_NE(
        first.find("xmlns:p=\"http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/Win32_Service\""),
        std::string::npos);
    EXPECT_NE(first.find("xmlns:xsi="), std::string::npos);
    EXPECT_NE(first.find("<p:InstallDate xsi:nil=\"true\"/>"), std::string::npos);
    // Texts with markup characters arrive escaped, and unescape to the original.
    bool sawAmp = false;
    for (const auto& item : q.Items)
        sawAmp |= item.find("&amp; &lt;friends&gt;") != std::string::npos;
    EXPECT_TRUE(sawAmp);
}

TEST_F(WinRmEmulator, PropertyListAndArraysAndDatetimes) {
    TEmulator emulator({});
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult os =
        RunQuery(s.Session.Get(), "SELECT Caption, InstallDate, CSDVersion FROM Win32_OperatingSystem");
    ASSERT_EQ(os.Code, 0) << os.Error;
    ASSERT_EQ(os.Items.size(), 1u);
    EXPECT_EQ(os.Items[0].rfind("<w:XmlFragment", 0), 0u);
    EXPECT_NE(os.Items[0].find("<InstallDate><Datetime>2024-03-09T02:57:32Z</Datetime></InstallDate>"),
              std::string::npos);
    EXPECT_NE(os.Items[0].find("<CSDVersion xsi:nil=\"true\"/>"), std::string::npos);

    TQueryResult nic =
        RunQuery(s.Session.Get(), "SELECT * FROM Win32_NetworkAdapterConfiguration WHERE Index = 1");
    ASSERT_EQ(nic.Code, 0) << nic.Error;
    ASSERT_EQ(nic.Items.size(), 1u);
    std::size_t count = 0;
    for (std::size_t p = 0; (p = nic.Items[0].find("<p:DNSDomainSuffixSearchOrder>", p)) != std::string::npos;
         ++p)
        ++count;
    EXPECT_EQ(count, 4u) << "an array repeats its element once per value";
    EXPECT_NE(nic.Items[0].find("<p:WINSScopeID/>"), std::string::npos) << "an empty text, not a null";
}

struct TFaultCase {
    const char* Name;
    std::vector<std::string> Options;
    const char* Query;
    com::HRESULT Code;
    const char* Text;
};

class WinRmFaults : public WinRmEmulator, public ::testing::WithParamInterface<TFaultCase> {};

TEST_P(WinRmFaults, FaultBecomesCodeAndActionableText) {
    const TFaultCase& c = GetParam();
    TEmulator emulator(c.Options);
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), c.Query);
    EXPECT_EQ(unsigned(q.Code), unsigned(c.Code)) << q.Error;
    EXPECT_NE(q.Error.find(c.Text), std::string::npos) << q.Error;
}

INSTANTIATE_TEST_SUITE_P(
    Provider, WinRmFaults,
    ::testing::Values(
        TFaultCase{
            "InvalidClass",
            {},
            "SELECT * FROM Win32_Processa",
            com::Hr(0x80041010),
            "The specified class does not exist in the given namespace (WS-Management fault 0x8033801A "
            "CannotProcessFilter, WMI 0x80041010)"},
        TFaultCase{"AccessDenied",
                   {"--fault", "access-denied"},
                   "SELECT * FROM Win32_Service",
                   com::Hr(0x80041003),
                   "Access denied"},
        TFaultCase{"Quota",
                   {"--fault", "quota"},
                   "SELECT * FROM Win32_Service",
                   com::Hr(0x803381A6),
                   "maximum number of 15 concurrent operations"},
        TFaultCase{"TimedOutOnEnumerate",
                   {"--fault", "timed-out"},
                   "SELECT * FROM Win32_Service",
                   com::Hr(0x80338029),
                   "OperationTimeout"},
        TFaultCase{"PullTimesOutTooOften",
                   {"--timeouts", "9", "--services", "50"},
                   "SELECT * FROM Win32_Service",
                   com::Hr(0x80338029),
                   "TimedOut"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(WinRmEmulator, PullTimedOutIsRetriedBoundedTimes) {
    TEmulator emulator({"--timeouts", "2", "--services", "40"});
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT Name FROM Win32_Service");
    ASSERT_EQ(q.Code, 0) << q.Error;
    EXPECT_EQ(q.Items.size(), 40u);
}

TEST_F(WinRmEmulator, StopQueryReleasesTheEnumeration) {
    TEmulator emulator({"--services", "300", "--max-envelope", "20000"});
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q =
        RunQuery(s.Session.Get(), "SELECT * FROM Win32_Service", 5); // drops the enumerator early
    ASSERT_EQ(q.Code, 0) << q.Error;
    EXPECT_EQ(q.Items.size(), 5u);
    EXPECT_NE(emulator.WaitForLine("released uuid:", 5000), "") << emulator.ErrorOutput();
}

TEST_F(WinRmEmulator, DroppedConnectionLogsOnAgainAndGoesOn) {
    TEmulator emulator({"--services", "300", "--max-envelope", "20000", "--close-every", "2"});
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT * FROM Win32_Service");
    ASSERT_EQ(q.Code, 0) << q.Error << emulator.ErrorOutput();
    EXPECT_EQ(q.Items.size(), 300u);
    int logons = 0;
    while (!emulator.WaitForLine("authenticated ", 200).empty())
        ++logons;
    EXPECT_GT(logons, 2) << "each new connection authenticated afresh";
}

TEST_F(WinRmEmulator, NegotiateFallsBackToNtlmWhenTheKdcIsDown) {
    // The realm is configured, but nothing answers at its KDC.
    FDir->Write("krb5-dead-kdc.conf", "[libdefaults]\n  dns_lookup_kdc = false\n  udp_preference_limit = 1\n"
                                      "[realms]\n  CORP = {\n    kdc = 127.0.0.1:" +
                                          std::to_string(FreeLoopbackPort()) + "\n  }\n");
    setenv("KRB5_CONFIG", FDir->File("krb5-dead-kdc.conf").c_str(), 1);
    TEmulator emulator({"--services", "10"});
    auto start = std::chrono::steady_clock::now();
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT Name FROM Win32_Service");
    UseEmptyKerberosConfig(*FDir);
    ASSERT_EQ(q.Code, 0) << q.Error;
    EXPECT_EQ(q.Items.size(), 10u);
    EXPECT_EQ(emulator.WaitForLine("authenticated ", 3000), "authenticated CORP\\alice via ntlm Negotiate");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(WinRmEmulator, WrongPasswordIsAClearAccessDenied) {
    TEmulator emulator({});
    auto start = std::chrono::steady_clock::now();
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, "not-the-password");
    ASSERT_EQ(s.Code, 0) << s.Error; // the session is made without a round trip
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT * FROM Win32_Service");
    EXPECT_EQ(unsigned(q.Code), 0x80070005u) << q.Error;
    EXPECT_NE(q.Error.find("Access denied (HTTP 401) with Negotiate/NTLM as CORP\\alice"), std::string::npos)
        << q.Error;
    EXPECT_NE(q.Error.find("password is wrong"), std::string::npos);
    EXPECT_EQ(q.Error.find("not-the-password"), std::string::npos) << "the password never shows";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(WinRmEmulator, InvokeStartServiceReturnsTheOutputDocument) {
    TEmulator emulator({});
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    const WideString uri =
        WideString(wsman::WSManWmiResourceUriBase) + u"root/cimv2/Win32_Service?Name=Spooler";
    WideString out;
    ASSERT_EQ(s.Session->Invoke(u"StartService", com::TVariant(uri), WideString(), 0, &out), 0)
        << ToUtf8(com::TakeErrorInfo());
    EXPECT_NE(ToUtf8(out).find("<p:ReturnValue>0</p:ReturnValue>"), std::string::npos) << ToUtf8(out);
    EXPECT_EQ(ToUtf8(out).rfind("<p:StartService_OUTPUT", 0), 0u);
    // Now it runs: a second start answers 10 (already running), a normal reply.
    ASSERT_EQ(s.Session->Invoke(u"StartService", com::TVariant(uri), WideString(), 0, &out), 0);
    EXPECT_NE(ToUtf8(out).find("<p:ReturnValue>10</p:ReturnValue>"), std::string::npos);
    // An unknown service is a fault.
    const WideString bad =
        WideString(wsman::WSManWmiResourceUriBase) + u"root/cimv2/Win32_Service?Name=No%20Such";
    EXPECT_EQ(unsigned(s.Session->Invoke(u"StartService", com::TVariant(bad), WideString(), 0, &out)),
              0x8033811Au);
    EXPECT_TRUE(out.empty());
}

TEST_F(WinRmEmulator, TenThousandRowsArriveInBatches) {
    TEmulator emulator({"--services", "10000", "--max-envelope", "153600"});
    TSessionResult s = OpenSession(emulator.Connection(), Negotiate, TestUser, TestPassword);
    ASSERT_EQ(s.Code, 0) << s.Error;
    TQueryResult q = RunQuery(s.Session.Get(), "SELECT Name, State FROM Win32_Service");
    ASSERT_EQ(q.Code, 0) << q.Error;
    ASSERT_EQ(q.Items.size(), 10000u);
    EXPECT_NE(q.Items.back().find("<Name>DemoSvc09999</Name>"), std::string::npos) << q.Items.back();
}

} // namespace
} // namespace tarnwick::testing
