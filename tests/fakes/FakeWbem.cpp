#include "fakes/FakeWbemInternal.h"

// The fake's world: object sets, services, security, named values and the locator.

namespace tarnwick::fakes {
namespace detail {
std::atomic<int> gLive{0};

namespace {

class TFakeObjectSet : public TFake<ISWbemObjectSet> {
public:
    TFakeObjectSet(std::vector<TFakeObjectSpec> rows, TFakeWbem* world)
        : FRows(std::move(rows)), FWorld(world) {}
    HRESULT Get__NewEnum(IUnknown** out) override {
        std::vector<TVariant> values;
        for (const auto& row : FRows)
            values.push_back(AsDispatchVariant(MakeFakeObject(row, FWorld)));
        auto e = com::MakeCom<TFakeEnum>(std::move(values), FWorld, true);
        return e->QueryInterface(IUnknown::iid, reinterpret_cast<void**>(out));
    }
    HRESULT Item(const WideString&, LONG, ISWbemObject** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Get_Count(LONG* n) override {
        *n = static_cast<LONG>(FRows.size());
        return S_OK;
    }
    HRESULT Get_Security_(ISWbemSecurity** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }

private:
    std::vector<TFakeObjectSpec> FRows;
    TFakeWbem* FWorld;
};

class TFakeSecurity : public TFake<ISWbemSecurity> {
public:
    explicit TFakeSecurity(TFakeWbem* world) : FWorld(world) {}
    HRESULT Get_ImpersonationLevel(WbemImpersonationLevelEnum* l) override {
        *l = FWorld->ImpersonationLevels.empty()
                 ? wbemImpersonationLevelIdentify
                 : WbemImpersonationLevelEnum(FWorld->ImpersonationLevels.back());
        return S_OK;
    }
    HRESULT Set_ImpersonationLevel(WbemImpersonationLevelEnum l) override {
        FWorld->ImpersonationLevels.push_back(l);
        return S_OK;
    }
    HRESULT Get_AuthenticationLevel(WbemAuthenticationLevelEnum* l) override {
        *l = wbemAuthenticationLevelPktPrivacy;
        return S_OK;
    }
    HRESULT Set_AuthenticationLevel(WbemAuthenticationLevelEnum) override { return S_OK; }
    HRESULT Get_Privileges(IDispatch** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }

private:
    TFakeWbem* FWorld;
};

class TFakeServices : public TFake<ISWbemServices> {
public:
    explicit TFakeServices(TFakeWbem* world) : FWorld(world) {}

    HRESULT Get(const WideString& path, LONG flags, IDispatch*, ISWbemObject** out) override {
        *out = nullptr;
        FWorld->GetCalls.push_back({path, flags});
        // A full path of this host finds the object stored under its relative path.
        const WideString prefix = u"\\\\FAKEHOST\\root\\cimv2:";
        auto it = FWorld->Objects.find(path);
        if (it == FWorld->Objects.end() && path.compare(0, prefix.size(), prefix) == 0)
            it = FWorld->Objects.find(path.substr(prefix.size()));
        if (it == FWorld->Objects.end()) return kNotFound;
        *out = MakeFakeObject(it->second, FWorld).Detach();
        return S_OK;
    }
    HRESULT ExecQuery(const WideString& query, const WideString& language, LONG flags, IDispatch* context,
                      ISWbemObjectSet** out) override {
        *out = nullptr;
        FWorld->QueryCalls.push_back({query, language, flags, context != nullptr});
        if (com::Failed(FWorld->ExecQueryResult)) return FWorld->ExecQueryResult;
        auto it = FWorld->Queries.find(query);
        if (it == FWorld->Queries.end()) return kInvalidClass;
        std::vector<TFakeObjectSpec> rows = it->second.Rows;
        if (flags & wbemQueryFlagPrototype) {
            TFakeObjectSpec proto;
            if (it->second.HasPrototype) {
                proto = it->second.Prototype;
            } else if (!rows.empty()) {
                proto = rows.front();
                for (auto& p : proto.Properties)
                    p.Value = TVariant::Null();
            } else {
                return kInvalidClass;
            }
            rows = {proto};
        }
        *out = com::MakeCom<TFakeObjectSet>(std::move(rows), FWorld).Detach();
        return S_OK;
    }
    HRESULT Get_Security_(ISWbemSecurity** out) override {
        *out = com::MakeCom<TFakeSecurity>(FWorld).Detach();
        return S_OK;
    }

    // Not used by the system.
    HRESULT GetAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT Delete(const WideString&, LONG, IDispatch*) override { return E_NOTIMPL; }
    HRESULT DeleteAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT InstancesOf(const WideString&, LONG, IDispatch*, ISWbemObjectSet** out) override {
        return No(out);
    }
    HRESULT InstancesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT SubclassesOf(const WideString&, LONG, IDispatch*, ISWbemObjectSet** out) override {
        return No(out);
    }
    HRESULT SubclassesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ExecQueryAsync(IDispatch*, const WideString&, const WideString&, LONG, IDispatch*,
                           IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT AssociatorsOf(const WideString&, const WideString&, const WideString&, const WideString&,
                          const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&,
                          LONG, IDispatch*, ISWbemObjectSet** out) override {
        return No(out);
    }
    HRESULT AssociatorsOfAsync(IDispatch*, const WideString&, const WideString&, const WideString&,
                               const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                               const WideString&, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ReferencesTo(const WideString&, const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                         const WideString&, LONG, IDispatch*, ISWbemObjectSet** out) override {
        return No(out);
    }
    HRESULT ReferencesToAsync(IDispatch*, const WideString&, const WideString&, const WideString&,
                              VARIANT_BOOL, VARIANT_BOOL, const WideString&, LONG, IDispatch*,
                              IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ExecNotificationQuery(const WideString&, const WideString&, LONG, IDispatch*,
                                  IDispatch** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT ExecNotificationQueryAsync(IDispatch*, const WideString&, const WideString&, LONG, IDispatch*,
                                       IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ExecMethod(const WideString&, const WideString&, IDispatch*, LONG, IDispatch*,
                       ISWbemObject** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT ExecMethodAsync(IDispatch*, const WideString&, const WideString&, IDispatch*, LONG, IDispatch*,
                            IDispatch*) override {
        return E_NOTIMPL;
    }

private:
    static HRESULT No(ISWbemObjectSet** out) {
        *out = nullptr;
        return E_NOTIMPL;
    }
    TFakeWbem* FWorld;
};

class TFakeNamedValue : public TFake<ISWbemNamedValue> {
public:
    TFakeNamedValue(WideString name, TVariant value) : FName(std::move(name)), FValue(std::move(value)) {}
    HRESULT Get_Value(TVariant* v) override {
        *v = FValue;
        return S_OK;
    }
    HRESULT Set_Value(const TVariant& v) override {
        FValue = v;
        return S_OK;
    }
    HRESULT Get_Name(WideString* s) override {
        *s = FName;
        return S_OK;
    }

private:
    WideString FName;
    TVariant FValue;
};

class TFakeNamedValueSet : public TFake<ISWbemNamedValueSet> {
public:
    std::vector<std::pair<WideString, TVariant>> Entries;

    HRESULT Get__NewEnum(IUnknown** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Item(const WideString& name, LONG, ISWbemNamedValue** out) override {
        *out = nullptr;
        for (const auto& [n, v] : Entries)
            if (SameText(n, name)) {
                *out = com::MakeCom<TFakeNamedValue>(n, v).Detach();
                return S_OK;
            }
        return kNotFound;
    }
    HRESULT Get_Count(LONG* n) override {
        *n = static_cast<LONG>(Entries.size());
        return S_OK;
    }
    HRESULT Add(const WideString& name, const TVariant& value, LONG, ISWbemNamedValue** out) override {
        *out = nullptr;
        Entries.emplace_back(name, value);
        *out = com::MakeCom<TFakeNamedValue>(name, value).Detach();
        return S_OK;
    }
    HRESULT Remove(const WideString&, LONG) override { return E_NOTIMPL; }
    HRESULT Clone(ISWbemNamedValueSet** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT DeleteAll() override {
        Entries.clear();
        return S_OK;
    }
};

class TFakeTypeLib : public com::TComObject<com::ITypeLib> {
public:
    TFakeTypeLib(com::WORD major, com::WORD minor) {
        FAttr.wMajorVerNum = major;
        FAttr.wMinorVerNum = minor;
    }
    HRESULT GetLibAttr(com::TLIBATTR** attr) override {
        *attr = &FAttr;
        return S_OK;
    }
    void ReleaseTLibAttr(com::TLIBATTR*) override {}

private:
    com::TLIBATTR FAttr;
};

class TFakeTypeInfo : public com::TComObject<com::ITypeInfo> {
public:
    TFakeTypeInfo(com::WORD major, com::WORD minor) : FMajor(major), FMinor(minor) {}
    HRESULT GetContainingTypeLib(com::ITypeLib** lib, com::UINT* index) override {
        *lib = com::MakeCom<TFakeTypeLib>(FMajor, FMinor).Detach();
        if (index) *index = 0;
        return S_OK;
    }

private:
    com::WORD FMajor, FMinor;
};

class TFakeLocator : public TFake<ISWbemLocator> {
public:
    explicit TFakeLocator(TFakeWbem* world) : FWorld(world) {}
    HRESULT ConnectServer(const WideString& server, const WideString& ns, const WideString& user,
                          const WideString& password, const WideString& locale, const WideString& authority,
                          LONG flags, IDispatch* context, ISWbemServices** out) override {
        *out = nullptr;
        TConnectCall call{server, ns, user, password, locale, authority, flags, context != nullptr, {}};
        if (context) {
            TComPtr<IDispatch> holder(context);
            if (auto set = holder.As<ISWbemNamedValueSet>())
                if (auto* fake = dynamic_cast<TFakeNamedValueSet*>(set.Get())) call.Context = fake->Entries;
        }
        FWorld->ConnectCalls.push_back(std::move(call));
        if (com::Failed(FWorld->ConnectResult)) return FWorld->ConnectResult;
        *out = com::MakeCom<TFakeServices>(FWorld).Detach();
        return FWorld->ConnectResult;
    }
    HRESULT Get_Security_(ISWbemSecurity** out) override {
        *out = com::MakeCom<TFakeSecurity>(FWorld).Detach();
        return S_OK;
    }
    HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo** out) override {
        *out = nullptr;
        std::size_t dot = FWorld->ScriptingVersion.find(u'.');
        if (dot == WideString::npos) return E_NOTIMPL;
        std::int64_t major = 0, minor = 0;
        TryStrToInt64(FWorld->ScriptingVersion.substr(0, dot), major);
        TryStrToInt64(FWorld->ScriptingVersion.substr(dot + 1), minor);
        *out = com::MakeCom<TFakeTypeInfo>(com::WORD(major), com::WORD(minor)).Detach();
        return S_OK;
    }

private:
    TFakeWbem* FWorld;
};

} // namespace
} // namespace detail

using namespace detail;

TFakeProperty Prop(WideString name, WbemCimtypeEnum cimType, TVariant value,
                   std::vector<WideString> qualifiers, bool isArray) {
    TFakeProperty p{std::move(name), cimType, isArray, std::move(value), {}};
    for (auto& q : qualifiers)
        p.Qualifiers.push_back({std::move(q), TVariant(true)});
    return p;
}

TFakeObjectSpec Obj(WideString className, std::vector<TFakeProperty> properties, WideString relPath) {
    return TFakeObjectSpec{std::move(className), std::move(relPath), {}, std::move(properties)};
}

TFakeWbem::TFakeWbem()
    : FLocator(CLSID_SWbemLocator,
               [this](const com::IID& riid, void** ppv) {
                   return com::MakeCom<TFakeLocator>(this)->QueryInterface(riid, ppv);
               }),
      FNamedValueSet(CLSID_SWbemNamedValueSet, [this](const com::IID& riid, void** ppv) {
          if (com::Failed(CreateNamedValueSetResult)) {
              *ppv = nullptr;
              return CreateNamedValueSetResult;
          }
          return com::MakeCom<TFakeNamedValueSet>()->QueryInterface(riid, ppv);
      }) {}

TFakeWbem::~TFakeWbem() = default;

void TFakeWbem::AddQueryResult(const WideString& query, std::vector<TFakeObjectSpec> rows) {
    Queries[query].Rows = std::move(rows);
}

void TFakeWbem::SetPrototype(const WideString& query, TFakeObjectSpec prototype) {
    Queries[query].HasPrototype = true;
    Queries[query].Prototype = std::move(prototype);
}

void TFakeWbem::AddObject(const WideString& path, TFakeObjectSpec object) {
    Objects[path] = std::move(object);
}

const TFakeObjectSpec* TFakeWbem::StoredObject(const WideString& path) const {
    auto it = Objects.find(path);
    return it == Objects.end() ? nullptr : &it->second;
}

int TFakeWbem::LiveObjects() {
    return gLive.load();
}

} // namespace tarnwick::fakes
