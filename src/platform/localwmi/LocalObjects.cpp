#include "platform/localwmi/LocalObjects.h"

#include "platform/localwmi/ObjectPath.h"

namespace tarnwick::localwmi {

using com::S_FALSE;
using com::S_OK;

// ---- enumerator --------------------------------------------------------------

TVariantEnum::TVariantEnum(std::shared_ptr<const std::vector<TVariant>> items, std::size_t position)
    : FItems(std::move(items)), FPosition(position) {}

HRESULT TVariantEnum::Next(ULONG celt, TVariant* rgVar, ULONG* pCeltFetched) {
    if (pCeltFetched) *pCeltFetched = 0;
    if (celt > 0 && !rgVar) return com::E_POINTER;
    if (celt > 1 && !pCeltFetched) return com::E_POINTER;
    for (ULONG i = 0; i < celt; ++i)
        rgVar[i].Clear();
    ULONG fetched = 0;
    while (fetched < celt && FPosition < FItems->size())
        rgVar[fetched++] = (*FItems)[FPosition++];
    if (pCeltFetched) *pCeltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
}

HRESULT TVariantEnum::Skip(ULONG celt) {
    std::size_t left = FItems->size() - FPosition;
    FPosition += std::min<std::size_t>(celt, left);
    return celt <= left ? S_OK : S_FALSE;
}

HRESULT TVariantEnum::Reset() {
    FPosition = 0;
    return S_OK;
}

HRESULT TVariantEnum::Clone(com::IEnumVARIANT** ppEnum) {
    if (!ppEnum) return com::E_POINTER;
    *ppEnum = com::MakeCom<TVariantEnum>(FItems, FPosition).Detach();
    return S_OK;
}

HRESULT NewVariantEnum(std::vector<TVariant> items, com::IUnknown** pUnk) {
    if (!pUnk) return com::E_POINTER;
    auto shared = std::make_shared<const std::vector<TVariant>>(std::move(items));
    *pUnk = static_cast<com::IUnknown*>(com::MakeCom<TVariantEnum>(std::move(shared)).Detach());
    return S_OK;
}

// ---- security ----------------------------------------------------------------

HRESULT TLocalSecurity::Get_ImpersonationLevel(WbemImpersonationLevelEnum* level) {
    if (!level) return com::E_POINTER;
    *level = FImpersonation;
    return S_OK;
}

HRESULT TLocalSecurity::Set_ImpersonationLevel(WbemImpersonationLevelEnum level) {
    if (level < wbemImpersonationLevelAnonymous || level > wbemImpersonationLevelDelegate)
        return WBEM_E_INVALID_PARAMETER;
    FImpersonation = level;
    return S_OK;
}

HRESULT TLocalSecurity::Get_AuthenticationLevel(WbemAuthenticationLevelEnum* level) {
    if (!level) return com::E_POINTER;
    *level = FAuthentication;
    return S_OK;
}

HRESULT TLocalSecurity::Set_AuthenticationLevel(WbemAuthenticationLevelEnum level) {
    if (level < wbemAuthenticationLevelDefault || level > wbemAuthenticationLevelPktPrivacy)
        return WBEM_E_INVALID_PARAMETER;
    FAuthentication = level;
    return S_OK;
}

HRESULT TLocalSecurity::Get_Privileges(IDispatch** objWbemPrivilegeSet) {
    if (objWbemPrivilegeSet) *objWbemPrivilegeSet = nullptr;
    return WBEM_E_NOT_SUPPORTED;
}

HRESULT NewSecurity(ISWbemSecurity** result) {
    if (!result) return com::E_POINTER;
    *result = com::MakeCom<TLocalSecurity>().Detach();
    return S_OK;
}

// ---- qualifiers --------------------------------------------------------------

namespace {

struct TQualifierValue {
    WideString Name;
    TVariant Value;
};

class TLocalQualifier : public TDispatchObject<ISWbemQualifier> {
public:
    explicit TLocalQualifier(TQualifierValue q) : FQualifier(std::move(q)) {}
    HRESULT Get_Value(TVariant* varValue) override {
        if (!varValue) return com::E_POINTER;
        *varValue = FQualifier.Value;
        return S_OK;
    }
    HRESULT Set_Value(const TVariant& varValue) override {
        FQualifier.Value = varValue;
        return S_OK;
    }
    HRESULT Get_Name(WideString* strName) override {
        if (!strName) return com::E_POINTER;
        *strName = FQualifier.Name;
        return S_OK;
    }
    HRESULT Get_IsLocal(VARIANT_BOOL* b) override { return Flag(b, true); }
    HRESULT Get_PropagatesToSubclass(VARIANT_BOOL* b) override { return Flag(b, true); }
    HRESULT Set_PropagatesToSubclass(VARIANT_BOOL) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT Get_PropagatesToInstance(VARIANT_BOOL* b) override { return Flag(b, true); }
    HRESULT Set_PropagatesToInstance(VARIANT_BOOL) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT Get_IsOverridable(VARIANT_BOOL* b) override { return Flag(b, true); }
    HRESULT Set_IsOverridable(VARIANT_BOOL) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT Get_IsAmended(VARIANT_BOOL* b) override { return Flag(b, false); }

private:
    static HRESULT Flag(VARIANT_BOOL* b, bool value) {
        if (!b) return com::E_POINTER;
        *b = value ? com::VARIANT_TRUE : com::VARIANT_FALSE;
        return S_OK;
    }
    TQualifierValue FQualifier;
};

class TLocalQualifierSet : public TDispatchObject<ISWbemQualifierSet> {
public:
    explicit TLocalQualifierSet(std::vector<TQualifierValue> items) : FItems(std::move(items)) {}
    HRESULT Get__NewEnum(com::IUnknown** pUnk) override {
        if (pUnk) *pUnk = nullptr;
        std::vector<TVariant> values;
        for (const auto& q : FItems) {
            auto item = com::MakeCom<TLocalQualifier>(q);
            values.push_back(TVariant::FromDispatch(item.Get()));
        }
        return NewVariantEnum(std::move(values), pUnk);
    }
    HRESULT Item(const WideString& strName, LONG, ISWbemQualifier** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        for (const auto& q : FItems)
            if (SameText(q.Name, strName)) {
                *result = com::MakeCom<TLocalQualifier>(q).Detach();
                return S_OK;
            }
        return WBEM_E_NOT_FOUND;
    }
    HRESULT Get_Count(LONG* iCount) override {
        if (!iCount) return com::E_POINTER;
        *iCount = static_cast<LONG>(FItems.size());
        return S_OK;
    }
    HRESULT Add(const WideString&, const TVariant&, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, LONG,
                ISWbemQualifier** result) override {
        if (result) *result = nullptr;
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT Remove(const WideString&, LONG) override { return WBEM_E_NOT_SUPPORTED; }

private:
    std::vector<TQualifierValue> FItems;
};

// As Windows qualifies the properties of its dynamic classes: CIMTYPE, key, read, write.
std::vector<TQualifierValue> PropertyQualifiers(const TPropertyDef& def) {
    std::vector<TQualifierValue> q;
    q.push_back({u"CIMTYPE", TVariant(WideString(CimTypeName(def.CimType)))});
    if (def.Key) q.push_back({u"key", TVariant(true)});
    q.push_back({u"read", TVariant(true)});
    if (def.Writable) q.push_back({u"write", TVariant(true)});
    return q;
}

std::vector<TQualifierValue> ClassQualifiers(const TClassDef& cls) {
    std::vector<TQualifierValue> q;
    if (cls.Abstract) q.push_back({u"abstract", TVariant(true)});
    q.push_back({u"dynamic", TVariant(true)});
    if (cls.Singleton) q.push_back({u"singleton", TVariant(true)});
    return q;
}

// ---- properties ----------------------------------------------------------------

class TLocalProperty : public TDispatchObject<ISWbemProperty> {
public:
    TLocalProperty(std::shared_ptr<TObjectData> data, std::size_t index)
        : FData(std::move(data)), FIndex(index) {}
    HRESULT Get_Value(TVariant* varValue) override {
        if (!varValue) return com::E_POINTER;
        *varValue = FData->Values[FIndex];
        return S_OK;
    }
    HRESULT Set_Value(const TVariant& varValue) override {
        FData->Values[FIndex] = varValue.IsEmpty() ? TVariant::Null() : varValue;
        return S_OK;
    }
    HRESULT Get_Name(WideString* strName) override {
        if (!strName) return com::E_POINTER;
        *strName = Def().Name;
        return S_OK;
    }
    HRESULT Get_IsLocal(VARIANT_BOOL* b) override {
        if (!b) return com::E_POINTER;
        *b = com::VARIANT_TRUE;
        return S_OK;
    }
    HRESULT Get_Origin(WideString* strOrigin) override {
        if (!strOrigin) return com::E_POINTER;
        *strOrigin = FData->Class->Name;
        return S_OK;
    }
    HRESULT Get_CIMType(WbemCimtypeEnum* iCimType) override {
        if (!iCimType) return com::E_POINTER;
        *iCimType = Def().CimType;
        return S_OK;
    }
    HRESULT Get_Qualifiers_(ISWbemQualifierSet** result) override {
        if (!result) return com::E_POINTER;
        *result = com::MakeCom<TLocalQualifierSet>(PropertyQualifiers(Def())).Detach();
        return S_OK;
    }
    HRESULT Get_IsArray(VARIANT_BOOL* b) override {
        if (!b) return com::E_POINTER;
        *b = Def().IsArray ? com::VARIANT_TRUE : com::VARIANT_FALSE;
        return S_OK;
    }

private:
    const TPropertyDef& Def() const { return FData->Class->Properties[FIndex]; }
    std::shared_ptr<TObjectData> FData;
    std::size_t FIndex;
};

class TLocalPropertySet : public TDispatchObject<ISWbemPropertySet> {
public:
    explicit TLocalPropertySet(std::shared_ptr<TObjectData> data) : FData(std::move(data)) {}
    HRESULT Get__NewEnum(com::IUnknown** pUnk) override {
        if (pUnk) *pUnk = nullptr;
        std::vector<TVariant> values;
        values.reserve(FData->Visible.size());
        for (int i : FData->Visible) {
            auto p = com::MakeCom<TLocalProperty>(FData, static_cast<std::size_t>(i));
            values.push_back(TVariant::FromDispatch(p.Get()));
        }
        return NewVariantEnum(std::move(values), pUnk);
    }
    HRESULT Item(const WideString& strName, LONG, ISWbemProperty** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        for (int i : FData->Visible)
            if (SameText(FData->Class->Properties[static_cast<std::size_t>(i)].Name, strName)) {
                *result = com::MakeCom<TLocalProperty>(FData, static_cast<std::size_t>(i)).Detach();
                return S_OK;
            }
        return WBEM_E_NOT_FOUND;
    }
    HRESULT Get_Count(LONG* iCount) override {
        if (!iCount) return com::E_POINTER;
        *iCount = static_cast<LONG>(FData->Visible.size());
        return S_OK;
    }
    HRESULT Add(const WideString&, WbemCimtypeEnum, VARIANT_BOOL, LONG, ISWbemProperty** result) override {
        if (result) *result = nullptr;
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT Remove(const WideString&, LONG) override { return WBEM_E_NOT_SUPPORTED; }

private:
    std::shared_ptr<TObjectData> FData;
};

class TLocalMethodSet : public TDispatchObject<ISWbemMethodSet> {
public:
    HRESULT Get__NewEnum(com::IUnknown** pUnk) override { return NewVariantEnum({}, pUnk); }
    HRESULT Item(const WideString&, LONG, ISWbemMethod** result) override {
        if (result) *result = nullptr;
        return WBEM_E_NOT_FOUND;
    }
    HRESULT Get_Count(LONG* iCount) override {
        if (!iCount) return com::E_POINTER;
        *iCount = 0;
        return S_OK;
    }
};

// ---- object --------------------------------------------------------------------

template <class T> HRESULT Refuse(T** out, HRESULT code) {
    if (out) *out = nullptr;
    return code;
}

class TLocalObject : public TDispatchObject<ISWbemObject> {
public:
    explicit TLocalObject(std::shared_ptr<TObjectData> data) : FData(std::move(data)) {}

    HRESULT Put_(LONG, IDispatch*, ISWbemObjectPath** path) override {
        return Refuse(path, WBEM_E_PROVIDER_NOT_CAPABLE);
    }
    HRESULT PutAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_PROVIDER_NOT_CAPABLE;
    }
    HRESULT Delete_(LONG, IDispatch*) override { return WBEM_E_PROVIDER_NOT_CAPABLE; }
    HRESULT DeleteAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_PROVIDER_NOT_CAPABLE;
    }
    HRESULT Instances_(LONG, IDispatch*, ISWbemObjectSet** set) override {
        return Refuse(set, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT InstancesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT Subclasses_(LONG, IDispatch*, ISWbemObjectSet** set) override {
        return Refuse(set, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT SubclassesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT Associators_(const WideString&, const WideString&, const WideString&, const WideString&,
                         VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&, LONG, IDispatch*,
                         ISWbemObjectSet** set) override {
        return Refuse(set, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT AssociatorsAsync_(IDispatch*, const WideString&, const WideString&, const WideString&,
                              const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                              const WideString&, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT References_(const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                        LONG, IDispatch*, ISWbemObjectSet** set) override {
        return Refuse(set, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT ReferencesAsync_(IDispatch*, const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                             const WideString&, LONG, IDispatch*, IDispatch*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT ExecMethod_(const WideString&, IDispatch*, LONG, IDispatch*, ISWbemObject** out) override {
        return Refuse(out, WBEM_E_PROVIDER_NOT_CAPABLE);
    }
    HRESULT ExecMethodAsync_(IDispatch*, const WideString&, IDispatch*, LONG, IDispatch*,
                             IDispatch*) override {
        return WBEM_E_PROVIDER_NOT_CAPABLE;
    }
    HRESULT Clone_(ISWbemObject** result) override {
        if (!result) return com::E_POINTER;
        *result = com::MakeCom<TLocalObject>(std::make_shared<TObjectData>(*FData)).Detach();
        return S_OK;
    }
    HRESULT GetObjectText_(LONG, WideString* text) override {
        if (!text) return com::E_POINTER;
        text->clear();
        try {
            *text = FData->ObjectText();
        } catch (const std::exception&) {
            return WBEM_E_FAILED;
        }
        return S_OK;
    }
    HRESULT SpawnDerivedClass_(LONG, ISWbemObject** result) override {
        return Refuse(result, WBEM_E_NOT_SUPPORTED);
    }
    HRESULT SpawnInstance_(LONG, ISWbemObject** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        if (!FData->IsClass) return WBEM_E_NOT_SUPPORTED;
        auto data = std::make_shared<TObjectData>(*FData);
        data->IsClass = false;
        *result = com::MakeCom<TLocalObject>(std::move(data)).Detach();
        return S_OK;
    }
    HRESULT CompareTo_(IDispatch* other, LONG, VARIANT_BOOL* bResult) override {
        if (!bResult) return com::E_POINTER;
        *bResult = com::VARIANT_FALSE;
        if (!other) return WBEM_E_INVALID_PARAMETER;
        TComPtr<ISWbemObject> object;
        if (other->QueryInterface(ISWbemObject::iid, object.PutVoid()) < 0) return WBEM_E_INVALID_PARAMETER;
        WideString a, b;
        GetObjectText_(0, &a);
        object->GetObjectText_(0, &b);
        *bResult = a == b ? com::VARIANT_TRUE : com::VARIANT_FALSE;
        return S_OK;
    }
    HRESULT Get_Qualifiers_(ISWbemQualifierSet** result) override {
        if (!result) return com::E_POINTER;
        *result = com::MakeCom<TLocalQualifierSet>(ClassQualifiers(*FData->Class)).Detach();
        return S_OK;
    }
    HRESULT Get_Properties_(ISWbemPropertySet** result) override {
        if (!result) return com::E_POINTER;
        *result = com::MakeCom<TLocalPropertySet>(FData).Detach();
        return S_OK;
    }
    HRESULT Get_Methods_(ISWbemMethodSet** result) override {
        if (!result) return com::E_POINTER;
        *result = com::MakeCom<TLocalMethodSet>().Detach();
        return S_OK;
    }
    HRESULT Get_Derivation_(TVariant* names) override {
        if (!names) return com::E_POINTER;
        FData->SystemProperty(u"__DERIVATION", *names);
        return S_OK;
    }
    HRESULT Get_Path_(ISWbemObjectPath** result) override {
        if (!result) return com::E_POINTER;
        *result = NewObjectPath(*FData).Detach();
        return S_OK;
    }
    HRESULT Get_Security_(ISWbemSecurity** result) override { return NewSecurity(result); }

private:
    std::shared_ptr<TObjectData> FData;
};

} // namespace

HRESULT NewObject(std::shared_ptr<TObjectData> data, ISWbemObject** result) {
    if (!result) return com::E_POINTER;
    *result = com::MakeCom<TLocalObject>(std::move(data)).Detach();
    return S_OK;
}

TComPtr<ISWbemObject> MakeObject(std::shared_ptr<TObjectData> data) {
    return TComPtr<ISWbemObject>(com::MakeCom<TLocalObject>(std::move(data)));
}

} // namespace tarnwick::localwmi
