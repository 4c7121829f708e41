#include "fakes/FakeWbem.h"

#include "errors/WmiErr.h"
#include "wmi/WmiConnection.h"
#include "wmi/WsmanServicesFactory.h"

#include <gtest/gtest.h>

using namespace tarnwick;
using namespace tarnwick::wmi;
using com::TVariant;
using errors::TWmiException;
using fakes::Obj;
using fakes::Prop;

namespace {

const WideString AccountsQuery = u"select domain, name from Win32_Account";
const WideString DisksQuery = u"select name from Win32_LogicalDisk";

fakes::TFakeObjectSpec Account(const TVariant& domain, const WideString& name) {
    return Obj(u"Win32_UserAccount", {Prop(u"Domain", wbemCimtypeString, domain, {u"KEY"}),
                                      Prop(u"Name", wbemCimtypeString, TVariant(name), {u"KEY"})});
}

class WmiListingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FWbem.AddQueryResult(AccountsQuery,
                             {Account(TVariant(u"PC1"), u"alice"), Account(TVariant::Null(), u"SYSTEM"),
                              Account(TVariant(u"CORP"), u"bob")});
        FWbem.AddQueryResult(
            DisksQuery, {Obj(u"Win32_LogicalDisk", {Prop(u"Name", wbemCimtypeString, TVariant(u"C:"))}),
                         Obj(u"Win32_LogicalDisk", {Prop(u"Name", wbemCimtypeString, TVariant(u"D:"))})});
    }

    fakes::TFakeWbem FWbem;
};

TEST_F(WmiListingsTest, AccountsAreDomainBackslashNameAndAppended) {
    TWmiComponent component;
    component.SetActive(true);
    std::vector<WideString> list{u"first"};
    component.ListAccounts(list);
    EXPECT_EQ(list, (std::vector<WideString>{u"first", u"PC1\\alice", u"\\SYSTEM", u"CORP\\bob"}));
    ASSERT_EQ(FWbem.QueryCalls.size(), 1u);
    EXPECT_EQ(FWbem.QueryCalls[0].Query, AccountsQuery);
    EXPECT_EQ(FWbem.QueryCalls[0].Language, u"WQL");

    component.ListLogicalDisks(list);
    EXPECT_EQ(list.back(), u"D:");
    EXPECT_EQ(list.size(), 6u);
    EXPECT_EQ(FWbem.QueryCalls.back().Query, DisksQuery);
}

TEST_F(WmiListingsTest, InactiveComponentRaisesBeforeAnyCall) {
    TWmiComponent component;
    std::vector<WideString> list{u"kept"};
    for (auto listing : {&TWmiComponent::ListAccounts, &TWmiComponent::ListLogicalDisks}) {
        try {
            (component.*listing)(list);
            ADD_FAILURE() << "no exception";
        } catch (const TWmiException& e) {
            EXPECT_EQ(e.Message(), u"Component is not Active.");
            EXPECT_EQ(e.ErrorCode(), 0);
        }
    }
    EXPECT_TRUE(FWbem.ConnectCalls.empty());
    EXPECT_TRUE(FWbem.QueryCalls.empty());
    EXPECT_EQ(list, std::vector<WideString>{u"kept"});
}

TEST_F(WmiListingsTest, FailuresRaiseAndKeepWhatCameBefore) {
    TWmiComponent component;
    component.SetActive(true);
    std::vector<WideString> list;
    FWbem.FailNextAtRow = 2;
    FWbem.NextFailure = com::Hr(0x80041006);
    try {
        component.ListAccounts(list);
        ADD_FAILURE() << "a failing Next must not pass for the end of the accounts";
    } catch (const TWmiException& e) {
        EXPECT_EQ(e.ErrorCode(), com::Hr(0x80041006));
    }
    EXPECT_EQ(list, (std::vector<WideString>{u"PC1\\alice", u"\\SYSTEM"}));

    FWbem.FailNextAtRow = -1;
    FWbem.ExecQueryResult = com::Hr(0x80041003);
    EXPECT_THROW(component.ListLogicalDisks(list), TWmiException);
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(WmiListingsTest, ClosedConnectionListsNothing) {
    TWmiConnection connection;
    std::vector<WideString> list{u"kept"};
    connection.ListNameSpaces(list);
    connection.ListClasses(list);
    EXPECT_EQ(list, std::vector<WideString>{u"kept"});
    EXPECT_TRUE(FWbem.ConnectCalls.empty());
    EXPECT_TRUE(FWbem.QueryCalls.empty());
}

TEST_F(WmiListingsTest, ClassesAreTheClassNamesOfThePaths) {
    FWbem.AddQueryResult(u"select * from meta_class", {Obj(u"__SystemClass", {}, u"__SystemClass"),
                                                       Obj(u"Win32_Process", {}, u"Win32_Process")});
    TWmiConnection connection;
    connection.Open();
    std::vector<WideString> list{u"first"};
    connection.ListClasses(list);
    EXPECT_EQ(list, (std::vector<WideString>{u"first", u"__SystemClass", u"Win32_Process"}));
    EXPECT_EQ(FWbem.ConnectCalls.size(), 1u) << "on this connection";
}

// A connection over WS-Management still lists its namespaces over DCOM, with the same
// computer, namespace and credentials, and stays open on its own transport.
TEST_F(WmiListingsTest, NameSpacesAreListedOverDcomEvenForAWsmanConnection) {
    struct TRestoreFactory {
        TWsmanServicesFactory Previous = WsmanServicesFactory();
        ~TRestoreFactory() { SetWsmanServicesFactory(Previous); }
    } restore;
    int wsmanOpens = 0;
    SetWsmanServicesFactory([&](const WideString&, std::int32_t, const WideString&, const WideString&,
                                const WideString&, const WideString&, const WideString&, bool, bool) {
        ++wsmanOpens;
        TComPtr<ISWbemLocator> locator;
        EXPECT_GE(com::CoCreateInstance(CLSID_SWbemLocator, com::CLSCTX_ALL, locator), 0);
        TComPtr<ISWbemServices> services;
        locator->ConnectServer(u"wsman", u"", u"", u"", u"", u"", 0, nullptr, services.Put());
        return services;
    });
    FWbem.AddQueryResult(u"select * from __NAMESPACE",
                         {Obj(u"__NAMESPACE", {Prop(u"Name", wbemCimtypeString, TVariant(u"CIMV2"))}),
                          Obj(u"__NAMESPACE", {Prop(u"Name", wbemCimtypeString, TVariant(u"Ms_409"))})});
    TWmiConnection connection;
    connection.SetMachineName(u"server1");
    connection.SetNameSpace(u"root");
    connection.Credentials().SetUserName(u"bob");
    connection.Credentials().SetPassword(u"pw");
    connection.Credentials().SetAuthority(u"ntlmdomain:CORP");
    connection.SetUseWSMan(true);
    connection.Open();
    ASSERT_EQ(wsmanOpens, 1);
    FWbem.ConnectCalls.clear();

    std::vector<WideString> list;
    connection.ListNameSpaces(list);
    EXPECT_EQ(list, (std::vector<WideString>{u"cimv2", u"ms_409"}));
    EXPECT_EQ(wsmanOpens, 1) << "no second WS-Management session";
    ASSERT_EQ(FWbem.ConnectCalls.size(), 1u);
    const auto& call = FWbem.ConnectCalls[0];
    EXPECT_EQ(call.Server, u"server1");
    EXPECT_EQ(call.NameSpace, u"root");
    EXPECT_EQ(call.User, u"bob");
    EXPECT_EQ(call.Password, u"pw");
    EXPECT_EQ(call.Authority, u"ntlmdomain:CORP");
    EXPECT_TRUE(connection.Connected());
}

TEST_F(WmiListingsTest, ASecondConnectionThatFailsRaisesAndAddsNothing) {
    TWmiConnection connection;
    connection.Open();
    FWbem.ConnectResult = com::Hr(0x80041064);
    std::vector<WideString> list;
    EXPECT_THROW(connection.ListNameSpaces(list), TWmiException);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(connection.Connected());
}

} // namespace
