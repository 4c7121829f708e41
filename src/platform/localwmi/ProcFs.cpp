#include "platform/localwmi/ProcFs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace tarnwick::localwmi::procfs {

namespace {

struct TFdCloser {
    int Fd;
    ~TFdCloser() {
        if (Fd >= 0) close(Fd);
    }
};

struct TDirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

} // namespace

std::optional<std::string> ReadFile(const std::string& path, std::size_t maxBytes) {
    TFdCloser fd{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (fd.Fd < 0) return std::nullopt;
    std::string text;
    char buffer[8192];
    while (text.size() < maxBytes) {
        ssize_t n = read(fd.Fd, buffer, sizeof buffer);
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    if (text.size() > maxBytes) text.resize(maxBytes);
    return text;
}

std::optional<std::string> ReadLine(const std::string& path) {
    auto text = ReadFile(path, 65536);
    if (!text) return std::nullopt;
    return Trimmed(std::string_view(*text).substr(0, text->find('\n')));
}

std::optional<std::uint64_t> ReadNumber(const std::string& path) {
    auto line = ReadLine(path);
    if (!line) return std::nullopt;
    return ToUInt(*line);
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::uint64_t> ToUInt(std::string_view text) {
    std::uint64_t v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

std::optional<std::int64_t> ToInt(std::string_view text) {
    std::int64_t v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

std::map<std::string, std::uint64_t> KeyNumbers(const std::string& path) {
    std::map<std::string, std::uint64_t> values;
    auto text = ReadFile(path);
    if (!text) return values;
    for (const auto& line : Lines(*text)) {
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        auto words = Words(std::string_view(line).substr(colon + 1));
        if (words.empty()) continue;
        if (auto v = ToUInt(words[0])) values[line.substr(0, colon)] = *v;
    }
    return values;
}

std::map<std::string, std::uint64_t> NameValues(const std::string& path) {
    std::map<std::string, std::uint64_t> values;
    auto text = ReadFile(path);
    if (!text) return values;
    for (const auto& line : Lines(*text)) {
        auto words = Words(line);
        if (words.size() >= 2)
            if (auto v = ToUInt(words[1])) values[words[0]] = *v;
    }
    return values;
}

std::map<std::string, std::string> ShellVars(const std::string& path) {
    std::map<std::string, std::string> values;
    auto text = ReadFile(path, 65536);
    if (!text) return values;
    for (const auto& line : Lines(*text)) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos || line[0] == '#') continue;
        std::string value = Trimmed(std::string_view(line).substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        values[Trimmed(std::string_view(line).substr(0, eq))] = value;
    }
    return values;
}

std::optional<std::int64_t> BootTime() {
    auto text = ReadFile("/proc/stat");
    if (!text) return std::nullopt;
    for (const auto& line : Lines(*text)) {
        auto words = Words(line);
        if (words.size() == 2 && words[0] == "btime") return ToInt(words[1]);
    }
    return std::nullopt;
}

long ClockTicks() {
    long ticks = sysconf(_SC_CLK_TCK);
    return ticks > 0 ? ticks : 100;
}

std::uint64_t NowFileTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return (static_cast<std::uint64_t>(ts.tv_sec) + 11644473600ULL) * 10000000ULL +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100;
}

std::uint64_t MonotonicNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ULL + static_cast<std::uint64_t>(ts.tv_nsec);
}

std::vector<int> ProcessIds() {
    std::vector<int> pids;
    std::unique_ptr<DIR, TDirCloser> dir(opendir("/proc"));
    if (!dir) return pids;
    while (dirent* entry = readdir(dir.get())) {
        if (auto pid = ToUInt(entry->d_name)) pids.push_back(static_cast<int>(*pid));
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::vector<TMount> DiskMounts() {
    static const std::set<std::string> pseudo = {
        "proc",        "sysfs",      "devtmpfs", "devpts", "cgroup",   "cgroup2",   "mqueue",   "debugfs",
        "tracefs",     "securityfs", "pstore",   "bpf",    "autofs",   "hugetlbfs", "configfs", "fusectl",
        "binfmt_misc", "nsfs",       "tmpfs",    "ramfs",  "efivarfs", "rpc_pipefs"};
    std::vector<TMount> mounts;
    auto text = ReadFile("/proc/self/mounts");
    if (!text) return mounts;
    std::set<std::string> seen;
    for (const auto& line : Lines(*text)) {
        auto words = Words(line);
        if (words.size() < 3) continue;
        TMount m{words[0], words[1], words[2]};
        // Octal escapes of blanks in mount points (\040).
        std::string point;
        for (std::size_t i = 0; i < m.MountPoint.size(); ++i) {
            if (m.MountPoint[i] == '\\' && i + 3 < m.MountPoint.size() &&
                std::isdigit(static_cast<unsigned char>(m.MountPoint[i + 1]))) {
                point.push_back(static_cast<char>(std::stoi(m.MountPoint.substr(i + 1, 3), nullptr, 8)));
                i += 3;
            } else {
                point.push_back(m.MountPoint[i]);
            }
        }
        m.MountPoint = point;
        if (pseudo.count(m.FileSystem)) continue;
        if (m.MountPoint != "/" && m.Device.rfind("/dev/", 0) != 0) continue;
        if (m.MountPoint.rfind("/proc", 0) == 0 || m.MountPoint.rfind("/sys", 0) == 0) continue;
        // Files bound into a container (/etc/hosts and the like) are no disks.
        struct stat st {};
        if (stat(m.MountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (!seen.insert(m.MountPoint).second) continue;
        mounts.push_back(std::move(m));
    }
    return mounts;
}

std::string HostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return "localhost";
    return buffer;
}

std::string OsCaption() {
    auto vars = ShellVars("/etc/os-release");
    if (vars.count("PRETTY_NAME")) return vars["PRETTY_NAME"];
    vars = ShellVars("/usr/lib/os-release");
    if (vars.count("PRETTY_NAME")) return vars["PRETTY_NAME"];
    utsname u{};
    if (uname(&u) == 0) return u.sysname;
    return "Linux";
}

} // namespace tarnwick::localwmi::procfs
