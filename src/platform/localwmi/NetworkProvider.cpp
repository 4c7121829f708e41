// Win32_NetworkAdapterConfiguration: one per interface of /sys/class/net but the
// loopback; addresses from getifaddrs, gateways from /proc/net/route, name
// servers and search suffixes from /etc/resolv.conf.
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/ProcFs.h"
#include "platform/localwmi/Providers.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <ifaddrs.h>
#include <memory>
#include <netinet/in.h>
#include <unistd.h>

namespace tarnwick::localwmi {

using namespace procfs;

namespace {

struct TDirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

struct TIfAddrsFree {
    void operator()(ifaddrs* a) const { freeifaddrs(a); }
};

int PrefixLength(const in6_addr& mask) {
    int bits = 0;
    for (unsigned char byte : mask.s6_addr)
        for (int i = 7; i >= 0; --i)
            if (byte & (1 << i)) ++bits;
    return bits;
}

std::vector<WideString> Gateways(const std::string& iface) {
    std::vector<WideString> result;
    auto text = ReadFile("/proc/net/route");
    if (!text) return result;
    for (const auto& line : Lines(*text)) {
        auto w = Words(line);
        if (w.size() < 3 || w[0] != iface || w[1] != "00000000") continue;
        std::uint32_t gw = static_cast<std::uint32_t>(std::strtoul(w[2].c_str(), nullptr, 16));
        char buffer[INET_ADDRSTRLEN] = {};
        in_addr addr{gw};
        if (gw && inet_ntop(AF_INET, &addr, buffer, sizeof buffer)) result.push_back(FromUtf8(buffer));
    }
    return result;
}

} // namespace

void ProvideNetworkAdapterConfiguration(const TClassDef& cls, std::vector<TInstance>& out) {
    std::unique_ptr<DIR, TDirCloser> dir(opendir("/sys/class/net"));
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir.get()))
        if (e->d_name[0] != '.' && std::string(e->d_name) != "lo") names.emplace_back(e->d_name);
    std::sort(names.begin(), names.end());

    ifaddrs* raw = nullptr;
    std::unique_ptr<ifaddrs, TIfAddrsFree> addrs(getifaddrs(&raw) == 0 ? raw : nullptr);
    std::vector<WideString> dns, search;
    if (auto resolv = ReadFile("/etc/resolv.conf", 65536))
        for (const auto& line : Lines(*resolv)) {
            auto w = Words(line);
            if (w.size() >= 2 && w[0] == "nameserver") dns.push_back(FromUtf8(w[1]));
            if (w.size() >= 2 && (w[0] == "search" || w[0] == "domain")) {
                search.clear();
                for (std::size_t i = 1; i < w.size(); ++i)
                    search.push_back(FromUtf8(w[i]));
            }
        }
    std::string host = HostName();

    for (const auto& name : names) {
        std::string base = "/sys/class/net/" + name + "/";
        auto index = ReadNumber(base + "ifindex");
        if (!index) continue;
        TInstanceBuilder b(cls);
        b.UInt(u"Index", *index).UInt(u"InterfaceIndex", *index).Utf8(u"Description", name);
        char caption[32];
        std::snprintf(caption, sizeof caption, "[%08llu] ", static_cast<unsigned long long>(*index));
        b.Utf8(u"Caption", caption + name);
        if (auto mac = ReadLine(base + "address"); mac && !mac->empty() && *mac != "00:00:00:00:00:00") {
            b.Text(u"MACAddress", AsciiUpperCase(FromUtf8(*mac)));
        }
        b.OptUInt(u"MTU", ReadNumber(base + "mtu"));
        char link[4096];
        ssize_t n = readlink((base + "device/driver").c_str(), link, sizeof link - 1);
        if (n > 0) {
            std::string driver(link, static_cast<std::size_t>(n));
            b.Utf8(u"ServiceName", driver.substr(driver.rfind('/') + 1));
        }
        std::vector<WideString> ips, masks;
        for (ifaddrs* a = addrs.get(); a; a = a->ifa_next) {
            if (!a->ifa_addr || name != a->ifa_name) continue;
            char buffer[INET6_ADDRSTRLEN] = {};
            if (a->ifa_addr->sa_family == AF_INET) {
                auto* sin = reinterpret_cast<sockaddr_in*>(a->ifa_addr);
                inet_ntop(AF_INET, &sin->sin_addr, buffer, sizeof buffer);
                ips.push_back(FromUtf8(buffer));
                char mask[INET_ADDRSTRLEN] = {};
                if (a->ifa_netmask)
                    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr, mask,
                              sizeof mask);
                masks.push_back(FromUtf8(mask));
            } else if (a->ifa_addr->sa_family == AF_INET6) {
                auto* sin6 = reinterpret_cast<sockaddr_in6*>(a->ifa_addr);
                inet_ntop(AF_INET6, &sin6->sin6_addr, buffer, sizeof buffer);
                ips.push_back(FromUtf8(buffer));
                int prefix = a->ifa_netmask
                                 ? PrefixLength(reinterpret_cast<sockaddr_in6*>(a->ifa_netmask)->sin6_addr)
                                 : 0;
                masks.push_back(IntToStr(prefix));
            }
        }
        bool enabled = !ips.empty();
        b.Bool(u"IPEnabled", enabled);
        if (enabled) {
            b.TextArray(u"IPAddress", ips).TextArray(u"IPSubnet", masks);
            auto gateways = Gateways(name);
            if (!gateways.empty()) b.TextArray(u"DefaultIPGateway", gateways);
            if (!dns.empty()) b.TextArray(u"DNSServerSearchOrder", dns);
            if (!search.empty()) b.TextArray(u"DNSDomainSuffixSearchOrder", search);
            b.Utf8(u"DNSHostName", host.substr(0, host.find('.')));
            if (host.find('.') != std::string::npos) b.Utf8(u"DNSDomain", host.substr(host.find('.') + 1));
        }
        out.push_back(b.Take());
    }
}

} // namespace tarnwick::localwmi
