// Win32_OperatingSystem, Win32_ComputerSystem, Win32_Processor and __NAMESPACE.
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/LocalWmi.h"
#include "platform/localwmi/ProcFs.h"
#include "platform/localwmi/Providers.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <langinfo.h>
#include <set>
#include <sys/utsname.h>
#include <unistd.h>
#include <utmpx.h>

namespace tarnwick::localwmi {

using namespace procfs;

namespace {

struct TUname {
    std::string Sysname, Release, Version, Machine;
};

TUname Uname() {
    utsname u{};
    if (uname(&u) != 0) return {};
    return {u.sysname, u.release, u.version, u.machine};
}

bool Is64Bit(const std::string& machine) {
    return machine.find("64") != std::string::npos;
}

long LocalOffsetMinutes(bool* dst = nullptr) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    if (dst) *dst = local.tm_isdst > 0;
    return local.tm_gmtoff / 60;
}

std::string RootDevice() {
    for (const auto& m : DiskMounts())
        if (m.MountPoint == "/") return m.Device;
    return {};
}

// The lines of /proc/cpuinfo grouped per logical processor.
std::vector<std::map<std::string, std::string>> CpuInfo() {
    std::vector<std::map<std::string, std::string>> cpus;
    auto text = ReadFile("/proc/cpuinfo");
    if (!text) return cpus;
    std::map<std::string, std::string> current;
    for (const auto& line : Lines(*text)) {
        std::size_t colon = line.find(':');
        if (Trimmed(line).empty()) {
            if (!current.empty()) cpus.push_back(std::move(current));
            current.clear();
            continue;
        }
        if (colon == std::string::npos) continue;
        current[Trimmed(std::string_view(line).substr(0, colon))] =
            Trimmed(std::string_view(line).substr(colon + 1));
    }
    if (!current.empty()) cpus.push_back(std::move(current));
    return cpus;
}

std::optional<std::string> Field(const std::map<std::string, std::string>& cpu, const char* key) {
    auto it = cpu.find(key);
    if (it == cpu.end()) return std::nullopt;
    return it->second;
}

bool HasFlag(const std::map<std::string, std::string>& cpu, const char* flag) {
    auto flags = Field(cpu, "flags");
    if (!flags) return false;
    for (const auto& w : Words(*flags))
        if (w == flag) return true;
    return false;
}

// Size in KB of the cache of that level, from /sys.
std::optional<std::uint64_t> CacheKb(int level) {
    for (int i = 0; i < 8; ++i) {
        std::string base = "/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(i) + "/";
        auto l = ReadNumber(base + "level");
        if (!l) break;
        if (static_cast<int>(*l) != level) continue;
        auto size = ReadLine(base + "size");
        if (!size || size->empty()) continue;
        std::string digits = *size;
        std::uint64_t factor = 1;
        if (digits.back() == 'K')
            digits.pop_back();
        else if (digits.back() == 'M') {
            digits.pop_back();
            factor = 1024;
        }
        if (auto v = ToUInt(digits)) return *v * factor;
    }
    return std::nullopt;
}

} // namespace

void ProvideOperatingSystem(const TClassDef& cls, std::vector<TInstance>& out) {
    TUname u = Uname();
    auto mem = KeyNumbers("/proc/meminfo");
    auto kb = [&](const char* key) -> std::optional<std::uint64_t> {
        auto it = mem.find(key);
        if (it == mem.end()) return std::nullopt;
        return it->second;
    };
    std::string caption = OsCaption();
    std::string name = caption + "|/|" + RootDevice();
    TInstanceBuilder b(cls);
    b.Utf8(u"Caption", caption)
        .Utf8(u"Name", name)
        .Utf8(u"Version", u.Release)
        .Utf8(u"BuildNumber", u.Version);
    b.Text(u"CreationClassName", cls.Name).Text(u"CSCreationClassName", u"Win32_ComputerSystem");
    b.Text(u"CSName", LocalComputerName()).Int(u"CurrentTimeZone", LocalOffsetMinutes());
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && *codeset) b.Utf8(u"CodeSet", codeset);
    b.Bool(u"Distributed", false).Bool(u"Primary", true).Text(u"Status", u"OK");
    b.Int(u"OSType", 36); // CIM's code for LINUX
    b.Text(u"OSArchitecture", Is64Bit(u.Machine) ? u"64-bit" : u"32-bit");
    b.OptUInt(u"FreePhysicalMemory", kb("MemAvailable"));
    b.OptUInt(u"FreeSpaceInPagingFiles", kb("SwapFree"));
    if (kb("MemAvailable") && kb("SwapFree"))
        b.UInt(u"FreeVirtualMemory", *kb("MemAvailable") + *kb("SwapFree"));
    b.OptUInt(u"TotalVisibleMemorySize", kb("MemTotal"));
    b.OptUInt(u"SizeStoredInPagingFiles", kb("SwapTotal"));
    b.OptUInt(u"TotalSwapSpaceSize", kb("SwapTotal"));
    if (kb("MemTotal") && kb("SwapTotal"))
        b.UInt(u"TotalVirtualMemorySize", *kb("MemTotal") + *kb("SwapTotal"));
    if (auto boot = BootTime()) b.Time(u"LastBootUpTime", *boot);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    b.Time(u"LocalDateTime", now.tv_sec, now.tv_nsec / 1000);
    b.OptUInt(u"MaxNumberOfProcesses", ReadNumber("/proc/sys/kernel/pid_max"));
    b.UInt(u"NumberOfProcesses", ProcessIds().size());
    std::set<std::string> users;
    setutxent();
    while (utmpx* entry = getutxent())
        if (entry->ut_type == USER_PROCESS)
            users.insert(std::string(entry->ut_user, strnlen(entry->ut_user, sizeof entry->ut_user)));
    endutxent();
    b.UInt(u"NumberOfUsers", users.size());
    std::string root = RootDevice();
    if (!root.empty()) b.Utf8(u"SystemDevice", root);
    b.Text(u"SystemDrive", u"/");
    out.push_back(b.Take());
}

void ProvideComputerSystem(const TClassDef& cls, std::vector<TInstance>& out) {
    TUname u = Uname();
    std::string host = HostName();
    auto mem = KeyNumbers("/proc/meminfo");
    auto cpus = CpuInfo();
    TInstanceBuilder b(cls);
    b.Text(u"Name", LocalComputerName()).Text(u"Caption", LocalComputerName());
    b.Text(u"CreationClassName", cls.Name).Text(u"Status", u"OK");
    b.Utf8(u"DNSHostName", host.substr(0, host.find('.')));
    if (host.find('.') != std::string::npos) b.Utf8(u"Domain", host.substr(host.find('.') + 1));
    bool dst = false;
    b.Int(u"CurrentTimeZone", LocalOffsetMinutes(&dst)).Bool(u"DaylightInEffect", dst);
    b.OptText(u"Manufacturer", ReadLine("/sys/class/dmi/id/sys_vendor"));
    b.OptText(u"Model", ReadLine("/sys/class/dmi/id/product_name"));
    b.OptText(u"SystemFamily", ReadLine("/sys/class/dmi/id/product_family"));
    b.OptText(u"SystemSKUNumber", ReadLine("/sys/class/dmi/id/product_sku"));
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    if (online > 0) b.UInt(u"NumberOfLogicalProcessors", static_cast<std::uint64_t>(online));
    std::set<std::string> packages;
    for (const auto& cpu : cpus)
        if (auto id = Field(cpu, "physical id")) packages.insert(*id);
    if (!packages.empty())
        b.UInt(u"NumberOfProcessors", packages.size());
    else if (online > 0)
        b.UInt(u"NumberOfProcessors", 1);
    if (!cpus.empty()) b.Bool(u"HypervisorPresent", HasFlag(cpus.front(), "hypervisor"));
    if (u.Machine == "x86_64")
        b.Text(u"SystemType", u"x64-based PC");
    else if (u.Machine == "aarch64")
        b.Text(u"SystemType", u"ARM64-based PC");
    else if (!u.Machine.empty())
        b.Utf8(u"SystemType", u.Machine);
    if (mem.count("MemTotal")) b.UInt(u"TotalPhysicalMemory", mem["MemTotal"] * 1024);
    out.push_back(b.Take());
}

void ProvideProcessor(const TClassDef& cls, std::vector<TInstance>& out) {
    TUname u = Uname();
    auto cpus = CpuInfo();
    // One instance per physical package, as Windows counts sockets.
    std::vector<std::string> packages;
    for (const auto& cpu : cpus) {
        std::string id = Field(cpu, "physical id").value_or("0");
        if (std::find(packages.begin(), packages.end(), id) == packages.end()) packages.push_back(id);
    }
    if (packages.empty()) packages.push_back("0");
    auto maxKHz = ReadNumber("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    auto curKHz = ReadNumber("/sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq");
    for (std::size_t index = 0; index < packages.size(); ++index) {
        const std::map<std::string, std::string>* first = nullptr;
        std::uint64_t logical = 0;
        for (const auto& cpu : cpus)
            if (Field(cpu, "physical id").value_or("0") == packages[index]) {
                if (!first) first = &cpu;
                ++logical;
            }
        TInstanceBuilder b(cls);
        WideString deviceId = u"CPU" + IntToStr(static_cast<std::int64_t>(index));
        b.Text(u"DeviceID", deviceId).Text(u"CreationClassName", cls.Name);
        b.Text(u"SystemCreationClassName", u"Win32_ComputerSystem").Text(u"SystemName", LocalComputerName());
        b.Text(u"Status", u"OK").Text(u"Role", u"CPU").Int(u"ProcessorType", 3).Int(u"CpuStatus", 1);
        int width = Is64Bit(u.Machine) ? 64 : 32;
        b.Int(u"AddressWidth", width).Int(u"DataWidth", width);
        if (u.Machine == "x86_64")
            b.Int(u"Architecture", 9);
        else if (u.Machine == "aarch64")
            b.Int(u"Architecture", 12);
        else if (u.Machine.size() == 4 && u.Machine[0] == 'i' && u.Machine.substr(2) == "86")
            b.Int(u"Architecture", 0);
        else if (u.Machine.rfind("arm", 0) == 0)
            b.Int(u"Architecture", 5);
        if (first) {
            auto vendor = Field(*first, "vendor_id");
            b.OptText(u"Manufacturer", vendor);
            b.OptText(u"Name", Field(*first, "model name"));
            auto family = Field(*first, "cpu family");
            auto model = Field(*first, "model");
            auto stepping = Field(*first, "stepping");
            if (family && model && stepping) {
                std::string arch =
                    u.Machine == "x86_64" ? (vendor == "AuthenticAMD" ? "AMD64" : "Intel64") : u.Machine;
                std::string caption =
                    arch + " Family " + *family + " Model " + *model + " Stepping " + *stepping;
                b.Utf8(u"Caption", caption).Utf8(u"Description", caption);
            }
            b.OptText(u"Stepping", stepping);
            if (auto cores = Field(*first, "cpu cores"))
                if (auto n = ToUInt(*cores)) b.UInt(u"NumberOfCores", *n).UInt(u"NumberOfEnabledCore", *n);
            b.Bool(u"VMMonitorModeExtensions", HasFlag(*first, "vmx") || HasFlag(*first, "svm"));
            b.Bool(u"SecondLevelAddressTranslationExtensions",
                   HasFlag(*first, "ept") || HasFlag(*first, "npt"));
            if (auto mhz = Field(*first, "cpu MHz")) {
                double v = std::strtod(mhz->c_str(), nullptr);
                if (v > 0 && !curKHz) b.UInt(u"CurrentClockSpeed", static_cast<std::uint64_t>(v + 0.5));
                if (v > 0 && !maxKHz) b.UInt(u"MaxClockSpeed", static_cast<std::uint64_t>(v + 0.5));
            }
        }
        if (curKHz) b.UInt(u"CurrentClockSpeed", *curKHz / 1000);
        if (maxKHz) b.UInt(u"MaxClockSpeed", *maxKHz / 1000);
        b.UInt(u"NumberOfLogicalProcessors", logical ? logical : 1)
            .UInt(u"ThreadCount", logical ? logical : 1);
        b.OptUInt(u"L2CacheSize", CacheKb(2)).OptUInt(u"L3CacheSize", CacheKb(3));
        out.push_back(b.Take());
    }
}

void ProvideRootNamespaces(const TClassDef& cls, std::vector<TInstance>& out) {
    out.push_back(TInstanceBuilder(cls).Text(u"Name", u"cimv2").Take());
}

} // namespace tarnwick::localwmi
