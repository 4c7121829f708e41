// Items per second and bytes per row of the WinRM client:
// - ParseCannedPull: a PullResponse of Win32_Service rows parsed in process into item texts;
// - EmulatorNtlmSealed: 10,000 rows from the emulator over NTLM-sealed HTTP (the CPU column
//   is this process's CPU time: our client's share, not the emulator's);
// - BridgeRowsFromEmulator: the same rows turned into scripting objects by the bridge, each
//   kept (as the dataset's row buffer keeps them) and every property value read;
// - PythonWinrmPeer: the same 10,000 rows through python3-winrm + xmltodict (its CPU time).
// Run: wsmanhttp_bench --benchmark_counters_tabular=true

#include "integration/wsmanhttp/EmulatorFixture.h"
#include "platform/wsmanhttp/WinRmClient.h"
#include "platform/wsmanhttp/WsmanReply.h"
#include "wmi/WbemScripting.h"
#include "wsman/VelWbemToWsmanAdapter.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <string>

namespace {

using namespace tarnwick;

std::string ServiceItem(int i) {
    std::string n = std::to_string(i);
    return "<p:Win32_Service xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns:p=\"http://schemas.microsoft.com/wbem/wsman/1/wmi/root/cimv2/Win32_Service\" "
           "xmlns:cim=\"http://schemas.dmtf.org/wbem/wscim/1/common\" xsi:type=\"p:Win32_Service_Type\">"
           "<p:AcceptPause>false</p:AcceptPause><p:AcceptStop>true</p:AcceptStop><p:Caption>Demo Service " +
           n +
           "</p:Caption><p:CheckPoint>0</p:CheckPoint><p:CreationClassName>Win32_Service</"
           "p:CreationClassName>"
           "<p:Description>Runs DemoSvc" +
           n + "</p:Description><p:DesktopInteract>false</p:DesktopInteract><p:DisplayName>Demo Service " +
           n +
           "</p:DisplayName><p:ErrorControl>Normal</p:ErrorControl><p:ExitCode>0</p:ExitCode>"
           "<p:InstallDate xsi:nil=\"true\"/><p:Name>DemoSvc" +
           n +
           "</p:Name><p:PathName>\"C:\\Program Files\\Demo\\DemoSvc.exe\" -k netsvcs</p:PathName>"
           "<p:ProcessId>1004</p:ProcessId><p:ServiceSpecificExitCode>0</p:ServiceSpecificExitCode>"
           "<p:ServiceType>Share "
           "Process</p:ServiceType><p:Started>true</p:Started><p:StartMode>Auto</p:StartMode>"
           "<p:StartName>LocalSystem</p:StartName><p:State>Running</p:State><p:Status>OK</p:Status>"
           "<p:SystemCreationClassName>Win32_ComputerSystem</p:SystemCreationClassName>"
           "<p:SystemName>DEMO-SRV01</p:SystemName><p:TagId>0</p:TagId><p:WaitHint>0</p:WaitHint></"
           "p:Win32_Service>";
}

std::string CannedPull(int rows) {
    std::string s =
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
        "xmlns:n=\"http://schemas.xmlsoap.org/ws/2004/09/enumeration\"><s:Header><a:Action>"
        "http://schemas.xmlsoap.org/ws/2004/09/enumeration/PullResponse</a:Action></s:Header><s:Body>"
        "<n:PullResponse><n:EnumerationContext>uuid:1</n:EnumerationContext><n:Items>";
    for (int i = 0; i < rows; ++i)
        s += ServiceItem(i);
    return s + "</n:Items></n:PullResponse></s:Body></s:Envelope>";
}

void ParseCannedPull(benchmark::State& state) {
    const int rows = int(state.range(0));
    const std::string reply = CannedPull(rows);
    double bytesPerRow = 0;
    for (auto _ : state) {
        std::size_t before = mallinfo2().uordblks;
        wsmanhttp::TWsmanReply parsed = wsmanhttp::TWsmanReply::Parse(reply);
        std::size_t after = mallinfo2().uordblks;
        benchmark::DoNotOptimize(parsed.Enumeration().Items.data());
        bytesPerRow = double(after - before) / rows;
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.SetBytesProcessed(state.iterations() * int64_t(reply.size()));
    state.counters["heap_bytes_per_row"] = bytesPerRow;
    state.counters["reply_bytes_per_row"] = double(reply.size()) / rows;
}
BENCHMARK(ParseCannedPull)->Arg(50)->Arg(1000)->Unit(benchmark::kMillisecond);

struct TEmulatorOnce {
    testing::TTempDir Dir;
    std::unique_ptr<testing::TEmulator> Emulator;
    TEmulatorOnce() {
        testing::UseEmptyKerberosConfig(Dir);
        Emulator = std::make_unique<testing::TEmulator>(
            std::vector<std::string>{"--bind", "::1", "--services", "10000", "--max-envelope", "512000"});
    }
    static TEmulatorOnce& Get() {
        static TEmulatorOnce once;
        return once;
    }
};

void EmulatorNtlmSealed(benchmark::State& state) {
    auto& e = TEmulatorOnce::Get();
    const std::string connection = "[::1]:" + std::to_string(e.Emulator->Port());
    std::size_t rows = 0;
    for (auto _ : state) {
        testing::TSessionResult s = testing::OpenSession(connection, wsman::WSManFlagUseNegotiate,
                                                         testing::TestUser, testing::TestPassword);
        testing::TQueryResult q = testing::RunQuery(s.Session.Get(), "SELECT * FROM Win32_Service");
        if (q.Code != 0) {
            state.SkipWithError(q.Error.c_str());
            return;
        }
        rows = q.Items.size();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(rows));
    state.counters["rows"] = double(rows);
}
BENCHMARK(EmulatorNtlmSealed)->Unit(benchmark::kMillisecond)->Iterations(3);

void BridgeRowsFromEmulator(benchmark::State& state) {
    auto& e = TEmulatorOnce::Get();
    wsmanhttp::RegisterWinRmClient();
    std::size_t rows = 0, values = 0;
    double bytesPerRow = 0;
    for (auto _ : state) {
        std::size_t before = mallinfo2().uordblks;
        com::TComPtr<wmi::ISWbemServices> services = com::MakeCom<wsman::TVelWbemToWsmanAdapter>(
            u"[::1]", e.Emulator->Port(), u"root\\cimv2", u"alice", FromUtf8(testing::TestPassword), u"",
            u"CORP", false, false);
        com::TComPtr<wmi::ISWbemObjectSet> set;
        com::TComPtr<com::IUnknown> unknown;
        if (com::Failed(services->ExecQuery(u"SELECT * FROM Win32_Service", u"WQL", 0, nullptr, set.Put())) ||
            com::Failed(set->Get__NewEnum(unknown.Put()))) {
            state.SkipWithError("ExecQuery through the bridge failed");
            return;
        }
        com::TComPtr<com::IEnumVARIANT> rowsEnum = unknown.As<com::IEnumVARIANT>();
        std::vector<com::TComPtr<wmi::ISWbemObject>> kept;
        for (;;) {
            com::TVariant row;
            com::ULONG fetched = 0;
            if (rowsEnum->Next(1, &row, &fetched) != com::S_OK || fetched != 1) break;
            com::TComPtr<wmi::ISWbemObject> object;
            com::TComPtr<wmi::ISWbemPropertySet> props;
            if (!row.Unknown() ||
                com::Failed(row.Unknown()->QueryInterface(wmi::ISWbemObject::iid, object.PutVoid())) ||
                com::Failed(object->Get_Properties_(props.Put()))) {
                state.SkipWithError("a row is not a scripting object");
                return;
            }
            com::TComPtr<com::IUnknown> propUnknown;
            props->Get__NewEnum(propUnknown.Put());
            com::TComPtr<com::IEnumVARIANT> propEnum = propUnknown.As<com::IEnumVARIANT>();
            for (;;) {
                com::TVariant p;
                if (propEnum->Next(1, &p, &fetched) != com::S_OK || fetched != 1) break;
                com::TComPtr<wmi::ISWbemProperty> prop;
                if (!p.Unknown() ||
                    com::Failed(p.Unknown()->QueryInterface(wmi::ISWbemProperty::iid, prop.PutVoid())))
                    break;
                com::TVariant value;
                prop->Get_Value(&value);
                benchmark::DoNotOptimize(value);
                ++values;
            }
            kept.push_back(std::move(object));
        }
        rows = kept.size();
        bytesPerRow = rows ? double(mallinfo2().uordblks - before) / double(rows) : 0;
        if (rows == 0) {
            state.SkipWithError("no rows through the bridge");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(rows));
    state.counters["rows"] = double(rows);
    state.counters["heap_bytes_per_kept_row"] = bytesPerRow;
}
BENCHMARK(BridgeRowsFromEmulator)->Unit(benchmark::kMillisecond)->Iterations(2);

void PythonWinrmPeer(benchmark::State& state) {
    auto& e = TEmulatorOnce::Get();
    e.Dir.Write("openssl-legacy.cnf",
                "openssl_conf = openssl_init\n[openssl_init]\nproviders = provider_sect\n"
                "[provider_sect]\ndefault = default_sect\nlegacy = legacy_sect\n"
                "[default_sect]\nactivate = 1\n[legacy_sect]\nactivate = 1\n");
    const std::string url = "http://[::1]:" + std::to_string(e.Emulator->Port()) + "/wsman";
    double cpu = 0, parse = 0, items = 0;
    for (auto _ : state) {
        std::string out;
        int rc = testing::RunCommand(
            {"/usr/bin/python3",
             std::string(TARNWICK_SOURCE_DIR) + "/tests/integration/wsmanhttp/pywinrm_peer.py", url,
             testing::TestUser, "SELECT * FROM Win32_Service", "--bench"},
            std::string(testing::TestPassword) + "\n", 120000,
            {"OPENSSL_CONF=" + e.Dir.File("openssl-legacy.cnf")}, &out);
        if (rc != 0) {
            state.SkipWithError(out.c_str());
            return;
        }
        items = std::atof(out.c_str() + out.find("items ") + 6);
        cpu = std::atof(out.c_str() + out.find("cpu_s ") + 6);
        parse = std::atof(out.c_str() + out.find("parse_s ") + 8);
        state.SetIterationTime(cpu);
    }
    state.counters["rows"] = items;
    state.counters["peer_items_per_cpu_s"] = cpu > 0 ? items / cpu : 0;
    state.counters["xmltodict_items_per_s"] = parse > 0 ? items / parse : 0;
}
BENCHMARK(PythonWinrmPeer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
