#include "app/Settings.h"

#include "platform/registry/Registry.h"

#include <algorithm>

namespace tarnwick::app {

using registry::ERegistryException;
using registry::TRegistry;

namespace {

template <class T, class Read>
void ReadOne(TRegistry& reg, const char16_t* name, std::optional<T>& into, std::vector<WideString>& errors,
             Read read) {
    if (!reg.ValueExists(name)) return;
    try {
        into = read(name);
    } catch (const ERegistryException& e) {
        errors.push_back(e.Message());
    }
}

} // namespace

TSettingsReadResult ReadWindowSettings(TRegistry& reg) {
    TSettingsReadResult result;
    try {
        reg.SetRootKey(registry::TRootKey::LocalMachine);
        reg.OpenKey(SettingsKey, true);
    } catch (const ERegistryException& e) {
        result.Errors.push_back(e.Message());
        result.StoreUnreadable = true;
        return result;
    }
    auto integer = [&](const char16_t* n) { return reg.ReadInteger(n); };
    auto text = [&](const char16_t* n) { return reg.ReadString(n); };
    auto boolean = [&](const char16_t* n) { return reg.ReadBool(n); };
    TWindowSettings& v = result.Values;
    auto& errors = result.Errors;
    ReadOne(reg, u"Selection", v.Selection, errors, integer);
    if (v.Selection) v.Selection = std::clamp(*v.Selection, -1, 6);
    ReadOne(reg, u"Query", v.Query, errors, text);
    ReadOne(reg, u"Domain", v.Domain, errors, text);
    ReadOne(reg, u"Host", v.Host, errors, text);
    ReadOne(reg, u"User", v.User, errors, text);
    ReadOne(reg, u"Domainprefix", v.Domainprefix, errors, text);
    ReadOne(reg, u"Namespace", v.Namespace, errors, text);
    ReadOne(reg, u"WsmanPort", v.WsmanPort, errors, integer);
    ReadOne(reg, u"WsmanSsl", v.WsmanSsl, errors, boolean);
    ReadOne(reg, u"EnforeceKerberos", v.EnforeceKerberos, errors, integer);
    ReadOne(reg, u"UseWSMan", v.UseWSMan, errors, boolean);
    try {
        reg.CloseKey();
    } catch (const ERegistryException& e) {
        errors.push_back(e.Message()); // the created key could not be saved yet
    }
    return result;
}

void WriteWindowSettings(TRegistry& reg, const TWindowSettings& v) {
    reg.SetRootKey(registry::TRootKey::LocalMachine);
    reg.OpenKey(SettingsKey, true);
    if (v.Selection) reg.WriteInteger(u"Selection", *v.Selection);
    if (v.Query) reg.WriteString(u"Query", *v.Query);
    if (v.Domain) reg.WriteString(u"Domain", *v.Domain);
    if (v.Host) reg.WriteString(u"Host", *v.Host);
    if (v.User) reg.WriteString(u"User", *v.User);
    if (v.Domainprefix) reg.WriteString(u"Domainprefix", *v.Domainprefix);
    if (v.Namespace) reg.WriteString(u"Namespace", *v.Namespace);
    if (v.WsmanPort) reg.WriteInteger(u"WsmanPort", *v.WsmanPort);
    if (v.WsmanSsl) reg.WriteBool(u"WsmanSsl", *v.WsmanSsl);
    if (v.EnforeceKerberos) reg.WriteInteger(u"EnforeceKerberos", *v.EnforeceKerberos);
    if (v.UseWSMan) reg.WriteBool(u"UseWSMan", *v.UseWSMan);
    reg.CloseKey();
}

} // namespace tarnwick::app
