// The grid filled through the real test run: 100,000 rows of 20 columns from the
// fake scripting objects. "Core" runs without a window (as tarnwick-cli does); "Window"
// runs the window offscreen with the grid shown, or hidden by its check box.

#include "app/TestRun.h"
#include "app/window/MainWindow.h"
#include "fakes/FakeWbem.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <fstream>

using namespace tarnwick;
using com::TVariant;

namespace {

const int kRows = std::getenv("APP_BENCH_ROWS") ? std::atoi(std::getenv("APP_BENCH_ROWS")) : 100000;
constexpr int kCols = 20;
const WideString kQuery = u"SELECT * FROM Bench_Rows";

void FillFake(fakes::TFakeWbem& wbem) {
    std::vector<fakes::TFakeObjectSpec> rows;
    rows.reserve(kRows);
    for (int r = 0; r < kRows; ++r) {
        std::vector<fakes::TFakeProperty> props;
        props.reserve(kCols);
        for (int c = 0; c < kCols; ++c) {
            WideString name = u"Property" + IntToStr(c);
            if (c % 2 == 0)
                props.push_back(fakes::Prop(name, wmi::wbemCimtypeString, TVariant(u"text " + IntToStr(r))));
            else
                props.push_back(fakes::Prop(name, wmi::wbemCimtypeUint32, TVariant(std::int32_t(r * c))));
        }
        rows.push_back(fakes::Obj(u"Bench_Rows", std::move(props)));
    }
    wbem.AddQueryResult(kQuery + u"\r\n", std::move(rows));
}

class TQuietView : public app::ITestRunView {
public:
    app::TRunInputs Inputs;
    app::TRunInputs RunInputs() override { return Inputs; }
    void SetResultCountText(const WideString&) override {}
    void SetDurationText(const WideString&) override {}
    void SetResultLine(const WideString&) override {}
    void ShowBasicPage() override {}
    void SetRunningState(bool) override {}
    void ShowGrid() override {}
    void ProcessMessages() override {}
};

long RssKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

fakes::TFakeWbem* Wbem = nullptr;

void Core(benchmark::State& state) {
    for (auto _ : state) {
        TQuietView view;
        view.Inputs.NameSpace = u"root\\cimv2";
        view.Inputs.QueryText = kQuery;
        app::TStringGrid grid;
        app::TQueryHistory history;
        app::TTestRun run(view, grid, history);
        long before = RssKiB();
        run.Execute();
        state.counters["rows"] = grid.RowCount() - 1;
        state.counters["grid_MiB"] = double(RssKiB() - before) / 1024.0;
    }
}

void Window(benchmark::State& state) {
    bool hidden = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        app::window::TForm1 form;
        form.PortScanCheckBox->setChecked(false);
        form.QueryMemo->setPlainText(QString::fromStdU16String(kQuery));
        form.resize(1000, 700);
        form.show();
        QApplication::processEvents();
        if (hidden) QTimer::singleShot(0, &form, [&] { form.ShowCheckBox->click(); });
        long before = RssKiB();
        state.ResumeTiming();
        form.TestButtonClick();
        QApplication::processEvents(); // the last paint
        state.PauseTiming();
        state.counters["rows"] = form.GridData().RowCount() - 1;
        state.counters["grid_MiB"] = double(RssKiB() - before) / 1024.0;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(Core)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Window)->Arg(0)->Arg(1)->ArgName("hidden")->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    QTemporaryDir dir; // the window's settings go here, not to the user's file
    qputenv("TARNWICK_REGISTRY_FILE", dir.filePath(QStringLiteral("registry.reg")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fakes::TFakeWbem wbem;
    FillFake(wbem);
    Wbem = &wbem;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
