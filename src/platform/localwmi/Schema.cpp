#include "platform/localwmi/Schema.h"

#include "platform/localwmi/ClassTable.h"

#include <stdexcept>

namespace tarnwick::localwmi {

using namespace wmi;

int TClassDef::IndexOf(WideStringView name) const {
    for (std::size_t i = 0; i < Properties.size(); ++i)
        if (SameText(Properties[i].Name, name)) return static_cast<int>(i);
    return -1;
}

bool TClassDef::HasKeys() const {
    for (const auto& p : Properties)
        if (p.Key) return true;
    return false;
}

const TClassDef* FindClass(TNamespace ns, WideStringView name) {
    for (const auto& cls : ClassTable())
        if (cls->Namespace == ns && SameText(cls->Name, name)) return cls.get();
    return nullptr;
}

std::vector<const TClassDef*> ClassesOf(TNamespace ns) {
    std::vector<const TClassDef*> result;
    for (const auto& cls : ClassTable())
        if (cls->Namespace == ns) result.push_back(cls.get());
    return result;
}

std::vector<const TClassDef*> ClassAndSubclasses(const TClassDef& cls) {
    std::vector<const TClassDef*> result{&cls};
    for (const auto& other : ClassTable()) {
        if (other.get() == &cls || other->Namespace != cls.Namespace) continue;
        for (const auto& base : other->Derivation)
            if (SameText(base, cls.Name)) {
                result.push_back(other.get());
                break;
            }
    }
    return result;
}

namespace {

struct TTypeName {
    const char16_t* Name;
    WbemCimtypeEnum Type;
};

constexpr TTypeName TypeNames[] = {
    {u"sint8", wbemCimtypeSint8},       {u"uint8", wbemCimtypeUint8},     {u"sint16", wbemCimtypeSint16},
    {u"uint16", wbemCimtypeUint16},     {u"sint32", wbemCimtypeSint32},   {u"uint32", wbemCimtypeUint32},
    {u"sint64", wbemCimtypeSint64},     {u"uint64", wbemCimtypeUint64},   {u"real32", wbemCimtypeReal32},
    {u"real64", wbemCimtypeReal64},     {u"boolean", wbemCimtypeBoolean}, {u"string", wbemCimtypeString},
    {u"datetime", wbemCimtypeDatetime}, {u"ref", wbemCimtypeReference},   {u"char16", wbemCimtypeChar16},
    {u"object", wbemCimtypeObject},
};

WideStringView Strip(WideStringView s) {
    while (!s.empty() && s.front() <= u' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() <= u' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

const char16_t* CimTypeName(WbemCimtypeEnum type) {
    for (const auto& t : TypeNames)
        if (t.Type == type) return t.Name;
    return u"unknown";
}

std::vector<TPropertyDef> ParseProperties(WideStringView spec) {
    std::vector<TPropertyDef> result;
    while (!spec.empty()) {
        std::size_t end = spec.find(u';');
        WideStringView entry = Strip(spec.substr(0, end));
        spec = end == WideStringView::npos ? WideStringView() : spec.substr(end + 1);
        if (entry.empty()) continue;
        std::vector<WideStringView> parts;
        while (true) {
            std::size_t colon = entry.find(u':');
            parts.push_back(Strip(entry.substr(0, colon)));
            if (colon == WideStringView::npos) break;
            entry.remove_prefix(colon + 1);
        }
        if (parts.size() < 2) throw std::logic_error("property entry without a type: " + ToUtf8(parts[0]));
        TPropertyDef def;
        def.Name = WideString(parts[0]);
        WideStringView type = parts[1];
        if (type.size() > 2 && type.substr(type.size() - 2) == u"[]") {
            def.IsArray = true;
            type.remove_suffix(2);
        }
        bool known = false;
        for (const auto& t : TypeNames)
            if (type == t.Name) {
                def.CimType = t.Type;
                known = true;
            }
        if (!known) throw std::logic_error("unknown CIM type in " + ToUtf8(def.Name));
        for (std::size_t i = 2; i < parts.size(); ++i) {
            if (parts[i] == u"key")
                def.Key = true;
            else if (parts[i] == u"write")
                def.Writable = true;
            else
                throw std::logic_error("unknown flag in " + ToUtf8(def.Name));
        }
        result.push_back(std::move(def));
    }
    return result;
}

} // namespace tarnwick::localwmi
