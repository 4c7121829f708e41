#include "FakeAds.h"

#include "wmi/AdsErr.h"
#include "wmi/AdsUtil.h"
#include "wmi/WmiComponent.h"

#include <gtest/gtest.h>

using namespace tarnwick;
using namespace tarnwick::wmi;
using fakes::TFakeAds;

namespace {

const WideString NoLibrary = u"Cannot load library \"activeds.dll\" or linked libraries";

WideString MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TAdsException& e) {
        return e.Message();
    }
    return u"<no TAdsException>";
}

TEST(AdsErr, MessagesCarryTheCodeAndTheTextOfTheTable) {
    EXPECT_EQ(AdsErrorMessage(com::Hr(0x80005008)), u"80005008: One or more input parameters are invalid");
    for (const TAdsErrorRow& row : AdsErrorTable()) {
        SCOPED_TRACE(row.Code);
        EXPECT_EQ(AdsErrorMessage(com::Hr(row.Code)), IntToHex(row.Code, 8) + u": " + row.Text);
    }
    EXPECT_EQ(AdsErrorTable().size(), 18u);

    WideString other = AdsErrorMessage(com::E_ACCESSDENIED);
    EXPECT_TRUE(other.starts_with(u"80070005: ")) << ToUtf8(other);
    EXPECT_GT(other.size(), 10u) << "the system's text for codes outside the table";
    EXPECT_GT(other.back(), u' ') << "no trailing line break";
    EXPECT_EQ(AdsErrorMessage(com::Hr(0x80005011)), u"80005011: Unknown error");
}

TEST(AdsErr, AdsCheckRaisesOnlyForNegativeResults) {
    EXPECT_NO_THROW(AdsCheck(com::S_OK));
    EXPECT_NO_THROW(AdsCheck(com::S_FALSE));
    EXPECT_NO_THROW(AdsCheck(0x7FFFFFFF));
    EXPECT_EQ(MessageOf([] { AdsCheck(com::Hr(0x80005000)); }),
              u"80005000: An invalid Active Directory pathname was passed");
}

// This platform has no directory service: the directory listings say which library is
// missing, need no connection and leave the list alone; the system information is empty.
TEST(AdsListings, WithoutTheLibraryEveryDirectoryListingSaysSo) {
    ASSERT_FALSE(TActiveDs::Instance().Loaded());
    TWmiComponent component;
    std::vector<WideString> list{u"kept"};
    EXPECT_EQ(MessageOf([&] { component.ListDomains(list); }), NoLibrary);
    EXPECT_EQ(MessageOf([&] { component.ListServers(list); }), NoLibrary);
    EXPECT_EQ(MessageOf([&] { component.ListServersInDomain(u"CORP", list); }), NoLibrary);
    component.Credentials().SetUserName(u"bob");
    EXPECT_EQ(MessageOf([&] { component.ListDomains(list); }), NoLibrary);
    EXPECT_EQ(list, std::vector<WideString>{u"kept"});

    TAdsSystemInfo& info = component.SystemInfo();
    EXPECT_EQ(info.UserName(), u"");
    EXPECT_EQ(info.DomainName(), u"");
    EXPECT_EQ(info.ComputerName(), u"");
    EXPECT_EQ(info.PDC(), u"");
}

class AdsListingsTest : public ::testing::Test {
protected:
    TFakeAds FAds;
    TWmiComponent FComponent;
};

TEST_F(AdsListingsTest, ListDomainsFiltersWithPlainTextAndAppends) {
    FAds.Containers[u"WinNT:"] = {u"CORP", u"LAB"};
    std::vector<WideString> list{u"first"};
    FComponent.ListDomains(list);
    EXPECT_EQ(list, (std::vector<WideString>{u"first", u"CORP", u"LAB"}));
    ASSERT_EQ(FAds.BindCalls.size(), 1u);
    EXPECT_EQ(FAds.BindCalls[0].Entry, u"ADsGetObject");
    EXPECT_EQ(FAds.BindCalls[0].Path, u"WinNT:");
    ASSERT_EQ(FAds.Filters.size(), 1u);
    EXPECT_EQ(FAds.Filters[0], com::TVariant(u"Domain")) << "a plain text, not an array";
    EXPECT_TRUE(FAds.BuildVarArrayCalls.empty());
    ASSERT_EQ(FAds.Hints.size(), 1u);
    EXPECT_EQ(FAds.Hints[0], com::TVariant::Array(com::VT_BSTR, {com::TVariant(u"Name")}, 0));
}

TEST_F(AdsListingsTest, ServersOfADomainAreFilteredByAnArrayOfOneClass) {
    FAds.Containers[u"WinNT://CORP"] = {u"PC1", u"PC2"};
    FAds.Containers[u"WinNT://"] = {u"NEARBY"};
    std::vector<WideString> list;
    FComponent.ListServers(list); // the domain of the system information
    FComponent.ListServersInDomain(u"", list);
    EXPECT_EQ(list, (std::vector<WideString>{u"PC1", u"PC2", u"NEARBY"}));
    ASSERT_EQ(FAds.BindCalls.size(), 2u);
    EXPECT_EQ(FAds.BindCalls[0].Path, u"WinNT://CORP");
    EXPECT_EQ(FAds.BindCalls[1].Path, u"WinNT://") << "an empty domain binds the provider alone";
    EXPECT_EQ(FAds.BuildVarArrayCalls, (std::vector<std::vector<WideString>>{{u"Computer"}, {u"Computer"}}));
    ASSERT_EQ(FAds.Filters.size(), 2u);
    EXPECT_TRUE(FAds.Filters[0].IsArray());
}

struct TBindCase {
    const char* Name;
    const char16_t* User;
    const char16_t* Password;
    const char16_t* Entry;
    std::optional<WideString> PassedPassword;
};

class AdsBinding : public AdsListingsTest, public ::testing::WithParamInterface<TBindCase> {};

TEST_P(AdsBinding, CredentialsChooseTheEntryPoint) {
    const TBindCase& c = GetParam();
    FComponent.Credentials().SetUserName(c.User);
    FComponent.Credentials().SetPassword(c.Password);
    std::vector<WideString> list;
    FComponent.ListServersInDomain(u"CORP", list);
    ASSERT_EQ(FAds.BindCalls.size(), 1u);
    const auto& call = FAds.BindCalls[0];
    EXPECT_EQ(call.Entry, c.Entry);
    if (call.Entry == u"ADsOpenObject") {
        EXPECT_EQ(call.User, c.User) << "the user name passes untrimmed";
        EXPECT_EQ(call.Password, c.PassedPassword);
        EXPECT_EQ(call.Flags, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, AdsBinding,
    ::testing::Values(TBindCase{"NoUser", u"", u"secret", u"ADsGetObject", std::nullopt},
                      TBindCase{"BlankUser", u" \t ", u"secret", u"ADsGetObject", std::nullopt},
                      TBindCase{"UserWithPassword", u" bob", u"secret", u"ADsOpenObject",
                                WideString(u"secret")},
                      TBindCase{"UserWithoutPassword", u"CORP\\bob", u"", u"ADsOpenObject", std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AdsListingsTest, FailuresEndTheListingAndKeepWhatCameBefore) {
    FAds.Containers[u"WinNT://CORP"] = {u"PC1", u"PC2", u"PC3"};
    std::vector<WideString> list;

    FAds.HintsResult = com::E_FAIL;
    FComponent.ListServersInDomain(u"CORP", list);
    EXPECT_EQ(list.size(), 3u) << "a refused hint does not stop the listing";

    list.clear();
    FAds.FailNextAt = 2;
    FAds.NextFailure = com::Hr(0x80005004);
    EXPECT_EQ(MessageOf([&] { FComponent.ListServersInDomain(u"CORP", list); }),
              u"80005004: An unknown Active Directory object was requested");
    EXPECT_EQ(list, (std::vector<WideString>{u"PC1", u"PC2"}));
    FAds.FailNextAt = -1;

    FAds.NameResult = com::Hr(0x80005005);
    EXPECT_EQ(MessageOf([&] { FComponent.ListServersInDomain(u"CORP", list); }).substr(0, 8), u"80005005");
    FAds.NameResult = com::S_OK;

    FAds.FilterResult = com::Hr(0x80005014);
    EXPECT_EQ(MessageOf([&] { FComponent.ListDomains(list); }),
              u"80005014: The search filter specified is invalid");
    FAds.FilterResult = com::S_OK;

    FAds.BindResult = com::Hr(0x80005000);
    EXPECT_EQ(MessageOf([&] { FComponent.ListDomains(list); }),
              u"80005000: An invalid Active Directory pathname was passed");
    EXPECT_EQ(list, (std::vector<WideString>{u"PC1", u"PC2"}));
}

TEST_F(AdsListingsTest, AMissingEntryPointSurfacesWhenItIsCalled) {
    FAds.Containers[u"WinNT:"] = {u"CORP"};
    FAds.ExportBuildVarArrayStr = false;
    FAds.ExportOpenObject = false;
    FAds.Reinstall();
    EXPECT_EQ(FAds.Unloads, 1) << "the library loaded before is released";
    std::vector<WideString> list;
    FComponent.ListDomains(list); // needs neither
    EXPECT_EQ(list, std::vector<WideString>{u"CORP"});
    EXPECT_EQ(MessageOf([&] { FComponent.ListServersInDomain(u"CORP", list); }), NoLibrary);
    FComponent.Credentials().SetUserName(u"bob");
    EXPECT_EQ(MessageOf([&] { FComponent.ListDomains(list); }), NoLibrary);
}

TEST_F(AdsListingsTest, SystemInfoReadsThePdcOnceUntilRefresh) {
    TAdsSystemInfo info;
    EXPECT_EQ(FAds.SystemInfoCreations, 0) << "nothing is created before the first read";
    EXPECT_EQ(info.PDC(), u"\\\\DC1");
    FAds.PDCName = u"\\\\DC2";
    EXPECT_EQ(info.PDC(), u"\\\\DC1");
    EXPECT_EQ(FAds.PDCReads, 1);
    info.Refresh();
    EXPECT_EQ(info.PDC(), u"\\\\DC2");
    EXPECT_EQ(FAds.PDCReads, 2);
    EXPECT_EQ(info.UserName(), u"alice");
    EXPECT_EQ(info.ComputerName(), u"PC1");
    EXPECT_EQ(info.DomainName(), u"CORP");
    EXPECT_EQ(FAds.SystemInfoCreations, 1);

    FAds.PDCName = u"";
    info.Refresh();
    EXPECT_EQ(info.PDC(), u"");
    EXPECT_EQ(info.PDC(), u"");
    EXPECT_EQ(FAds.PDCReads, 3) << "an empty name is kept as well";
}

TEST_F(AdsListingsTest, SystemInfoTriesAgainAfterAFailedCreation) {
    FAds.SystemInfoCreateResult = com::E_ACCESSDENIED;
    TAdsSystemInfo info;
    EXPECT_EQ(info.DomainName(), u"");
    EXPECT_EQ(info.PDC(), u"") << "never raises";
    EXPECT_EQ(FAds.SystemInfoCreations, 2);
    FAds.SystemInfoCreateResult = com::S_OK;
    EXPECT_EQ(info.DomainName(), u"CORP");
    EXPECT_EQ(info.PDC(), u"") << "the PDC read without an object stays until Refresh";
    info.Refresh();
    EXPECT_EQ(info.PDC(), u"\\\\DC1");
    EXPECT_EQ(FAds.SystemInfoCreations, 3);
}

} // namespace
