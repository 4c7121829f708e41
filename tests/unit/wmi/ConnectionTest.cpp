#include "errors/WmiErr.h"
#include "fakes/FakeWbem.h"
#include "platform/com/ComRuntime.h"
#include "wmi/InitComSecurity.h"
#include "wmi/WmiConnection.h"
#include "wmi/WmiUtil.h"
#include "wmi/WsmanServicesFactory.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tarnwick;
using namespace tarnwick::wmi;
using com::TVariant;

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    fakes::TFakeWbem wbem;
    TWmiConnection connection;
    int disconnected = 0;
    int connected = 0;
    std::vector<std::string> events;

    void SetUp() override {
        connection.Component().OnDisconnected = [this](TWmiAbstract&) { ++disconnected; };
        connection.Component().OnConnected = [this](TWmiAbstract&) { ++connected; };
        connection.BeforeConnect = [this](db::TCustomConnection&) { events.push_back("BeforeConnect"); };
        connection.AfterConnect = [this](db::TCustomConnection&) { events.push_back("AfterConnect"); };
        connection.BeforeDisconnect = [this](db::TCustomConnection&) {
            events.push_back("BeforeDisconnect");
        };
        connection.AfterDisconnect = [this](db::TCustomConnection&) { events.push_back("AfterDisconnect"); };
    }
};

TEST_F(ConnectionTest, NewConnectionHasTheDefaults) {
    TWmiComponent& c = connection.Component();
    EXPECT_EQ(c.NameSpace(), u"root\\cimv2");
    EXPECT_EQ(c.WSManPort(), 5985);
    EXPECT_FALSE(c.UseWSMan());
    EXPECT_FALSE(c.WSManUseSSL());
    EXPECT_FALSE(c.EnforceKerberos());
    EXPECT_TRUE(c.MachineName().empty());
    EXPECT_TRUE(c.Credentials().UserName().empty());
    EXPECT_TRUE(c.Credentials().Options().empty());
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(c.Active());
}

TEST_F(ConnectionTest, OpenCallsThePlatformInOrderWithItsArguments) {
    connection.SetMachineName(u"server1");
    connection.SetNameSpace(u"root\\default");
    connection.Credentials().SetUserName(u"admin");
    connection.Credentials().SetPassword(u"secret");
    connection.Credentials().SetAuthority(u"ntlmdomain:CORP");
    connection.Open();

    ASSERT_TRUE(connection.Connected());
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeConnect", "AfterConnect"}));
    EXPECT_EQ(connected, 1);
    ASSERT_EQ(wbem.ConnectCalls.size(), 1u);
    const fakes::TConnectCall& call = wbem.ConnectCalls[0];
    EXPECT_EQ(call.Server, u"server1");
    EXPECT_EQ(call.NameSpace, u"root\\default");
    EXPECT_EQ(call.User, u"admin");
    EXPECT_EQ(call.Password, u"secret");
    EXPECT_EQ(call.Locale, u"");
    EXPECT_EQ(call.Authority, u"ntlmdomain:CORP");
    EXPECT_EQ(call.SecurityFlags, 128);
    EXPECT_FALSE(call.HasContext); // empty options pass no context
    EXPECT_EQ(wbem.ImpersonationLevels, std::vector<com::LONG>{3});
    EXPECT_TRUE(ComInitializedOnThisThread());
}

TEST_F(ConnectionTest, OptionsBecomeTheNamedValueContext) {
    std::vector<WideString> options{u"a=1", u"B=x=y", u"b=2", u"c"};
    connection.Credentials().SetOptions(&options);
    connection.Open();
    ASSERT_EQ(wbem.ConnectCalls.size(), 1u);
    const auto& call = wbem.ConnectCalls[0];
    ASSERT_TRUE(call.HasContext);
    // Each line adds its name with the value of the first line of that name (case ignored);
    // a line without an equals sign has an empty name.
    std::vector<std::pair<WideString, TVariant>> expected{
        {u"a", TVariant(u"1")}, {u"B", TVariant(u"x=y")}, {u"b", TVariant(u"x=y")}, {u"", TVariant(u"")}};
    EXPECT_EQ(call.Context, expected);
}

TEST_F(ConnectionTest, FailedNamedValueSetLeavesTheConnectionClosed) {
    std::vector<WideString> options{u"a=1"};
    connection.Credentials().SetOptions(&options);
    wbem.CreateNamedValueSetResult = com::REGDB_E_CLASSNOTREG;
    EXPECT_THROW(connection.Open(), errors::TWmiException);
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(wbem.ConnectCalls.empty());
}

TEST_F(ConnectionTest, SettersCloseOnlyOnAnExactChange) {
    connection.SetMachineName(u"server1");
    connection.Open();
    connection.SetMachineName(u"server1");
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(disconnected, 0);

    connection.SetMachineName(u"SERVER1"); // case counts
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(disconnected, 1);

    connection.Open();
    connection.SetNameSpace(u"root\\cimv2");
    EXPECT_TRUE(connection.Connected());
    connection.SetNameSpace(u"ROOT\\cimv2");
    EXPECT_FALSE(connection.Connected());
}

TEST_F(ConnectionTest, TransportSettingsApplyAtTheNextOpen) {
    connection.Open();
    connection.SetWSManPort(5986);
    connection.SetUseWSMan(true);
    connection.SetWSManUseSSL(true);
    connection.SetEnforceKerberos(true);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(disconnected, 0);
    EXPECT_EQ(wbem.ConnectCalls.size(), 1u);
}

TEST_F(ConnectionTest, CredentialChangesCloseAndEqualAssignKeepsOpen) {
    connection.Credentials().SetUserName(u"u");
    connection.Open();

    TWmiCredentials same;
    same.SetUserName(u"u");
    connection.SetCredentials(same);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(disconnected, 0);

    for (auto change : {+[](TWmiCredentials& c) { c.SetPassword(u"p"); },
                        +[](TWmiCredentials& c) { c.SetLocale(u"MS_409"); },
                        +[](TWmiCredentials& c) { c.SetAuthority(u"CORP"); },
                        +[](TWmiCredentials& c) {
                            std::vector<WideString> options{u"a=1"};
                            c.SetOptions(&options);
                        }}) {
        connection.Open();
        change(connection.Credentials());
        EXPECT_FALSE(connection.Connected());
    }
    EXPECT_EQ(disconnected, 4);
}

TEST_F(ConnectionTest, AssignGoesThroughTheSettersInOrder) {
    TWmiCredentials source, target;
    std::vector<WideString> options{u"x=1"};
    source.SetAuthority(u"A");
    source.SetLocale(u"MS_409");
    source.SetOptions(&options);
    source.SetPassword(u"P");
    source.SetUserName(u"U");
    std::vector<WideString> seen;
    target.OnChange = [&](TWmiCredentials& c) {
        seen.push_back(c.Authority() + u"|" + c.Locale() + u"|" + IntToStr(std::int64_t(c.Options().size())) +
                       u"|" + c.Password() + u"|" + c.UserName());
    };
    target.Assign(source);
    EXPECT_EQ(seen, (std::vector<WideString>{u"A||0||", u"A|MS_409|0||", u"A|MS_409|1||", u"A|MS_409|1|P|",
                                             u"A|MS_409|1|P|U"}));
    target.Assign(source);
    EXPECT_EQ(seen.size(), 5u);
    target.Clear();
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_TRUE(target.UserName().empty());
    EXPECT_TRUE(target.Options().empty());
}

TEST_F(ConnectionTest, OpenAndCloseAreIdempotent) {
    connection.Open();
    connection.Open();
    EXPECT_EQ(wbem.ConnectCalls.size(), 1u);
    connection.Close();
    connection.Close();
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeConnect", "AfterConnect", "BeforeDisconnect",
                                                "AfterDisconnect"}));
    EXPECT_EQ(disconnected, 1);
}

TEST_F(ConnectionTest, RefusedConnectLeavesTheConnectionClosed) {
    connection.Credentials().SetUserName(u"admin"); // local computer with a user: passed as it is
    wbem.ConnectResult = com::Hr(0x80041064);
    try {
        connection.Open();
        FAIL() << "Open did not raise";
    } catch (const errors::TWmiException& e) {
        EXPECT_EQ(e.ErrorCode(), com::Hr(0x80041064));
        EXPECT_EQ(e.Message().substr(0, 10), u"80041064: ");
    }
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(events, std::vector<std::string>{"BeforeConnect"});
    EXPECT_EQ(connected, 0);
    ASSERT_EQ(wbem.ConnectCalls.size(), 1u);
    EXPECT_EQ(wbem.ConnectCalls[0].Server, u"");
    EXPECT_EQ(wbem.ConnectCalls[0].User, u"admin");
}

TEST_F(ConnectionTest, GetWmiObjectCachesUntilClose) {
    wbem.AddObject(u"Win32_OperatingSystem=@", fakes::Obj(u"Win32_OperatingSystem", {}));
    EXPECT_FALSE(connection.GetWmiObject(u"Win32_OperatingSystem=@", 0)); // not connected: no call
    connection.Open();
    EXPECT_FALSE(connection.GetWmiObject(u"", 0));
    EXPECT_TRUE(wbem.GetCalls.empty());

    connection.SetObjectPath(u"Win32_OperatingSystem=@");
    EXPECT_TRUE(connection.GetWmiObject());
    EXPECT_TRUE(connection.GetWmiObject());
    ASSERT_EQ(wbem.GetCalls.size(), 1u);
    EXPECT_EQ(wbem.GetCalls[0].Flags, 0x20000);

    connection.Close();
    EXPECT_FALSE(connection.GetWmiObject());
    connection.Open();
    EXPECT_TRUE(connection.GetWmiObject());
    EXPECT_EQ(wbem.GetCalls.size(), 2u);

    EXPECT_THROW(connection.GetWmiObject(u"Nope=1", 0), errors::TWmiException);
}

TEST_F(ConnectionTest, ExecWQLQueryPassesTheQueryUnchanged) {
    wbem.AddQueryResult(u" select * from Win32_Process ", {});
    connection.Open();
    com::TComPtr<ISWbemObjectSet> result;
    EXPECT_TRUE(connection.ExecWQLQuery(u" select * from Win32_Process ", result, 16, nullptr));
    EXPECT_TRUE(result);
    ASSERT_EQ(wbem.QueryCalls.size(), 1u);
    EXPECT_EQ(wbem.QueryCalls[0].Language, u"WQL");
    EXPECT_EQ(wbem.QueryCalls[0].Flags, 16);
    EXPECT_FALSE(wbem.QueryCalls[0].HasContext);

    EXPECT_THROW(connection.ExecWQLQuery(u"SELECT * FROM Nothing", result, 0, nullptr),
                 errors::TWmiException);
    EXPECT_FALSE(result);
}

TEST_F(ConnectionTest, ExecWQLQueryOnAClosedConnectionRaises) {
    com::TComPtr<ISWbemObjectSet> result;
    EXPECT_THROW(connection.ExecWQLQuery(u"SELECT * FROM Win32_Process", result, 0, nullptr),
                 errors::TWmiException);
}

TEST_F(ConnectionTest, WsmanTransportUsesTheFactoryWithItsArguments) {
    SetWsmanServicesFactory(nullptr);
    connection.SetUseWSMan(true);
    try {
        connection.Open();
        FAIL() << "Open did not raise";
    } catch (const errors::TWmiException& e) {
        EXPECT_NE(e.Message().find(u"not available"), WideString::npos);
    }
    EXPECT_FALSE(connection.Connected());

    std::vector<WideString> seen;
    SetWsmanServicesFactory([&](const WideString& machine, std::int32_t port, const WideString& ns,
                                const WideString& user, const WideString& password, const WideString& locale,
                                const WideString& authority, bool kerberos, bool ssl) {
        seen = {machine,          IntToStr(port), ns,        user,
                password,         locale,         authority, kerberos ? u"K" : u"-",
                ssl ? u"S" : u"-"};
        return WmiConnectLocal(); // any services object will do
    });
    std::vector<WideString> options{u"a=1"};
    connection.SetMachineName(u"host");
    connection.SetWSManPort(5986);
    connection.SetWSManUseSSL(true);
    connection.Credentials().SetUserName(u"u");
    connection.Credentials().SetPassword(u"p");
    connection.Credentials().SetLocale(u"MS_409");
    connection.Credentials().SetAuthority(u"kerberos:CORP");
    connection.Credentials().SetOptions(&options);
    connection.Open();
    SetWsmanServicesFactory(nullptr);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(seen, (std::vector<WideString>{u"host", u"5986", u"root\\cimv2", u"u", u"p", u"MS_409",
                                             u"kerberos:CORP", u"-", u"S"}));
}

TEST_F(ConnectionTest, DestroyingAnOpenConnectionFiresNoDisconnect) {
    auto local = std::make_unique<TWmiConnection>();
    int after = 0;
    local->AfterDisconnect = [&](db::TCustomConnection&) { ++after; };
    local->Component().OnDisconnected = [&](TWmiAbstract&) { ++after; };
    local->Open();
    local.reset();
    EXPECT_EQ(after, 0);
    EXPECT_EQ(fakes::TFakeWbem::LiveObjects(), 0);
}

TEST(ComInitialization, PreparesEachThreadOnce) {
    com::ResetComRuntimeTrace();
    std::thread([] {
        EnsureComInitialized();
        EnsureComInitialized();
        EXPECT_TRUE(ComInitializedOnThisThread());
        FinalizeComForThread();
        FinalizeComForThread();
    }).join();
    com::TComRuntimeTrace trace = com::ComRuntimeTrace();
    EXPECT_EQ(trace.InitializeCalls, 1);
    EXPECT_EQ(trace.LastCoInit, com::COINIT_MULTITHREADED);
    EXPECT_EQ(trace.SecurityCalls, 1);
    EXPECT_EQ(trace.LastAuthServiceCount, -1);
    EXPECT_EQ(trace.LastAuthnLevel, 0u);
    EXPECT_EQ(trace.LastImpLevel, 3u);
    EXPECT_EQ(trace.LastCapabilities, 0u);
    EXPECT_TRUE(trace.LastPointersNull);
    EXPECT_EQ(trace.UninitializeCalls, 1);
}

} // namespace
