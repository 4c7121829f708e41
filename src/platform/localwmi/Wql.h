#pragma once
// The WQL data query: SELECT * | prop[, prop...] FROM class [WHERE condition].
//
// Conditions: prop op literal (or literal op prop) with =, <>, !=, <, >, <=, >=,
// [NOT] LIKE (%, _, [abc], [a-z], [^a]), prop IS [NOT] NULL, AND, OR, NOT and
// parentheses. Literals: strings in single or double quotes (a backslash escapes
// the next character), integers, reals, TRUE, FALSE, NULL. Keywords and names are
// case-insensitive. Line breaks and tabs count as blanks.
//
// ParseWql never throws and never recurses deeper than MaxWqlDepth: any text it
// does not accept (unterminated strings, NUL or other control characters, letters
// beyond ASCII outside a string, nesting too deep) gives 0x80041017.

#include "platform/com/ComTypes.h"
#include "platform/com/WideString.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarnwick::localwmi {

using com::HRESULT;

inline constexpr HRESULT WBEM_E_INVALID_QUERY = com::Hr(0x80041017);
inline constexpr int MaxWqlDepth = 100;

enum class TWqlOp {
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Like,
    NotLike,
    IsNull,
    IsNotNull
};

struct TWqlLiteral {
    enum TKind { String, Integer, RealNumber, Boolean, Null } Kind = Null;
    WideString Text;             // the string, or the number's source text
    bool Negative = false;       // Integer: sign
    std::uint64_t Magnitude = 0; // Integer: absolute value
    double Real = 0;             // Integer and RealNumber
    bool Bool = false;
};

struct TWqlCondition {
    enum TKind { And, Or, Not, Compare } Kind = Compare;
    std::vector<std::unique_ptr<TWqlCondition>> Children; // And, Or: two or more; Not: one
    WideString Property;                                  // Compare
    TWqlOp Op = TWqlOp::Equal;
    TWqlLiteral Value;
};

struct TWqlQuery {
    bool AllProperties = false;
    std::vector<WideString> Properties; // as written, without duplicates (case ignored)
    WideString ClassName;
    std::unique_ptr<TWqlCondition> Where; // null without WHERE
};

// S_OK and the query, or WBEM_E_INVALID_QUERY.
HRESULT ParseWql(WideStringView text, TWqlQuery& query);

// LIKE with %, _, [set], [a-z] and [^set]; ASCII case ignored. False for a
// malformed set (an unclosed bracket matches nothing).
bool WqlLike(WideStringView value, WideStringView pattern);

} // namespace tarnwick::localwmi
