// A query through the registered bridge on the fake component, read as the query
// dataset reads it: fields from the first object's properties, then every row's
// values by field name.

#include "unit/wsman/BridgeTestUtil.h"
#include "unit/wsman/FakeWSMan.h"
#include "wmi/WsmanServicesFactory.h"
#include "wsman/VelWbemToWsmanAdapter.h"

#include <gmock/gmock.h>

namespace tarnwick::wsman::testing {
namespace {

using ::testing::ElementsAre;

class RestoreFactory {
public:
    RestoreFactory() : FSaved(wmi::WsmanServicesFactory()) {}
    ~RestoreFactory() { wmi::SetWsmanServicesFactory(FSaved); }

private:
    wmi::TWsmanServicesFactory FSaved;
};

WideString Service(const WideString& name, const WideString& state, const WideString& installDate) {
    return ServiceItem(u"<p:AcceptStop>true</p:AcceptStop>"
                       u"<p:Dependencies>RPCSS</p:Dependencies><p:Dependencies>http</p:Dependencies>"
                       u"<p:InstallDate>" +
                       installDate + u"</p:InstallDate><p:Name>" + name +
                       u"</p:Name><p:PathName xsi:nil=\"true\"/>" + u"<p:State>" + state + u"</p:State>");
}

TEST(EndToEnd, RowsAndFieldsOfAQueryThroughTheBridge) {
    RestoreFactory restore;
    TFakeWSManRegistration fake;
    fake.Script->Enumerations.push_back({
        Service(u"Spooler", u"Running", u"<Datetime>2013-03-09T02:57:32+01:00</Datetime>"),
        Service(u"W32Time", u"Stopped", u""),
    });
    RegisterWsmanBridge();
    ASSERT_TRUE(wmi::WsmanServicesFactory());
    com::TComPtr<wmi::ISWbemServices> services = wmi::WsmanServicesFactory()(
        u"server1", 5985, u"root\\cimv2", u"admin", u"pw", u"", u"NTLMDOMAIN:CORP", false, false);
    ASSERT_TRUE(services);

    com::TComPtr<wmi::ISWbemObjectSet> set;
    ASSERT_EQ(services->ExecQuery(u"select * from Win32_Service", u"WQL", 16, nullptr, set.Put()), com::S_OK);
    services.Reset(); // the rows do not need the services object any more
    auto rows = NewEnum(set);

    std::vector<WideString> fields;
    std::vector<std::vector<WideString>> cells;
    while (auto object = NextAs<wmi::ISWbemObject>(rows.Get())) {
        if (fields.empty()) fields = EnumeratedNames(object);
        std::vector<WideString> row;
        for (const WideString& field : fields) {
            com::TVariant value = ItemValue(object, field);
            row.push_back(value.Type() == com::VT_EMPTY ? u"(empty)" : VarToWideStr(value));
        }
        cells.push_back(row);
    }
    EXPECT_THAT(fields, ElementsAre(u"p:AcceptStop", u"p:Dependencies", u"p:InstallDate", u"p:Name",
                                    u"p:PathName", u"p:State"));
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_THAT(cells[0],
                ElementsAre(u"true", u"{RPCSS,http}", u"2013-03-09 01:57:32", u"Spooler", u"", u"Running"));
    EXPECT_THAT(cells[1], ElementsAre(u"true", u"{RPCSS,http}", u"", u"W32Time", u"", u"Stopped"));
    EXPECT_EQ(fake.Script->Calls.front(), u"CreateConnectionOptions");
}

} // namespace
} // namespace tarnwick::wsman::testing
