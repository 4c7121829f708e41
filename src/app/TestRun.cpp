#include "app/TestRun.h"

#include "platform/net/TcpClient.h"
#include "wmi/WmiConnection.h"

#include "dataset/WmiDataSet.h"

#include <chrono>
#include <exception>

namespace tarnwick::app {

WideString RunErrorText(const WideString& message, const WideString& nameSpaceField) {
    WideString text = message;
    if (AsciiLowerCase(nameSpaceField) != u"root\\cimv2") text += WideString(u"\n\r\n\r") + NamespaceHint;
    return text;
}

void CheckRpcPort(const TRunInputs& inputs) {
    if (!inputs.UseDcom || !inputs.PortScan) return;
    net::TTcpClient client;
    client.SetHost(inputs.Host.empty() ? std::string("127.0.0.1") : ToUtf8(inputs.Host));
    client.SetPort(135);
    client.SetReadTimeout(5000);
    client.SetConnectTimeout(0);
    try {
        client.Connect();
        client.Disconnect();
    } catch (const net::ETcpError&) {
        throw Exception(PortErrorText);
    }
}

TTestRun::TTestRun(ITestRunView& view, TStringGrid& grid, TQueryHistory& history)
    : FView(view), FGrid(grid), FHistory(history) {}

TTestRun::~TTestRun() = default;

void ConfigureConnection(wmi::TWmiConnection& connection, const TRunInputs& inputs) {
    connection.SetUseWSMan(!inputs.UseDcom);
    connection.SetMachineName(inputs.Host);
    connection.Credentials().SetUserName(inputs.User);
    connection.Credentials().SetPassword(inputs.Password);
    connection.Credentials().SetAuthority(inputs.DomainPrefix + inputs.Domain);
    connection.SetNameSpace(Trim(inputs.NameSpace));
    connection.SetWSManPort(inputs.WsmanPort);
    connection.SetWSManUseSSL(inputs.WsmanSsl);
    connection.SetEnforceKerberos(inputs.AuthenticationIndex == 1);
}

void TTestRun::Execute() {
    TRunInputs inputs = FView.RunInputs();
    FHistory.AddToHistory(inputs.QueryText);
    FView.SetResultCountText(u"Result count: ");
    FGrid.Clear();
    auto start = std::chrono::steady_clock::now();
    try {
        CheckRpcPort(inputs);

        vQuery.reset();
        vConnection = std::make_unique<wmi::TWmiConnection>();
        ConfigureConnection(*vConnection, inputs);

        vQuery = std::make_unique<dataset::TWmiQuery>();
        vQuery->SetConnection(vConnection.get());
        vQuery->SetWQLText(inputs.QueryText.empty() ? WideString(DefaultRunQuery) : inputs.QueryText);
        vQuery->Open();

        FView.SetResultLine(u"Result of: " + inputs.QueryText);
        FView.ShowBasicPage();
        CancelNow = false;
        FRunning = true;
        FView.SetRunningState(true);

        int i = 0;
        while (!vQuery->Eof() && !CancelNow) {
            FGrid.AddRow();
            if (i == 0) FGrid.SetFixedRows(1);
            int fieldCount = static_cast<int>(vQuery->Fields().Count());
            for (int q = 0; q < fieldCount; ++q) {
                FGrid.SetColCount(fieldCount);
                if (i == 0) {
                    WideString name = vQuery->Fields()[std::size_t(q)].DisplayName();
                    FGrid.SetColWidth(q, 2 * FGrid.TextWidth(name));
                    FGrid.SetCell(q, 0, std::move(name));
                }
                FGrid.SetCell(q, i + 1, ReadCell(q, inputs.CalcBase));
            }
            vQuery->Next();
            ++i;
            FView.SetResultCountText(IntToStr(i));
            FView.ProcessMessages();
        }
        FinishRun(inputs, true);
        auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        FLastDurationMs = ms.count();
        FView.SetDurationText(IntToStr(FLastDurationMs));
    } catch (const std::exception& error) {
        const auto* known = dynamic_cast<const Exception*>(&error);
        WideString message = known ? known->Message() : FromUtf8(error.what());
        FGrid.AddRow();
        WideString rowText = u"Error: " + message;
        int last = FGrid.RowCount() - 1;
        FGrid.SetColWidth(0, 2 * FGrid.TextWidth(rowText));
        FGrid.SetCell(0, last, std::move(rowText));
        FinishRun(inputs, false); // the first error is the one reported
        throw ETestRunError(RunErrorText(message, inputs.NameSpace));
    }
}

void TTestRun::FinishRun(const TRunInputs& inputs, bool raiseCloseError) {
    FView.SetResultLine(u"Result of: " + inputs.QueryText);
    FView.ShowGrid();
    FView.ShowBasicPage();
    // The controls go back to idle and both objects are freed even when closing fails.
    std::exception_ptr closeError;
    try {
        if (vQuery && vQuery->Active()) vQuery->Close();
    } catch (...) {
        closeError = std::current_exception();
    }
    vQuery.reset();
    vConnection.reset();
    CancelNow = false;
    FRunning = false;
    FView.SetRunningState(false);
    if (closeError && raiseCloseError) std::rethrow_exception(closeError);
}

WideString TTestRun::ReadCell(int fieldIndex, int calcBase) {
    db::TField* field = &vQuery->Fields()[std::size_t(fieldIndex)];
    try {
        if (field->IsNull()) return {};
        if (calcBase == 1) return com::VarToWideStr(vQuery->IrregularFieldValues(field->FieldName()));
        return field->AsString();
    } catch (const std::exception& first) {
        const auto* known = dynamic_cast<const Exception*>(&first);
        WideString message = known ? known->Message() : FromUtf8(first.what());
        if (calcBase == 1) {
            try {
                return field->AsString();
            } catch (const std::exception&) {
            }
        }
        throw Exception(u"Error reading field \"" + field->FieldName() + u"\": " + message);
    }
}

} // namespace tarnwick::app
