// The listings against this computer's own WMI stand-in.

#include "platform/localwmi/LocalWmi.h"
#include "wmi/WmiConnection.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarnwick;
using namespace tarnwick::wmi;

namespace {

class LocalListingsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { localwmi::RegisterLocalWmi(); }

    static bool Contains(const std::vector<WideString>& list, const WideString& text) {
        return std::any_of(list.begin(), list.end(), [&](const WideString& s) { return SameText(s, text); });
    }
};

TEST_F(LocalListingsTest, AccountsAreQualifiedByThisComputer) {
    TWmiConnection connection;
    connection.Open();
    std::vector<WideString> list;
    connection.Component().ListAccounts(list);
    ASSERT_FALSE(list.empty());
    EXPECT_TRUE(Contains(list, localwmi::LocalComputerName() + u"\\root"))
        << "root is in every user database";
    for (const WideString& entry : list) {
        SCOPED_TRACE(ToUtf8(entry));
        auto slash = entry.find(u'\\');
        ASSERT_NE(slash, WideString::npos);
        EXPECT_LT(slash + 1, entry.size()) << "a name follows the backslash";
    }
}

TEST_F(LocalListingsTest, LogicalDisksHaveNames) {
    TWmiConnection connection;
    connection.Open();
    std::vector<WideString> list;
    connection.Component().ListLogicalDisks(list);
    for (const WideString& name : list)
        EXPECT_FALSE(name.empty());
}

TEST_F(LocalListingsTest, NameSpacesAndClassesOfThisComputer) {
    TWmiConnection connection;
    connection.SetNameSpace(u"root");
    connection.Open();
    std::vector<WideString> list;
    connection.ListNameSpaces(list);
    EXPECT_TRUE(Contains(list, u"cimv2"));
    for (const WideString& name : list)
        EXPECT_EQ(name, AsciiLowerCase(name));

    connection.SetNameSpace(u"root\\cimv2");
    connection.Open();
    list.clear();
    connection.ListClasses(list);
    EXPECT_TRUE(Contains(list, u"Win32_Process"));
    EXPECT_TRUE(Contains(list, u"Win32_LogicalDisk"));
}

} // namespace
