// Win32_UserAccount and Win32_Group from the account databases (getpwent,
// getgrent), Win32_Service from the service manager's unit files.
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/LocalWmi.h"
#include "platform/localwmi/ProcFs.h"
#include "platform/localwmi/Providers.h"

#include <algorithm>
#include <dirent.h>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::localwmi {

using namespace procfs;

namespace {

struct TDirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

// The account databases are read with the reentrant calls and closed in every case.
struct TPasswdScope {
    TPasswdScope() { setpwent(); }
    ~TPasswdScope() { endpwent(); }
};
struct TGroupScope {
    TGroupScope() { setgrent(); }
    ~TGroupScope() { endgrent(); }
};

void AccountCommon(TInstanceBuilder& b, const std::string& name, int sidType) {
    WideString domain = LocalComputerName();
    b.Text(u"Domain", domain).Utf8(u"Name", name).Text(u"Caption", domain + u"\\" + FromUtf8(name));
    b.Bool(u"LocalAccount", true).Int(u"SIDType", sidType).Text(u"Status", u"OK");
}

} // namespace

void ProvideUserAccount(const TClassDef& cls, std::vector<TInstance>& out) {
    TPasswdScope scope;
    std::set<std::string> seen;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    while (getpwent_r(&entry, buffer.data(), buffer.size(), &result) == 0 && result) {
        if (!seen.insert(entry.pw_name).second) continue;
        TInstanceBuilder b(cls);
        AccountCommon(b, entry.pw_name, 1);
        b.UInt(u"AccountType", 512); // a normal account
        std::string gecos = entry.pw_gecos ? entry.pw_gecos : "";
        std::string fullName = gecos.substr(0, gecos.find(','));
        b.Utf8(u"FullName", fullName);
        out.push_back(b.Take());
    }
}

void ProvideGroup(const TClassDef& cls, std::vector<TInstance>& out) {
    TGroupScope scope;
    std::set<std::string> seen;
    std::vector<char> buffer(65536);
    group entry{};
    group* result = nullptr;
    while (getgrent_r(&entry, buffer.data(), buffer.size(), &result) == 0 && result) {
        if (!seen.insert(entry.gr_name).second) continue;
        TInstanceBuilder b(cls);
        AccountCommon(b, entry.gr_name, 4); // a local group is an alias, as on Windows
        out.push_back(b.Take());
    }
}

namespace {

struct TUnit {
    std::string Description, ExecStart, User;
};

TUnit ReadUnit(const std::string& path) {
    TUnit unit;
    auto text = ReadFile(path, 1 << 20);
    if (!text) return unit;
    std::string section;
    for (const auto& raw : Lines(*text)) {
        std::string line = Trimmed(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line;
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trimmed(std::string_view(line).substr(0, eq));
        std::string value = Trimmed(std::string_view(line).substr(eq + 1));
        if (section == "[Unit]" && key == "Description") unit.Description = value;
        if (section == "[Service]" && key == "ExecStart" && unit.ExecStart.empty()) {
            while (!value.empty() && std::string("-@+!:").find(value[0]) != std::string::npos)
                value.erase(0, 1);
            unit.ExecStart = value;
        }
        if (section == "[Service]" && key == "User") unit.User = value;
    }
    return unit;
}

bool IsEnabled(const std::string& unitFile) {
    std::unique_ptr<DIR, TDirCloser> dir(opendir("/etc/systemd/system"));
    if (!dir) return false;
    while (dirent* e = readdir(dir.get())) {
        std::string name = e->d_name;
        if (name.size() < 6 || name.substr(name.size() - 6) != ".wants") continue;
        struct stat st {};
        if (lstat(("/etc/systemd/system/" + name + "/" + unitFile).c_str(), &st) == 0) return true;
    }
    return false;
}

bool IsMasked(const std::string& unitFile) {
    char target[256];
    ssize_t n = readlink(("/etc/systemd/system/" + unitFile).c_str(), target, sizeof target - 1);
    return n > 0 && std::string(target, static_cast<std::size_t>(n)) == "/dev/null";
}

} // namespace

void ProvideService(const TClassDef& cls, std::vector<TInstance>& out) {
    static const char* const dirs[] = {"/etc/systemd/system", "/run/systemd/system",
                                       "/usr/lib/systemd/system", "/lib/systemd/system"};
    struct stat runStat {};
    bool managerRunning = stat("/run/systemd/system", &runStat) == 0 && S_ISDIR(runStat.st_mode);
    std::set<std::string> seen;
    std::set<std::string> seenTargets; // /lib may be a link to /usr/lib
    std::vector<TInstance> units;
    for (const char* d : dirs) {
        char resolved[4096];
        if (!realpath(d, resolved) || !seenTargets.insert(resolved).second) continue;
        std::unique_ptr<DIR, TDirCloser> dir(opendir(d));
        if (!dir) continue;
        std::vector<std::string> files;
        while (dirent* e = readdir(dir.get())) {
            std::string file = e->d_name;
            if (file.size() > 8 && file.substr(file.size() - 8) == ".service" &&
                file.find('@') == std::string::npos)
                files.push_back(file);
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::string name = file.substr(0, file.size() - 8);
            std::string path = std::string(d) + "/" + file;
            // An alias is a link to another unit of another name: that unit is listed itself.
            char target[4096];
            ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
            if (n > 0) {
                std::string t(target, static_cast<std::size_t>(n));
                std::string base = t.substr(t.rfind('/') + 1);
                if (t != "/dev/null" && base != file) continue;
            }
            if (!seen.insert(name).second) continue;
            TUnit unit = ReadUnit(path);
            TInstanceBuilder b(cls);
            b.Utf8(u"Name", name).Text(u"CreationClassName", cls.Name);
            b.Text(u"SystemCreationClassName", u"Win32_ComputerSystem")
                .Text(u"SystemName", LocalComputerName());
            std::string display = unit.Description.empty() ? name : unit.Description;
            b.Utf8(u"DisplayName", display).Utf8(u"Caption", display);
            if (!unit.Description.empty()) b.Utf8(u"Description", unit.Description);
            if (!unit.ExecStart.empty()) b.Utf8(u"PathName", unit.ExecStart);
            b.Text(u"ServiceType", u"Own Process").Utf8(u"StartName", unit.User.empty() ? "root" : unit.User);
            b.Text(u"StartMode", IsMasked(file) ? u"Disabled" : IsEnabled(file) ? u"Auto" : u"Manual");
            if (managerRunning) {
                auto procs = ReadFile("/sys/fs/cgroup/system.slice/" + file + "/cgroup.procs", 65536);
                auto pids = procs ? Words(*procs) : std::vector<std::string>{};
                bool running = !pids.empty();
                b.Text(u"State", running ? u"Running" : u"Stopped").Bool(u"Started", running);
                b.Text(u"Status", u"OK");
                b.UInt(u"ProcessId", running ? ToUInt(pids.front()).value_or(0) : 0);
            }
            units.push_back(b.Take());
        }
    }
    // Listed by name, as the service manager of Windows lists them.
    const int nameIndex = cls.IndexOf(u"Name");
    std::sort(units.begin(), units.end(), [&](const TInstance& a, const TInstance& b) {
        return CompareText(a.Values[static_cast<std::size_t>(nameIndex)].RawText(),
                           b.Values[static_cast<std::size_t>(nameIndex)].RawText()) < 0;
    });
    for (auto& unit : units)
        out.push_back(std::move(unit));
}

} // namespace tarnwick::localwmi
