#include "platform/localwmi/ObjectPath.h"

#include "platform/localwmi/LocalObjects.h"

namespace tarnwick::localwmi {

using com::S_OK;

bool ParseObjectPath(WideStringView text, TParsedPath& path) {
    path = TParsedPath();
    WideStringView rest = text;
    if (rest.size() >= 2 && (rest[0] == u'\\' || rest[0] == u'/') && (rest[1] == u'\\' || rest[1] == u'/')) {
        rest.remove_prefix(2);
        std::size_t slash = rest.find_first_of(u"\\/");
        if (slash == WideStringView::npos || slash == 0) return false;
        path.Server = WideString(rest.substr(0, slash));
        rest.remove_prefix(slash + 1);
        std::size_t colon = rest.find(u':');
        if (colon == WideStringView::npos) return false;
        path.Namespace = WideString(rest.substr(0, colon));
        rest.remove_prefix(colon + 1);
    } else {
        std::size_t colon = rest.find(u':');
        if (colon != WideStringView::npos) {
            path.Namespace = WideString(rest.substr(0, colon));
            rest.remove_prefix(colon + 1);
        }
    }
    std::size_t i = 0;
    while (i < rest.size() && (rest[i] == u'_' || (rest[i] >= u'0' && rest[i] <= u'9') ||
                               (AsciiLower(rest[i]) >= u'a' && AsciiLower(rest[i]) <= u'z')))
        ++i;
    if (i == 0) return false;
    path.ClassName = WideString(rest.substr(0, i));
    rest.remove_prefix(i);
    if (rest.empty()) return true;
    if (rest == u"=@") {
        path.Singleton = true;
        return true;
    }
    bool named = rest[0] == u'.';
    if (!named && rest[0] != u'=') return false;
    rest.remove_prefix(1);
    while (true) {
        TParsedPath::TKey key;
        if (named) {
            std::size_t eq = rest.find(u'=');
            if (eq == WideStringView::npos || eq == 0) return false;
            key.Name = WideString(Trim(rest.substr(0, eq)));
            rest.remove_prefix(eq + 1);
        }
        if (!rest.empty() && (rest[0] == u'"' || rest[0] == u'\'')) {
            char16_t quote = rest[0];
            std::size_t j = 1;
            bool closed = false;
            for (; j < rest.size(); ++j) {
                if (rest[j] == u'\\' && j + 1 < rest.size()) {
                    key.Value.push_back(rest[++j]);
                } else if (rest[j] == quote) {
                    closed = true;
                    break;
                } else {
                    key.Value.push_back(rest[j]);
                }
            }
            if (!closed) return false;
            rest.remove_prefix(j + 1);
        } else {
            std::size_t end = rest.find(u',');
            key.Value = WideString(Trim(rest.substr(0, end)));
            if (key.Value.empty()) return false;
            rest.remove_prefix(end == WideStringView::npos ? rest.size() : end);
        }
        path.Keys.push_back(std::move(key));
        if (rest.empty()) return true;
        if (rest[0] != u',' || !named) return false;
        rest.remove_prefix(1);
    }
}

namespace {

class TLocalObjectPath : public TDispatchObject<ISWbemObjectPath> {
public:
    TLocalObjectPath(const TObjectData& data)
        : FServer(data.Server), FNamespace(data.NamespacePath()), FClass(data.Class->Name),
          FRelPath(data.RelPath()), FIsClass(data.IsClass),
          FIsSingleton(data.Class->Singleton && !data.IsClass) {
        if (data.IsClass) return;
        for (std::size_t i = 0; i < data.Class->Properties.size(); ++i)
            if (data.Class->Properties[i].Key)
                FKeys.push_back({data.Class->Properties[i].Name, data.Values[i]});
    }

    HRESULT Get_Path(WideString* s) override {
        return Text(s, FRelPath.empty() ? WideString()
                                        : u"\\\\" + FServer + u"\\" + FNamespace + u":" + FRelPath);
    }
    HRESULT Set_Path(const WideString& s) override {
        TParsedPath parsed;
        if (!ParseObjectPath(s, parsed)) return WBEM_E_INVALID_OBJECT_PATH;
        if (!parsed.Server.empty()) FServer = parsed.Server;
        if (!parsed.Namespace.empty()) FNamespace = parsed.Namespace;
        FClass = parsed.ClassName;
        std::size_t colon = s.rfind(u':');
        FRelPath = colon == WideString::npos ? s : s.substr(colon + 1);
        FIsClass = parsed.IsClass();
        FIsSingleton = parsed.Singleton;
        FKeys.clear();
        for (const auto& k : parsed.Keys)
            FKeys.push_back({k.Name, TVariant(k.Value)});
        return S_OK;
    }
    HRESULT Get_RelPath(WideString* s) override { return Text(s, FRelPath); }
    HRESULT Set_RelPath(const WideString& s) override {
        TParsedPath parsed;
        if (!ParseObjectPath(s, parsed)) return WBEM_E_INVALID_OBJECT_PATH;
        FRelPath = s;
        FClass = parsed.ClassName;
        return S_OK;
    }
    HRESULT Get_Server(WideString* s) override { return Text(s, FServer); }
    HRESULT Set_Server(const WideString& s) override { return Store(FServer, s); }
    HRESULT Get_Namespace(WideString* s) override { return Text(s, FNamespace); }
    HRESULT Set_Namespace(const WideString& s) override { return Store(FNamespace, s); }
    HRESULT Get_ParentNamespace(WideString* s) override {
        std::size_t slash = FNamespace.rfind(u'\\');
        return Text(s, slash == WideString::npos ? WideString() : FNamespace.substr(0, slash));
    }
    HRESULT Get_DisplayName(WideString* s) override {
        WideString path;
        Get_Path(&path);
        return Text(s, u"WINMGMTS:{authenticationLevel=pktPrivacy,impersonationLevel=impersonate}!" + path);
    }
    HRESULT Set_DisplayName(const WideString&) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT Get_Class_(WideString* s) override { return Text(s, FClass); }
    HRESULT Set_Class_(const WideString& s) override { return Store(FClass, s); }
    HRESULT Get_IsClass(VARIANT_BOOL* b) override { return Flag(b, FIsClass); }
    HRESULT SetAsClass() override {
        FIsClass = true;
        FKeys.clear();
        FRelPath = FClass;
        return S_OK;
    }
    HRESULT Get_IsSingleton(VARIANT_BOOL* b) override { return Flag(b, FIsSingleton); }
    HRESULT SetAsSingleton() override {
        FIsSingleton = true;
        FKeys.clear();
        FRelPath = FClass + u"=@";
        return S_OK;
    }
    HRESULT Get_Keys(ISWbemNamedValueSet** result) override {
        if (!result) return com::E_POINTER;
        *result = nullptr;
        TComPtr<ISWbemNamedValueSet> set;
        HRESULT hr = NewNamedValueSet(set.Put());
        if (hr < 0) return hr;
        for (const auto& k : FKeys) {
            TComPtr<ISWbemNamedValue> added;
            set->Add(k.first, k.second, 0, added.Put());
        }
        *result = set.Detach();
        return S_OK;
    }
    HRESULT Get_Security_(ISWbemSecurity** result) override { return NewSecurity(result); }
    HRESULT Get_Locale(WideString* s) override { return Text(s, FLocale); }
    HRESULT Set_Locale(const WideString& s) override { return Store(FLocale, s); }
    HRESULT Get_Authority(WideString* s) override { return Text(s, FAuthority); }
    HRESULT Set_Authority(const WideString& s) override { return Store(FAuthority, s); }

private:
    static HRESULT Text(WideString* out, const WideString& value) {
        if (!out) return com::E_POINTER;
        *out = value;
        return S_OK;
    }
    static HRESULT Store(WideString& field, const WideString& value) {
        field = value;
        return S_OK;
    }
    static HRESULT Flag(VARIANT_BOOL* b, bool value) {
        if (!b) return com::E_POINTER;
        *b = value ? com::VARIANT_TRUE : com::VARIANT_FALSE;
        return S_OK;
    }

    WideString FServer, FNamespace, FClass, FRelPath, FLocale, FAuthority;
    bool FIsClass, FIsSingleton;
    std::vector<std::pair<WideString, TVariant>> FKeys;
};

} // namespace

com::TComPtr<wmi::ISWbemObjectPath> NewObjectPath(const TObjectData& data) {
    return com::TComPtr<wmi::ISWbemObjectPath>(com::MakeCom<TLocalObjectPath>(data));
}

} // namespace tarnwick::localwmi
