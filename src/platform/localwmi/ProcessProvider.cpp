// Win32_Process from /proc/PID.
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/LocalWmi.h"
#include "platform/localwmi/ProcFs.h"
#include "platform/localwmi/Providers.h"

#include <dirent.h>
#include <memory>
#include <sys/utsname.h>
#include <unistd.h>

namespace tarnwick::localwmi {

using namespace procfs;

namespace {

struct TDirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

std::optional<std::uint64_t> CountEntries(const std::string& path) {
    std::unique_ptr<DIR, TDirCloser> dir(opendir(path.c_str()));
    if (!dir) return std::nullopt;
    std::uint64_t n = 0;
    while (dirent* e = readdir(dir.get()))
        if (e->d_name[0] != '.') ++n;
    return n;
}

std::optional<std::string> ReadLink(const std::string& path) {
    char buffer[4096];
    ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
}

// Fills one process; false when it went away before its stat could be read.
bool FillProcess(const TClassDef& cls, int pid, const std::string& osName, const std::string& release,
                 std::int64_t bootTime, TInstance& instance) {
    std::string dir = "/proc/" + std::to_string(pid) + "/";
    auto stat = ReadFile(dir + "stat", 4096);
    if (!stat) return false;
    // The name sits in parentheses and may itself hold blanks and parentheses.
    std::size_t open = stat->find('('), close = stat->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    std::string comm = stat->substr(open + 1, close - open - 1);
    auto f = Words(std::string_view(*stat).substr(close + 1)); // f[0] is the state (field 3)
    auto num = [&](std::size_t field) -> std::optional<std::uint64_t> {
        std::size_t i = field - 3;
        if (i >= f.size()) return std::nullopt;
        if (auto v = ToUInt(f[i])) return v;
        if (auto s = ToInt(f[i])) return static_cast<std::uint64_t>(*s);
        return std::nullopt;
    };
    long ticks = ClockTicks();
    TInstanceBuilder b(cls);
    b.Text(u"CreationClassName", cls.Name).Text(u"CSCreationClassName", u"Win32_ComputerSystem");
    b.Text(u"CSName", LocalComputerName()).Text(u"OSCreationClassName", u"Win32_OperatingSystem");
    b.Utf8(u"OSName", osName).Utf8(u"WindowsVersion", release);
    b.Utf8(u"Name", comm).Utf8(u"Caption", comm).Utf8(u"Description", comm);
    b.Int(u"Handle", pid).UInt(u"ProcessId", static_cast<std::uint64_t>(pid));
    b.OptUInt(u"ParentProcessId", num(4)).OptUInt(u"SessionId", num(6)).OptUInt(u"ThreadCount", num(20));
    if (auto minflt = num(10), majflt = num(12); minflt && majflt) b.UInt(u"PageFaults", *minflt + *majflt);
    if (auto utime = num(14))
        b.UInt(u"UserModeTime", *utime * 10000000ULL / static_cast<std::uint64_t>(ticks));
    if (auto stime = num(15))
        b.UInt(u"KernelModeTime", *stime * 10000000ULL / static_cast<std::uint64_t>(ticks));
    if (auto start = num(22); start && bootTime > 0) {
        std::uint64_t micro = *start * 1000000ULL / static_cast<std::uint64_t>(ticks);
        b.Time(u"CreationDate", bootTime + static_cast<std::int64_t>(micro / 1000000),
               static_cast<std::int64_t>(micro % 1000000));
    }
    b.OptUInt(u"VirtualSize", num(23));
    if (auto rss = num(24))
        b.UInt(u"WorkingSetSize", *rss * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)));

    auto status = KeyNumbers(dir + "status");
    auto kb = [&](const char* key) -> std::optional<std::uint64_t> {
        auto it = status.find(key);
        if (it == status.end()) return std::nullopt;
        return it->second;
    };
    if (auto peak = kb("VmPeak")) b.UInt(u"PeakVirtualSize", *peak * 1024);
    b.OptUInt(u"PeakWorkingSetSize", kb("VmHWM"));
    b.OptUInt(u"PageFileUsage", kb("VmSwap"));
    if (auto anon = kb("RssAnon")) b.UInt(u"PrivatePageCount", *anon * 1024);

    if (auto cmdline = ReadFile(dir + "cmdline", 1 << 20); cmdline && !cmdline->empty()) {
        while (!cmdline->empty() && cmdline->back() == '\0')
            cmdline->pop_back();
        for (char& c : *cmdline)
            if (c == '\0') c = ' ';
        b.Utf8(u"CommandLine", *cmdline);
    }
    b.OptText(u"ExecutablePath", ReadLink(dir + "exe"));
    b.OptUInt(u"HandleCount", CountEntries(dir + "fd"));
    auto io = KeyNumbers(dir + "io");
    if (io.count("syscr")) b.UInt(u"ReadOperationCount", io["syscr"]);
    if (io.count("syscw")) b.UInt(u"WriteOperationCount", io["syscw"]);
    if (io.count("rchar")) b.UInt(u"ReadTransferCount", io["rchar"]);
    if (io.count("wchar")) b.UInt(u"WriteTransferCount", io["wchar"]);
    instance = b.Take();
    return true;
}

} // namespace

void ProvideProcess(const TClassDef& cls, std::vector<TInstance>& out) {
    std::string caption = OsCaption();
    std::string root;
    for (const auto& m : DiskMounts())
        if (m.MountPoint == "/") root = m.Device;
    std::string osName = caption + "|/|" + root;
    utsname u{};
    std::string release = uname(&u) == 0 ? u.release : "";
    std::int64_t boot = BootTime().value_or(0);
    for (int pid : ProcessIds()) {
        TInstance instance;
        if (FillProcess(cls, pid, osName, release, boot, instance)) out.push_back(std::move(instance));
    }
}

} // namespace tarnwick::localwmi
