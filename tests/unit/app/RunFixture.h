#pragma once
// A test run over the fake scripting objects, with a view that records what the run
// showed.

#include "app/TestRun.h"
#include "fakes/FakeWbem.h"

#include <functional>
#include <gtest/gtest.h>

namespace tarnwick::app::testing {

class TRecordingView : public ITestRunView {
public:
    TRunInputs Inputs;
    WideString ResultCount, Duration = u"(untouched)", ResultLine;
    std::vector<bool> RunningStates;
    int BasicPageShown = 0, GridShown = 0, MessagesProcessed = 0;
    std::function<void()> OnProcessMessages;

    TRunInputs RunInputs() override { return Inputs; }
    void SetResultCountText(const WideString& t) override { ResultCount = t; }
    void SetDurationText(const WideString& t) override { Duration = t; }
    void SetResultLine(const WideString& t) override { ResultLine = t; }
    void ShowBasicPage() override { ++BasicPageShown; }
    void SetRunningState(bool running) override { RunningStates.push_back(running); }
    void ShowGrid() override { ++GridShown; }
    void ProcessMessages() override {
        ++MessagesProcessed;
        if (OnProcessMessages) OnProcessMessages();
    }
};

inline fakes::TFakeObjectSpec ProcessRow(const char16_t* handle, std::int32_t threads) {
    return fakes::Obj(u"Win32_Process",
                      {fakes::Prop(u"Handle", wmi::wbemCimtypeString, com::TVariant(handle), {u"KEY"}),
                       fakes::Prop(u"ThreadCount", wmi::wbemCimtypeUint32, com::TVariant(threads))});
}

class RunTest : public ::testing::Test {
protected:
    RunTest() : Run(View, Grid, History) {
        View.Inputs.UseDcom = true;
        View.Inputs.PortScan = false;
        View.Inputs.DomainPrefix = u"NTLMDOMAIN:";
        View.Inputs.NameSpace = u"root\\cimV2";
        View.Inputs.QueryText = u"SELECT * FROM Win32_Process";
    }
    // Runs and returns the error's message, or "" when the run ended without error.
    WideString Execute() {
        try {
            Run.Execute();
            return {};
        } catch (const ETestRunError& e) {
            return e.Message();
        }
    }

    fakes::TFakeWbem Wbem;
    TRecordingView View;
    TStringGrid Grid;
    TQueryHistory History;
    TTestRun Run;
};

} // namespace tarnwick::app::testing
