#pragma once
// TTestRun: what "Test!" does, free of any toolkit. It checks that the target can be
// reached, builds a connection from the view's inputs, runs the query through a query
// dataset, copies every row into the grid while the row count grows, lets the user stop
// it and reports the time taken or the error that ended it. The window and tarnwick-cli
// both drive it through ITestRunView.

#include "app/QueryHistory.h"
#include "app/StringGrid.h"
#include "platform/com/Exception.h"

#include <memory>

namespace tarnwick::wmi {
class TWmiConnection;
}
namespace tarnwick::dataset {
class TWmiQuery;
}

namespace tarnwick::app {

// The controls a run reads, as they stand when "Test!" is clicked.
struct TRunInputs {
    bool UseDcom = true;   // "Use DCOM:"; UseWSMan is its opposite
    bool PortScan = false; // "Initial Portscan"
    WideString Host;       // as typed; empty is the local computer
    WideString User;
    WideString Password;
    WideString DomainPrefix;
    WideString Domain;
    WideString NameSpace; // untrimmed: trimmed for the connection, as typed for the hint
    int WsmanPort = 5985;
    bool WsmanSsl = false;
    int AuthenticationIndex = 0; // 1 is "Enforce Kerberos"
    WideString QueryText;        // the memo's whole text
    int CalcBase = 1;            // 0 "use integer" (typed text), 1 "use extended" (raw value)

    // Every copy wipes its password when it goes.
    ~TRunInputs() { SecureWipe(Password); }
};

// What the run needs of its window (or of the command line). Every call is made on
// the thread that runs Execute; ProcessMessages may run handlers that call Cancel.
class ITestRunView {
public:
    virtual ~ITestRunView() = default;
    virtual TRunInputs RunInputs() = 0;
    virtual void SetResultCountText(const WideString& text) = 0;
    virtual void SetDurationText(const WideString& text) = 0;
    virtual void SetResultLine(const WideString& text) = 0;
    virtual void ShowBasicPage() = 0;
    // Running: "Stop Query" and the grid check box enabled, "Test!", "Close" and
    // "Save Results..." disabled; idle: the reverse.
    virtual void SetRunningState(bool running) = 0;
    // Shows the grid and checks the grid check box.
    virtual void ShowGrid() = 0;
    // Lets the window handle what is pending; called once per row.
    virtual void ProcessMessages() = 0;
};

// The error that ended a run, as the user sees it: the message with the namespace hint.
class ETestRunError : public Exception {
public:
    using Exception::Exception;
};

inline constexpr char16_t DefaultRunQuery[] = u"Select * FROM Win32_OperatingSystem";
inline constexpr char16_t PortErrorText[] = u"Port Error on Port 135: RPC Server not accessible ";
inline constexpr char16_t NamespaceHint[] =
    u"Hint: the configured namespace is not the default root\\cimv2. Might this be the reason for the error?";

// The message of the error raised after the error row: `message`, and when the namespace
// field's text lower-cased (not trimmed) is not "root\cimv2", LF CR LF CR and the hint.
WideString RunErrorText(const WideString& message, const WideString& nameSpaceField);

// The optional reachability check of port 135: nothing unless DCOM and "Initial
// Portscan" are both chosen; host "127.0.0.1" when the host field is empty. Throws
// Exception(PortErrorText) when the port does not accept a connection.
void CheckRpcPort(const TRunInputs& inputs);
// Copies the run's settings into a connection: transport, machine, credentials (the
// authority is the domain prefix followed by the domain), namespace and WS-Management options.
void ConfigureConnection(wmi::TWmiConnection& connection, const TRunInputs& inputs);

class TTestRun {
public:
    TTestRun(ITestRunView& view, TStringGrid& grid, TQueryHistory& history);
    ~TTestRun();

    // One run. Returns normally when it ended without error (also after Cancel);
    // otherwise the grid ends with the error row and ETestRunError is thrown.
    void Execute();
    // "Stop Query": the run ends after the current row.
    void Cancel() { CancelNow = true; }
    bool Running() const { return FRunning; }

    // The run's milliseconds, when it ended without error.
    long long LastDurationMs() const { return FLastDurationMs; }

    std::unique_ptr<dataset::TWmiQuery> vQuery;
    std::unique_ptr<wmi::TWmiConnection> vConnection;
    bool CancelNow = false;

private:
    void FinishRun(const TRunInputs& inputs, bool raiseCloseError);
    WideString ReadCell(int fieldIndex, int calcBase);

    ITestRunView& FView;
    TStringGrid& FGrid;
    TQueryHistory& FHistory;
    bool FRunning = false;
    long long FLastDurationMs = -1;
};

} // namespace tarnwick::app
