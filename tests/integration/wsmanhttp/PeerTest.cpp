// Cross-check with an independent client: Debian's python3-winrm, with its own NTLM
// and message encryption, runs a whole enumeration against the emulator. This proves
// the emulator's framing against a peer, not only against our client.

#include "integration/wsmanhttp/EmulatorFixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tarnwick::testing {
namespace {

// python3-winrm's NTLM needs MD4, which OpenSSL 3 keeps in its legacy provider.
std::string LegacyOpenSslConfig(const TTempDir& dir) {
    dir.Write("openssl-legacy.cnf", "openssl_conf = openssl_init\n[openssl_init]\nproviders = provider_sect\n"
                                    "[provider_sect]\ndefault = default_sect\nlegacy = legacy_sect\n"
                                    "[default_sect]\nactivate = 1\n[legacy_sect]\nactivate = 1\n");
    return dir.File("openssl-legacy.cnf");
}

TEST(WinRmPeer, PythonWinrmEnumeratesThroughTheEmulatorsEncryption) {
    if (access("/usr/lib/python3/dist-packages/winrm/protocol.py", R_OK) != 0)
        GTEST_SKIP() << "python3-winrm is not installed (apt-get install python3-winrm python3-xmltodict)";
    TTempDir dir;
    TEmulator emulator({"--services", "250", "--max-envelope", "153600"});
    const std::string url = "http://127.0.0.1:" + std::to_string(emulator.Port()) + "/wsman";
    std::string out;
    int rc = RunCommand({"/usr/bin/python3",
                         std::string(TARNWICK_SOURCE_DIR) + "/tests/integration/wsmanhttp/pywinrm_peer.py",
                         url, TestUser, "SELECT * FROM Win32_Service"},
                        std::string(TestPassword) + "\n", 60000, {"OPENSSL_CONF=" + LegacyOpenSslConfig(dir)},
                        &out);
    ASSERT_EQ(rc, 0) << out << emulator.ErrorOutput();
    EXPECT_NE(out.find("items 250 pulls "), std::string::npos) << out;
    EXPECT_EQ(out.find("pulls 0"), std::string::npos) << "the data came in more than one batch: " << out;
    EXPECT_EQ(emulator.WaitForLine("authenticated ", 3000), "authenticated CORP\\alice via ntlm Negotiate");
}

} // namespace
} // namespace tarnwick::testing
