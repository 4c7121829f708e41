#include "wmi/WmiUtil.h"

#include "errors/WmiErr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/time/TimeZone.h"
#include "wmi/InitComSecurity.h"
#include "wmi/NTStringTokenizer.h"

#include <cstdio>

namespace tarnwick::wmi {

using errors::WmiCheck;

namespace {

TComPtr<ISWbemLocator> CreateLocator() {
    TComPtr<ISWbemLocator> locator;
    WmiCheck(com::CoCreateInstance(CLSID_SWbemLocator, com::CLSCTX_ALL, locator));
    return locator;
}

void SetImpersonate(ISWbemServices* services) {
    TComPtr<ISWbemSecurity> security;
    WmiCheck(services->Get_Security_(security.Put()));
    WmiCheck(security->Set_ImpersonationLevel(wbemImpersonationLevelImpersonate));
}

} // namespace

TComPtr<ISWbemServices> WmiConnect(const WideString& MachineName, const WideString& NameSpace,
                                   const WideString& UserName, const WideString& Password,
                                   const WideString& Locale, const WideString& Authority,
                                   ISWbemNamedValueSet* context) {
    EnsureComInitialized();
    TComPtr<ISWbemLocator> locator = CreateLocator();
    TComPtr<ISWbemServices> services;
    WmiCheck(locator->ConnectServer(MachineName, NameSpace, UserName, Password, Locale, Authority,
                                    wbemConnectFlagUseMaxWait, context, services.Put()));
    SetImpersonate(services.Get());
    return services;
}

TComPtr<ISWbemServices> WmiConnectLocal() {
    EnsureComInitialized();
    TComPtr<ISWbemLocator> locator = CreateLocator();
    TComPtr<ISWbemServices> services;
    if (locator->ConnectServer(WideString(), u"root\\cimv2", WideString(), WideString(), WideString(),
                               WideString(), wbemConnectFlagUseMaxWait, nullptr, services.Put()) != com::S_OK)
        return nullptr;
    SetImpersonate(services.Get());
    return services;
}

TComPtr<ISWbemObject> WmiGetQueryPrototype(const WideString& query) {
    TComPtr<ISWbemServices> services = WmiConnectLocal();
    if (!services) return nullptr;
    TComPtr<ISWbemObjectSet> objectSet;
    WmiCheck(services->ExecQuery(query, u"WQL", wbemFlagReturnImmediately | wbemQueryFlagPrototype, nullptr,
                                 objectSet.Put()));
    TComPtr<IUnknown> unknown;
    WmiCheck(objectSet->Get__NewEnum(unknown.Put()));
    TComPtr<IEnumVARIANT> enumerator;
    WmiCheck(unknown.As(enumerator));
    TVariant value;
    com::ULONG fetched = 0;
    WmiCheck(enumerator->Next(1, &value, &fetched));
    if (fetched != 1 || !value.Unknown()) return nullptr;
    TComPtr<IUnknown> item(value.Unknown());
    return item.As<ISWbemObject>();
}

TComPtr<IEnumVARIANT> WmiExecQueryEnum(ISWbemServices* services, const WideString& query) {
    TComPtr<ISWbemObjectSet> objectSet;
    WmiCheck(services->ExecQuery(query, u"WQL", wbemFlagReturnImmediately, nullptr, objectSet.Put()));
    TComPtr<IUnknown> unknown;
    WmiCheck(objectSet->Get__NewEnum(unknown.Put()));
    TComPtr<IEnumVARIANT> enumerator;
    WmiCheck(unknown.As(enumerator));
    return enumerator;
}

TComPtr<ISWbemProperty> WmiGetProperty(ISWbemObject* object, const WideString& name) {
    TComPtr<ISWbemPropertySet> properties;
    WmiCheck(object->Get_Properties_(properties.Put()));
    TComPtr<ISWbemProperty> property;
    WmiCheck(properties->Item(name, 0, property.Put()));
    return property;
}

void WmiSetPropertyValue(ISWbemObject* object, const WideString& name, const TVariant& value) {
    WmiCheck(WmiGetProperty(object, name)->Set_Value(value));
}

TVariant WmiGetPropertyValue(ISWbemPropertySet* properties, const WideString& name) {
    TComPtr<ISWbemProperty> property;
    WmiCheck(properties->Item(name, 0, property.Put()));
    TVariant value;
    WmiCheck(property->Get_Value(&value));
    WbemCimtypeEnum cimType = wbemCimtypeString;
    (void)property->Get_CIMType(&cimType);
    if (cimType == wbemCimtypeUint32) {
        if (value.Type() == com::VT_UI4) return value;
        return TVariant(static_cast<std::uint32_t>(value.AsInteger()));
    }
    if (cimType == wbemCimtypeUint64) {
        if (value.Type() == com::VT_UI8) return value;
        WideString text = value.AsText();
        std::uint64_t number = 0;
        if (!TryStrToUInt64(text, number))
            throw TConversionError(u"'" + text + u"' is not a valid unsigned 64-bit integer value");
        return TVariant(number);
    }
    return value;
}

WideString WmiGetPropertyText(ISWbemPropertySet* properties, const WideString& name) {
    return com::VarToWideStr(WmiGetPropertyValue(properties, name));
}

WideString DateTimeToDmtf(std::int32_t offsetMinutes, TDateTime value) {
    TDateTimeParts p = DecodeDateTime(value);
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%4.4u%2.2u%2.2u%2.2u%2.2u%2.2u.%3.3d000", unsigned(p.Year),
                          unsigned(p.Month), unsigned(p.Day), unsigned(p.Hour), unsigned(p.Minute),
                          unsigned(p.Second), p.Millisecond);
    std::snprintf(buf + n, sizeof buf - std::size_t(n), offsetMinutes < 0 ? "%3.3d" : "+%3.3d",
                  int(offsetMinutes));
    return FromUtf8(buf);
}

WideString DateTimeToDmtfLocal(TDateTime value) {
    std::int32_t bias = 0;
    std::int32_t offset = timezone::TryGetBaseBias(bias) ? -bias : 0;
    return DateTimeToDmtf(offset, value);
}

TDateTime DmtfToDateTimeEx(const WideString& text, std::int32_t& offsetMinutes) {
    offsetMinutes = 0;
    WideString dmtf = ReplaceAll(text, u"*", u"0");
    if (dmtf.empty()) return 0;
    auto fail = [&]() -> TDateTime { throw errors::TWmiException(u"Invaid date format: " + dmtf); };
    // A piece at 1-based position `pos` of `len` characters; false when absent or no integer.
    auto piece = [&](std::size_t pos, std::size_t len, std::int64_t& out) {
        if (pos - 1 >= dmtf.size()) return false;
        return TryStrToInt64(WideStringView(dmtf).substr(pos - 1, len), out);
    };
    std::int64_t year, month, day, hour, minute, second, micro, offset;
    if (!piece(1, 4, year) || !piece(5, 2, month) || !piece(7, 2, day) || !piece(9, 2, hour) ||
        !piece(11, 2, minute) || !piece(13, 2, second) || !piece(16, 6, micro) || micro < 0)
        return fail();
    if (!piece(22, 4, offset)) offset = 0;
    if (year == 0 || month == 0 || day == 0) {
        TDateTimeParts today = DecodeDateTime(Date());
        if (year == 0) year = today.Year;
        if (month == 0) month = today.Month;
        if (day == 0) day = today.Day;
    }
    auto fits = [](std::int64_t v) { return v >= 0 && v <= 9999; };
    if (!fits(year) || !fits(month) || !fits(day) || !fits(hour) || !fits(minute) || !fits(second))
        return fail();
    TDateTimeParts parts{int(year),   int(month),  int(day),         int(hour),
                         int(minute), int(second), int(micro / 1000)};
    TDateTime result;
    if (!TryEncodeDateTime(parts, result)) return fail();
    offsetMinutes = static_cast<std::int32_t>(offset);
    return result;
}

TDateTime DmtfToDateTime(const WideString& text) {
    std::int32_t offset;
    return DmtfToDateTimeEx(text, offset);
}

std::int64_t WmiStrToInt64(const WideString& text) {
    if (text.empty()) return 0;
    std::int64_t value;
    if (!TryStrToInt64(text, value)) throw TConversionError(u"'" + text + u"' is not a valid integer value");
    return value;
}

TVariant WmiTextToArray(const WideString& text) {
    TNTStringTokenizer tokenizer(text, u",{} ");
    std::vector<TVariant> tokens;
    while (!tokenizer.EndOfString()) {
        WideString token = tokenizer.NextToken();
        if (!token.empty()) tokens.emplace_back(std::move(token));
    }
    if (tokens.empty()) return TVariant::Null();
    return TVariant::Array(com::VT_VARIANT, std::move(tokens));
}

WideString WmiValueToText(const TVariant& value) {
    if (value.IsInterface()) {
        TComPtr<IUnknown> unknown(value.Unknown());
        TComPtr<ISWbemObject> object = unknown.As<ISWbemObject>();
        if (!object) return value.Type() == com::VT_DISPATCH ? u"IDispatch" : u"IUnknown";
        WideString text;
        WmiCheck(object->GetObjectText_(0, &text));
        return text;
    }
    if (value.IsArray()) {
        WideString text = u"{";
        for (std::int32_t i = value.LowBound(); i <= value.HighBound(); ++i) {
            if (i > value.LowBound()) text += u", ";
            text += WmiValueToText(value.Element(i));
        }
        return text + u"}";
    }
    if (value.IsNull() || value.IsEmpty()) return WideString();
    return value.AsText();
}

WideString GetWbemScriptingVersion() {
    try {
        TComPtr<ISWbemLocator> locator;
        if (com::CoCreateInstance(CLSID_SWbemLocator, com::CLSCTX_ALL, locator) != com::S_OK || !locator)
            return {};
        TComPtr<com::ITypeInfo> typeInfo;
        if (locator->GetTypeInfo(0, 0, typeInfo.Put()) != com::S_OK || !typeInfo) return {};
        TComPtr<com::ITypeLib> typeLib;
        com::UINT index = 0;
        if (typeInfo->GetContainingTypeLib(typeLib.Put(), &index) != com::S_OK || !typeLib) return {};
        com::TLIBATTR* attr = nullptr;
        if (typeLib->GetLibAttr(&attr) != com::S_OK || !attr) return {};
        WideString version = IntToStr(attr->wMajorVerNum) + u"." + IntToStr(attr->wMinorVerNum);
        typeLib->ReleaseTLibAttr(attr);
        return version;
    } catch (...) {
        return {};
    }
}

} // namespace tarnwick::wmi
