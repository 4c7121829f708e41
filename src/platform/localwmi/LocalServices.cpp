#include "platform/localwmi/LocalWmi.h"

#include "platform/com/ClassRegistry.h"
#include "platform/com/ErrorInfo.h"
#include "platform/localwmi/LocalObjects.h"
#include "platform/localwmi/QueryEngine.h"
#include "platform/osmessages/OsMessages.h"

#include <memory>

#include <unistd.h>

namespace tarnwick::localwmi {

using com::S_OK;

namespace {

WideString HostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return u"localhost";
    return FromUtf8(buffer);
}

WideString FirstLabel(const WideString& host) {
    return host.substr(0, host.find(u'.'));
}

template <class T> HRESULT Refuse(T** out, HRESULT code) {
    if (out) *out = nullptr;
    return code;
}

class TLocalObjectSet : public TDispatchObject<ISWbemObjectSet> {
public:
    explicit TLocalObjectSet(std::vector<std::shared_ptr<TObjectData>> objects)
        : FObjects(std::move(objects)) {}
    HRESULT Get__NewEnum(com::IUnknown** pUnk) override {
        if (pUnk) *pUnk = nullptr;
        std::vector<TVariant> values;
        values.reserve(FObjects.size());
        for (const auto& data : FObjects) {
            auto object = MakeObject(data);
            values.push_back(TVariant::FromDispatch(object.Get()));
        }
        return NewVariantEnum(std::move(values), pUnk);
    }
    HRESULT Item(const WideString& strObjectPath, LONG, ISWbemObject** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        for (const auto& data : FObjects)
            if (SameText(data->RelPath(), strObjectPath) || SameText(data->Path(), strObjectPath))
                return NewObject(data, result);
        return WBEM_E_NOT_FOUND;
    }
    HRESULT Get_Count(LONG* iCount) override {
        if (!iCount) return com::E_POINTER;
        *iCount = static_cast<LONG>(FObjects.size());
        return S_OK;
    }
    HRESULT Get_Security_(ISWbemSecurity** result) override { return NewSecurity(result); }

private:
    std::vector<std::shared_ptr<TObjectData>> FObjects;
};

class TLocalServices : public TDispatchObject<ISWbemServices> {
public:
    TLocalServices(TNamespace ns, WideString server) : FNamespace(ns), FServer(std::move(server)) {}

    HRESULT Get(const WideString& strObjectPath, LONG, IDispatch*, ISWbemObject** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        std::shared_ptr<TObjectData> data;
        HRESULT hr = GetObjectByPath(FNamespace, FServer, strObjectPath, data);
        if (hr < 0) return hr;
        return NewObject(std::move(data), result);
    }
    HRESULT GetAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT Delete(const WideString&, LONG, IDispatch*) override { return WBEM_E_PROVIDER_NOT_CAPABLE; }
    HRESULT DeleteAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_PROVIDER_NOT_CAPABLE;
    }
    HRESULT InstancesOf(const WideString& strClass, LONG iFlags, IDispatch* context,
                        ISWbemObjectSet** result) override {
        if (result) *result = nullptr;
        bool plainName = !strClass.empty();
        for (char16_t c : strClass)
            plainName = plainName && (c == u'_' || (c >= u'0' && c <= u'9') ||
                                      (AsciiLower(c) >= u'a' && AsciiLower(c) <= u'z'));
        if (!plainName) return WBEM_E_INVALID_CLASS;
        return ExecQuery(u"SELECT * FROM " + strClass, u"WQL", iFlags, context, result);
    }
    HRESULT InstancesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT SubclassesOf(const WideString& strSuperclass, LONG, IDispatch*,
                         ISWbemObjectSet** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        std::vector<std::shared_ptr<TObjectData>> objects;
        for (const TClassDef* cls : ClassesOf(FNamespace)) {
            bool below = strSuperclass.empty();
            for (const auto& d : cls->Derivation)
                below = below || SameText(d, strSuperclass);
            if (below) objects.push_back(TObjectData::FromClass(*cls, FServer));
        }
        *result = com::MakeCom<TLocalObjectSet>(std::move(objects)).Detach();
        return S_OK;
    }
    HRESULT SubclassesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT ExecQuery(const WideString& strQuery, const WideString& strQueryLanguage, LONG iFlags, IDispatch*,
                      ISWbemObjectSet** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        std::vector<std::shared_ptr<TObjectData>> objects;
        HRESULT hr = ExecuteQuery(FNamespace, FServer, strQueryLanguage, strQuery, iFlags, objects);
        if (hr < 0) return hr;
        *result = com::MakeCom<TLocalObjectSet>(std::move(objects)).Detach();
        return S_OK;
    }
    HRESULT ExecQueryAsync(IDispatch*, const WideString&, const WideString&, LONG, IDispatch*,
                           IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT AssociatorsOf(const WideString&, const WideString&, const WideString&, const WideString&,
                          const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&,
                          LONG, IDispatch*, ISWbemObjectSet** result) override {
        return Refuse(result, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT AssociatorsOfAsync(IDispatch*, const WideString&, const WideString&, const WideString&,
                               const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                               const WideString&, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT ReferencesTo(const WideString&, const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                         const WideString&, LONG, IDispatch*, ISWbemObjectSet** result) override {
        return Refuse(result, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT ReferencesToAsync(IDispatch*, const WideString&, const WideString&, const WideString&,
                              VARIANT_BOOL, VARIANT_BOOL, const WideString&, LONG, IDispatch*,
                              IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT ExecNotificationQuery(const WideString&, const WideString&, LONG, IDispatch*,
                                  IDispatch** result) override {
        return Refuse(result, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT ExecNotificationQueryAsync(IDispatch*, const WideString&, const WideString&, LONG, IDispatch*,
                                       IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT ExecMethod(const WideString&, const WideString&, IDispatch*, LONG, IDispatch*,
                       ISWbemObject** result) override {
        return Refuse(result, WBEM_E_PROVIDER_NOT_CAPABLE);
    }
    HRESULT ExecMethodAsync(IDispatch*, const WideString&, const WideString&, IDispatch*, LONG, IDispatch*,
                            IDispatch*) override {
        return WBEM_E_PROVIDER_NOT_CAPABLE;
    }
    HRESULT Get_Security_(ISWbemSecurity** result) override { return NewSecurity(result); }

private:
    TNamespace FNamespace;
    WideString FServer;
};

// The version of the scripting library the locator reports through its type information.
class TLocalTypeLib : public com::TComObject<com::ITypeLib> {
public:
    HRESULT GetLibAttr(com::TLIBATTR** attr) override {
        if (!attr) return com::E_POINTER;
        // Owned by the caller until it hands the block back to ReleaseTLibAttr.
        *attr = std::make_unique<com::TLIBATTR>().release();
        (*attr)->wMajorVerNum = 1;
        (*attr)->wMinorVerNum = 2;
        return S_OK;
    }
    void ReleaseTLibAttr(com::TLIBATTR* attr) override { std::unique_ptr<com::TLIBATTR> owned(attr); }
};

class TLocalTypeInfo : public com::TComObject<com::ITypeInfo> {
public:
    HRESULT GetContainingTypeLib(com::ITypeLib** lib, UINT* index) override {
        if (!lib) return com::E_POINTER;
        *lib = com::MakeCom<TLocalTypeLib>().Detach();
        if (index) *index = 0;
        return S_OK;
    }
};

class TLocalLocator : public TDispatchObject<ISWbemLocator> {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return com::E_POINTER;
        *pctinfo = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override {
        if (!ppTInfo) return com::E_POINTER;
        *ppTInfo = nullptr;
        if (iTInfo != 0) return com::DISP_E_BADINDEX;
        *ppTInfo = com::MakeCom<TLocalTypeInfo>().Detach();
        return S_OK;
    }

    HRESULT ConnectServer(const WideString& strServer, const WideString& strNamespace,
                          const WideString& strUser, const WideString& strPassword, const WideString&,
                          const WideString& strAuthority, LONG, IDispatch*,
                          ISWbemServices** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        if (!IsLocalServer(strServer)) {
            com::SetErrorInfo(Trim(osmessages::SystemErrorMessage(HRESULT_NOT_SUPPORTED)));
            return HRESULT_NOT_SUPPORTED;
        }
        // A domain prefix with nothing after it ("NTLMDOMAIN:", the window's default with
        // an empty domain) names no authority.
        bool authority = !strAuthority.empty() && strAuthority.back() != u':';
        if (!strUser.empty() || !strPassword.empty() || authority)
            return WBEM_E_LOCAL_CREDENTIALS;
        WideString ns = ReplaceAll(strNamespace, u"/", u"\\");
        TNamespace which;
        if (ns.empty() || SameText(ns, u"root\\cimv2"))
            which = TNamespace::Cimv2;
        else if (SameText(ns, u"root"))
            which = TNamespace::Root;
        else
            return WBEM_E_INVALID_NAMESPACE;
        *result = com::MakeCom<TLocalServices>(which, LocalComputerName()).Detach();
        return S_OK;
    }
    HRESULT Get_Security_(ISWbemSecurity** result) override { return NewSecurity(result); }
};

} // namespace

WideString LocalComputerName() {
    return AsciiUpperCase(FirstLabel(HostName()));
}

bool IsLocalServer(WideStringView server) {
    if (server.empty() || server == u"." || SameText(server, u"localhost") || server == u"127.0.0.1" ||
        server == u"::1")
        return true;
    WideString host = HostName();
    return SameText(server, host) || SameText(server, FirstLabel(host));
}

void RegisterLocalWmi() {
    auto& registry = com::TClassRegistry::Instance();
    registry.Register(CLSID_SWbemLocator, com::FactoryOf<TLocalLocator>());
    registry.Register(CLSID_SWbemNamedValueSet, [](const com::IID& riid, void** ppv) -> HRESULT {
        TComPtr<ISWbemNamedValueSet> set;
        HRESULT hr = NewNamedValueSet(set.Put());
        if (hr < 0) return hr;
        return set->QueryInterface(riid, ppv);
    });
}

} // namespace tarnwick::localwmi
