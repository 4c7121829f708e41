#include "platform/localwmi/LocalValues.h"

#include <cstdio>
#include <stdexcept>

namespace tarnwick::localwmi {

using namespace wmi;

TVariant DeliverInteger(WbemCimtypeEnum type, std::int64_t value) {
    switch (type) {
    case wbemCimtypeSint8:
    case wbemCimtypeSint16:
    case wbemCimtypeChar16:
        return TVariant::FromI2(static_cast<std::int16_t>(value));
    case wbemCimtypeUint8:
        return TVariant::FromUI1(static_cast<std::uint8_t>(value));
    case wbemCimtypeUint16:
    case wbemCimtypeSint32:
    case wbemCimtypeUint32:
        return TVariant(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    case wbemCimtypeSint64:
        return TVariant(IntToStr(value));
    case wbemCimtypeUint64:
        return TVariant(UIntToStr(static_cast<std::uint64_t>(value)));
    case wbemCimtypeReal32:
    case wbemCimtypeReal64:
        return DeliverReal(type, static_cast<double>(value));
    case wbemCimtypeBoolean:
        return TVariant(value != 0);
    default:
        return TVariant(IntToStr(value));
    }
}

TVariant DeliverUnsigned(WbemCimtypeEnum type, std::uint64_t value) {
    if (type == wbemCimtypeUint64) return TVariant(UIntToStr(value));
    if (type == wbemCimtypeSint64) return TVariant(IntToStr(static_cast<std::int64_t>(value)));
    if (type == wbemCimtypeString) return TVariant(UIntToStr(value));
    if (type == wbemCimtypeReal32 || type == wbemCimtypeReal64)
        return DeliverReal(type, static_cast<double>(value));
    return DeliverInteger(type, static_cast<std::int64_t>(value));
}

TVariant DeliverReal(WbemCimtypeEnum type, double value) {
    if (type == wbemCimtypeReal32) return TVariant::FromR4(static_cast<float>(value));
    if (type == wbemCimtypeReal64) return TVariant(value);
    if (type == wbemCimtypeString) return TVariant(FloatToStr(value));
    if (type == wbemCimtypeUint64)
        return TVariant(UIntToStr(value < 0 ? 0 : static_cast<std::uint64_t>(value)));
    return DeliverInteger(type, static_cast<std::int64_t>(value));
}

WideString UnixTimeToDmtf(std::int64_t unixSeconds, std::int64_t microseconds) {
    std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) return WideString();
    long offset = local.tm_gmtoff / 60;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d.%06lld%c%03ld", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<long long>(microseconds % 1000000), offset < 0 ? '-' : '+',
                  offset < 0 ? -offset : offset);
    return FromUtf8(buffer);
}

WideString SecondsToDmtfInterval(std::uint64_t seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%08llu%02llu%02llu%02llu.000000:000",
                  static_cast<unsigned long long>(seconds / 86400),
                  static_cast<unsigned long long>(seconds / 3600 % 24),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return FromUtf8(buffer);
}

TInstanceBuilder::TInstanceBuilder(const TClassDef& cls) {
    FInstance.Class = &cls;
    FInstance.Values.assign(cls.Properties.size(), TVariant::Null());
}

std::size_t TInstanceBuilder::Index(WideStringView name) const {
    int index = FInstance.Class->IndexOf(name);
    if (index < 0)
        throw std::logic_error("class " + ToUtf8(FInstance.Class->Name) + " has no property " + ToUtf8(name));
    return static_cast<std::size_t>(index);
}

TInstanceBuilder& TInstanceBuilder::Set(WideStringView name, TVariant delivered) {
    FInstance.Values[Index(name)] = std::move(delivered);
    return *this;
}

TInstanceBuilder& TInstanceBuilder::Text(WideStringView name, WideString value) {
    return Set(name, TVariant(std::move(value)));
}

TInstanceBuilder& TInstanceBuilder::Utf8(WideStringView name, std::string_view value) {
    return Set(name, TVariant(FromUtf8(value)));
}

TInstanceBuilder& TInstanceBuilder::Int(WideStringView name, std::int64_t value) {
    std::size_t i = Index(name);
    auto type = FInstance.Class->Properties[i].CimType;
    FInstance.Values[i] = type == wbemCimtypeString ? TVariant(IntToStr(value)) : DeliverInteger(type, value);
    return *this;
}

TInstanceBuilder& TInstanceBuilder::UInt(WideStringView name, std::uint64_t value) {
    std::size_t i = Index(name);
    FInstance.Values[i] = DeliverUnsigned(FInstance.Class->Properties[i].CimType, value);
    return *this;
}

TInstanceBuilder& TInstanceBuilder::Real(WideStringView name, double value) {
    std::size_t i = Index(name);
    FInstance.Values[i] = DeliverReal(FInstance.Class->Properties[i].CimType, value);
    return *this;
}

TInstanceBuilder& TInstanceBuilder::Bool(WideStringView name, bool value) {
    return Set(name, TVariant(value));
}

TInstanceBuilder& TInstanceBuilder::Time(WideStringView name, std::int64_t unixSeconds,
                                         std::int64_t microseconds) {
    WideString text = UnixTimeToDmtf(unixSeconds, microseconds);
    if (text.empty()) return *this;
    return Set(name, TVariant(std::move(text)));
}

TInstanceBuilder& TInstanceBuilder::TextArray(WideStringView name, const std::vector<WideString>& values) {
    std::vector<TVariant> elements;
    elements.reserve(values.size());
    for (const auto& v : values)
        elements.emplace_back(v);
    return Set(name, TVariant::Array(com::VT_VARIANT, std::move(elements)));
}

TInstanceBuilder& TInstanceBuilder::IntArray(WideStringView name, const std::vector<std::int64_t>& values) {
    std::size_t i = Index(name);
    auto type = FInstance.Class->Properties[i].CimType;
    std::vector<TVariant> elements;
    elements.reserve(values.size());
    for (auto v : values)
        elements.push_back(DeliverInteger(type, v));
    FInstance.Values[i] = TVariant::Array(com::VT_VARIANT, std::move(elements));
    return *this;
}

TInstanceBuilder& TInstanceBuilder::OptUInt(WideStringView name, std::optional<std::uint64_t> value) {
    if (value) UInt(name, *value);
    return *this;
}

TInstanceBuilder& TInstanceBuilder::OptText(WideStringView name, const std::optional<std::string>& value) {
    if (value) Utf8(name, *value);
    return *this;
}

} // namespace tarnwick::localwmi
