// A query dataset on a connection with UseWSMan, through the registered bridge and
// the fake component: the rows and fields a WS-Management result shows.

#include "dataset/WmiDataSet.h"
#include "unit/wsman/BridgeTestUtil.h"
#include "unit/wsman/FakeWSMan.h"
#include "wmi/WmiConnection.h"
#include "wmi/WsmanServicesFactory.h"
#include "wsman/VelWbemToWsmanAdapter.h"

#include <gmock/gmock.h>

#include <memory>

namespace tarnwick::wsman::testing {
namespace {

using ::testing::ElementsAre;

class DataSetThroughBridge : public ::testing::Test {
protected:
    DataSetThroughBridge() : FSavedFactory(wmi::WsmanServicesFactory()) {
        RegisterWsmanBridge();
        Connection->SetUseWSMan(true);
        Connection->SetMachineName(u"server1");
        Connection->SetWSManPort(5985);
        Connection->SetNameSpace(u"root\\cimv2");
        Connection->Credentials().SetUserName(u"admin");
        Connection->Credentials().SetPassword(u"pw");
        Connection->Credentials().SetAuthority(u"NTLMDOMAIN:CORP");
        Query->SetConnection(Connection.get());
    }
    ~DataSetThroughBridge() override {
        Query.reset();
        Connection.reset();
        wmi::SetWsmanServicesFactory(FSavedFactory);
    }

    TFakeWSManRegistration Fake;
    std::unique_ptr<wmi::TWmiConnection> Connection = std::make_unique<wmi::TWmiConnection>();
    std::unique_ptr<dataset::TWmiQuery> Query = std::make_unique<dataset::TWmiQuery>();

private:
    wmi::TWsmanServicesFactory FSavedFactory;
};

TEST_F(DataSetThroughBridge, ShowsTheRowsAndFieldsOfTheItems) {
    Fake.Script->Enumerations.push_back({
        ServiceItem(u"<p:AcceptStop>true</p:AcceptStop><p:Dependencies>RPCSS</p:Dependencies>"
                    u"<p:Dependencies>http</p:Dependencies>"
                    u"<p:InstallDate><Datetime>2013-03-09T02:57:32+01:00</Datetime></p:InstallDate>"
                    u"<p:Name>Spooler</p:Name><p:PathName xsi:nil=\"true\"/><p:ProcessId>1234</p:ProcessId>"),
        ServiceItem(u"<p:AcceptStop>false</p:AcceptStop><p:Dependencies>RPCSS</p:Dependencies>"
                    u"<p:InstallDate><cim:Datetime>2013-03-09T02:57:32Z</cim:Datetime></p:InstallDate>"
                    u"<p:Name>W32Time</p:Name><p:PathName>C:\\Windows\\system32\\svchost.exe</p:PathName>"
                    u"<p:ProcessId>0</p:ProcessId>"),
    });
    Query->SetWQLText(u"select * from Win32_Service");
    Query->Open();

    std::vector<WideString> names;
    for (std::size_t i = 0; i < Query->Fields().Count(); ++i) {
        names.push_back(Query->Fields()[i].FieldName());
        EXPECT_EQ(Query->Fields()[i].DataType(), db::ftVariant) << U8(names.back());
        EXPECT_FALSE(Query->Fields()[i].Required());
    }
    EXPECT_THAT(names, ElementsAre(u"p:AcceptStop", u"p:Dependencies", u"p:InstallDate", u"p:Name",
                                   u"p:PathName", u"p:ProcessId"));

    std::vector<std::vector<com::TVariant>> rows;
    for (; !Query->Eof(); Query->Next()) {
        std::vector<com::TVariant> row;
        for (std::size_t i = 0; i < Query->Fields().Count(); ++i)
            row.push_back(Query->Fields()[i].Value());
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], com::TVariant(u"true")); // text, not a boolean
    EXPECT_EQ(rows[0][1], com::TVariant(u"{RPCSS,http}"));
    ASSERT_EQ(rows[0][2].Type(), com::VT_DATE);
    EXPECT_NEAR(rows[0][2].RawDouble(), EncodeDateTime(TDateTimeParts{2013, 3, 9, 1, 57, 32, 0}), 1e-9);
    EXPECT_EQ(rows[0][3], com::TVariant(u"Spooler"));
    EXPECT_EQ(rows[0][4], com::TVariant(u""));      // nil reads as the empty text
    EXPECT_EQ(rows[0][5], com::TVariant(u"1234"));  // numbers stay text
    EXPECT_EQ(rows[1][1], com::TVariant(u"RPCSS")); // a one-element array reads as a plain value
    ASSERT_EQ(rows[1][2].Type(), com::VT_DATE) << "cim:Datetime, as full instances carry it";
    EXPECT_EQ(rows[1][4], com::TVariant(u"C:\\Windows\\system32\\svchost.exe"));

    EXPECT_EQ(Fake.Script->Calls[0], u"CreateConnectionOptions");
    EXPECT_EQ(Fake.Script->Calls[3], u"CreateSession|server1:5985|0x21000|options");
    EXPECT_EQ(Fake.Script->Calls[4].substr(0, 10), u"Enumerate|");
}

TEST_F(DataSetThroughBridge, ABadItemEndsTheWalkAfterTheRowsBeforeIt) {
    Fake.Script->Enumerations.push_back({ServiceItem(u"<p:Name>A</p:Name>"), u"<p:Broken>"});
    Query->SetWQLText(u"select Name from Win32_Service");
    Query->Open();
    int rows = 0;
    try {
        for (; !Query->Eof(); Query->Next())
            ++rows;
    } catch (const Exception&) {
    }
    EXPECT_EQ(rows, 1);
}

} // namespace
} // namespace tarnwick::wsman::testing
