#include "integration/wsmanhttp/EmulatorFixture.h"

#include "platform/com/ClassRegistry.h"
#include "platform/com/ErrorInfo.h"
#include "platform/wsmanhttp/WinRmClient.h"

#include <cstdlib>
#include <stdexcept>

namespace tarnwick::testing {

std::string EmulatorScript() {
    return std::string(TARNWICK_SOURCE_DIR) + "/tools/winrm-emulator/winrm_emulator.py";
}

TEmulator::TEmulator(std::vector<std::string> options, const std::vector<std::string>& env) {
    std::vector<std::string> argv = {"/usr/bin/python3", EmulatorScript(), "--port", "0", "--users-stdin"};
    argv.insert(argv.end(), options.begin(), options.end());
    FProcess = std::make_unique<TProcessGuard>(argv, EmulatorUsers, env);
    std::string line = FProcess->WaitForLine("listening on ", 10000);
    if (line.empty())
        throw std::runtime_error("the WinRM emulator did not start: " + FProcess->ErrorOutput());
    FPort = std::stoi(line.substr(line.rfind(':') + 1));
}

TSessionResult OpenSession(const std::string& connection, long flags, const std::string& user,
                           const std::string& password) {
    static bool registered = (wsmanhttp::RegisterWinRmClient(), true);
    (void)registered;
    TSessionResult r;
    com::TComPtr<wsman::IWSMan> wsman;
    r.Code = com::CoCreateInstance(wsman::CLSID_WSMan, nullptr, wsman::WSManClassContext, wsman::IWSMan::iid,
                                   wsman.PutVoid());
    if (com::Failed(r.Code)) return r;
    com::TComPtr<com::IDispatch> optionsObject;
    wsman->CreateConnectionOptions(optionsObject.Put());
    com::TComPtr<wsman::IWSManConnectionOptions> options = optionsObject.As<wsman::IWSManConnectionOptions>();
    if (!user.empty()) {
        options->Set_UserName(FromUtf8(user));
        options->Set_Password(FromUtf8(password));
        flags |= wsman::WSManFlagCredUsernamePassword;
    }
    com::TComPtr<com::IDispatch> session;
    r.Code = wsman->CreateSession(FromUtf8(connection), flags, optionsObject.Get(), session.Put());
    if (com::Failed(r.Code)) {
        r.Error = ToUtf8(com::TakeErrorInfo());
        return r;
    }
    r.Session = session.As<wsman::IWSManSession>();
    return r;
}

TQueryResult RunQuery(wsman::IWSManSession* session, const std::string& wql, std::size_t maxItems,
                      const std::string& nameSpace) {
    TQueryResult r;
    com::TComPtr<com::IDispatch> set;
    com::TVariant uri(WideString(wsman::WSManWmiResourceUriBase) + FromUtf8(nameSpace) + u"/*");
    r.Code =
        session->Enumerate(uri, FromUtf8(wql), WideString(wsman::WSManDialectBase) + u"WQL", 0, set.Put());
    if (com::Failed(r.Code)) {
        r.Error = ToUtf8(com::TakeErrorInfo());
        return r;
    }
    com::TComPtr<wsman::IWSManEnumerator> e = set.As<wsman::IWSManEnumerator>();
    while (r.Items.size() < maxItems) {
        com::VARIANT_BOOL eos = 0;
        r.Code = e->Get_AtEndOfStream(&eos);
        if (com::Failed(r.Code) || eos) break;
        WideString item;
        r.Code = e->ReadItem(&item);
        if (com::Failed(r.Code)) break;
        r.Items.push_back(ToUtf8(item));
    }
    if (com::Failed(r.Code)) r.Error = ToUtf8(com::TakeErrorInfo());
    return r;
}

void UseEmptyKerberosConfig(const TTempDir& dir) {
    dir.Write("krb5-empty.conf", "[libdefaults]\n  dns_lookup_kdc = false\n  dns_lookup_realm = false\n");
    setenv("KRB5_CONFIG", dir.File("krb5-empty.conf").c_str(), 1);
}

} // namespace tarnwick::testing
