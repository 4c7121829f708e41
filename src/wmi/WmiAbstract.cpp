#include "wmi/WmiAbstract.h"

#include "errors/WmiErr.h"
#include "platform/com/ClassRegistry.h"
#include "wmi/WmiUtil.h"
#include "wmi/WsmanServicesFactory.h"

namespace tarnwick::wmi {

using errors::WmiCheck;

// ---- TWmiCredentials

void TWmiCredentials::SetText(WideString& field, const WideString& value) {
    if (field == value) return;
    field = value;
    Changed();
}

void TWmiCredentials::SetPassword(const WideString& value) {
    if (FPassword == value) return;
    SecureWipe(FPassword);
    FPassword = value;
    Changed();
}

static WideString JoinLines(const std::vector<WideString>& lines) {
    WideString text;
    for (const auto& line : lines)
        text += line + u"\r\n";
    return text;
}

void TWmiCredentials::SetOptions(const std::vector<WideString>* value) {
    if (!value || JoinLines(*value) == JoinLines(FOptions)) return;
    FOptions = *value;
    Changed();
}

void TWmiCredentials::Assign(const TWmiCredentials& source) {
    if (&source == this) return;
    SetAuthority(source.Authority());
    SetLocale(source.Locale());
    SetOptions(&source.Options());
    SetPassword(source.Password());
    SetUserName(source.UserName());
}

void TWmiCredentials::Clear() {
    FUserName.clear();
    SecureWipe(FPassword);
    FAuthority.clear();
    FLocale.clear();
    FOptions.clear();
}

static WideString NameOf(const WideString& line) {
    std::size_t eq = line.find(u'=');
    return eq == WideString::npos ? WideString() : line.substr(0, eq);
}

TComPtr<ISWbemNamedValueSet> TWmiCredentials::CreateNamedValueSet() const {
    if (FOptions.empty()) return nullptr;
    TComPtr<ISWbemNamedValueSet> set;
    WmiCheck(com::CoCreateInstance(CLSID_SWbemNamedValueSet, com::CLSCTX_INPROC_SERVER, set));
    for (const auto& line : FOptions) {
        WideString name = NameOf(line);
        // The value of the first line with this name (case ignored), as the list's lookup gives it.
        WideString value;
        for (const auto& other : FOptions) {
            std::size_t eq = other.find(u'=');
            if (eq != WideString::npos && SameText(other.substr(0, eq), name)) {
                value = other.substr(eq + 1);
                break;
            }
        }
        TComPtr<ISWbemNamedValue> added;
        WmiCheck(set->Add(name, TVariant(value), 0, added.Put()));
    }
    return set;
}

// ---- TWmiAbstract

TWmiAbstract::TWmiAbstract(db::TComponent* owner) : db::TComponent(owner) {
    FCredentials.OnChange = [this](TWmiCredentials& sender) { CredentialsChanged(sender); };
}

TWmiAbstract::~TWmiAbstract() {
    ReleaseServices();
    FCredentials.OnChange = nullptr;
}

bool TWmiAbstract::Active() const {
    return static_cast<bool>(FNativeInterface);
}

void TWmiAbstract::SetActive(bool value) {
    if (value == Active()) return;
    if (value) {
        ConnectServices();
        if (OnConnected) OnConnected(*this);
    } else {
        ReleaseServices();
        if (OnDisconnected) OnDisconnected(*this);
    }
}

void TWmiAbstract::SetMachineName(const WideString& value) {
    if (value == FMachineName) return;
    FMachineName = value;
    SetActive(false);
}

void TWmiAbstract::SetNameSpace(const WideString& value) {
    if (value == FNameSpace) return;
    FNameSpace = value;
    SetActive(false);
}

void TWmiAbstract::ConnectServices() {
    if (FNativeInterface) return;
    TComPtr<ISWbemServices> services;
    if (FUseWSMan) {
        const TWsmanServicesFactory& factory = WsmanServicesFactory();
        if (!factory)
            throw errors::TWmiException(u"WS-Management is not available in this build of the program.");
        services =
            factory(FMachineName, FWSManPort, FNameSpace, FCredentials.UserName(), FCredentials.Password(),
                    FCredentials.Locale(), FCredentials.Authority(), FEnforceKerberos, FWSManUseSSL);
    } else {
        TComPtr<ISWbemNamedValueSet> context = FCredentials.CreateNamedValueSet();
        services = WmiConnect(FMachineName, FNameSpace, FCredentials.UserName(), FCredentials.Password(),
                              FCredentials.Locale(), FCredentials.Authority(), context.Get());
    }
    FNativeInterface = std::move(services);
}

} // namespace tarnwick::wmi
