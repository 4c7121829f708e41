#include "app/Settings.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace tarnwick;
using namespace tarnwick::app;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/app_settings.XXXXXX";
        FDir = ::mkdtemp(pattern);
        FPath = FDir + "/registry.reg";
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }
    std::string FDir, FPath;
};

} // namespace

TEST_F(SettingsTest, AllElevenValuesRoundTripWithTheirTypes) {
    TWindowSettings v;
    v.Selection = 6;
    v.Query = u"SELECT Name\r\nFROM Win32_Process";
    v.Domain = u"CORP";
    v.Host = u" host1 ";
    v.User = u"alice";
    v.Domainprefix = u"NTLMDOMAIN:";
    v.Namespace = u"root\\cimV2";
    v.WsmanPort = 5986;
    v.WsmanSsl = true;
    v.EnforeceKerberos = 1;
    v.UseWSMan = true;
    {
        registry::TRegistry reg(FPath);
        WriteWindowSettings(reg, v);
    }
    std::ifstream in(FPath);
    std::ostringstream text;
    text << in.rdbuf();
    for (const char* needle :
         {"[HKEY_LOCAL_MACHINE\\Software\\Veltrano\\Tarnwick]", "\"Selection\"=dword:00000006",
          "\"EnforeceKerberos\"=dword:00000001", "\"UseWSMan\"=dword:00000001", "\"WsmanSsl\"=dword:00000001",
          "\"Host\"=\" host1 \"", "\"Query\"=hex(1):"})
        EXPECT_NE(text.str().find(needle), std::string::npos) << needle;
    EXPECT_EQ(text.str().find("Password"), std::string::npos);

    registry::TRegistry reg(FPath);
    TSettingsReadResult r = ReadWindowSettings(reg);
    EXPECT_TRUE(r.Errors.empty());
    EXPECT_EQ(r.Values.Selection, 6);
    EXPECT_EQ(r.Values.Query, v.Query);
    EXPECT_EQ(r.Values.Host, v.Host);
    EXPECT_EQ(r.Values.WsmanPort, 5986);
    EXPECT_EQ(r.Values.WsmanSsl, true);
    EXPECT_EQ(r.Values.EnforeceKerberos, 1);
    EXPECT_EQ(r.Values.UseWSMan, true);
}

TEST_F(SettingsTest, FirstStartHasNoValuesAndCreatesTheKey) {
    registry::TRegistry reg(FPath);
    TSettingsReadResult r = ReadWindowSettings(reg);
    EXPECT_TRUE(r.Errors.empty());
    EXPECT_FALSE(r.StoreUnreadable);
    EXPECT_FALSE(r.Values.Selection || r.Values.Query || r.Values.UseWSMan || r.Values.WsmanPort);
}

TEST_F(SettingsTest, MistypedValuesAreReportedAndTheOthersRead) {
    std::ofstream(FPath)
        << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Veltrano\\Tarnwick]\n"
           "\"Selection\"=\"2\"\n\"Host\"=dword:00000001\n\"User\"=\"bob\"\n\"WsmanPort\"=dword:00001762\n"
           "\"EnforeceKerberos\"=dword:00000009\n";
    registry::TRegistry reg(FPath);
    TSettingsReadResult r = ReadWindowSettings(reg);
    ASSERT_EQ(r.Errors.size(), 2u);
    EXPECT_EQ(r.Errors[0], u"Invalid data type for 'Selection'");
    EXPECT_EQ(r.Errors[1], u"Invalid data type for 'Host'");
    EXPECT_FALSE(r.StoreUnreadable);
    EXPECT_EQ(r.Values.User, u"bob");
    EXPECT_EQ(r.Values.WsmanPort, 5986);
    EXPECT_FALSE(r.Values.Selection);
}

TEST_F(SettingsTest, SelectionIsBroughtIntoRange) {
    const std::pair<std::int32_t, int> cases[] = {{-5, -1}, {-1, -1}, {3, 3}, {7, 6}, {1000, 6}};
    for (auto [stored, expected] : cases) {
        SCOPED_TRACE(stored);
        {
            registry::TRegistry reg(FPath);
            TWindowSettings v;
            v.Selection = stored;
            WriteWindowSettings(reg, v);
        }
        registry::TRegistry reg(FPath);
        EXPECT_EQ(ReadWindowSettings(reg).Values.Selection, expected);
    }
}

TEST_F(SettingsTest, DamagedStoreIsOneErrorAndMarkedUnreadable) {
    std::ofstream(FPath) << "not a registry file\n";
    registry::TRegistry reg(FPath);
    TSettingsReadResult r = ReadWindowSettings(reg);
    ASSERT_EQ(r.Errors.size(), 1u);
    EXPECT_TRUE(r.StoreUnreadable);
    EXPECT_NE(r.Errors[0].find(u"damaged"), WideString::npos);
}
