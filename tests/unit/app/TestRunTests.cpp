#include "RunFixture.h"

#include "errors/WmiErr.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tarnwick;
using namespace tarnwick::app;
using namespace tarnwick::app::testing;
using com::TVariant;

namespace {
const WideString kProcessQuery = u"SELECT * FROM Win32_Process\r\n"; // as the dataset sends it
}

TEST_F(RunTest, RowsFillTheGridUnderAHeaderRow) {
    Wbem.AddQueryResult(kProcessQuery, {ProcessRow(u"1", 4), ProcessRow(u"22", 7)});
    View.Inputs.Host = u"server1";
    View.Inputs.User = u"alice";
    View.Inputs.Password = u"secret";
    View.Inputs.Domain = u"CORP";
    View.Inputs.NameSpace = u"  root\\cimV2 ";
    EXPECT_EQ(Execute(), u"");

    ASSERT_EQ(Grid.RowCount(), 3);
    ASSERT_EQ(Grid.ColCount(), 2);
    EXPECT_EQ(Grid.FixedRows(), 1);
    EXPECT_EQ(Grid.Cell(0, 0), u"Handle");
    EXPECT_EQ(Grid.Cell(1, 0), u"ThreadCount");
    EXPECT_EQ(Grid.Cell(0, 1), u"1");
    EXPECT_EQ(Grid.Cell(1, 2), u"7");
    EXPECT_EQ(Grid.ColWidth(0), 2 * Grid.TextWidth(u"Handle"));
    EXPECT_EQ(View.ResultCount, u"2");
    EXPECT_EQ(View.MessagesProcessed, 2); // once per row
    EXPECT_EQ(View.ResultLine, u"Result of: SELECT * FROM Win32_Process");
    EXPECT_EQ(View.RunningStates, (std::vector<bool>{true, false}));
    EXPECT_GE(View.GridShown, 1);
    std::int64_t ms = -1;
    EXPECT_TRUE(TryStrToInt64(View.Duration, ms)) << ToUtf8(View.Duration);
    EXPECT_GE(ms, 0);
    EXPECT_EQ(Run.vQuery, nullptr);
    EXPECT_EQ(Run.vConnection, nullptr);
    EXPECT_EQ(History.History, std::vector<WideString>{u"SELECT * FROM Win32_Process"});

    ASSERT_EQ(Wbem.ConnectCalls.size(), 1u);
    const fakes::TConnectCall& c = Wbem.ConnectCalls[0];
    EXPECT_EQ(c.Server, u"server1");
    EXPECT_EQ(c.User, u"alice");
    EXPECT_EQ(c.Password, u"secret");
    EXPECT_EQ(c.Authority, u"NTLMDOMAIN:CORP");
    EXPECT_EQ(c.NameSpace, u"root\\cimV2"); // trimmed
}

TEST_F(RunTest, EmptyResultKeepsTheCountCaptionAndWritesTheDuration) {
    Wbem.AddQueryResult(kProcessQuery, {});
    EXPECT_EQ(Execute(), u"");
    EXPECT_EQ(View.ResultCount, u"Result count: ");
    EXPECT_EQ(Grid.RowCount(), 1);
    EXPECT_NE(View.Duration, u"(untouched)");
}

TEST_F(RunTest, EmptyMemoRunsTheDefaultQuery) {
    Wbem.AddQueryResult(u"Select * FROM Win32_OperatingSystem\r\n",
                        {fakes::Obj(u"Win32_OperatingSystem",
                                    {fakes::Prop(u"Caption", wmi::wbemCimtypeString, TVariant(u"Linux"))})});
    View.Inputs.QueryText = u"";
    EXPECT_EQ(Execute(), u"");
    EXPECT_EQ(Grid.Cell(0, 1), u"Linux");
    EXPECT_EQ(View.ResultLine, u"Result of: ");
    EXPECT_TRUE(History.History.empty());
    EXPECT_EQ(History.HistoryIndex, -1);
}

TEST_F(RunTest, ErrorBeforeAnyRowLeavesRowZeroEmptyAndKeepsTheOldDuration) {
    Wbem.ConnectResult = com::HRESULT(0x8004100E);
    View.Duration = u"123";
    WideString message = Execute();
    WideString expected = errors::WmiErrorMessage(com::HRESULT(0x8004100E));
    ASSERT_EQ(message.rfind(expected, 0), 0u) << ToUtf8(message);
    EXPECT_EQ(expected.rfind(u"8004100E: The namespace specified could not be found.", 0), 0u);
    ASSERT_EQ(Grid.RowCount(), 2);
    EXPECT_EQ(Grid.Cell(0, 0), u"");
    EXPECT_EQ(Grid.Cell(0, 1).rfind(u"Error: " + expected, 0), 0u);
    EXPECT_EQ(Grid.ColWidth(0), 2 * Grid.TextWidth(Grid.Cell(0, 1)));
    EXPECT_EQ(View.Duration, u"123");
    EXPECT_EQ(View.RunningStates, std::vector<bool>{false});
    EXPECT_EQ(Run.vConnection, nullptr);
}

TEST_F(RunTest, NamespaceHintDependsOnTheUntrimmedLowerCasedText) {
    const struct {
        const char16_t* NameSpace;
        bool Hint;
    } cases[] = {
        {u"root\\cimv2", false}, {u"ROOT\\CIMV2", false},  {u"root\\cimV2", false},
        {u" root\\cimv2", true}, {u"root\\default", true}, {u"", true},
    };
    Wbem.ConnectResult = com::HRESULT(0x8004100E);
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.NameSpace));
        View.Inputs.NameSpace = c.NameSpace;
        WideString message = Execute();
        std::size_t hint = message.find(NamespaceHint);
        EXPECT_EQ(hint != WideString::npos, c.Hint);
        if (c.Hint) {
            EXPECT_EQ(message.substr(hint - 4, 4), u"\n\r\n\r");
        }
        EXPECT_EQ(Grid.Cell(0, 1).find(u"Hint"), WideString::npos); // the row holds the message only
    }
}

TEST_F(RunTest, FailedRowFetchKeepsTheRowsReadSoFar) {
    Wbem.AddQueryResult(kProcessQuery, {ProcessRow(u"1", 4), ProcessRow(u"2", 5), ProcessRow(u"3", 6)});
    Wbem.FailNextAtRow = 2;
    Wbem.NextFailure = com::HRESULT(0x80041001);
    WideString message = Execute();
    EXPECT_NE(message.find(u"(TWmiDataBuffer.Next)"), WideString::npos) << ToUtf8(message);
    ASSERT_EQ(Grid.RowCount(), 4);
    EXPECT_EQ(Grid.Cell(0, 2), u"2");
    EXPECT_EQ(Grid.Cell(0, 3).rfind(u"Error: 80041001", 0), 0u) << ToUtf8(Grid.Cell(0, 3));
    EXPECT_EQ(Grid.Cell(1, 3), u"");
}

TEST_F(RunTest, StopQueryEndsTheRunAfterTheCurrentRow) {
    Wbem.AddQueryResult(kProcessQuery, {ProcessRow(u"1", 4), ProcessRow(u"2", 5), ProcessRow(u"3", 6)});
    View.OnProcessMessages = [&] { Run.Cancel(); };
    EXPECT_EQ(Execute(), u"");
    EXPECT_EQ(Grid.RowCount(), 2);
    EXPECT_EQ(View.ResultCount, u"1");
    EXPECT_NE(View.Duration, u"(untouched)");
    EXPECT_FALSE(Run.CancelNow);
}

TEST_F(RunTest, CellTextsInBothCalculationModes) {
    std::uint64_t big = 0xFFFFFFFFFFFFFFF0ull;
    auto rows = [&] {
        return std::vector<fakes::TFakeObjectSpec>{fakes::Obj(
            u"T", {fakes::Prop(u"Flag", wmi::wbemCimtypeBoolean, TVariant(true)),
                   fakes::Prop(u"Names", wmi::wbemCimtypeString,
                               TVariant::Array(com::VT_BSTR, {TVariant(u"a"), TVariant(u"b")}), {}, true),
                   fakes::Prop(u"Null", wmi::wbemCimtypeString, TVariant::Null()),
                   fakes::Prop(u"Date", wmi::wbemCimtypeDatetime, TVariant(u"20240305070809.000000+060"))})};
    };
    Wbem.AddQueryResult(u"SELECT * FROM T\r\n", rows());
    View.Inputs.QueryText = u"SELECT * FROM T";
    View.Inputs.CalcBase = 1;
    ASSERT_EQ(Execute(), u"");
    EXPECT_EQ(Grid.Cell(0, 1), u"True");
    EXPECT_EQ(Grid.Cell(1, 1).front(), u'{') << ToUtf8(Grid.Cell(1, 1)); // the typed text, by the fallback
    EXPECT_EQ(Grid.Cell(2, 1), u"");
    EXPECT_EQ(Grid.Cell(3, 1), u"20240305070809.000000+060"); // raw DMTF text
    WideString extendedArray = Grid.Cell(1, 1);

    View.Inputs.CalcBase = 0;
    ASSERT_EQ(Execute(), u"");
    EXPECT_EQ(Grid.Cell(1, 1), extendedArray);
    EXPECT_NE(Grid.Cell(3, 1), u"20240305070809.000000+060"); // the user's date-time format

    Wbem.AddQueryResult(u"SELECT Big FROM T\r\n",
                        {fakes::Obj(u"T", {fakes::Prop(u"Big", wmi::wbemCimtypeUint64, TVariant(big))})});
    View.Inputs.QueryText = u"SELECT Big FROM T";
    View.Inputs.CalcBase = 1;
    ASSERT_EQ(Execute(), u"");
    EXPECT_EQ(Grid.Cell(0, 1), u"18446744073709551600");

    View.Inputs.CalcBase = 0; // the typed field cannot hold it
    WideString message = Execute();
    EXPECT_EQ(message.rfind(u"Error reading field \"Big\": ", 0), 0u) << ToUtf8(message);
    ASSERT_EQ(Grid.RowCount(), 3); // the half-filled row stays, then the error row
    EXPECT_EQ(Grid.Cell(0, 0), u"Big");
    EXPECT_EQ(Grid.Cell(0, 2).rfind(u"Error: Error reading field \"Big\": ", 0), 0u);
}

TEST_F(RunTest, PortCheckRunsOnlyWithDcomAndPortscan) {
    // Port 135 of this machine must refuse; skip where something listens there.
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(135);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool listening = ::connect(probe, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(probe);
    if (listening) GTEST_SKIP() << "port 135 is open here";

    Wbem.AddQueryResult(kProcessQuery, {ProcessRow(u"1", 4)});
    View.Inputs.PortScan = true;
    View.Inputs.Host = u"";
    WideString message = Execute();
    EXPECT_EQ(message.rfind(PortErrorText, 0), 0u) << ToUtf8(message);
    EXPECT_EQ(Grid.Cell(0, 1), WideString(u"Error: ") + PortErrorText);
    EXPECT_TRUE(Wbem.ConnectCalls.empty());

    View.Inputs.UseDcom = false; // WS-Management: no port check, whatever the box shows
    message = Execute();
    EXPECT_EQ(message.find(PortErrorText), WideString::npos) << ToUtf8(message);

    View.Inputs.UseDcom = true;
    View.Inputs.PortScan = false;
    EXPECT_EQ(Execute(), u"");
}

TEST(RunErrorText, AppendsTheHintAfterLineBreaks) {
    EXPECT_EQ(RunErrorText(u"E", u"root\\CIMv2"), u"E");
    EXPECT_EQ(RunErrorText(u"E", u"root\\cimv2 "), WideString(u"E\n\r\n\r") + NamespaceHint);
}
