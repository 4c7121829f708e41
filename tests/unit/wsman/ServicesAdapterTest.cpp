// The services object over a WS-Management session: Create's rules call for call,
// ExecQuery, Get, refused operations and failures.

#include "errors/WmiErr.h"
#include "platform/com/ErrorInfo.h"
#include "unit/wsman/BridgeTestUtil.h"
#include "unit/wsman/FakeWSMan.h"
#include "wsman/VelWbemToWsmanAdapter.h"
#include "wsman/WSManError.h"

#include <gmock/gmock.h>

#include <functional>

namespace tarnwick::wsman::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using wmi::ISWbemServices;

const WideString WmiBase = u"http://schemas.microsoft.com/wbem/wsman/1/wmi/";

struct TCreateCase {
    const char* Label;
    const char16_t* Machine;
    std::int32_t Port;
    bool UseSSL;
    bool EnforceKerberos;
    const char16_t* Authority;
    const char16_t* UserName;
    // The component calls after the creation of the component object.
    std::vector<WideString> Calls;
};

std::vector<WideString> WithUser(const WideString& account, const WideString& session) {
    return {u"CreateConnectionOptions", u"Set_UserName|" + account, u"Set_Password", session};
}

const TCreateCase CreateCases[] = {
    // The examples.
    {"plain", u"server1", 5985, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|server1:5985|0x21000|options")},
    {"ssl", u"server1", 5986, true, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|server1:5986|0x8021000|options")},
    {"enforce kerberos", u"server1", 5985, false, true, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|server1:5985|0x81000|options")},
    {"kerberos authority", u"server1", 5985, false, false, u"kerberos:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|server1:5985|0x81000|options")},
    {"empty domain", u"server1", 5985, false, false, u"NTLMDOMAIN:", u"admin",
     WithUser(u"\\admin", u"CreateSession|server1:5985|0x21000|options")},
    {"no user, no port",
     u"server1",
     0,
     false,
     false,
     u"NTLMDOMAIN:CORP",
     u"",
     {u"CreateConnectionOptions", u"CreateSession|server1|0x20000|options"}},
    {"localhost", u"localhost", 5986, true, true, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession||0x0|no options")},
    // The edge cases.
    {"prefix in other case", u"server1", 5985, false, false, u"ntlmdomain:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|server1:5985|0x21000|options")},
    {"no prefix", u"server1", 5985, false, false, u"CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|server1:5985|0x21000|options")},
    {"prefix twice", u"server1", 5985, false, false, u"NTLMDOMAIN:NTLMDOMAIN:CORP", u"admin",
     WithUser(u"NTLMDOMAIN:CORP\\admin", u"CreateSession|server1:5985|0x21000|options")},
    {"prefix in the middle", u"server1", 5985, false, false, u"x NTLMDOMAIN:CORP", u"admin",
     WithUser(u"x CORP\\admin", u"CreateSession|server1:5985|0x21000|options")},
    {"kerberos prefix with a path", u"server1", 5985, false, false, u"KERBEROS:CORP\\dc1", u"admin",
     WithUser(u"CORP\\dc1\\admin", u"CreateSession|server1:5985|0x81000|options")},
    {"no user with kerberos",
     u"server1",
     5985,
     false,
     true,
     u"NTLMDOMAIN:CORP",
     u"",
     {u"CreateConnectionOptions", u"CreateSession|server1:5985|0x80000|options"}},
    {"LOCALHOST is remote", u"LOCALHOST", 5985, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|LOCALHOST:5985|0x21000|options")},
    {"blank before localhost", u" localhost", 5985, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession| localhost:5985|0x21000|options")},
    {"full stop is remote", u".", 5985, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|.:5985|0x21000|options")},
    {"empty machine", u"", 5985, true, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession||0x0|no options")},
    {"loopback address",
     u"127.0.0.1",
     5985,
     false,
     true,
     u"kerberos:CORP",
     u"",
     {u"CreateConnectionOptions", u"CreateSession||0x0|no options"}},
    {"negative port", u"server1", -1, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|server1|0x21000|options")},
    {"IPv6 literal", u"[fe80::1]", 5985, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|[fe80::1]:5985|0x21000|options")},
    {"IPv6 literal without brackets", u"::1", 5985, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|[::1]:5985|0x21000|options")},
    {"IPv6 literal without port", u"::1", 0, false, false, u"NTLMDOMAIN:CORP", u"admin",
     WithUser(u"CORP\\admin", u"CreateSession|::1|0x21000|options")},
};

class Create : public ::testing::TestWithParam<TCreateCase> {};

TEST_P(Create, MakesTheSessionAsTheSettingsSay) {
    const TCreateCase& c = GetParam();
    TFakeWSManRegistration fake;
    com::TComPtr<ISWbemServices> services =
        com::MakeCom<TVelWbemToWsmanAdapter>(c.Machine, c.Port, u"root\\cimv2", c.UserName, u"secret",
                                             u"MS_409", c.Authority, c.EnforceKerberos, c.UseSSL);
    EXPECT_THAT(fake.Script->Calls, ElementsAreArray(c.Calls));
    EXPECT_EQ(fake.Script->ComponentsMade, 1);
    EXPECT_EQ(fake.Script->Password, WideString(c.UserName).empty() ? u"" : u"secret");
    // Only the session is kept.
    EXPECT_EQ(fake.Script->LiveObjects, 1);
    services.Reset();
    EXPECT_EQ(fake.Script->LiveObjects, 0);
}

INSTANTIATE_TEST_SUITE_P(Settings, Create, ::testing::ValuesIn(CreateCases), [](const auto& info) {
    std::string name = info.param.Label;
    for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST(AuthorityDomain, RemovesTheFirstOfEachPrefix) {
    EXPECT_EQ(AuthorityDomain(u"kerberos:NTLMDOMAIN:CORP"), u"CORP");
    EXPECT_EQ(AuthorityDomain(u"NTLMDOMAIN:kerberos:kerberos:CORP"), u"kerberos:CORP");
    EXPECT_EQ(AuthorityDomain(u""), u"");
}

class Services : public ::testing::Test {
protected:
    TFakeWSManRegistration Fake;
    com::TComPtr<ISWbemServices> Make(const WideString& nameSpace = u"root\\cimV2") {
        auto services = com::MakeCom<TVelWbemToWsmanAdapter>(u"server1", 5985, nameSpace, u"admin", u"pw",
                                                             u"", u"NTLMDOMAIN:CORP", false, false);
        Fake.Script->Calls.clear();
        return services;
    }
};

TEST_F(Services, ExecQueryEnumeratesTheNamespacesResourceUri) {
    struct {
        const char16_t* NameSpace;
        WideString Uri;
    } cases[] = {
        {u"root\\cimV2", WmiBase + u"root/cimV2/*"},
        {u"\\root\\cimv2", WmiBase + u"/root/cimv2/*"},
        {u"root/cimv2", WmiBase + u"root/cimv2/*"},
        {u" Root\\Sub\\ ", WmiBase + u" Root/Sub/ /*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.NameSpace));
        auto services = Make(c.NameSpace);
        com::TComPtr<wmi::ISWbemObjectSet> set;
        ASSERT_EQ(services->ExecQuery(u"select * from Win32_Service", u"WQL", 0, nullptr, set.Put()),
                  com::S_OK);
        EXPECT_TRUE(set);
        EXPECT_THAT(Fake.Script->Calls, ElementsAre(u"Enumerate|" + c.Uri +
                                                    u"|select * from Win32_Service|"
                                                    u"http://schemas.microsoft.com/wbem/wsman/1/WQL|0x0"));
    }
}

TEST_F(Services, ExecQueryIgnoresFlagsAndContextAndReadsNoItem) {
    auto services = Make();
    auto context = com::MakeCom<TVelWbemObjectAdapter>(); // any dispatch object
    com::TComPtr<wmi::ISWbemObjectSet> first, second;
    services->ExecQuery(u"SELECT Name FROM Win32_Service", u"WQL", 16, nullptr, first.Put());
    services->ExecQuery(u"SELECT Name FROM Win32_Service", u"WQL", 48, context.Get(), second.Put());
    ASSERT_EQ(Fake.Script->Calls.size(), 2u);
    EXPECT_EQ(Fake.Script->Calls[0], Fake.Script->Calls[1]);
}

TEST_F(Services, EnumerateFailureLeavesTheServicesUsable) {
    auto services = Make();
    Fake.Script->Fail("Enumerate", com::Hr(0x80338000),
                      u"The WS-Management service cannot process the request. "
                      u"The WQL query is invalid. \r\n");
    wmi::ISWbemObjectSet* set = reinterpret_cast<wmi::ISWbemObjectSet*>(0x1);
    try {
        services->ExecQuery(u"select * from", u"WQL", 0, nullptr, &set);
        FAIL() << "no exception";
    } catch (const TWSManException& e) {
        EXPECT_EQ(e.ErrorCode(), com::Hr(0x80338000));
        EXPECT_EQ(e.Message(),
                  u"The WS-Management service cannot process the request. The WQL query is invalid");
    }
    EXPECT_EQ(set, nullptr);
    com::TComPtr<wmi::ISWbemObjectSet> again;
    EXPECT_EQ(services->ExecQuery(u"select * from Win32_Service", u"WQL", 0, nullptr, again.Put()),
              com::S_OK);
}

TEST_F(Services, GetHandsOutThePlaceholderForAnyPath) {
    auto services = Make();
    for (const char16_t* path : {u"", u"Win32_Service.Name=\"Spooler\""}) {
        com::TComPtr<wmi::ISWbemObject> object;
        ASSERT_EQ(services->Get(path, 0x20000, nullptr, object.Put()), com::S_OK);
        com::TComPtr<wmi::ISWbemPropertySet> properties;
        ExpectNotImplemented([&] { object->Get_Properties_(properties.Put()); },
                             u"Get_Properties_ not implemented");
    }
    EXPECT_TRUE(Fake.Script->Calls.empty());
}

TEST_F(Services, RefusedOperationsNameThemselves) {
    auto s = Make();
    com::TComPtr<wmi::ISWbemObjectSet> set;
    com::TComPtr<wmi::ISWbemObject> object;
    com::TComPtr<com::IDispatch> events;
    com::TComPtr<wmi::ISWbemSecurity> security;
    std::pair<std::function<void()>, const char16_t*> refused[] = {
        {[&] { s->GetAsync(nullptr, u"x", 0, nullptr, nullptr); }, u"GetAsync not implemented"},
        {[&] { s->Delete(u"x", 0, nullptr); }, u"Delete not implemented"},
        {[&] { s->DeleteAsync(nullptr, u"x", 0, nullptr, nullptr); }, u"DeleteAsync not implemented"},
        {[&] { s->InstancesOf(u"x", 0, nullptr, set.Put()); }, u"InstancesOf not implemented"},
        {[&] { s->InstancesOfAsync(nullptr, u"x", 0, nullptr, nullptr); },
         u"InstancesOfAsync not implemented"},
        {[&] { s->SubclassesOf(u"x", 0, nullptr, set.Put()); }, u"SubclassesOf not implemented"},
        {[&] { s->SubclassesOfAsync(nullptr, u"x", 0, nullptr, nullptr); },
         u"SubclassesOfAsync not implemented"},
        {[&] { s->ExecQueryAsync(nullptr, u"q", u"WQL", 0, nullptr, nullptr); },
         u"ExecQueryAsync not implemented"},
        {[&] { s->AssociatorsOf(u"x", u"", u"", u"", u"", 0, 0, u"", u"", 0, nullptr, set.Put()); },
         u"AssociatorsOf not implemented"},
        {[&] {
             s->AssociatorsOfAsync(nullptr, u"x", u"", u"", u"", u"", 0, 0, u"", u"", 0, nullptr, nullptr);
         },
         u"AssociatorsOfAsync not implemented"},
        {[&] { s->ReferencesTo(u"x", u"", u"", 0, 0, u"", 0, nullptr, set.Put()); },
         u"ReferencesTo not implemented"},
        {[&] { s->ReferencesToAsync(nullptr, u"x", u"", u"", 0, 0, u"", 0, nullptr, nullptr); },
         u"ReferencesToAsync not implemented"},
        {[&] { s->ExecNotificationQuery(u"q", u"WQL", 0, nullptr, events.Put()); },
         u"ExecNotificationQuery not implemented"},
        {[&] { s->ExecNotificationQueryAsync(nullptr, u"q", u"WQL", 0, nullptr, nullptr); },
         u"ExecNotificationQueryAsync not implemented"},
        {[&] { s->ExecMethod(u"x", u"StartService", nullptr, 0, nullptr, object.Put()); },
         u"ExecMethod not implemented"},
        {[&] { s->ExecMethodAsync(nullptr, u"x", u"StartService", nullptr, 0, nullptr, nullptr); },
         u"ExecMethodAsync not implemented"},
        {[&] { s->Get_Security_(security.Put()); }, u"Get_Security_ not implemented"},
    };
    for (auto& [call, message] : refused) {
        SCOPED_TRACE(U8(message));
        ExpectNotImplemented(call, message);
    }
    EXPECT_TRUE(Fake.Script->Calls.empty());
}

TEST(ServicesCreate, MissingComponentRaisesTheWmiCheck) {
    com::TScopedClassRegistration none(CLSID_WSMan, nullptr);
    try {
        com::MakeCom<TVelWbemToWsmanAdapter>(u"server1", 5985, u"root\\cimv2", u"", u"", u"", u"", false,
                                             false);
        FAIL() << "no exception";
    } catch (const errors::TWmiException& e) {
        EXPECT_EQ(e.ErrorCode(), com::REGDB_E_CLASSNOTREG);
        EXPECT_EQ(e.Message(), errors::WmiErrorMessage(com::REGDB_E_CLASSNOTREG));
    }
}

TEST(ServicesCreate, AFailingStepRaisesTheComponentsErrorAndReleasesEverything) {
    for (const char* op : {"CreateConnectionOptions", "Set_UserName", "Set_Password", "CreateSession"}) {
        SCOPED_TRACE(op);
        TFakeWSManRegistration fake;
        fake.Script->Fail(op, com::E_INVALIDARG, u"The connection string is malformed.");
        try {
            com::MakeCom<TVelWbemToWsmanAdapter>(u"server1", 5985, u"root\\cimv2", u"admin", u"pw", u"",
                                                 u"NTLMDOMAIN:CORP", false, false);
            FAIL() << "no exception";
        } catch (const TWSManException& e) {
            EXPECT_EQ(e.ErrorCode(), com::E_INVALIDARG);
            EXPECT_EQ(e.Message(), u"The connection string is malformed");
        }
        EXPECT_EQ(fake.Script->LiveObjects, 0);
    }
}

TEST(WSManError, MessageComesFromTheDescriptionTheSystemOrTheCode) {
    struct {
        const char* Label;
        const char16_t* Description;
        HRESULT Code;
        const char16_t* Expected;
    } cases[] = {
        {"description trimmed", u"Access denied. . \r\n\t", com::E_ACCESSDENIED, u"Access denied"},
        {"system message", u"", com::E_ACCESSDENIED, u"Access is denied"},
        {"blank description", u" \r\n", com::E_ACCESSDENIED, u"Access is denied"},
        {"neither", u"", com::Hr(0x80991234), u"OLE error 80991234"},
        {"hex digits lower case", u"", com::Hr(0x8099ABCD), u"OLE error 8099abcd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        com::SetErrorInfo(c.Description);
        EXPECT_EQ(WSManErrorMessage(c.Code), c.Expected);
    }
}

TEST(WSManError, AStaleDescriptionIsNotReportedForALaterFailure) {
    TFakeWSManRegistration fake;
    auto services = com::MakeCom<TVelWbemToWsmanAdapter>(u"server1", 5985, u"root\\cimv2", u"", u"", u"", u"",
                                                         false, false);
    com::SetErrorInfo(u"Something old.");
    fake.Script->Fail("Enumerate", com::Hr(0x80991234));
    com::TComPtr<wmi::ISWbemObjectSet> set;
    try {
        services->ExecQuery(u"q", u"WQL", 0, nullptr, set.Put());
        FAIL() << "no exception";
    } catch (const TWSManException& e) {
        EXPECT_EQ(e.Message(), u"OLE error 80991234");
    }
}

} // namespace
} // namespace tarnwick::wsman::testing
