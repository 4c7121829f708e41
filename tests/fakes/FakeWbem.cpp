#include "fakes/FakeWbem.h"

#include "platform/com/ComObject.h"

#include <atomic>

namespace tarnwick::fakes {

using namespace tarnwick::wmi;
using com::E_NOTIMPL;
using com::IDispatch;
using com::IUnknown;
using com::S_FALSE;
using com::S_OK;
using com::TComPtr;
using com::ULONG;

namespace {

std::atomic<int> gLive{0};
constexpr HRESULT kNotFound = com::Hr(0x80041002);
constexpr HRESULT kInvalidClass = com::Hr(0x80041010);

// Common base: counted for leak checks; dispatch by name is not offered.
template <class... I>
class TFake : public com::TComObject<I...> {
public:
    TFake() { ++gLive; }
    ~TFake() override { --gLive; }
    HRESULT GetTypeInfoCount(com::UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const com::IID&, const WideString*, com::UINT, com::LCID, com::DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(com::DISPID, const com::IID&, com::LCID, com::WORD, com::DISPPARAMS*, TVariant*, com::EXCEPINFO*,
                   com::UINT*) override {
        return E_NOTIMPL;
    }
};

template <class T>
TVariant AsDispatchVariant(const TComPtr<T>& object) {
    return TVariant::FromDispatch(object.Get());
}

// An enumerator over a list of values made on demand.
class TFakeEnum : public com::TComObject<IEnumVARIANT> {
public:
    TFakeEnum(std::vector<TVariant> values, TFakeWbem* world, bool countRows)
        : FValues(std::move(values)), FWorld(world), FCountRows(countRows) {
        ++gLive;
    }
    ~TFakeEnum() override { --gLive; }
    HRESULT Next(ULONG celt, TVariant* rgVar, ULONG* pCeltFetched) override {
        if (pCeltFetched) *pCeltFetched = 0;
        ULONG fetched = 0;
        for (; fetched < celt; ++fetched) {
            if (FCountRows) {
                ++FWorld->NextCalls;
                if (static_cast<int>(FIndex) == FWorld->FailNextAtRow) return FWorld->NextFailure;
            }
            if (FIndex >= FValues.size()) break;
            rgVar[fetched] = FValues[FIndex++];
        }
        if (pCeltFetched) *pCeltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG celt) override {
        FIndex += celt;
        return FIndex <= FValues.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        FIndex = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumVARIANT** ppEnum) override {
        *ppEnum = nullptr;
        return E_NOTIMPL;
    }

private:
    std::vector<TVariant> FValues;
    TFakeWbem* FWorld;
    bool FCountRows;
    std::size_t FIndex = 0;
};

class TFakeQualifierObj : public TFake<ISWbemQualifier> {
public:
    explicit TFakeQualifierObj(TFakeQualifier q) : FQ(std::move(q)) {}
    HRESULT Get_Value(TVariant* v) override {
        *v = FQ.Value;
        return S_OK;
    }
    HRESULT Set_Value(const TVariant&) override { return E_NOTIMPL; }
    HRESULT Get_Name(WideString* s) override {
        *s = FQ.Name;
        return S_OK;
    }
    HRESULT Get_IsLocal(VARIANT_BOOL* b) override {
        *b = com::VARIANT_TRUE;
        return S_OK;
    }
    HRESULT Get_PropagatesToSubclass(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT Set_PropagatesToSubclass(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT Get_PropagatesToInstance(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT Set_PropagatesToInstance(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT Get_IsOverridable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT Set_IsOverridable(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT Get_IsAmended(VARIANT_BOOL*) override { return E_NOTIMPL; }

private:
    TFakeQualifier FQ;
};

class TFakeQualifierSet : public TFake<ISWbemQualifierSet> {
public:
    explicit TFakeQualifierSet(std::vector<TFakeQualifier> qs) : FQs(std::move(qs)) {}
    HRESULT Get__NewEnum(IUnknown** out) override {
        std::vector<TVariant> values;
        for (const auto& q : FQs) values.push_back(AsDispatchVariant(com::MakeCom<TFakeQualifierObj>(q)));
        auto e = com::MakeCom<TFakeEnum>(std::move(values), nullptr, false);
        return e->QueryInterface(IUnknown::iid, reinterpret_cast<void**>(out));
    }
    HRESULT Item(const WideString& name, LONG, ISWbemQualifier** out) override {
        *out = nullptr;
        for (const auto& q : FQs)
            if (SameText(q.Name, name)) {
                *out = com::MakeCom<TFakeQualifierObj>(q).Detach();
                return S_OK;
            }
        return kNotFound;
    }
    HRESULT Get_Count(LONG* n) override {
        *n = static_cast<LONG>(FQs.size());
        return S_OK;
    }
    HRESULT Add(const WideString&, const TVariant&, VARIANT_BOOL, VARIANT_BOOL, VARIANT_BOOL, LONG,
                ISWbemQualifier** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Remove(const WideString&, LONG) override { return E_NOTIMPL; }

private:
    std::vector<TFakeQualifier> FQs;
};

// Objects share their state with their properties, so Set_Value shows through.
using TObjectState = std::shared_ptr<TFakeObjectSpec>;

class TFakePropertyObj : public TFake<ISWbemProperty> {
public:
    TFakePropertyObj(TObjectState state, std::size_t index, TFakeWbem* world)
        : FState(std::move(state)), FIndex(index), FWorld(world) {}
    TFakeProperty& P() { return FState->Properties[FIndex]; }
    HRESULT Get_Value(TVariant* v) override {
        *v = P().Value;
        return S_OK;
    }
    HRESULT Set_Value(const TVariant& v) override {
        FWorld->SetValueCalls.emplace_back(P().Name, v);
        if (com::Failed(FWorld->SetValueResult)) return FWorld->SetValueResult;
        P().Value = v;
        return S_OK;
    }
    HRESULT Get_Name(WideString* s) override {
        *s = P().Name;
        return S_OK;
    }
    HRESULT Get_IsLocal(VARIANT_BOOL* b) override {
        *b = com::VARIANT_TRUE;
        return S_OK;
    }
    HRESULT Get_Origin(WideString* s) override {
        *s = FState->ClassName;
        return S_OK;
    }
    HRESULT Get_CIMType(WbemCimtypeEnum* t) override {
        *t = P().CimType;
        return S_OK;
    }
    HRESULT Get_Qualifiers_(ISWbemQualifierSet** out) override {
        *out = com::MakeCom<TFakeQualifierSet>(P().Qualifiers).Detach();
        return S_OK;
    }
    HRESULT Get_IsArray(VARIANT_BOOL* b) override {
        *b = P().IsArray ? com::VARIANT_TRUE : com::VARIANT_FALSE;
        return S_OK;
    }

private:
    TObjectState FState;
    std::size_t FIndex;
    TFakeWbem* FWorld;
};

class TFakePropertySet : public TFake<ISWbemPropertySet> {
public:
    TFakePropertySet(TObjectState state, TFakeWbem* world) : FState(std::move(state)), FWorld(world) {}
    HRESULT Get__NewEnum(IUnknown** out) override {
        std::vector<TVariant> values;
        for (std::size_t i = 0; i < FState->Properties.size(); ++i)
            values.push_back(AsDispatchVariant(com::MakeCom<TFakePropertyObj>(FState, i, FWorld)));
        auto e = com::MakeCom<TFakeEnum>(std::move(values), nullptr, false);
        return e->QueryInterface(IUnknown::iid, reinterpret_cast<void**>(out));
    }
    HRESULT Item(const WideString& name, LONG, ISWbemProperty** out) override {
        *out = nullptr;
        for (std::size_t i = 0; i < FState->Properties.size(); ++i)
            if (SameText(FState->Properties[i].Name, name)) {
                *out = com::MakeCom<TFakePropertyObj>(FState, i, FWorld).Detach();
                return S_OK;
            }
        return kNotFound;
    }
    HRESULT Get_Count(LONG* n) override {
        *n = static_cast<LONG>(FState->Properties.size());
        return S_OK;
    }
    HRESULT Add(const WideString&, WbemCimtypeEnum, VARIANT_BOOL, LONG, ISWbemProperty** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Remove(const WideString&, LONG) override { return E_NOTIMPL; }

private:
    TObjectState FState;
    TFakeWbem* FWorld;
};

class TFakePath : public TFake<ISWbemObjectPath> {
public:
    explicit TFakePath(TObjectState state) : FState(std::move(state)) {}
    HRESULT Get_Path(WideString* s) override {
        *s = FState->RelPath.empty() ? WideString() : u"\\\\FAKEHOST\\root\\cimv2:" + FState->RelPath;
        return S_OK;
    }
    HRESULT Set_Path(const WideString&) override { return E_NOTIMPL; }
    HRESULT Get_RelPath(WideString* s) override {
        *s = FState->RelPath;
        return S_OK;
    }
    HRESULT Set_RelPath(const WideString&) override { return E_NOTIMPL; }
    HRESULT Get_Server(WideString* s) override {
        *s = u"FAKEHOST";
        return S_OK;
    }
    HRESULT Set_Server(const WideString&) override { return E_NOTIMPL; }
    HRESULT Get_Namespace(WideString* s) override {
        *s = u"root\\cimv2";
        return S_OK;
    }
    HRESULT Set_Namespace(const WideString&) override { return E_NOTIMPL; }
    HRESULT Get_ParentNamespace(WideString* s) override {
        *s = u"root";
        return S_OK;
    }
    HRESULT Get_DisplayName(WideString* s) override { return Get_Path(s); }
    HRESULT Set_DisplayName(const WideString&) override { return E_NOTIMPL; }
    HRESULT Get_Class_(WideString* s) override {
        *s = FState->ClassName;
        return S_OK;
    }
    HRESULT Set_Class_(const WideString&) override { return E_NOTIMPL; }
    HRESULT Get_IsClass(VARIANT_BOOL* b) override {
        *b = com::VARIANT_FALSE;
        return S_OK;
    }
    HRESULT SetAsClass() override { return E_NOTIMPL; }
    HRESULT Get_IsSingleton(VARIANT_BOOL* b) override {
        *b = com::VARIANT_FALSE;
        return S_OK;
    }
    HRESULT SetAsSingleton() override { return E_NOTIMPL; }
    HRESULT Get_Keys(ISWbemNamedValueSet** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Get_Security_(ISWbemSecurity** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Get_Locale(WideString* s) override {
        s->clear();
        return S_OK;
    }
    HRESULT Set_Locale(const WideString&) override { return E_NOTIMPL; }
    HRESULT Get_Authority(WideString* s) override {
        s->clear();
        return S_OK;
    }
    HRESULT Set_Authority(const WideString&) override { return E_NOTIMPL; }

private:
    TObjectState FState;
};

WideString MofText(const TFakeObjectSpec& spec) {
    WideString text = u"\ninstance of " + spec.ClassName + u"\n{\n";
    for (const auto& p : spec.Properties) {
        if (p.Value.IsNull() || p.Value.IsEmpty()) continue;
        bool quote = p.Value.Type() == com::VT_BSTR;
        text += u"\t" + p.Name + u" = " + (quote ? u"\"" : u"") + com::VarToWideStr(p.Value) + (quote ? u"\"" : u"") +
                u";\n";
    }
    return text + u"};\n";
}

class TFakeObject : public TFake<ISWbemObject> {
public:
    TFakeObject(TFakeObjectSpec spec, TFakeWbem* world)
        : FState(std::make_shared<TFakeObjectSpec>(std::move(spec))), FWorld(world) {}

    HRESULT Put_(LONG, IDispatch*, ISWbemObjectPath** out) override {
        if (out) *out = nullptr;
        FWorld->PutCalls.push_back(FState->ClassName);
        if (com::Failed(FWorld->PutResult)) return FWorld->PutResult;
        if (!FState->RelPath.empty()) FWorld->Objects[FState->RelPath] = *FState;
        if (out) *out = com::MakeCom<TFakePath>(FState).Detach();
        return S_OK;
    }
    HRESULT PutAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
    HRESULT Delete_(LONG, IDispatch*) override {
        FWorld->DeleteCalls.push_back(FState->ClassName);
        if (com::Failed(FWorld->DeleteResult)) return FWorld->DeleteResult;
        FWorld->Objects.erase(FState->RelPath);
        return S_OK;
    }
    HRESULT DeleteAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
    HRESULT Instances_(LONG, IDispatch*, ISWbemObjectSet** out) override { return NoSet(out); }
    HRESULT InstancesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
    HRESULT Subclasses_(LONG, IDispatch*, ISWbemObjectSet** out) override { return NoSet(out); }
    HRESULT SubclassesAsync_(IDispatch*, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
    HRESULT Associators_(const WideString&, const WideString&, const WideString&, const WideString&, VARIANT_BOOL,
                         VARIANT_BOOL, const WideString&, const WideString&, LONG, IDispatch*,
                         ISWbemObjectSet** out) override {
        return NoSet(out);
    }
    HRESULT AssociatorsAsync_(IDispatch*, const WideString&, const WideString&, const WideString&, const WideString&,
                              VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&, LONG, IDispatch*,
                              IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT References_(const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&, LONG,
                        IDispatch*, ISWbemObjectSet** out) override {
        return NoSet(out);
    }
    HRESULT ReferencesAsync_(IDispatch*, const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                             const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ExecMethod_(const WideString&, IDispatch*, LONG, IDispatch*, ISWbemObject** out) override {
        if (out) *out = nullptr;
        return com::Hr(0x8004102E);
    }
    HRESULT ExecMethodAsync_(IDispatch*, const WideString&, IDispatch*, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT Clone_(ISWbemObject** out) override {
        *out = com::MakeCom<TFakeObject>(*FState, FWorld).Detach();
        return S_OK;
    }
    HRESULT GetObjectText_(LONG, WideString* s) override {
        *s = FState->ObjectText.empty() ? MofText(*FState) : FState->ObjectText;
        return S_OK;
    }
    HRESULT SpawnDerivedClass_(LONG, ISWbemObject** out) override { return NoObject(out); }
    HRESULT SpawnInstance_(LONG, ISWbemObject** out) override { return NoObject(out); }
    HRESULT CompareTo_(IDispatch*, LONG, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT Get_Qualifiers_(ISWbemQualifierSet** out) override {
        *out = com::MakeCom<TFakeQualifierSet>(std::vector<TFakeQualifier>{}).Detach();
        return S_OK;
    }
    HRESULT Get_Properties_(ISWbemPropertySet** out) override {
        *out = com::MakeCom<TFakePropertySet>(FState, FWorld).Detach();
        return S_OK;
    }
    HRESULT Get_Methods_(ISWbemMethodSet** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Get_Derivation_(TVariant* v) override {
        *v = TVariant::Array(com::VT_VARIANT, {});
        return S_OK;
    }
    HRESULT Get_Path_(ISWbemObjectPath** out) override {
        *out = com::MakeCom<TFakePath>(FState).Detach();
        return S_OK;
    }
    HRESULT Get_Security_(ISWbemSecurity** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }

private:
    static HRESULT NoSet(ISWbemObjectSet** out) {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    static HRESULT NoObject(ISWbemObject** out) {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    TObjectState FState;
    TFakeWbem* FWorld;
};

class TFakeObjectSet : public TFake<ISWbemObjectSet> {
public:
    TFakeObjectSet(std::vector<TFakeObjectSpec> rows, TFakeWbem* world) : FRows(std::move(rows)), FWorld(world) {}
    HRESULT Get__NewEnum(IUnknown** out) override {
        std::vector<TVariant> values;
        for (const auto& row : FRows) values.push_back(AsDispatchVariant(com::MakeCom<TFakeObject>(row, FWorld)));
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
        *l = FWorld->ImpersonationLevels.empty() ? wbemImpersonationLevelIdentify
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
        *out = com::MakeCom<TFakeObject>(it->second, FWorld).Detach();
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
                for (auto& p : proto.Properties) p.Value = TVariant::Null();
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
    HRESULT GetAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
    HRESULT Delete(const WideString&, LONG, IDispatch*) override { return E_NOTIMPL; }
    HRESULT DeleteAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override { return E_NOTIMPL; }
    HRESULT InstancesOf(const WideString&, LONG, IDispatch*, ISWbemObjectSet** out) override { return No(out); }
    HRESULT InstancesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT SubclassesOf(const WideString&, LONG, IDispatch*, ISWbemObjectSet** out) override { return No(out); }
    HRESULT SubclassesOfAsync(IDispatch*, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ExecQueryAsync(IDispatch*, const WideString&, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT AssociatorsOf(const WideString&, const WideString&, const WideString&, const WideString&,
                          const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&, LONG,
                          IDispatch*, ISWbemObjectSet** out) override {
        return No(out);
    }
    HRESULT AssociatorsOfAsync(IDispatch*, const WideString&, const WideString&, const WideString&,
                               const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                               const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ReferencesTo(const WideString&, const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL,
                         const WideString&, LONG, IDispatch*, ISWbemObjectSet** out) override {
        return No(out);
    }
    HRESULT ReferencesToAsync(IDispatch*, const WideString&, const WideString&, const WideString&, VARIANT_BOOL,
                              VARIANT_BOOL, const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT ExecNotificationQuery(const WideString&, const WideString&, LONG, IDispatch*, IDispatch** out) override {
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

TFakeProperty Prop(WideString name, WbemCimtypeEnum cimType, TVariant value, std::vector<WideString> qualifiers,
                   bool isArray) {
    TFakeProperty p{std::move(name), cimType, isArray, std::move(value), {}};
    for (auto& q : qualifiers) p.Qualifiers.push_back({std::move(q), TVariant(true)});
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

void TFakeWbem::AddObject(const WideString& path, TFakeObjectSpec object) { Objects[path] = std::move(object); }

const TFakeObjectSpec* TFakeWbem::StoredObject(const WideString& path) const {
    auto it = Objects.find(path);
    return it == Objects.end() ? nullptr : &it->second;
}

int TFakeWbem::LiveObjects() { return gLive.load(); }

} // namespace tarnwick::fakes
