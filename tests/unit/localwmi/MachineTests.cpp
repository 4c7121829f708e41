// The local computer answers every class with this machine's data. These tests
// must hold on a bare CI container too: no systemd, maybe no block devices, few
// processes.
#include "unit/localwmi/LocalWmiTestUtil.h"

#include "platform/localwmi/ObjectData.h"
#include "platform/localwmi/ProcFs.h"

#include <algorithm>
#include <set>
#include <unistd.h>

namespace tarnwick::localwmi::test {
namespace {

struct TClassCase {
    const char16_t* Class;
    const char16_t* KeyProperty; // must be filled on every row
    bool MayBeEmpty;
};

const TClassCase ClassCases[] = {
    {u"Win32_OperatingSystem", u"Caption", false},
    {u"Win32_Process", u"Handle", false},
    {u"Win32_PerfFormattedData_PerfDisk_LogicalDisk", u"Name", false},
    {u"Win32_PerfFormattedData_PerfOS_Memory", u"AvailableBytes", false},
    {u"Win32_PerfFormattedData_PerfOS_Processor", u"Name", false},
    {u"Win32_PerfRawData_Tcpip_NetworkInterface", u"Name", true},
    {u"Win32_ComputerSystem", u"Name", false},
    {u"Win32_LogicalDisk", u"DeviceID", false},
    {u"Win32_Processor", u"DeviceID", false},
    {u"Win32_Service", u"Name", true},
    {u"Win32_Account", u"Name", false},
    {u"Win32_UserAccount", u"Name", false},
    {u"Win32_Group", u"Name", false},
    {u"Win32_NetworkAdapterConfiguration", u"Index", true},
};

class TLocalClass : public ::testing::TestWithParam<TClassCase> {};

TEST_P(TLocalClass, AnswersWithKeyPropertiesFilled) {
    auto services = Cimv2();
    const auto& c = GetParam();
    auto rows = Rows(services.Get(), WideString(u"SELECT * FROM ") + c.Class);
    if (!c.MayBeEmpty) {
        EXPECT_FALSE(rows.empty());
    }
    bool first = true;
    for (const auto& row : rows) {
        TVariant v = Value(row.Get(), c.KeyProperty);
        EXPECT_FALSE(v.IsNull() || v.IsEmpty()) << ToUtf8(c.KeyProperty);
        TComPtr<ISWbemObjectPath> path;
        ASSERT_EQ(row->Get_Path_(path.Put()), com::S_OK);
        WideString text;
        ASSERT_EQ(path->Get_Path(&text), com::S_OK);
        EXPECT_EQ(text.rfind(u"\\\\" + LocalComputerName() + u"\\root\\cimv2:", 0), 0u) << ToUtf8(text);
        // The first row can be fetched again by its path (a process may have ended since).
        if (first) {
            TComPtr<ISWbemObject> again;
            HRESULT hr = services->Get(text, 0, nullptr, again.Put());
            if (WideString(c.Class) != u"Win32_Process" || hr != WBEM_E_NOT_FOUND) {
                EXPECT_EQ(hr, com::S_OK) << ToUtf8(text);
            }
        }
        first = false;
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, TLocalClass, ::testing::ValuesIn(ClassCases),
                         [](const auto& info) { return ToUtf8(info.param.Class); });

TEST(LocalMachine, PresetQueriesAnswerAsWritten) {
    const char16_t* presets[] = {
        u"SELECT * FROM Win32_OperatingSystem",
        u"Select * FROM Win32_OperatingSystem",
        u"SELECT * FROM Win32_Process",
        u"SELECT * FROM Win32_PerfFormattedData_PerfDisk_LogicalDisk",
        u"SELECT * FROM Win32_PerfFormattedData_PerfOS_Memory",
        u"SELECT * FROM Win32_PerfFormattedData_PerfOS_Processor",
        u"SELECT *  FROM Win32_PerfRawData_Tcpip_NetworkInterface\r\n",
    };
    auto services = Cimv2();
    for (const char16_t* preset : presets) {
        SCOPED_TRACE(ToUtf8(preset));
        for (LONG flags : {0, 16})
            EXPECT_EQ(QueryResult(services.Get(), preset, flags), com::S_OK);
    }
}

TEST(LocalMachine, ProcessesAreThoseOfProc) {
    auto services = Cimv2();
    // Processes come and go between the two reads: retry a few times for an exact
    // match, and always require this process and PID 1.
    bool same = false;
    for (int attempt = 0; attempt < 5 && !same; ++attempt) {
        auto before = procfs::ProcessIds();
        std::set<int> listed;
        for (const auto& row : Rows(services.Get(), u"SELECT * FROM Win32_Process"))
            listed.insert(Value(row.Get(), u"ProcessId").AsInteger());
        auto after = procfs::ProcessIds();
        same = before == after && std::set<int>(before.begin(), before.end()) == listed;
        EXPECT_TRUE(listed.count(static_cast<int>(getpid())));
        EXPECT_TRUE(listed.count(1));
    }
    EXPECT_TRUE(same);
}

TEST(LocalMachine, OwnProcessCarriesWindowsTypes) {
    auto services = Cimv2();
    auto rows = Rows(services.Get(), u"SELECT * FROM Win32_Process WHERE ProcessId = " +
                                         IntToStr(static_cast<std::int64_t>(getpid())));
    ASSERT_EQ(rows.size(), 1u);
    auto* me = rows[0].Get();
    EXPECT_EQ(Value(me, u"Handle"), TVariant(IntToStr(getpid())));
    EXPECT_EQ(Value(me, u"ProcessId").Type(), com::VT_I4);
    EXPECT_EQ(Value(me, u"ParentProcessId"), TVariant(static_cast<std::int32_t>(getppid())));
    TVariant ws = Value(me, u"WorkingSetSize"); // uint64 as decimal text
    ASSERT_EQ(ws.Type(), com::VT_BSTR);
    std::uint64_t bytes = 0;
    EXPECT_TRUE(TryStrToUInt64(ws.RawText(), bytes));
    EXPECT_GT(bytes, 0u);
    TVariant created = Value(me, u"CreationDate"); // DMTF text
    ASSERT_EQ(created.Type(), com::VT_BSTR);
    ASSERT_EQ(created.RawText().size(), 25u);
    EXPECT_EQ(created.RawText()[14], u'.');
    EXPECT_TRUE(created.RawText()[21] == u'+' || created.RawText()[21] == u'-');
    EXPECT_EQ(Value(me, u"InstallDate").Type(), com::VT_NULL); // Linux has no such date
    WideString path;
    TComPtr<ISWbemObjectPath> p;
    ASSERT_EQ(me->Get_Path_(p.Put()), com::S_OK);
    p->Get_Path(&path);
    EXPECT_EQ(path, u"\\\\" + LocalComputerName() + u"\\root\\cimv2:Win32_Process.Handle=\"" +
                        IntToStr(getpid()) + u"\"");
    TComPtr<ISWbemObject> again;
    ASSERT_EQ(services->Get(path, 0, nullptr, again.Put()), com::S_OK);
    EXPECT_EQ(Value(again.Get(), u"ProcessId"), TVariant(static_cast<std::int32_t>(getpid())));
}

TEST(LocalMachine, PerfProcessorHasTotalLast) {
    auto services = Cimv2();
    auto rows = Rows(services.Get(),
                     u"SELECT Name, PercentProcessorTime FROM Win32_PerfFormattedData_PerfOS_Processor");
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(Value(rows.back().Get(), u"Name"), TVariant(WideString(u"_Total")));
    std::uint64_t percent = 0;
    TVariant v = Value(rows.back().Get(), u"PercentProcessorTime");
    ASSERT_EQ(v.Type(), com::VT_BSTR);
    ASSERT_TRUE(TryStrToUInt64(v.RawText(), percent));
    EXPECT_LE(percent, 100u);
}

TEST(LocalMachine, PerfLogicalDiskHasTotal) {
    auto services = Cimv2();
    auto rows = Rows(services.Get(),
                     u"SELECT * FROM Win32_PerfFormattedData_PerfDisk_LogicalDisk WHERE Name = '_Total'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(Value(rows[0].Get(), u"FreeMegabytes").Type(), com::VT_I4);
}

TEST(LocalMachine, RootLogicalDiskHasSize) {
    auto services = Cimv2();
    auto rows =
        Rows(services.Get(), u"SELECT DeviceID, Size, FreeSpace FROM Win32_LogicalDisk WHERE DeviceID = '/'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(Names(rows[0].Get()), (std::vector<WideString>{u"DeviceID", u"FreeSpace", u"Size"}));
    EXPECT_EQ(Value(rows[0].Get(), u"Size").Type(), com::VT_BSTR);
}

TEST(LocalMachine, AccountsHoldUsersAndGroupsOfTheirOwnClasses) {
    auto services = Cimv2();
    std::set<WideString> classes;
    bool rootSeen = false;
    for (const auto& row : Rows(services.Get(), u"SELECT * FROM Win32_Account")) {
        TComPtr<ISWbemObjectPath> p;
        ASSERT_EQ(row->Get_Path_(p.Put()), com::S_OK);
        WideString cls;
        p->Get_Class_(&cls);
        classes.insert(cls);
        if (cls == u"Win32_UserAccount" && Value(row.Get(), u"Name") == TVariant(WideString(u"root")))
            rootSeen = true;
    }
    EXPECT_EQ(classes, (std::set<WideString>{u"Win32_Group", u"Win32_UserAccount"}));
    EXPECT_TRUE(rootSeen);
}

TEST(LocalMachine, OperatingSystemIsSingleton) {
    auto services = Cimv2();
    TComPtr<ISWbemObject> os;
    ASSERT_EQ(services->Get(u"Win32_OperatingSystem=@", 0, nullptr, os.Put()), com::S_OK);
    TVariant boot = Value(os.Get(), u"LastBootUpTime");
    EXPECT_EQ(boot.Type(), com::VT_BSTR);
    EXPECT_EQ(Value(os.Get(), u"CSName"), TVariant(LocalComputerName()));
    TVariant mui = Value(os.Get(), u"MUILanguages");
    EXPECT_TRUE(mui.IsNull()); // not known on Linux, so null rather than made up
}

} // namespace
} // namespace tarnwick::localwmi::test
