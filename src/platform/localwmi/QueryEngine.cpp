#include "platform/localwmi/QueryEngine.h"

#include "platform/com/ErrorInfo.h"
#include "platform/localwmi/ObjectPath.h"
#include "platform/localwmi/WqlEval.h"

#include <exception>

namespace tarnwick::localwmi {

using com::HRESULT;
using com::S_OK;

bool CollectInstances(const TClassDef& cls, std::vector<TInstance>& out, WideString& failure) {
    try {
        for (const TClassDef* c : ClassAndSubclasses(cls))
            if (!c->Abstract && c->Provider) c->Provider(*c, out);
    } catch (const std::exception& e) {
        failure = FromUtf8(e.what());
        return false;
    }
    return true;
}

namespace {

bool Knows(const TClassDef* cls, WideStringView name) {
    return IsSystemPropertyName(name) || (cls && cls->IndexOf(name) >= 0);
}

bool Lookup(const TObjectData& data, WideStringView name, TVariant& value, wmi::WbemCimtypeEnum& type) {
    int index = data.Class->IndexOf(name);
    if (index >= 0) {
        value = data.Values[static_cast<std::size_t>(index)];
        type = data.Class->Properties[static_cast<std::size_t>(index)].CimType;
        return true;
    }
    type = wmi::wbemCimtypeString;
    return data.SystemProperty(name, value);
}

bool Matches(const TWqlQuery& query, const TObjectData& data) {
    if (!query.Where) return true;
    return EvaluateCondition(*query.Where,
                             [&](WideStringView name, TVariant& value, wmi::WbemCimtypeEnum& type) {
                                 return Lookup(data, name, value, type);
                             });
}

} // namespace

HRESULT ExecuteQuery(TNamespace ns, const WideString& server, WideStringView language, WideStringView text,
                     com::LONG flags, std::vector<std::shared_ptr<TObjectData>>& result) {
    result.clear();
    if (!SameText(language, u"WQL")) return WBEM_E_INVALID_QUERY_TYPE;
    TWqlQuery query;
    if (ParseWql(text, query) != S_OK) return WBEM_E_INVALID_QUERY;

    // meta_class: one class-shaped object per class; only system properties can be named.
    if (SameText(query.ClassName, u"meta_class")) {
        for (const auto& p : query.Properties)
            if (!IsSystemPropertyName(p)) return WBEM_E_INVALID_QUERY;
        if (query.Where &&
            ValidateCondition(*query.Where, [](WideStringView n) { return Knows(nullptr, n); }) != S_OK)
            return WBEM_E_INVALID_QUERY;
        for (const TClassDef* cls : ClassesOf(ns)) {
            auto data = TObjectData::FromClass(*cls, server);
            if (!query.AllProperties) data->Visible.clear();
            if (Matches(query, *data)) result.push_back(std::move(data));
        }
        return S_OK;
    }

    const TClassDef* cls = FindClass(ns, query.ClassName);
    if (!cls) return WBEM_E_INVALID_CLASS;
    for (const auto& p : query.Properties)
        if (!Knows(cls, p)) return WBEM_E_INVALID_QUERY;
    if (query.Where &&
        ValidateCondition(*query.Where, [&](WideStringView n) { return Knows(cls, n); }) != S_OK)
        return WBEM_E_INVALID_QUERY;

    if (flags & QueryFlagPrototype) {
        auto data = TObjectData::FromClass(*cls, server);
        if (!query.AllProperties) data->Project(query.Properties);
        result.push_back(std::move(data));
        return S_OK;
    }

    std::vector<TInstance> instances;
    WideString failure;
    if (!CollectInstances(*cls, instances, failure)) {
        com::SetErrorInfo(failure);
        return WBEM_E_FAILED;
    }
    result.reserve(instances.size());
    for (auto& instance : instances) {
        auto data = TObjectData::FromInstance(std::move(instance), server);
        if (!Matches(query, *data)) continue;
        if (!query.AllProperties) data->Project(query.Properties);
        result.push_back(std::move(data));
    }
    return S_OK;
}

namespace {

bool SameNamespace(TNamespace ns, const WideString& text) {
    if (text.empty()) return true;
    WideString n = ReplaceAll(text, u"/", u"\\");
    return ns == TNamespace::Root ? SameText(n, u"root") : SameText(n, u"root\\cimv2");
}

bool KeyMatches(const TObjectData& data, const TParsedPath& path) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < data.Class->Properties.size(); ++i) {
        const auto& def = data.Class->Properties[i];
        if (!def.Key) continue;
        const TParsedPath::TKey* key = nullptr;
        for (const auto& k : path.Keys)
            if (SameText(k.Name, def.Name) || (k.Name.empty() && path.Keys.size() == 1)) key = &k;
        if (!key) return false;
        ++used;
        WideString text = PathValueText(def, data.Values[i]);
        if (text.size() >= 2 && text.front() == u'"') text = text.substr(1, text.size() - 2);
        // PathValueText escaped the text; compare against the unescaped form.
        text = ReplaceAll(ReplaceAll(text, u"\\\"", u"\""), u"\\\\", u"\\");
        if (!SameText(text, key->Value)) return false;
    }
    return used == path.Keys.size();
}

} // namespace

HRESULT GetObjectByPath(TNamespace ns, const WideString& server, WideStringView text,
                        std::shared_ptr<TObjectData>& result) {
    result.reset();
    TParsedPath path;
    if (!ParseObjectPath(text, path)) return WBEM_E_INVALID_OBJECT_PATH;
    if (!SameNamespace(ns, path.Namespace)) return WBEM_E_INVALID_NAMESPACE;
    const TClassDef* cls = FindClass(ns, path.ClassName);
    if (!cls) return WBEM_E_NOT_FOUND;
    if (path.IsClass()) {
        result = TObjectData::FromClass(*cls, server);
        return S_OK;
    }
    std::vector<TInstance> instances;
    WideString failure;
    if (!CollectInstances(*cls, instances, failure)) {
        com::SetErrorInfo(failure);
        return WBEM_E_FAILED;
    }
    for (auto& instance : instances) {
        const TClassDef* own = instance.Class;
        if (path.Singleton != own->Singleton) continue;
        auto data = TObjectData::FromInstance(std::move(instance), server);
        if (path.Singleton || KeyMatches(*data, path)) {
            result = std::move(data);
            return S_OK;
        }
    }
    return WBEM_E_NOT_FOUND;
}

} // namespace tarnwick::localwmi
