// Win32_PerfFormattedData_PerfOS_Processor and _Memory (rates sampled over
// PerfSampleMilliseconds) and Win32_PerfRawData_Tcpip_NetworkInterface (raw
// counters, no sampling).
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/ProcFs.h"
#include "platform/localwmi/Providers.h"

#include <algorithm>
#include <cmath>
#include <dirent.h>
#include <memory>
#include <thread>

namespace tarnwick::localwmi {

using namespace procfs;

namespace {

struct TCpuTimes {
    std::string Name; // "cpu" or "cpuN"
    std::uint64_t User = 0, Nice = 0, System = 0, Idle = 0, IoWait = 0, Irq = 0, SoftIrq = 0, Steal = 0;
    std::uint64_t Total() const { return User + Nice + System + Idle + IoWait + Irq + SoftIrq + Steal; }
};

struct TCpuSample {
    std::vector<TCpuTimes> Cpus;
    std::optional<std::uint64_t> Interrupts;
};

TCpuSample ReadCpu() {
    TCpuSample sample;
    auto text = ReadFile("/proc/stat");
    if (!text) return sample;
    for (const auto& line : Lines(*text)) {
        auto w = Words(line);
        if (w.size() >= 9 && w[0].rfind("cpu", 0) == 0) {
            auto n = [&](std::size_t i) { return ToUInt(w[i]).value_or(0); };
            sample.Cpus.push_back({w[0], n(1), n(2), n(3), n(4), n(5), n(6), n(7), n(8)});
        } else if (w.size() >= 2 && w[0] == "intr") {
            sample.Interrupts = ToUInt(w[1]);
        }
    }
    return sample;
}

void Stamps(TInstanceBuilder& b, std::uint64_t perfTime) {
    b.UInt(u"Timestamp_Sys100NS", NowFileTime()).UInt(u"Frequency_Sys100NS", 10000000);
    b.UInt(u"Timestamp_PerfTime", perfTime).UInt(u"Frequency_PerfTime", 1000000000);
}

void Sleep() {
    std::this_thread::sleep_for(std::chrono::milliseconds(PerfSampleMilliseconds));
}

struct TDirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

} // namespace

void ProvidePerfProcessor(const TClassDef& cls, std::vector<TInstance>& out) {
    TCpuSample a = ReadCpu();
    std::uint64_t t0 = MonotonicNanoseconds();
    Sleep();
    TCpuSample z = ReadCpu();
    std::uint64_t t1 = MonotonicNanoseconds();
    double seconds = static_cast<double>(t1 - t0) / 1e9;
    std::vector<TInstance> rows;
    TInstance totalRow;
    for (const auto& after : z.Cpus) {
        const TCpuTimes* before = nullptr;
        for (const auto& c : a.Cpus)
            if (c.Name == after.Name) before = &c;
        if (!before) continue;
        auto d = [](std::uint64_t x, std::uint64_t y) { return y >= x ? y - x : 0; };
        std::uint64_t total = d(before->Total(), after.Total());
        bool isTotal = after.Name == "cpu";
        TInstanceBuilder b(cls);
        b.Utf8(u"Name", isTotal ? std::string("_Total") : after.Name.substr(3));
        Stamps(b, t1);
        if (total > 0) {
            auto pct = [&](std::uint64_t part) {
                return static_cast<std::uint64_t>(std::llround(part * 100.0 / static_cast<double>(total)));
            };
            std::uint64_t idle = d(before->Idle, after.Idle) + d(before->IoWait, after.IoWait);
            b.UInt(u"PercentIdleTime", pct(idle))
                .UInt(u"PercentProcessorTime", 100 - std::min<std::uint64_t>(100, pct(idle)));
            b.UInt(u"PercentUserTime", pct(d(before->User, after.User) + d(before->Nice, after.Nice)));
            b.UInt(u"PercentPrivilegedTime", pct(d(before->System, after.System)));
            b.UInt(u"PercentInterruptTime", pct(d(before->Irq, after.Irq)));
            b.UInt(u"PercentDPCTime", pct(d(before->SoftIrq, after.SoftIrq)));
        }
        if (isTotal && a.Interrupts && z.Interrupts && *z.Interrupts >= *a.Interrupts)
            b.UInt(u"InterruptsPersec",
                   static_cast<std::uint64_t>(std::llround((*z.Interrupts - *a.Interrupts) / seconds)));
        if (isTotal)
            totalRow = b.Take();
        else
            rows.push_back(b.Take());
    }
    for (auto& r : rows)
        out.push_back(std::move(r));
    if (totalRow.Class) out.push_back(std::move(totalRow));
}

void ProvidePerfMemory(const TClassDef& cls, std::vector<TInstance>& out) {
    auto a = NameValues("/proc/vmstat");
    std::uint64_t t0 = MonotonicNanoseconds();
    Sleep();
    auto z = NameValues("/proc/vmstat");
    std::uint64_t t1 = MonotonicNanoseconds();
    double seconds = static_cast<double>(t1 - t0) / 1e9;
    auto mem = KeyNumbers("/proc/meminfo");
    TInstanceBuilder b(cls);
    Stamps(b, t1);
    auto bytes = [&](const char* key) -> std::optional<std::uint64_t> {
        auto it = mem.find(key);
        if (it == mem.end()) return std::nullopt;
        return it->second * 1024;
    };
    if (auto avail = bytes("MemAvailable")) {
        b.UInt(u"AvailableBytes", *avail).UInt(u"AvailableKBytes", *avail / 1024);
        b.UInt(u"AvailableMBytes", *avail / (1024 * 1024));
    }
    b.OptUInt(u"CacheBytes", bytes("Cached"));
    b.OptUInt(u"CommitLimit", bytes("CommitLimit")).OptUInt(u"CommittedBytes", bytes("Committed_AS"));
    if (bytes("CommitLimit") && bytes("Committed_AS") && *bytes("CommitLimit") > 0)
        b.UInt(u"PercentCommittedBytesInUse", static_cast<std::uint64_t>(std::llround(
                                                  *bytes("Committed_AS") * 100.0 / *bytes("CommitLimit"))));
    b.OptUInt(u"FreeAndZeroPageListBytes", bytes("MemFree"));
    if (bytes("Dirty") && bytes("Writeback"))
        b.UInt(u"ModifiedPageListBytes", *bytes("Dirty") + *bytes("Writeback"));
    b.OptUInt(u"PoolPagedBytes", bytes("SReclaimable")).OptUInt(u"PoolNonpagedBytes", bytes("SUnreclaim"));
    auto rate = [&](const char* key) -> std::optional<std::uint64_t> {
        if (!a.count(key) || !z.count(key) || z[key] < a[key]) return std::nullopt;
        return static_cast<std::uint64_t>(std::llround((z[key] - a[key]) / seconds));
    };
    b.OptUInt(u"PageFaultsPersec", rate("pgfault")).OptUInt(u"PageReadsPersec", rate("pgmajfault"));
    auto in = rate("pswpin"), outRate = rate("pswpout");
    b.OptUInt(u"PagesInputPersec", in)
        .OptUInt(u"PagesOutputPersec", outRate)
        .OptUInt(u"PageWritesPersec", outRate);
    if (in && outRate) b.UInt(u"PagesPersec", *in + *outRate);
    out.push_back(b.Take());
}

void ProvideRawNetworkInterface(const TClassDef& cls, std::vector<TInstance>& out) {
    std::unique_ptr<DIR, TDirCloser> dir(opendir("/sys/class/net"));
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir.get()))
        if (e->d_name[0] != '.' && std::string(e->d_name) != "lo") names.emplace_back(e->d_name);
    std::sort(names.begin(), names.end());
    std::uint64_t now = MonotonicNanoseconds();
    for (const auto& name : names) {
        std::string stats = "/sys/class/net/" + name + "/statistics/";
        auto n = [&](const char* file) { return ReadNumber(stats + file); };
        TInstanceBuilder b(cls);
        b.Utf8(u"Name", name);
        Stamps(b, now);
        auto rx = n("rx_bytes"), tx = n("tx_bytes");
        b.OptUInt(u"BytesReceivedPersec", rx).OptUInt(u"BytesSentPersec", tx);
        if (rx && tx) b.UInt(u"BytesTotalPersec", *rx + *tx);
        auto rxp = n("rx_packets"), txp = n("tx_packets"), multi = n("multicast");
        b.OptUInt(u"PacketsReceivedPersec", rxp).OptUInt(u"PacketsSentPersec", txp);
        if (rxp && txp) b.UInt(u"PacketsPersec", *rxp + *txp);
        b.OptUInt(u"PacketsReceivedNonUnicastPersec", multi);
        if (rxp && multi && *rxp >= *multi) b.UInt(u"PacketsReceivedUnicastPersec", *rxp - *multi);
        b.OptUInt(u"PacketsReceivedDiscarded", n("rx_dropped"))
            .OptUInt(u"PacketsReceivedErrors", n("rx_errors"));
        b.OptUInt(u"PacketsOutboundDiscarded", n("tx_dropped"))
            .OptUInt(u"PacketsOutboundErrors", n("tx_errors"));
        // speed is in Mbit/s; unreadable or -1 for links without one.
        if (auto speed = ReadLine("/sys/class/net/" + name + "/speed"))
            if (auto mbit = ToInt(*speed); mbit && *mbit > 0)
                b.UInt(u"CurrentBandwidth", static_cast<std::uint64_t>(*mbit) * 1000000ULL);
        out.push_back(b.Take());
    }
}

} // namespace tarnwick::localwmi
