#include "platform/localwmi/LocalObjects.h"

namespace tarnwick::localwmi {

using com::S_OK;

namespace {

struct TNamedEntry {
    WideString Name;
    TVariant Value;
};

class TLocalNamedValue : public TDispatchObject<ISWbemNamedValue> {
public:
    explicit TLocalNamedValue(std::shared_ptr<TNamedEntry> entry) : FEntry(std::move(entry)) {}
    HRESULT Get_Value(TVariant* varValue) override {
        if (!varValue) return com::E_POINTER;
        *varValue = FEntry->Value;
        return S_OK;
    }
    HRESULT Set_Value(const TVariant& varValue) override {
        FEntry->Value = varValue;
        return S_OK;
    }
    HRESULT Get_Name(WideString* strName) override {
        if (!strName) return com::E_POINTER;
        *strName = FEntry->Name;
        return S_OK;
    }

private:
    std::shared_ptr<TNamedEntry> FEntry;
};

class TLocalNamedValueSet : public TDispatchObject<ISWbemNamedValueSet> {
public:
    HRESULT Get__NewEnum(com::IUnknown** pUnk) override {
        if (pUnk) *pUnk = nullptr;
        std::vector<TVariant> values;
        for (const auto& e : FEntries) {
            auto item = com::MakeCom<TLocalNamedValue>(e);
            values.push_back(TVariant::FromDispatch(item.Get()));
        }
        return NewVariantEnum(std::move(values), pUnk);
    }
    HRESULT Item(const WideString& strName, LONG, ISWbemNamedValue** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        auto it = Find(strName);
        if (it == FEntries.end()) return WBEM_E_NOT_FOUND;
        *result = com::MakeCom<TLocalNamedValue>(*it).Detach();
        return S_OK;
    }
    HRESULT Get_Count(LONG* iCount) override {
        if (!iCount) return com::E_POINTER;
        *iCount = static_cast<LONG>(FEntries.size());
        return S_OK;
    }
    HRESULT Add(const WideString& strName, const TVariant& varValue, LONG,
                ISWbemNamedValue** result) override {
        if (result) *result = nullptr;
        if (strName.empty()) return WBEM_E_INVALID_PARAMETER;
        auto it = Find(strName);
        std::shared_ptr<TNamedEntry> entry;
        if (it != FEntries.end()) {
            entry = *it;
            entry->Value = varValue;
        } else {
            entry = std::make_shared<TNamedEntry>(TNamedEntry{strName, varValue});
            FEntries.push_back(entry);
        }
        if (result) *result = com::MakeCom<TLocalNamedValue>(entry).Detach();
        return S_OK;
    }
    HRESULT Remove(const WideString& strName, LONG) override {
        auto it = Find(strName);
        if (it == FEntries.end()) return WBEM_E_NOT_FOUND;
        FEntries.erase(it);
        return S_OK;
    }
    HRESULT Clone(ISWbemNamedValueSet** result) override {
        if (!result) return com::E_POINTER;
        auto copy = com::MakeCom<TLocalNamedValueSet>();
        for (const auto& e : FEntries)
            copy->FEntries.push_back(std::make_shared<TNamedEntry>(*e));
        *result = copy.Detach();
        return S_OK;
    }
    HRESULT DeleteAll() override {
        FEntries.clear();
        return S_OK;
    }

private:
    std::vector<std::shared_ptr<TNamedEntry>>::iterator Find(const WideString& name) {
        for (auto it = FEntries.begin(); it != FEntries.end(); ++it)
            if (SameText((*it)->Name, name)) return it;
        return FEntries.end();
    }
    std::vector<std::shared_ptr<TNamedEntry>> FEntries;
};

} // namespace

HRESULT NewNamedValueSet(ISWbemNamedValueSet** result) {
    if (!result) return com::E_POINTER;
    *result = com::MakeCom<TLocalNamedValueSet>().Detach();
    return S_OK;
}

} // namespace tarnwick::localwmi
