// End to end: tarnwick-cli --wsman against the WinRM emulator prints the rows the
// bridge makes of the items, and a provider fault as an error.

#include "integration/wsmanhttp/EmulatorFixture.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

struct TCliRun {
    int Status;
    std::string Output;
};

TCliRun RunCli(const TEmulator& emulator, const TTempDir& dir, const std::string& query) {
    TCliRun run;
    // [::1]: the bridge treats 127.0.0.1 and localhost as the local computer (no credentials).
    run.Status =
        RunCommand({TARNWICK_CLI, "--wsman", "--host", "[::1]", "--port", std::to_string(emulator.Port()),
                    "--user", "alice", "--domain", "CORP", "--password-stdin", query},
                   std::string(TestPassword) + "\n", 30000,
                   {"KRB5_CONFIG=" + dir.File("krb5-empty.conf"), "QT_QPA_PLATFORM=offscreen"}, &run.Output);
    return run;
}

TEST(WinRmCli, WsmanQueryPrintsRowsAndFaults) {
    TTempDir dir;
    UseEmptyKerberosConfig(dir);
    TEmulator emulator({"--bind", "::1", "--services", "20"});
    TCliRun rows = RunCli(emulator, dir, "SELECT Name, State FROM Win32_Service WHERE StartMode = 'Auto'");
    EXPECT_EQ(rows.Status, 0) << rows.Output;
    EXPECT_NE(rows.Output.find("BFE"), std::string::npos) << rows.Output;
    EXPECT_NE(rows.Output.find("Running"), std::string::npos);
    EXPECT_EQ(rows.Output.find("AppReadiness"), std::string::npos) << "a Manual service is filtered out";

    TCliRun fault = RunCli(emulator, dir, "SELECT * FROM Win32_NoSuchClass");
    EXPECT_NE(fault.Status, 0);
    EXPECT_NE(fault.Output.find("The specified class does not exist in the given namespace"),
              std::string::npos)
        << fault.Output;
    EXPECT_EQ(fault.Output.find(TestPassword), std::string::npos);
}

} // namespace
} // namespace tarnwick::testing
