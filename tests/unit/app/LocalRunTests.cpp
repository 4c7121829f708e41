// tarnwick-cli against this computer through the local stand-in: the commands the
// README shows.

#include "app/cli/CliRun.h"
#include "platform/localwmi/LocalWmi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace tarnwick;
using namespace tarnwick::app::cli;

namespace {

struct TLocalCli {
    std::istringstream In;
    std::ostringstream Out, Err;
    int Run(const std::vector<std::string>& args) {
        TCliEnvironment env;
        env.In = &In;
        env.Out = &Out;
        env.Err = &Err;
        return RunCommandLine(args, env);
    }
};

class LocalRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { localwmi::RegisterLocalWmi(); }
};

} // namespace

TEST_F(LocalRunTest, DefaultQueryPrintsTheOperatingSystemRowAndItsDuration) {
    TLocalCli cli;
    ASSERT_EQ(cli.Run({}), 0) << cli.Err.str();
    std::string out = cli.Out.str();
    EXPECT_NE(out.find("Caption"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3); // header, dashes, one row
    EXPECT_EQ(cli.Err.str().rfind("Duration (ms): ", 0), 0u);
}

TEST_F(LocalRunTest, ProcessesAreListed) {
    TLocalCli cli;
    ASSERT_EQ(cli.Run({"--format", "json", "SELECT Name FROM Win32_Process"}), 0) << cli.Err.str();
    EXPECT_NE(cli.Out.str().find("{\"Name\": \""), std::string::npos);
}

TEST_F(LocalRunTest, BadNamespaceEndsWithTheErrorRowAndTheHint) {
    TLocalCli cli;
    EXPECT_EQ(cli.Run({"--namespace", "root\\nothere", "SELECT Name FROM Win32_Process"}), 1);
    EXPECT_EQ(cli.Out.str().rfind("Error: 8004100E: The namespace specified could not be found.", 0), 0u)
        << cli.Out.str();
    EXPECT_NE(cli.Err.str().find("\n\r\n\rHint: the configured namespace is not the default root\\cimv2."),
              std::string::npos);
}
