#pragma once
// Where and as whom WMI is reached: the credentials, the settings and the one
// services object of an active connection, over DCOM or WS-Management.
//
// Setters compare exactly (letter case counts) and act only on a change; a change of
// machine, namespace or any credential closes an open services object. The four
// transport settings are plain fields read at the next activation.

#include "db/Component.h"
#include "platform/com/ComPtr.h"
#include "wmi/WbemScripting.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tarnwick::wmi {

using com::TComPtr;

class TWmiCredentials {
public:
    using TNotify = std::function<void(TWmiCredentials& sender)>;

    TWmiCredentials() = default;
    ~TWmiCredentials() { SecureWipe(FPassword); }
    TWmiCredentials(const TWmiCredentials&) = delete;
    TWmiCredentials& operator=(const TWmiCredentials&) = delete;

    const WideString& UserName() const { return FUserName; }
    const WideString& Password() const { return FPassword; }
    const WideString& Authority() const { return FAuthority; }
    const WideString& Locale() const { return FLocale; }
    // Lines of name=value: the connection context on the DCOM path.
    const std::vector<WideString>& Options() const { return FOptions; }

    void SetUserName(const WideString& value) { SetText(FUserName, value); }
    // The password's old text is wiped when it is replaced.
    void SetPassword(const WideString& value);
    void SetAuthority(const WideString& value) { SetText(FAuthority, value); }
    void SetLocale(const WideString& value) { SetText(FLocale, value); }
    // No list: nothing. Otherwise the lines are copied when their joined text differs.
    void SetOptions(const std::vector<WideString>* value);

    // Through the setters: Authority, Locale, Options, Password, UserName.
    void Assign(const TWmiCredentials& source);
    // Empties everything without notification.
    void Clear();
    // The named value set built from Options, or none when Options is empty.
    TComPtr<ISWbemNamedValueSet> CreateNamedValueSet() const;

    TNotify OnChange;

private:
    void SetText(WideString& field, const WideString& value);
    void Changed() {
        if (OnChange) OnChange(*this);
    }

    WideString FUserName, FPassword, FAuthority, FLocale;
    std::vector<WideString> FOptions;
};

class TWmiAbstract;
using TWmiNotify = std::function<void(TWmiAbstract& sender)>;

// The current WMI object, the services object and the component that implements them.
class IWmiObjectSource {
public:
    virtual TComPtr<ISWbemObject> GetWmiObject() = 0;
    virtual TComPtr<ISWbemServices> GetWmiServices() = 0;
    virtual db::TComponent* GetImplementingComponent() = 0;

protected:
    ~IWmiObjectSource() = default;
};

class TWmiAbstract : public db::TComponent {
public:
    explicit TWmiAbstract(db::TComponent* owner = nullptr);
    // Releases the services object without OnDisconnected.
    ~TWmiAbstract() override;

    // True exactly while a services object is held.
    virtual void SetActive(bool value);
    virtual bool Active() const;

    const TComPtr<ISWbemServices>& WmiServices() const { return FNativeInterface; }
    TWmiCredentials& Credentials() { return FCredentials; }
    const TWmiCredentials& Credentials() const { return FCredentials; }

    const WideString& MachineName() const { return FMachineName; }
    void SetMachineName(const WideString& value);
    const WideString& NameSpace() const { return FNameSpace; }
    void SetNameSpace(const WideString& value);

    bool UseWSMan() const { return FUseWSMan; }
    void SetUseWSMan(bool value) { FUseWSMan = value; }
    bool EnforceKerberos() const { return FEnforceKerberos; }
    void SetEnforceKerberos(bool value) { FEnforceKerberos = value; }
    std::int32_t WSManPort() const { return FWSManPort; }
    void SetWSManPort(std::int32_t value) { FWSManPort = value; }
    bool WSManUseSSL() const { return FWSManUseSSL; }
    void SetWSManUseSSL(bool value) { FWSManUseSSL = value; }

    TWmiNotify OnConnected;
    TWmiNotify OnDisconnected;

protected:
    // Creates the services object over the chosen transport; stores it only on success.
    virtual void ConnectServices();
    void ReleaseServices() { FNativeInterface.Reset(); }

private:
    void CredentialsChanged(TWmiCredentials&) { SetActive(false); }

    TComPtr<ISWbemServices> FNativeInterface;
    TWmiCredentials FCredentials;
    WideString FMachineName;
    WideString FNameSpace = u"root\\cimv2";
    bool FUseWSMan = false;
    bool FEnforceKerberos = false;
    std::int32_t FWSManPort = 5985;
    bool FWSManUseSSL = false;
};

} // namespace tarnwick::wmi
