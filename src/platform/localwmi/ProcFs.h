#pragma once
// Small readers for /proc, /sys and /etc used by the providers. Every reader
// answers "nothing" (nullopt or empty) for a file that is missing or unreadable.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::localwmi::procfs {

// The whole file (at most maxBytes), or nothing.
std::optional<std::string> ReadFile(const std::string& path, std::size_t maxBytes = 4 << 20);
// The first line without its line break, blanks trimmed.
std::optional<std::string> ReadLine(const std::string& path);
std::optional<std::uint64_t> ReadNumber(const std::string& path);

std::string Trimmed(std::string_view text);
std::vector<std::string> Words(std::string_view text);
std::vector<std::string> Lines(std::string_view text);
std::optional<std::uint64_t> ToUInt(std::string_view text);
std::optional<std::int64_t> ToInt(std::string_view text);

// "Key: value kB" files (/proc/meminfo, /proc/PID/status): the first number of each key.
std::map<std::string, std::uint64_t> KeyNumbers(const std::string& path);
// "name value" files (/proc/vmstat).
std::map<std::string, std::uint64_t> NameValues(const std::string& path);
// KEY=value files (/etc/os-release), quotes removed.
std::map<std::string, std::string> ShellVars(const std::string& path);

// Seconds since the epoch at boot (btime of /proc/stat).
std::optional<std::int64_t> BootTime();
// Clock ticks per second (sysconf).
long ClockTicks();
// Wall time now in 100 ns units since 1601 (the FILETIME scale).
std::uint64_t NowFileTime();
// Monotonic nanoseconds.
std::uint64_t MonotonicNanoseconds();
// The process's numeric directories in /proc.
std::vector<int> ProcessIds();

struct TMount {
    std::string Device, MountPoint, FileSystem;
};
// The mounted file systems a user calls disks: "/" and those backed by a /dev node,
// without duplicates of a mount point and without pseudo file systems.
std::vector<TMount> DiskMounts();

// The host name as gethostname gives it.
std::string HostName();
// PRETTY_NAME of os-release, else the kernel's name.
std::string OsCaption();

} // namespace tarnwick::localwmi::procfs
