#include "RunFixture.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CliOutput.h"
#include "app/cli/CliRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace tarnwick;
using namespace tarnwick::app;
using namespace tarnwick::app::cli;
using com::TVariant;

TEST(CliOptions, DefaultsMirrorTheWindow) {
    TParseResult r = ParseCommandLine({});
    ASSERT_TRUE(r.Options);
    const TRunInputs& in = r.Options->Inputs;
    EXPECT_TRUE(in.UseDcom);
    EXPECT_FALSE(in.PortScan);
    EXPECT_EQ(in.DomainPrefix, u"NTLMDOMAIN:");
    EXPECT_EQ(in.NameSpace, u"root\\cimV2");
    EXPECT_EQ(in.WsmanPort, 5985);
    EXPECT_EQ(in.CalcBase, 1);
    EXPECT_EQ(in.QueryText, u"");
    EXPECT_EQ(r.Options->Format, TOutputFormat::Table);
}

TEST(CliOptions, ValuesReachTheRunInputs) {
    TParseResult r = ParseCommandLine({"--host",
                                       "srv",
                                       "--user=alice",
                                       "--domain",
                                       "CORP",
                                       "--domain-prefix",
                                       "",
                                       "--namespace",
                                       "root\\default",
                                       "--wsman",
                                       "--port",
                                       "5986",
                                       "--ssl",
                                       "--kerberos",
                                       "--ca-file",
                                       "ca.pem",
                                       "--insecure",
                                       "--mode",
                                       "integer",
                                       "--format",
                                       "json",
                                       "--output",
                                       "o.json",
                                       "--quiet",
                                       "SELECT Name FROM Win32_Process"});
    ASSERT_TRUE(r.Options) << r.Error;
    const TRunInputs& in = r.Options->Inputs;
    EXPECT_EQ(in.Host, u"srv");
    EXPECT_EQ(in.User, u"alice");
    EXPECT_EQ(in.DomainPrefix, u"");
    EXPECT_FALSE(in.UseDcom);
    EXPECT_EQ(in.WsmanPort, 5986);
    EXPECT_TRUE(in.WsmanSsl);
    EXPECT_EQ(in.AuthenticationIndex, 1);
    EXPECT_EQ(in.CalcBase, 0);
    EXPECT_EQ(in.QueryText, u"SELECT Name FROM Win32_Process");
    EXPECT_EQ(r.Options->Format, TOutputFormat::Json);
    EXPECT_EQ(r.Options->OutputFile, "o.json");
    EXPECT_TRUE(r.Options->Quiet);
    EXPECT_EQ(r.Options->CaFile, "ca.pem");
    EXPECT_TRUE(r.Options->Insecure);

    r = ParseCommandLine({"--dcom", "--portscan", "--preset", "5", "--typed"});
    ASSERT_TRUE(r.Options) << r.Error;
    EXPECT_TRUE(r.Options->Inputs.PortScan);
    EXPECT_EQ(r.Options->Inputs.QueryText, u"SELECT *  FROM Win32_PerfRawData_Tcpip_NetworkInterface");
    EXPECT_EQ(r.Options->Inputs.CalcBase, 0);
}

TEST(CliOptions, BadUsageIsRefused) {
    const std::vector<std::vector<std::string>> cases = {
        {"--port", "0", "--wsman"},
        {"--port", "65536", "--wsman"},
        {"--port", "x", "--wsman"},
        {"--port", "5986"},
        {"--ssl"},
        {"--insecure"},
        {"--ca-file", "ca.pem"},
        {"--dcom", "--wsman"},
        {"--wsman", "--port-check"},
        {"--preset", "6"},
        {"--preset", "1", "SELECT 1"},
        {"A", "B"},
        {"--format", "xml"},
        {"--mode", "float"},
        {"--host"},
        {"--bogus"},
        {"--password", "secret", "--password-stdin"},
        {"--quiet=1"},
        {"--password-stdin", "--password-file", "f"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        TParseResult r = ParseCommandLine(args);
        EXPECT_FALSE(r.Options);
        EXPECT_FALSE(r.Error.empty());
        EXPECT_EQ(r.Error.find("secret"), std::string::npos); // never echoed
    }
}

namespace {

struct TCliRun {
    std::istringstream In;
    std::ostringstream Out, Err;
    std::string EnvPassword;
    bool HaveEnvPassword = false;
    int Code = -1;

    bool Terminal = false;

    int Run(const std::vector<std::string>& args) {
        TCliEnvironment env;
        env.ErrIsTerminal = Terminal;
        env.In = &In;
        env.Out = &Out;
        env.Err = &Err;
        env.PasswordFromEnvironment = [this](std::string& p) {
            p = EnvPassword;
            return HaveEnvPassword;
        };
        env.PromptPassword = [](std::string&) { return false; };
        return Code = RunCommandLine(args, env);
    }
};

class CliRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        Wbem.AddQueryResult(u"SELECT * FROM Win32_Process\r\n",
                            {app::testing::ProcessRow(u"1", 4), app::testing::ProcessRow(u"1234", 12),
                             fakes::Obj(u"Win32_Process",
                                        {fakes::Prop(u"Handle", wmi::wbemCimtypeString, TVariant(u"a;\"b\"")),
                                         fakes::Prop(u"ThreadCount", wmi::wbemCimtypeUint32, TVariant(1))})});
    }
    fakes::TFakeWbem Wbem;
    TCliRun Cli;
};

} // namespace

TEST_F(CliRunTest, TableCsvAndJson) {
    EXPECT_EQ(Cli.Run({"SELECT * FROM Win32_Process"}), 0) << Cli.Err.str();
    EXPECT_EQ(Cli.Out.str(),
              "Handle  ThreadCount\n------  -----------\n1       4\n1234    12\na;\"b\"   1\n");
    EXPECT_EQ(Cli.Err.str().rfind("Duration (ms): ", 0), 0u) << Cli.Err.str();

    TCliRun csv;
    EXPECT_EQ(csv.Run({"--format", "csv", "--quiet", "SELECT * FROM Win32_Process"}), 0);
    EXPECT_EQ(csv.Out.str(), "Handle;ThreadCount\r\n1;4\r\n1234;12\r\n\"a;\"\"b\"\"\";1\r\n");
    EXPECT_EQ(csv.Err.str(), "");

    TCliRun json;
    EXPECT_EQ(json.Run({"--format=json", "SELECT * FROM Win32_Process"}), 0);
    EXPECT_EQ(json.Out.str(),
              "[\n  {\"Handle\": \"1\", \"ThreadCount\": \"4\"},\n  {\"Handle\": \"1234\", "
              "\"ThreadCount\": \"12\"},\n  {\"Handle\": \"a;\\\"b\\\"\", \"ThreadCount\": \"1\"}\n]\n");
}

TEST_F(CliRunTest, AnErrorRowGivesExitStatusOneAndTheMessageWithTheHint) {
    Wbem.ConnectResult = com::HRESULT(0x8004100E);
    EXPECT_EQ(Cli.Run({"--namespace", "root\\nothere", "SELECT * FROM Win32_Process"}), 1);
    EXPECT_EQ(Cli.Out.str().rfind("Error: 8004100E: The namespace specified could not be found.", 0), 0u)
        << Cli.Out.str();
    EXPECT_NE(Cli.Err.str().find("8004100E: The namespace specified could not be found."), std::string::npos);
    EXPECT_NE(Cli.Err.str().find("Hint: the configured namespace is not the default root\\cimv2."),
              std::string::npos);
    EXPECT_EQ(Cli.Err.str().find("Duration"), std::string::npos);

    TCliRun json;
    EXPECT_EQ(json.Run({"--format", "json", "SELECT * FROM Win32_Process"}), 1);
    EXPECT_EQ(json.Out.str(), "[]\n");
}

TEST_F(CliRunTest, PasswordSources) {
    Cli.HaveEnvPassword = true;
    Cli.EnvPassword = "from-env";
    EXPECT_EQ(Cli.Run({"--user", "u", "--quiet", "SELECT * FROM Win32_Process"}), 0);
    ASSERT_EQ(Wbem.ConnectCalls.size(), 1u);
    EXPECT_EQ(Wbem.ConnectCalls[0].Password, u"from-env");

    TCliRun stdinRun;
    stdinRun.In.str("from-stdin\r\nsecond line\n");
    EXPECT_EQ(stdinRun.Run({"--user", "u", "--password-stdin", "--quiet", "SELECT * FROM Win32_Process"}), 0);
    EXPECT_EQ(Wbem.ConnectCalls.back().Password, u"from-stdin");

    TCliRun argument; // accepted, with a warning that does not repeat it
    EXPECT_EQ(argument.Run({"--user", "u", "--password", "from-argv", "--quiet", "SELECT * FROM Win32_Process"}),
              0);
    EXPECT_EQ(Wbem.ConnectCalls.back().Password, u"from-argv");
    EXPECT_NE(argument.Err.str().find("warning: a password on the command line"), std::string::npos);
    EXPECT_EQ(argument.Err.str().find("from-argv"), std::string::npos);

    TCliRun missing;
    EXPECT_EQ(missing.Run({"--password-file", "/nonexistent/pw", "SELECT * FROM Win32_Process"}), 2);
}

TEST_F(CliRunTest, HelpVersionAndUsage) {
    EXPECT_EQ(Cli.Run({"--help"}), 0);
    EXPECT_NE(Cli.Out.str().find("Usage: tarnwick-cli"), std::string::npos);
    TCliRun version;
    EXPECT_EQ(version.Run({"--version"}), 0);
    EXPECT_EQ(version.Out.str(), "tarnwick-cli 1.0.0.0\n");
    TCliRun bad;
    EXPECT_EQ(bad.Run({"--format", "xml"}), 2);
    EXPECT_NE(bad.Err.str().find("--format"), std::string::npos);
    EXPECT_TRUE(Wbem.ConnectCalls.empty());
}

TEST_F(CliRunTest, CountOnATerminalAndOutputFile) {
    char dir[] = "/tmp/app_cli.XXXXXX";
    ASSERT_TRUE(::mkdtemp(dir));
    std::string file = std::string(dir) + "/rows.csv";
    Cli.Terminal = true;
    EXPECT_EQ(Cli.Run({"--format", "csv", "--output", file, "SELECT * FROM Win32_Process"}), 0);
    EXPECT_EQ(Cli.Out.str(), "");
    std::string err = Cli.Err.str();
    EXPECT_EQ(err.rfind("\rResult count: ", 0), 0u) << err;
    EXPECT_NE(err.find("\r\033[K"), std::string::npos); // the count line is cleared at the end
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().rfind("Handle;ThreadCount\r\n1;4\r\n", 0), 0u);

    TCliRun quiet;
    quiet.Terminal = true;
    EXPECT_EQ(quiet.Run({"--quiet", "SELECT * FROM Win32_Process"}), 0);
    EXPECT_EQ(quiet.Err.str(), "");

    TCliRun unwritable;
    EXPECT_EQ(
        unwritable.Run({"--output", std::string(dir) + "/no/such/dir/x", "SELECT * FROM Win32_Process"}), 1);
    EXPECT_NE(unwritable.Err.str().find("cannot write"), std::string::npos);
    std::filesystem::remove_all(dir);
}
