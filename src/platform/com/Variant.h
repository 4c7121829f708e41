#pragma once
// TVariant: a value with COM's kinds and type codes. VT_EMPTY (no value yet) is
// distinct from VT_NULL (a value that is known to be absent). Arrays are
// one-dimensional with a lower bound; copies are deep.
//
// The As* conversions follow the platform's variant conversion rules and throw
// TConversionError where the value does not allow them (null to a number, a text
// that is no number, an overflow, an array or interface to a scalar).

#include "platform/com/ComPtr.h"
#include "platform/com/DateTime.h"
#include "platform/com/Exception.h"
#include "platform/com/WideString.h"

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace tarnwick::com {

using VARTYPE = std::uint16_t;
enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_TYPEMASK = 0x0FFF,
};

using VARIANT_BOOL = std::int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

class TVariant {
public:
    TVariant() = default; // VT_EMPTY
    TVariant(const TVariant& other);
    TVariant(TVariant&& other) noexcept = default;
    TVariant& operator=(const TVariant& other);
    TVariant& operator=(TVariant&& other) noexcept = default;
    ~TVariant() = default;

    TVariant(std::int32_t v) : FType(VT_I4) { FNum.I = v; }
    TVariant(std::uint32_t v) : FType(VT_UI4) { FNum.U = v; }
    TVariant(std::int64_t v) : FType(VT_I8) { FNum.I = v; }
    TVariant(std::uint64_t v) : FType(VT_UI8) { FNum.U = v; }
    TVariant(double v) : FType(VT_R8) { FNum.D = v; }
    TVariant(WideString v) : FType(VT_BSTR), FText(std::move(v)) {}
    TVariant(const char16_t* v) : FType(VT_BSTR), FText(v ? v : u"") {}
    // Only a real bool: pointers must not turn into booleans.
    template <class B, class = std::enable_if_t<std::is_same_v<B, bool>>> TVariant(B v) : FType(VT_BOOL) {
        FNum.I = v ? -1 : 0;
    }

    static TVariant Null();
    static TVariant FromI1(std::int8_t v);
    static TVariant FromUI1(std::uint8_t v);
    static TVariant FromI2(std::int16_t v);
    static TVariant FromUI2(std::uint16_t v);
    static TVariant FromR4(float v);
    static TVariant FromDate(TDateTime v);
    static TVariant FromError(HRESULT v);
    static TVariant FromUnknown(IUnknown* v);
    static TVariant FromDispatch(IDispatch* v);
    // A one-dimensional array with bounds lowBound .. lowBound + size - 1.
    static TVariant Array(VARTYPE elementType, std::vector<TVariant> elements, std::int32_t lowBound = 0);

    VARTYPE Type() const { return FType; }
    bool IsEmpty() const { return FType == VT_EMPTY; }
    bool IsNull() const { return FType == VT_NULL; }
    bool IsArray() const { return (FType & VT_ARRAY) != 0; }
    bool IsInterface() const { return FType == VT_UNKNOWN || FType == VT_DISPATCH; }
    void Clear() { *this = TVariant(); }

    // Raw views of the stored value, no conversion.
    std::int64_t RawInt() const { return FNum.I; }
    std::uint64_t RawUInt() const { return FNum.U; }
    double RawDouble() const { return FNum.D; }
    const WideString& RawText() const { return FText; }
    IUnknown* Unknown() const { return IsInterface() ? FInterface.Get() : nullptr; }
    IDispatch* Dispatch() const;

    // Arrays.
    VARTYPE ElementType() const { return static_cast<VARTYPE>(FType & VT_TYPEMASK); }
    std::int32_t LowBound() const;
    std::int32_t HighBound() const;
    std::size_t ElementCount() const;
    const std::vector<TVariant>& Elements() const;
    const TVariant& Element(std::int32_t index) const;
    void SetElement(std::int32_t index, TVariant value);

    // Conversions.
    WideString AsText() const; // booleans read "True"/"False"
    std::int32_t AsInteger() const;
    std::int64_t AsInt64() const;
    std::uint64_t AsUInt64() const;
    double AsDouble() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const;
    // The value converted to another scalar type (VT_EMPTY, VT_NULL, VT_BSTR, VT_I4, ...).
    TVariant ChangeType(VARTYPE type) const;

    // Same type and same value (arrays element by element; interfaces by identity).
    friend bool operator==(const TVariant& a, const TVariant& b);

private:
    struct TArray {
        std::int32_t LowBound = 0;
        std::vector<TVariant> Elements;
    };

    [[noreturn]] void CastError(const char16_t* target) const;
    void CheckArrayIndex(std::int32_t index) const;

    VARTYPE FType = VT_EMPTY;
    union {
        std::int64_t I;
        std::uint64_t U;
        double D;
    } FNum{0};
    WideString FText;
    TComPtr<IUnknown> FInterface;
    std::unique_ptr<TArray> FArray;
};

// The text of a value, with null and empty as the empty text.
WideString VarToWideStr(const TVariant& value);
// The name of a type code, for messages: "Null", "OleStr", "Integer", "Array of Variant", ...
WideString VarTypeName(VARTYPE type);

} // namespace tarnwick::com
