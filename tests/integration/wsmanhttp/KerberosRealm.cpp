#include "integration/wsmanhttp/KerberosRealm.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace tarnwick::testing {

namespace {

const char* const Tools[] = {"/usr/sbin/krb5kdc", "/usr/sbin/kdb5_util", "/usr/sbin/kadmin.local"};

bool CanConnect(int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

} // namespace

std::string TKerberosRealm::MissingTools() {
    std::string missing;
    for (const char* tool : Tools)
        if (access(tool, X_OK) != 0) missing += std::string(missing.empty() ? "" : ", ") + tool;
    return missing;
}

TKerberosRealm::TKerberosRealm(const std::string& user, const std::string& password) {
    const int port = FreeLoopbackPort();
    const std::string d = FDir.Path(), p = std::to_string(port), r = Realm;
    FConfig = FDir.File("krb5.conf");
    FDir.Write("krb5.conf",
               "[libdefaults]\n  default_realm = " + r +
                   "\n  dns_lookup_kdc = false\n  dns_lookup_realm = false\n"
                   "  dns_canonicalize_hostname = false\n  rdns = false\n  udp_preference_limit = 1\n"
                   "[realms]\n  " +
                   r + " = {\n    kdc = 127.0.0.1:" + p + "\n  }\n[domain_realm]\n  localhost = " + r + "\n");
    FDir.Write("kdc.conf", "[kdcdefaults]\n  kdc_listen = 127.0.0.1:" + p +
                               "\n  kdc_tcp_listen = 127.0.0.1:" + p + "\n[realms]\n  " + r +
                               " = {\n    database_name = " + d + "/principal\n    key_stash_file = " + d +
                               "/stash\n    acl_file = " + d +
                               "/kadm5.acl\n    supported_enctypes = aes256-cts-hmac-sha1-96:normal "
                               "aes128-cts-hmac-sha1-96:normal\n  }\n[logging]\n  kdc = FILE:" +
                               d + "/kdc.log\n");
    FDir.Write("kadm5.acl", "");
    const std::vector<std::string> env = {"KRB5_CONFIG=" + FConfig,
                                          "KRB5_KDC_PROFILE=" + FDir.File("kdc.conf")};
    std::string out;
    // Passwords go through standard input, never the command line.
    const std::string master = "throwaway-master-key\n";
    if (RunCommand({Tools[1], "create", "-s", "-r", r}, master + master, 10000, env, &out) != 0)
        throw std::runtime_error("kdb5_util create failed: " + out);
    const std::string script = "addprinc -pw " + password + " " + user +
                               "\naddprinc -randkey HTTP/localhost\nktadd -k " + d +
                               "/http.keytab HTTP/localhost\n";
    if (RunCommand({Tools[2], "-r", r}, script, 10000, env, &out) != 0)
        throw std::runtime_error("kadmin.local failed: " + out);
    FKdc = std::make_unique<TProcessGuard>(std::vector<std::string>{Tools[0], "-n", "-r", r}, "", env);
    for (int i = 0; !CanConnect(port); ++i) {
        if (i > 100) throw std::runtime_error("the KDC did not start: " + FKdc->ErrorOutput());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TKerberosRealm::~TKerberosRealm() {
    if (FKdc) FKdc->Stop();
}

std::vector<std::string> TKerberosRealm::ServiceEnvironment() const {
    return {"KRB5_CONFIG=" + FConfig, "KRB5_KTNAME=FILE:" + FDir.File("http.keytab"),
            "KRB5CCNAME=FILE:" + FDir.File("service.ccache")};
}

void TKerberosRealm::UseInThisProcess() const {
    setenv("KRB5_CONFIG", FConfig.c_str(), 1);
    setenv("KRB5CCNAME", ("FILE:" + FDir.File("client.ccache")).c_str(), 1);
}

bool TKerberosRealm::Kinit(const std::string& principal, const std::string& password) const {
    std::string out;
    return RunCommand({"/usr/bin/kinit", principal}, password + "\n", 10000,
                      {"KRB5_CONFIG=" + FConfig, "KRB5CCNAME=FILE:" + FDir.File("client.ccache")}, &out) == 0;
}

} // namespace tarnwick::testing
