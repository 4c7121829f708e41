// tarnwick-cli --list over the fake scripting objects.

#include "fakes/FakeWbem.h"

#include "app/cli/CliRun.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tarnwick;
using com::TVariant;
using fakes::Obj;
using fakes::Prop;

namespace {

struct TCli {
    std::ostringstream Out, Err;
    int Run(std::vector<std::string> args, std::string password = {}) {
        app::cli::TCliEnvironment env;
        env.Out = &Out;
        env.Err = &Err;
        env.PasswordFromEnvironment = [password](std::string& p) {
            p = password;
            return !password.empty();
        };
        return app::cli::RunCommandLine(args, env);
    }
};

class CliListTest : public ::testing::Test {
protected:
    void SetUp() override {
        FWbem.AddQueryResult(
            u"select domain, name from Win32_Account",
            {Obj(u"Win32_UserAccount", {Prop(u"Domain", wmi::wbemCimtypeString, TVariant(u"PC1")),
                                        Prop(u"Name", wmi::wbemCimtypeString, TVariant(u"root"))}),
             Obj(u"Win32_Group", {Prop(u"Domain", wmi::wbemCimtypeString, TVariant::Null()),
                                  Prop(u"Name", wmi::wbemCimtypeString, TVariant(u"wheel"))})});
        FWbem.AddQueryResult(
            u"select name from Win32_LogicalDisk",
            {Obj(u"Win32_LogicalDisk", {Prop(u"Name", wmi::wbemCimtypeString, TVariant(u"/"))})});
        FWbem.AddQueryResult(
            u"select * from __NAMESPACE",
            {Obj(u"__NAMESPACE", {Prop(u"Name", wmi::wbemCimtypeString, TVariant(u"CIMV2"))})});
        FWbem.AddQueryResult(u"select * from meta_class", {Obj(u"Win32_Process", {}, u"Win32_Process")});
    }
    fakes::TFakeWbem FWbem;
};

TEST_F(CliListTest, PrintsOneNameALine) {
    struct {
        const char* Listing;
        const char* Output;
    } const cases[] = {
        {"accounts", "PC1\\root\n\\wheel\n"},
        {"disks", "/\n"},
        {"namespaces", "cimv2\n"},
        {"classes", "Win32_Process\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Listing);
        TCli cli;
        EXPECT_EQ(cli.Run({"--list", c.Listing}), 0) << cli.Err.str();
        EXPECT_EQ(cli.Out.str(), c.Output);
    }
}

TEST_F(CliListTest, ConnectsWithTheOtherOptions) {
    TCli cli;
    ASSERT_EQ(cli.Run({"--host", "server1", "--user", "bob", "--domain", "CORP", "--namespace", "root",
                       "--list=namespaces"},
                      "pw"),
              0)
        << cli.Err.str();
    ASSERT_FALSE(FWbem.ConnectCalls.empty());
    for (const auto& call : FWbem.ConnectCalls) {
        EXPECT_EQ(call.Server, u"server1");
        EXPECT_EQ(call.User, u"bob");
        EXPECT_EQ(call.Password, u"pw");
        EXPECT_EQ(call.Authority, u"NTLMDOMAIN:CORP");
        EXPECT_EQ(call.NameSpace, u"root");
    }
}

TEST_F(CliListTest, BadUsageAndFailures) {
    struct {
        std::vector<std::string> Args;
        int Code;
        const char* ErrPart;
    } const cases[] = {
        {{"--list", "users"}, 2, "--list is accounts, disks, namespaces or classes"},
        {{"--list"}, 2, "--list needs a value"},
        {{"--list", "disks", "SELECT * FROM Win32_Process"}, 2, "--list runs no query"},
        {{"--list", "disks", "--preset", "1"}, 2, "--list runs no query"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ErrPart);
        TCli cli;
        EXPECT_EQ(cli.Run(c.Args), c.Code);
        EXPECT_NE(cli.Err.str().find(c.ErrPart), std::string::npos) << cli.Err.str();
        EXPECT_EQ(cli.Out.str(), "");
    }
    FWbem.ConnectResult = com::Hr(0x80041064);
    TCli cli;
    EXPECT_EQ(cli.Run({"--list", "accounts"}), 1);
    EXPECT_NE(cli.Err.str().find("80041064"), std::string::npos) << cli.Err.str();
    EXPECT_EQ(cli.Out.str(), "");
}

} // namespace
