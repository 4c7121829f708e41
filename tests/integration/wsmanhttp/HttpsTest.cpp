// The WinRM client over HTTPS with certificates made at test time: NTLM and Basic
// inside TLS, certificate trust (CA file, untrusted, wrong name, insecure switch),
// and Basic refused over plain HTTP.

#include "integration/wsmanhttp/EmulatorFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarnwick::testing {
namespace {

constexpr long NegotiateSsl = wsman::WSManFlagUseNegotiate | wsman::WSManFlagUseSsl;

class WinRmHttps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FDir = new TTempDir();
        UseEmptyKerberosConfig(*FDir);
        MakeCertificate("good", "localhost", "subjectAltName=DNS:localhost,IP:127.0.0.1");
        MakeCertificate("other", "other.example", "subjectAltName=DNS:other.example");
    }
    static void TearDownTestSuite() {
        delete FDir;
        FDir = nullptr;
    }
    void SetUp() override {
        unsetenv("TARNWICK_CA_FILE");
        unsetenv("TARNWICK_INSECURE");
    }
    void TearDown() override { SetUp(); }

    static void MakeCertificate(const std::string& name, const std::string& cn, const std::string& san) {
        std::string out;
        int rc =
            RunCommand({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-keyout", FDir->File(name + ".key"), "-out", FDir->File(name + ".pem"), "-subj",
                        "/CN=" + cn, "-addext", san, "-addext", "basicConstraints=critical,CA:TRUE"},
                       "", 30000, {}, &out);
        ASSERT_EQ(rc, 0) << out;
    }
    static std::vector<std::string> Tls(const std::string& name) {
        return {"--tls-cert", FDir->File(name + ".pem"), "--tls-key", FDir->File(name + ".key")};
    }
    static TTempDir* FDir;
};
TTempDir* WinRmHttps::FDir = nullptr;

TQueryResult QueryServices(const std::string& connection, long flags) {
    TSessionResult s = OpenSession(connection, flags, TestUser, TestPassword);
    if (com::Failed(s.Code)) return {s.Code, s.Error, {}};
    return RunQuery(s.Session.Get(), "SELECT Name FROM Win32_Service");
}

TEST_F(WinRmHttps, NtlmInsideTlsWithTheCaFile) {
    TEmulator emulator(Tls("good"));
    setenv("TARNWICK_CA_FILE", FDir->File("good.pem").c_str(), 1);
    TQueryResult q = QueryServices("localhost:" + std::to_string(emulator.Port()), NegotiateSsl);
    ASSERT_EQ(q.Code, 0) << q.Error << emulator.ErrorOutput();
    EXPECT_EQ(q.Items.size(), 300u);
    EXPECT_EQ(emulator.WaitForLine("authenticated ", 3000), "authenticated CORP\\alice via ntlm Negotiate");
}

TEST_F(WinRmHttps, BasicWhenTheServiceOffersNothingElse) {
    std::vector<std::string> options = Tls("good");
    options.insert(options.end(), {"--auth", "", "--basic"});
    TEmulator emulator(options);
    setenv("TARNWICK_CA_FILE", FDir->File("good.pem").c_str(), 1);
    TQueryResult q = QueryServices("127.0.0.1:" + std::to_string(emulator.Port()), NegotiateSsl);
    ASSERT_EQ(q.Code, 0) << q.Error << emulator.ErrorOutput();
    EXPECT_EQ(q.Items.size(), 300u);

    TSessionResult bad =
        OpenSession("127.0.0.1:" + std::to_string(emulator.Port()), NegotiateSsl, TestUser, "nope");
    ASSERT_EQ(bad.Code, 0);
    TQueryResult denied = RunQuery(bad.Session.Get(), "SELECT Name FROM Win32_Service");
    EXPECT_EQ(unsigned(denied.Code), 0x80070005u) << denied.Error;
    EXPECT_NE(denied.Error.find("with Basic as CORP\\alice"), std::string::npos) << denied.Error;
}

TEST_F(WinRmHttps, BasicIsNeverUsedOverPlainHttp) {
    TEmulator emulator({"--auth", "", "--basic", "--allow-unencrypted"});
    TQueryResult q = QueryServices(emulator.Connection(), wsman::WSManFlagUseNegotiate);
    EXPECT_EQ(unsigned(q.Code), 0x80070005u) << q.Error;
    EXPECT_NE(q.Error.find("it offers: Basic"), std::string::npos) << q.Error;
    EXPECT_NE(q.Error.find("Basic is never used over plain HTTP"), std::string::npos) << q.Error;
}

struct TTrustCase {
    const char* Name;
    const char* Certificate;
    const char* CaFile; // certificate name to trust, or ""
    bool Insecure;
    com::HRESULT Code;
    const char* Text;
};

class WinRmTrust : public WinRmHttps, public ::testing::WithParamInterface<TTrustCase> {};

TEST_P(WinRmTrust, CertificateChecks) {
    const TTrustCase& c = GetParam();
    TEmulator emulator(Tls(c.Certificate));
    if (*c.CaFile) setenv("TARNWICK_CA_FILE", FDir->File(std::string(c.CaFile) + ".pem").c_str(), 1);
    if (c.Insecure) setenv("TARNWICK_INSECURE", "1", 1);
    TQueryResult q = QueryServices("localhost:" + std::to_string(emulator.Port()), NegotiateSsl);
    EXPECT_EQ(unsigned(q.Code), unsigned(c.Code)) << q.Error;
    EXPECT_NE(q.Error.find(c.Text), std::string::npos) << q.Error;
}

INSTANTIATE_TEST_SUITE_P(Tls, WinRmTrust,
                         ::testing::Values(TTrustCase{"Untrusted", "good", "", false, com::Hr(0x80072F0D),
                                                      "TARNWICK_CA_FILE"},
                                           TTrustCase{"NameMismatch", "other", "other", false,
                                                      com::Hr(0x80072F06), "does not match the host name"},
                                           TTrustCase{"InsecureSkipsTheCheck", "other", "", true, 0, ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace tarnwick::testing
