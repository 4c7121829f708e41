// Times queries of the local computer through the scripting interface, as the
// dataset runs them: ExecQuery, the enumerator, Next(1) per row, and every
// property's value read through Get_Properties_.
#include "platform/com/ClassRegistry.h"
#include "platform/localwmi/LocalWmi.h"
#include "platform/localwmi/Wql.h"
#include "wmi/WbemScripting.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tarnwick;
using namespace tarnwick::wmi;
using com::TComPtr;
using com::TVariant;

TComPtr<ISWbemServices> Connect() {
    localwmi::RegisterLocalWmi();
    TComPtr<ISWbemLocator> locator;
    com::CoCreateInstance(CLSID_SWbemLocator, com::CLSCTX_ALL, locator);
    TComPtr<ISWbemServices> services;
    locator->ConnectServer({}, u"root\\cimv2", {}, {}, {}, {}, 128, nullptr, services.Put());
    return services;
}

// Reads every row and every property value; returns the number of rows.
std::size_t ReadAll(ISWbemServices* services, const WideString& wql) {
    TComPtr<ISWbemObjectSet> set;
    if (services->ExecQuery(wql, u"WQL", 16, nullptr, set.Put()) != com::S_OK) return 0;
    TComPtr<com::IUnknown> unk;
    set->Get__NewEnum(unk.Put());
    auto rows = unk.As<com::IEnumVARIANT>();
    std::size_t count = 0;
    TVariant row;
    com::ULONG fetched = 0;
    while (rows->Next(1, &row, &fetched) == com::S_OK) {
        ++count;
        auto object = TComPtr<com::IUnknown>(row.Unknown()).As<ISWbemObject>();
        TComPtr<ISWbemPropertySet> props;
        object->Get_Properties_(props.Put());
        TComPtr<com::IUnknown> propUnk;
        props->Get__NewEnum(propUnk.Put());
        auto propEnum = propUnk.As<com::IEnumVARIANT>();
        TVariant p;
        while (propEnum->Next(1, &p, &fetched) == com::S_OK) {
            TVariant value;
            TComPtr<com::IUnknown>(p.Unknown()).As<ISWbemProperty>()->Get_Value(&value);
            benchmark::DoNotOptimize(value);
        }
    }
    return count;
}

void BM_SelectAllProcesses(benchmark::State& state) {
    auto services = Connect();
    std::size_t rows = 0;
    for (auto _ : state)
        rows = ReadAll(services.Get(), u"SELECT * FROM Win32_Process");
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SelectAllProcesses)->Unit(benchmark::kMillisecond);

// Includes the sampling interval of the formatted rates.
void BM_PerfProcessor(benchmark::State& state) {
    auto services = Connect();
    std::size_t rows = 0;
    for (auto _ : state)
        rows = ReadAll(services.Get(), u"SELECT * FROM Win32_PerfFormattedData_PerfOS_Processor");
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_PerfProcessor)->Unit(benchmark::kMillisecond);

void BM_ParseWql(benchmark::State& state) {
    const WideString text =
        u"SELECT Name, ProcessId FROM Win32_Process WHERE (Name LIKE 'b%' OR ProcessId > 100) "
        u"AND NOT ExecutablePath IS NULL AND Handle <> '1'";
    for (auto _ : state) {
        localwmi::TWqlQuery q;
        benchmark::DoNotOptimize(localwmi::ParseWql(text, q));
    }
}
BENCHMARK(BM_ParseWql);

} // namespace
