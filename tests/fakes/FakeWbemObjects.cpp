#include "fakes/FakeWbemInternal.h"

// The fake objects: their properties, qualifiers and paths.

namespace tarnwick::fakes::detail {
namespace {

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
        for (const auto& q : FQs)
            values.push_back(AsDispatchVariant(com::MakeCom<TFakeQualifierObj>(q)));
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
        text += u"\t" + p.Name + u" = " + (quote ? u"\"" : u"") + com::VarToWideStr(p.Value) +
                (quote ? u"\"" : u"") + u";\n";
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
    HRESULT Associators_(const WideString&, const WideString&, const WideString&, const WideString&,
                         VARIANT_BOOL, VARIANT_BOOL, const WideString&, const WideString&, LONG, IDispatch*,
                         ISWbemObjectSet** out) override {
        return NoSet(out);
    }
    HRESULT AssociatorsAsync_(IDispatch*, const WideString&, const WideString&, const WideString&,
                              const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                              const WideString&, LONG, IDispatch*, IDispatch*) override {
        return E_NOTIMPL;
    }
    HRESULT References_(const WideString&, const WideString&, VARIANT_BOOL, VARIANT_BOOL, const WideString&,
                        LONG, IDispatch*, ISWbemObjectSet** out) override {
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
    HRESULT ExecMethodAsync_(IDispatch*, const WideString&, IDispatch*, LONG, IDispatch*,
                             IDispatch*) override {
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

} // namespace

TComPtr<ISWbemObject> MakeFakeObject(const TFakeObjectSpec& spec, TFakeWbem* world) {
    return TComPtr<ISWbemObject>(com::MakeCom<TFakeObject>(spec, world));
}

} // namespace tarnwick::fakes::detail
