#include "platform/com/Variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarnwick::com {

TVariant::TVariant(const TVariant& other)
    : FType(other.FType), FNum(other.FNum), FText(other.FText), FInterface(other.FInterface),
      FArray(other.FArray ? std::make_unique<TArray>(*other.FArray) : nullptr) {}

TVariant& TVariant::operator=(const TVariant& other) {
    if (this != &other) *this = TVariant(other);
    return *this;
}

TVariant TVariant::Null() {
    TVariant v;
    v.FType = VT_NULL;
    return v;
}

#define TW_SMALL(name, vt, type, field)                                                                      \
    TVariant TVariant::name(type value) {                                                                    \
        TVariant v;                                                                                          \
        v.FType = vt;                                                                                        \
        v.FNum.field = value;                                                                                \
        return v;                                                                                            \
    }
TW_SMALL(FromI1, VT_I1, std::int8_t, I)
TW_SMALL(FromUI1, VT_UI1, std::uint8_t, U)
TW_SMALL(FromI2, VT_I2, std::int16_t, I)
TW_SMALL(FromUI2, VT_UI2, std::uint16_t, U)
TW_SMALL(FromR4, VT_R4, float, D)
TW_SMALL(FromDate, VT_DATE, TDateTime, D)
TW_SMALL(FromError, VT_ERROR, HRESULT, I)
#undef TW_SMALL

TVariant TVariant::FromUnknown(IUnknown* value) {
    TVariant v;
    v.FType = VT_UNKNOWN;
    v.FInterface = value;
    return v;
}

TVariant TVariant::FromDispatch(IDispatch* value) {
    TVariant v;
    v.FType = VT_DISPATCH;
    v.FInterface = static_cast<IUnknown*>(value);
    return v;
}

TVariant TVariant::Array(VARTYPE elementType, std::vector<TVariant> elements, std::int32_t lowBound) {
    TVariant v;
    v.FType = static_cast<VARTYPE>(VT_ARRAY | (elementType & VT_TYPEMASK));
    v.FArray = std::make_unique<TArray>(TArray{lowBound, std::move(elements)});
    return v;
}

IDispatch* TVariant::Dispatch() const {
    // The stored pointer of VT_DISPATCH is the IDispatch itself (single inheritance).
    return FType == VT_DISPATCH ? static_cast<IDispatch*>(FInterface.Get()) : nullptr;
}

static const std::vector<TVariant>& NoElements() {
    static const std::vector<TVariant> none;
    return none;
}

std::int32_t TVariant::LowBound() const {
    return FArray ? FArray->LowBound : 0;
}
std::int32_t TVariant::HighBound() const {
    return FArray ? FArray->LowBound + static_cast<std::int32_t>(FArray->Elements.size()) - 1 : -1;
}
std::size_t TVariant::ElementCount() const {
    return FArray ? FArray->Elements.size() : 0;
}
const std::vector<TVariant>& TVariant::Elements() const {
    return FArray ? FArray->Elements : NoElements();
}

void TVariant::CheckArrayIndex(std::int32_t index) const {
    if (!FArray || index < LowBound() || index > HighBound())
        throw TConversionError(u"Variant or safe array index out of bounds");
}

const TVariant& TVariant::Element(std::int32_t index) const {
    CheckArrayIndex(index);
    return FArray->Elements[static_cast<std::size_t>(index - FArray->LowBound)];
}

void TVariant::SetElement(std::int32_t index, TVariant value) {
    CheckArrayIndex(index);
    FArray->Elements[static_cast<std::size_t>(index - FArray->LowBound)] = std::move(value);
}

WideString VarTypeName(VARTYPE type) {
    WideString base;
    switch (type & VT_TYPEMASK) {
    case VT_EMPTY:
        base = u"Empty";
        break;
    case VT_NULL:
        base = u"Null";
        break;
    case VT_I1:
        base = u"ShortInt";
        break;
    case VT_UI1:
        base = u"Byte";
        break;
    case VT_I2:
        base = u"SmallInt";
        break;
    case VT_UI2:
        base = u"Word";
        break;
    case VT_I4:
    case VT_INT:
        base = u"Integer";
        break;
    case VT_UI4:
    case VT_UINT:
        base = u"LongWord";
        break;
    case VT_I8:
        base = u"Int64";
        break;
    case VT_UI8:
        base = u"UInt64";
        break;
    case VT_R4:
        base = u"Single";
        break;
    case VT_R8:
        base = u"Double";
        break;
    case VT_CY:
        base = u"Currency";
        break;
    case VT_DATE:
        base = u"Date";
        break;
    case VT_BSTR:
        base = u"OleStr";
        break;
    case VT_DISPATCH:
        base = u"Dispatch";
        break;
    case VT_ERROR:
        base = u"Error";
        break;
    case VT_BOOL:
        base = u"Boolean";
        break;
    case VT_VARIANT:
        base = u"Variant";
        break;
    case VT_UNKNOWN:
        base = u"Unknown";
        break;
    case VT_DECIMAL:
        base = u"Decimal";
        break;
    default:
        base = u"$" + IntToHex(type & VT_TYPEMASK, 4);
        break;
    }
    return (type & VT_ARRAY) ? u"Array of " + base : base;
}

void TVariant::CastError(const char16_t* target) const {
    throw TConversionError(u"Could not convert variant of type (" + VarTypeName(FType) + u") into type (" +
                           target + u")");
}

static bool IsSigned(VARTYPE t) {
    return t == VT_I1 || t == VT_I2 || t == VT_I4 || t == VT_I8 || t == VT_INT;
}
static bool IsUnsigned(VARTYPE t) {
    return t == VT_UI1 || t == VT_UI2 || t == VT_UI4 || t == VT_UI8 || t == VT_UINT;
}
static bool IsReal(VARTYPE t) {
    return t == VT_R4 || t == VT_R8 || t == VT_DATE;
}

WideString TVariant::AsText() const {
    if (FType == VT_EMPTY) return WideString();
    if (FType == VT_BSTR) return FText;
    if (FType == VT_BOOL) return FNum.I ? u"True" : u"False";
    if (IsSigned(FType)) return IntToStr(FNum.I);
    if (IsUnsigned(FType)) return UIntToStr(FNum.U);
    if (FType == VT_R4) return SingleToStr(static_cast<float>(FNum.D));
    if (FType == VT_R8) return FloatToStr(FNum.D);
    if (FType == VT_DATE) return DateTimeToStr(FNum.D);
    CastError(u"OleStr");
}

static bool RoundToInt64(double d, std::int64_t& out) {
    if (!std::isfinite(d)) return false;
    double r = std::nearbyint(d); // round half to even, as the platform's conversions do
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

std::int64_t TVariant::AsInt64() const {
    std::int64_t out = 0;
    if (FType == VT_EMPTY) return 0;
    if (IsSigned(FType) || FType == VT_BOOL) return FNum.I;
    if (IsUnsigned(FType)) {
        if (FNum.U > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw TConversionError(u"Overflow while converting variant of type (" + VarTypeName(FType) +
                                   u") into type (Int64)");
        return static_cast<std::int64_t>(FNum.U);
    }
    if (IsReal(FType)) {
        if (!RoundToInt64(FNum.D, out))
            throw TConversionError(u"Overflow while converting variant of type (" + VarTypeName(FType) +
                                   u") into type (Int64)");
        return out;
    }
    if (FType == VT_BSTR) {
        WideString t = Trim(FText);
        double d;
        if (TryStrToInt64(t, out)) return out;
        if (TryStrToFloat(t, d) && RoundToInt64(d, out)) return out;
        if (SameText(t, u"True")) return -1;
        if (SameText(t, u"False")) return 0;
    }
    CastError(u"Int64");
}

std::int32_t TVariant::AsInteger() const {
    std::int64_t v = AsInt64();
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        throw TConversionError(u"Overflow while converting variant of type (" + VarTypeName(FType) +
                               u") into type (Integer)");
    return static_cast<std::int32_t>(v);
}

std::uint64_t TVariant::AsUInt64() const {
    if (IsUnsigned(FType)) return FNum.U;
    if (FType == VT_BSTR) {
        std::uint64_t u;
        if (TryStrToUInt64(Trim(FText), u)) return u;
    }
    std::int64_t v = AsInt64();
    if (v < 0)
        throw TConversionError(u"Overflow while converting variant of type (" + VarTypeName(FType) +
                               u") into type (UInt64)");
    return static_cast<std::uint64_t>(v);
}

double TVariant::AsDouble() const {
    if (FType == VT_EMPTY) return 0;
    if (IsReal(FType)) return FNum.D;
    if (IsSigned(FType) || FType == VT_BOOL) return static_cast<double>(FNum.I);
    if (IsUnsigned(FType)) return static_cast<double>(FNum.U);
    if (FType == VT_BSTR) {
        double d;
        if (TryStrToFloat(Trim(FText), d)) return d;
    }
    CastError(u"Double");
}

bool TVariant::AsBoolean() const {
    if (FType == VT_EMPTY) return false;
    if (FType == VT_BOOL || IsSigned(FType)) return FNum.I != 0;
    if (IsUnsigned(FType)) return FNum.U != 0;
    if (IsReal(FType)) return FNum.D != 0;
    if (FType == VT_BSTR) {
        WideString t = Trim(FText);
        if (SameText(t, u"True")) return true;
        if (SameText(t, u"False")) return false;
        double d;
        if (TryStrToFloat(t, d)) return d != 0;
    }
    CastError(u"Boolean");
}

TDateTime TVariant::AsDateTime() const {
    if (FType == VT_DATE) return FNum.D;
    if (FType == VT_BSTR) {
        TDateTime d;
        if (TryStrToDateTime(Trim(FText), d)) return d;
        CastError(u"Date");
    }
    if (FType == VT_NULL || IsArray() || IsInterface()) CastError(u"Date");
    return AsDouble();
}

TVariant TVariant::ChangeType(VARTYPE type) const {
    if (type == FType) return *this;
    switch (type) {
    case VT_EMPTY:
        return TVariant();
    case VT_NULL:
        return Null();
    case VT_BSTR:
        return TVariant(AsText());
    case VT_BOOL:
        return TVariant(AsBoolean());
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT: {
        std::int64_t v = type == VT_I4 || type == VT_INT ? AsInteger() : AsInt64();
        std::int64_t lo = type == VT_I1   ? -128
                          : type == VT_I2 ? -32768
                                          : std::numeric_limits<std::int32_t>::min();
        std::int64_t hi = type == VT_I1   ? 127
                          : type == VT_I2 ? 32767
                                          : std::numeric_limits<std::int32_t>::max();
        if (v < lo || v > hi)
            throw TConversionError(u"Overflow while converting variant of type (" + VarTypeName(FType) +
                                   u") into type (" + VarTypeName(type) + u")");
        TVariant r;
        r.FType = type;
        r.FNum.I = v;
        return r;
    }
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8: {
        std::uint64_t v = AsUInt64();
        std::uint64_t hi = type == VT_UI1   ? 0xFFu
                           : type == VT_UI2 ? 0xFFFFu
                           : type == VT_UI8 ? std::numeric_limits<std::uint64_t>::max()
                                            : 0xFFFFFFFFu;
        if (v > hi)
            throw TConversionError(u"Overflow while converting variant of type (" + VarTypeName(FType) +
                                   u") into type (" + VarTypeName(type) + u")");
        TVariant r;
        r.FType = type;
        r.FNum.U = v;
        return r;
    }
    case VT_I8:
        return TVariant(AsInt64());
    case VT_R4:
        return FromR4(static_cast<float>(AsDouble()));
    case VT_R8:
        return TVariant(AsDouble());
    case VT_DATE:
        return FromDate(AsDateTime());
    default:
        CastError(VarTypeName(type).c_str());
    }
}

bool operator==(const TVariant& a, const TVariant& b) {
    if (a.FType != b.FType) return false;
    if (a.IsArray()) return a.LowBound() == b.LowBound() && a.Elements() == b.Elements();
    switch (a.FType) {
    case VT_EMPTY:
    case VT_NULL:
        return true;
    case VT_BSTR:
        return a.FText == b.FText;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return a.FInterface.Get() == b.FInterface.Get();
    case VT_R4:
    case VT_R8:
    case VT_DATE:
        return a.FNum.D == b.FNum.D;
    default:
        return a.FNum.I == b.FNum.I;
    }
}

WideString VarToWideStr(const TVariant& value) {
    return value.IsNull() ? WideString() : value.AsText();
}

} // namespace tarnwick::com
