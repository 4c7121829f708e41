// Opens a query of N fake objects with 20 properties and walks it as the test run
// does (every field of every row, raw value or typed text), against the cost of
// producing and reading the same objects without the dataset.
//
// Counters: rows/s, and BufferBytesPerRow = heap growth while the dataset walks
// the whole result (the objects themselves already exist in the fake's
// enumerator), divided by the rows.

#include "dataset/WmiDataSet.h"
#include "fakes/FakeWbem.h"
#include "wmi/WmiUtil.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

using namespace tarnwick;
using namespace tarnwick::wmi;
using com::TComPtr;
using com::TVariant;

constexpr int kProperties = 20;
const WideString kQuery = u"SELECT * FROM Bench_Thing";

std::vector<WideString> Names() {
    std::vector<WideString> names;
    for (int p = 0; p < kProperties; ++p)
        names.push_back(u"Property" + IntToStr(p));
    return names;
}

std::unique_ptr<fakes::TFakeWbem> World(int rows) {
    auto wbem = std::make_unique<fakes::TFakeWbem>();
    std::vector<WideString> names = Names();
    std::vector<fakes::TFakeObjectSpec> objects;
    objects.reserve(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        std::vector<fakes::TFakeProperty> props;
        for (int p = 0; p < kProperties; ++p) {
            if (p % 4 == 0)
                props.push_back(fakes::Prop(names[p], wbemCimtypeString, TVariant(u"text " + IntToStr(r))));
            else if (p % 4 == 1)
                props.push_back(fakes::Prop(names[p], wbemCimtypeUint32, TVariant(std::int32_t(r))));
            else if (p % 4 == 2)
                props.push_back(fakes::Prop(names[p], wbemCimtypeUint64, TVariant(IntToStr(r) + u"000")));
            else
                props.push_back(fakes::Prop(names[p], wbemCimtypeBoolean, TVariant(r % 2 == 0)));
        }
        objects.push_back(fakes::Obj(u"Bench_Thing", std::move(props)));
    }
    wbem->AddQueryResult(kQuery, objects);
    wbem->AddQueryResult(kQuery + u"\r\n", std::move(objects));
    return wbem;
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// The baseline: execute, enumerate and read every property straight from WMI.
void BM_ProduceAndReadObjects(benchmark::State& state) {
    int rows = static_cast<int>(state.range(0));
    auto wbem = World(rows);
    std::vector<WideString> names = Names();
    for (auto _ : state) {
        TComPtr<ISWbemServices> services = WmiConnectLocal();
        TComPtr<IEnumVARIANT> e = WmiExecQueryEnum(services.Get(), kQuery);
        TVariant element;
        com::ULONG fetched = 0;
        std::size_t total = 0;
        while (e->Next(1, &element, &fetched) == 0 && fetched == 1) {
            TComPtr<IUnknown> unknown(element.Unknown());
            TComPtr<ISWbemObject> object = unknown.As<ISWbemObject>();
            TComPtr<ISWbemPropertySet> set;
            object->Get_Properties_(set.Put());
            for (const WideString& name : names)
                total += WmiValueToText(WmiGetPropertyValue(set.Get(), name)).size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(rows) * double(state.iterations()), benchmark::Counter::kIsRate);
}

// The test run's walk; range(1) 1 reads raw values, 0 the typed fields' texts.
void BM_DataSetWalk(benchmark::State& state) {
    int rows = static_cast<int>(state.range(0));
    bool raw = state.range(1) != 0;
    auto wbem = World(rows);
    double bytesPerRow = 0;
    for (auto _ : state) {
        TWmiConnection connection;
        dataset::TWmiQuery query;
        query.SetConnection(&connection);
        query.SetWQLText(kQuery);
        query.Open();
        std::size_t before = HeapInUse();
        std::size_t total = 0;
        while (!query.Eof()) {
            for (std::size_t q = 0; q < query.Fields().Count(); ++q) {
                db::TField& field = query.FieldByName(query.Fields()[q].FieldName());
                if (field.IsNull()) continue;
                if (raw)
                    total += WmiValueToText(query.IrregularFieldValues(field.FieldName())).size();
                else
                    total += field.AsString().size();
            }
            query.Next();
        }
        bytesPerRow = double(HeapInUse() - before) / rows;
        benchmark::DoNotOptimize(total);
        state.PauseTiming();
        query.Close();
        state.ResumeTiming();
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(rows) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["BufferBytesPerRow"] = bytesPerRow;
}

BENCHMARK(BM_ProduceAndReadObjects)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DataSetWalk)
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace

BENCHMARK_MAIN();
