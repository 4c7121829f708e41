// Win32_LogicalDisk and Win32_PerfFormattedData_PerfDisk_LogicalDisk: one disk per
// mounted file system (DeviceID and Name are the mount point), space from statvfs,
// rates from /proc/diskstats sampled over PerfSampleMilliseconds.
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/LocalWmi.h"
#include "platform/localwmi/ProcFs.h"
#include "platform/localwmi/Providers.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <thread>

namespace tarnwick::localwmi {

using namespace procfs;

namespace {

std::uint32_t DriveType(const TMount& m) {
    static const std::set<std::string> network = {"nfs",   "nfs4",       "cifs", "smb3", "smbfs",
                                                  "sshfs", "fuse.sshfs", "9p",   "ceph", "glusterfs"};
    if (network.count(m.FileSystem)) return 4;
    if (m.FileSystem == "iso9660" || m.FileSystem == "udf") return 5;
    return 3;
}

struct TDiskCounters {
    std::uint64_t Reads = 0, SectorsRead = 0, MsReading = 0, Writes = 0, SectorsWritten = 0, MsWriting = 0,
                  InProgress = 0, MsIo = 0, MsWeighted = 0;
};

// diskstats rows by "major:minor".
std::map<std::string, TDiskCounters> DiskStats() {
    std::map<std::string, TDiskCounters> stats;
    auto text = ReadFile("/proc/diskstats");
    if (!text) return stats;
    for (const auto& line : Lines(*text)) {
        auto w = Words(line);
        if (w.size() < 14) continue;
        auto n = [&](std::size_t i) { return ToUInt(w[i]).value_or(0); };
        stats[w[0] + ":" + w[1]] = {n(3), n(5), n(6), n(7), n(9), n(10), n(11), n(12), n(13)};
    }
    return stats;
}

std::optional<std::string> DeviceKey(const std::string& mountPoint) {
    struct stat st {};
    if (stat(mountPoint.c_str(), &st) != 0) return std::nullopt;
    return std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
}

} // namespace

void ProvideLogicalDisk(const TClassDef& cls, std::vector<TInstance>& out) {
    for (const auto& m : DiskMounts()) {
        TInstanceBuilder b(cls);
        b.Utf8(u"DeviceID", m.MountPoint).Utf8(u"Name", m.MountPoint).Utf8(u"Caption", m.MountPoint);
        b.Text(u"CreationClassName", cls.Name).Text(u"SystemCreationClassName", u"Win32_ComputerSystem");
        b.Text(u"SystemName", LocalComputerName()).Utf8(u"FileSystem", m.FileSystem);
        std::uint32_t type = DriveType(m);
        b.UInt(u"DriveType", type);
        b.Text(u"Description", type == 4   ? u"Network Connection"
                               : type == 5 ? u"CD-ROM Disc"
                                           : u"Local Fixed Disk");
        if (type == 3) b.UInt(u"MediaType", 12); // fixed hard disk media
        if (type == 4)
            b.Utf8(u"ProviderName", m.Device);
        else
            b.Utf8(u"VolumeName", m.Device);
        struct statvfs vfs {};
        if (statvfs(m.MountPoint.c_str(), &vfs) == 0) {
            std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
            b.UInt(u"Size", vfs.f_blocks * unit).UInt(u"FreeSpace", vfs.f_bavail * unit);
            b.UInt(u"BlockSize", unit).UInt(u"NumberOfBlocks", vfs.f_blocks);
            b.UInt(u"MaximumComponentLength", vfs.f_namemax);
            b.UInt(u"Access", (vfs.f_flag & ST_RDONLY) ? 1 : 3);
        }
        b.Bool(u"Compressed", false).Bool(u"SupportsFileBasedCompression", false);
        out.push_back(b.Take());
    }
}

void ProvidePerfLogicalDisk(const TClassDef& cls, std::vector<TInstance>& out) {
    auto mounts = DiskMounts();
    auto before = DiskStats();
    std::uint64_t t0 = MonotonicNanoseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(PerfSampleMilliseconds));
    auto after = DiskStats();
    std::uint64_t t1 = MonotonicNanoseconds();
    double seconds = static_cast<double>(t1 - t0) / 1e9;
    double ms = seconds * 1000.0;

    std::uint64_t stamp = NowFileTime();
    auto stamps = [&](TInstanceBuilder& b) {
        b.UInt(u"Timestamp_Sys100NS", stamp).UInt(u"Frequency_Sys100NS", 10000000);
        b.UInt(u"Timestamp_PerfTime", t1).UInt(u"Frequency_PerfTime", 1000000000);
    };
    struct TTotals {
        std::uint64_t Free = 0, Size = 0;
        TDiskCounters Delta;
        std::uint64_t InProgress = 0;
        bool Any = false;
    } total;
    std::set<std::string> counted;
    auto fillRates = [&](TInstanceBuilder& b, const TDiskCounters& d, std::uint64_t inProgress) {
        std::uint64_t transfers = d.Reads + d.Writes;
        auto rate = [&](std::uint64_t v) { return static_cast<std::uint64_t>(std::llround(v / seconds)); };
        b.UInt(u"DiskReadsPersec", rate(d.Reads)).UInt(u"DiskWritesPersec", rate(d.Writes));
        b.UInt(u"DiskTransfersPersec", rate(transfers));
        b.UInt(u"DiskReadBytesPersec", rate(d.SectorsRead * 512))
            .UInt(u"DiskWriteBytesPersec", rate(d.SectorsWritten * 512));
        b.UInt(u"DiskBytesPersec", rate((d.SectorsRead + d.SectorsWritten) * 512));
        auto avg = [](std::uint64_t num, std::uint64_t den) { return den ? num / den : 0; };
        b.UInt(u"AvgDiskBytesPerRead", avg(d.SectorsRead * 512, d.Reads));
        b.UInt(u"AvgDiskBytesPerWrite", avg(d.SectorsWritten * 512, d.Writes));
        b.UInt(u"AvgDiskBytesPerTransfer", avg((d.SectorsRead + d.SectorsWritten) * 512, transfers));
        b.UInt(u"AvgDisksecPerRead", avg(d.MsReading, d.Reads) / 1000);
        b.UInt(u"AvgDisksecPerWrite", avg(d.MsWriting, d.Writes) / 1000);
        b.UInt(u"AvgDisksecPerTransfer", avg(d.MsReading + d.MsWriting, transfers) / 1000);
        auto percent = [&](std::uint64_t busyMs) {
            return static_cast<std::uint64_t>(std::llround(busyMs * 100.0 / ms));
        };
        b.UInt(u"PercentDiskTime", percent(d.MsWeighted)).UInt(u"PercentDiskReadTime", percent(d.MsReading));
        b.UInt(u"PercentDiskWriteTime", percent(d.MsWriting));
        std::uint64_t busy = std::min<std::uint64_t>(100, percent(d.MsIo));
        b.UInt(u"PercentIdleTime", 100 - busy);
        b.UInt(u"AvgDiskQueueLength", static_cast<std::uint64_t>(std::llround(d.MsWeighted / ms)));
        b.UInt(u"AvgDiskReadQueueLength", static_cast<std::uint64_t>(std::llround(d.MsReading / ms)));
        b.UInt(u"AvgDiskWriteQueueLength", static_cast<std::uint64_t>(std::llround(d.MsWriting / ms)));
        b.UInt(u"CurrentDiskQueueLength", inProgress);
    };
    for (const auto& m : mounts) {
        TInstanceBuilder b(cls);
        b.Utf8(u"Name", m.MountPoint);
        stamps(b);
        struct statvfs vfs {};
        if (statvfs(m.MountPoint.c_str(), &vfs) == 0 && vfs.f_blocks > 0) {
            std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
            std::uint64_t size = vfs.f_blocks * unit, free = vfs.f_bavail * unit;
            b.UInt(u"FreeMegabytes", free / (1024 * 1024));
            b.UInt(u"PercentFreeSpace", static_cast<std::uint64_t>(std::llround(free * 100.0 / size)));
            total.Size += size;
            total.Free += free;
        }
        auto key = DeviceKey(m.MountPoint);
        if (key && before.count(*key) && after.count(*key)) {
            const auto& a = before[*key];
            const auto& z = after[*key];
            auto d = [](std::uint64_t x, std::uint64_t y) { return y >= x ? y - x : 0; };
            TDiskCounters delta{d(a.Reads, z.Reads),
                                d(a.SectorsRead, z.SectorsRead),
                                d(a.MsReading, z.MsReading),
                                d(a.Writes, z.Writes),
                                d(a.SectorsWritten, z.SectorsWritten),
                                d(a.MsWriting, z.MsWriting),
                                z.InProgress,
                                d(a.MsIo, z.MsIo),
                                d(a.MsWeighted, z.MsWeighted)};
            fillRates(b, delta, z.InProgress);
            if (counted.insert(*key).second) {
                auto& t = total.Delta;
                t.Reads += delta.Reads;
                t.SectorsRead += delta.SectorsRead;
                t.MsReading += delta.MsReading;
                t.Writes += delta.Writes;
                t.SectorsWritten += delta.SectorsWritten;
                t.MsWriting += delta.MsWriting;
                t.MsIo = std::max(t.MsIo, delta.MsIo);
                t.MsWeighted += delta.MsWeighted;
                total.InProgress += z.InProgress;
                total.Any = true;
            }
        }
        out.push_back(b.Take());
    }
    TInstanceBuilder b(cls);
    b.Text(u"Name", u"_Total");
    stamps(b);
    if (total.Size > 0) {
        b.UInt(u"FreeMegabytes", total.Free / (1024 * 1024));
        b.UInt(u"PercentFreeSpace",
               static_cast<std::uint64_t>(std::llround(total.Free * 100.0 / total.Size)));
    }
    if (total.Any) fillRates(b, total.Delta, total.InProgress);
    out.push_back(b.Take());
}

} // namespace tarnwick::localwmi
