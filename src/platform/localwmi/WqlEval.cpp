#include "platform/localwmi/WqlEval.h"

#include <cmath>
#include <optional>

namespace tarnwick::localwmi {

using namespace wmi;
using com::TVariant;

namespace {

struct TNumber {
    bool IsReal = false;
    double Real = 0;
    bool Negative = false;
    std::uint64_t Magnitude = 0;
};

TNumber FromSigned(std::int64_t v) {
    TNumber n;
    n.Negative = v < 0;
    n.Magnitude = n.Negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    n.Real = static_cast<double>(v);
    return n;
}

TNumber FromUnsigned(std::uint64_t v) {
    TNumber n;
    n.Magnitude = v;
    n.Real = static_cast<double>(v);
    return n;
}

std::optional<TNumber> NumberFromText(WideStringView text) {
    std::int64_t i = 0;
    std::uint64_t u = 0;
    double d = 0;
    if (TryStrToInt64(text, i)) return FromSigned(i);
    if (TryStrToUInt64(text, u)) return FromUnsigned(u);
    if (TryStrToFloat(text, d)) {
        TNumber n;
        n.IsReal = true;
        n.Real = d;
        return n;
    }
    return std::nullopt;
}

int Compare(const TNumber& a, const TNumber& b) {
    if (a.IsReal || b.IsReal) return a.Real < b.Real ? -1 : a.Real > b.Real ? 1 : 0;
    if (a.Negative != b.Negative) return a.Negative ? -1 : 1;
    int c = a.Magnitude < b.Magnitude ? -1 : a.Magnitude > b.Magnitude ? 1 : 0;
    return a.Negative ? -c : c;
}

bool IsIntegerType(WbemCimtypeEnum t) {
    switch (t) {
    case wbemCimtypeSint8:
    case wbemCimtypeUint8:
    case wbemCimtypeSint16:
    case wbemCimtypeUint16:
    case wbemCimtypeSint32:
    case wbemCimtypeUint32:
    case wbemCimtypeSint64:
    case wbemCimtypeUint64:
    case wbemCimtypeChar16:
        return true;
    default:
        return false;
    }
}

std::optional<TNumber> PropertyNumber(const TVariant& v, WbemCimtypeEnum t) {
    if (t == wbemCimtypeSint64 || t == wbemCimtypeUint64) return NumberFromText(v.RawText());
    if (t == wbemCimtypeReal32 || t == wbemCimtypeReal64) {
        TNumber n;
        n.IsReal = true;
        n.Real = v.AsDouble();
        return n;
    }
    if (t == wbemCimtypeUint32) return FromUnsigned(static_cast<std::uint32_t>(v.RawInt()));
    if (v.Type() == com::VT_UI1) return FromUnsigned(v.RawUInt() & 0xFF);
    return FromSigned(v.AsInt64());
}

std::optional<TNumber> LiteralNumber(const TWqlLiteral& lit) {
    switch (lit.Kind) {
    case TWqlLiteral::Integer: {
        TNumber n;
        n.Negative = lit.Negative && lit.Magnitude != 0;
        n.Magnitude = lit.Magnitude;
        n.Real = lit.Real;
        return n;
    }
    case TWqlLiteral::RealNumber: {
        TNumber n;
        n.IsReal = true;
        n.Real = lit.Real;
        return n;
    }
    case TWqlLiteral::Boolean:
        return FromSigned(lit.Bool ? 1 : 0);
    case TWqlLiteral::String:
        return NumberFromText(Trim(lit.Text));
    default:
        return std::nullopt;
    }
}

WideString LiteralText(const TWqlLiteral& lit) {
    if (lit.Kind == TWqlLiteral::Boolean) return lit.Bool ? u"TRUE" : u"FALSE";
    return lit.Text;
}

// -1, 0, 1, or nothing when the two cannot be compared.
std::optional<int> CompareValue(const TVariant& v, WbemCimtypeEnum t, const TWqlLiteral& lit) {
    if (IsIntegerType(t) || t == wbemCimtypeReal32 || t == wbemCimtypeReal64) {
        auto a = PropertyNumber(v, t);
        auto b = LiteralNumber(lit);
        if (!a || !b) return std::nullopt;
        return Compare(*a, *b);
    }
    if (t == wbemCimtypeBoolean) {
        int a = v.RawInt() != 0 ? 1 : 0;
        int b;
        if (lit.Kind == TWqlLiteral::Boolean)
            b = lit.Bool ? 1 : 0;
        else if (lit.Kind == TWqlLiteral::Integer)
            b = lit.Magnitude != 0 ? 1 : 0;
        else if (lit.Kind == TWqlLiteral::String && SameText(lit.Text, u"TRUE"))
            b = 1;
        else if (lit.Kind == TWqlLiteral::String && SameText(lit.Text, u"FALSE"))
            b = 0;
        else
            return std::nullopt;
        return a - b;
    }
    if (v.Type() != com::VT_BSTR) return std::nullopt;
    int c = CompareText(v.RawText(), LiteralText(lit));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool EvaluateCompare(const TWqlCondition& c, const TWqlLookup& lookup) {
    TVariant value;
    WbemCimtypeEnum type = wbemCimtypeString;
    if (!lookup(c.Property, value, type)) return false;
    bool isNull = value.IsNull() || value.IsEmpty();
    if (c.Op == TWqlOp::IsNull) return isNull;
    if (c.Op == TWqlOp::IsNotNull) return !isNull;
    if (isNull || value.IsArray() || value.IsInterface()) return false;
    if (c.Op == TWqlOp::Like || c.Op == TWqlOp::NotLike) {
        WideString text = value.Type() == com::VT_BSTR ? value.RawText() : value.AsText();
        bool hit = WqlLike(text, c.Value.Text);
        return c.Op == TWqlOp::Like ? hit : !hit;
    }
    auto cmp = CompareValue(value, type, c.Value);
    if (!cmp) return false;
    switch (c.Op) {
    case TWqlOp::Equal:
        return *cmp == 0;
    case TWqlOp::NotEqual:
        return *cmp != 0;
    case TWqlOp::Less:
        return *cmp < 0;
    case TWqlOp::Greater:
        return *cmp > 0;
    case TWqlOp::LessEqual:
        return *cmp <= 0;
    case TWqlOp::GreaterEqual:
        return *cmp >= 0;
    default:
        return false;
    }
}

} // namespace

HRESULT ValidateCondition(const TWqlCondition& condition, const TWqlKnows& knows) {
    if (condition.Kind == TWqlCondition::Compare)
        return knows(condition.Property) ? com::S_OK : WBEM_E_INVALID_QUERY;
    for (const auto& child : condition.Children) {
        HRESULT hr = ValidateCondition(*child, knows);
        if (hr != com::S_OK) return hr;
    }
    return com::S_OK;
}

bool EvaluateCondition(const TWqlCondition& condition, const TWqlLookup& lookup) {
    switch (condition.Kind) {
    case TWqlCondition::And:
        for (const auto& child : condition.Children)
            if (!EvaluateCondition(*child, lookup)) return false;
        return true;
    case TWqlCondition::Or:
        for (const auto& child : condition.Children)
            if (EvaluateCondition(*child, lookup)) return true;
        return false;
    case TWqlCondition::Not:
        return !EvaluateCondition(*condition.Children.front(), lookup);
    case TWqlCondition::Compare:
        return EvaluateCompare(condition, lookup);
    }
    return false;
}

} // namespace tarnwick::localwmi
