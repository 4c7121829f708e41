#include "platform/localwmi/ObjectData.h"

namespace tarnwick::localwmi {

using namespace wmi;

namespace {

constexpr const char16_t* SystemNames[] = {u"__CLASS",      u"__RELPATH",       u"__PATH",       u"__SERVER",
                                           u"__NAMESPACE",  u"__GENUS",         u"__SUPERCLASS", u"__DYNASTY",
                                           u"__DERIVATION", u"__PROPERTY_COUNT"};

WideString Quote(WideStringView text) {
    WideString out = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') out.push_back(u'\\');
        out.push_back(c);
    }
    out.push_back(u'"');
    return out;
}

WideString ScalarText(WbemCimtypeEnum type, const TVariant& v, bool quoteText) {
    // A value set by the caller may be of another kind than the delivered one.
    if (v.Type() == com::VT_BSTR) return quoteText ? Quote(v.RawText()) : v.RawText();
    switch (type) {
    case wbemCimtypeUint32:
        return v.Type() == com::VT_I4 ? UIntToStr(static_cast<std::uint32_t>(v.RawInt())) : v.AsText();
    case wbemCimtypeBoolean:
        return v.AsBoolean() ? u"TRUE" : u"FALSE";
    case wbemCimtypeUint8:
    case wbemCimtypeSint8:
    case wbemCimtypeSint16:
    case wbemCimtypeUint16:
    case wbemCimtypeSint32:
    case wbemCimtypeChar16:
        return IntToStr(v.AsInt64());
    case wbemCimtypeReal32:
    case wbemCimtypeReal64:
        return FloatToStr(v.AsDouble());
    default:
        return quoteText ? Quote(v.AsText()) : v.AsText();
    }
}

} // namespace

bool IsSystemPropertyName(WideStringView name) {
    for (const char16_t* n : SystemNames)
        if (SameText(n, name)) return true;
    return false;
}

WideString PathValueText(const TPropertyDef& def, const TVariant& value) {
    if (value.IsNull() || value.IsEmpty()) return u"\"\"";
    return ScalarText(def.CimType, value, true);
}

WideString MofValueText(const TPropertyDef& def, const TVariant& value) {
    if (!value.IsArray()) return ScalarText(def.CimType, value, true);
    WideString out = u"{";
    for (std::size_t i = 0; i < value.Elements().size(); ++i) {
        if (i) out += u", ";
        out += ScalarText(def.CimType, value.Elements()[i], true);
    }
    return out + u"}";
}

std::shared_ptr<TObjectData> TObjectData::FromInstance(TInstance instance, WideString server) {
    auto data = std::make_shared<TObjectData>();
    data->Class = instance.Class;
    data->Values = std::move(instance.Values);
    data->Server = std::move(server);
    for (std::size_t i = 0; i < data->Values.size(); ++i)
        data->Visible.push_back(static_cast<int>(i));
    return data;
}

std::shared_ptr<TObjectData> TObjectData::FromClass(const TClassDef& cls, WideString server) {
    auto data = std::make_shared<TObjectData>();
    data->Class = &cls;
    data->IsClass = true;
    data->Values.assign(cls.Properties.size(), TVariant::Null());
    data->Server = std::move(server);
    for (std::size_t i = 0; i < data->Values.size(); ++i)
        data->Visible.push_back(static_cast<int>(i));
    return data;
}

void TObjectData::Project(const std::vector<WideString>& names) {
    std::vector<int> visible;
    for (std::size_t i = 0; i < Class->Properties.size(); ++i)
        for (const auto& n : names)
            if (SameText(n, Class->Properties[i].Name)) {
                visible.push_back(static_cast<int>(i));
                break;
            }
    Visible = std::move(visible);
}

WideString TObjectData::NamespacePath() const {
    return Class->Namespace == TNamespace::Root ? u"root" : u"root\\cimv2";
}

WideString TObjectData::RelPath() const {
    if (IsClass) return Class->Name;
    if (Class->Singleton) return Class->Name + u"=@";
    WideString keys;
    for (std::size_t i = 0; i < Class->Properties.size(); ++i) {
        const auto& def = Class->Properties[i];
        if (!def.Key) continue;
        keys += keys.empty() ? u"." : u",";
        keys += def.Name + u"=" + PathValueText(def, Values[i]);
    }
    return Class->Name + keys;
}

WideString TObjectData::Path() const {
    return u"\\\\" + Server + u"\\" + NamespacePath() + u":" + RelPath();
}

bool TObjectData::SystemProperty(WideStringView name, TVariant& value) const {
    if (SameText(name, u"__CLASS"))
        value = TVariant(Class->Name);
    else if (SameText(name, u"__RELPATH"))
        value = TVariant(RelPath());
    else if (SameText(name, u"__PATH"))
        value = TVariant(Path());
    else if (SameText(name, u"__SERVER"))
        value = TVariant(Server);
    else if (SameText(name, u"__NAMESPACE"))
        value = TVariant(NamespacePath());
    else if (SameText(name, u"__GENUS"))
        value = TVariant(std::int32_t(IsClass ? 1 : 2));
    else if (SameText(name, u"__SUPERCLASS"))
        value = Class->SuperClass.empty() ? TVariant::Null() : TVariant(Class->SuperClass);
    else if (SameText(name, u"__DYNASTY"))
        value = TVariant(Class->Derivation.empty() ? Class->Name : Class->Derivation.back());
    else if (SameText(name, u"__DERIVATION")) {
        std::vector<TVariant> items;
        for (const auto& d : Class->Derivation)
            items.emplace_back(d);
        value = TVariant::Array(com::VT_VARIANT, std::move(items));
    } else if (SameText(name, u"__PROPERTY_COUNT"))
        value = TVariant(static_cast<std::int32_t>(Visible.size()));
    else
        return false;
    return true;
}

WideString TObjectData::ObjectText() const {
    WideString text;
    if (IsClass) {
        text = u"\nclass " + Class->Name;
        if (!Class->SuperClass.empty()) text += u" : " + Class->SuperClass;
        text += u"\n{\n";
        for (int i : Visible) {
            const auto& def = Class->Properties[static_cast<std::size_t>(i)];
            text += u"\t";
            if (def.Key) text += u"[key] ";
            text +=
                WideString(CimTypeName(def.CimType)) + u" " + def.Name + (def.IsArray ? u"[]" : u"") + u";\n";
        }
        return text + u"};\n";
    }
    text = u"\ninstance of " + Class->Name + u"\n{\n";
    for (int i : Visible) {
        const auto& def = Class->Properties[static_cast<std::size_t>(i)];
        const TVariant& v = Values[static_cast<std::size_t>(i)];
        if (v.IsNull() || v.IsEmpty()) continue;
        text += u"\t" + def.Name + u" = " + MofValueText(def, v) + u";\n";
    }
    return text + u"};\n";
}

} // namespace tarnwick::localwmi
