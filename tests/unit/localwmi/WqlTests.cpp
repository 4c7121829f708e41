// The WQL parser and evaluator: accepted and refused texts, hostile input, LIKE
// patterns and typed comparisons against one row of known values.
#include "platform/localwmi/LocalValues.h"
#include "platform/localwmi/Wql.h"
#include "platform/localwmi/WqlEval.h"

#include <gtest/gtest.h>

namespace tarnwick::localwmi {
namespace {

using com::TVariant;

struct TParseCase {
    const char16_t* Text;
    bool Valid;
};

const TParseCase ParseCases[] = {
    {u"SELECT * FROM Win32_Process", true},
    {u"select * from win32_process", true},
    {u"SELECT Name, Handle FROM Win32_Process", true},
    {u"SELECT * FROM Win32_Process\r\n", true}, // the dataset ends every line with CR LF
    {u"SELECT * FROM Win32_Process WHERE Name = 'a'", true},
    {u"SELECT * FROM Win32_Process WHERE Name = \"a\\\"b\"", true},
    {u"SELECT * FROM X WHERE A <> 1 AND B != 2 OR C < 3 AND D > -4 OR E <= 5.5 AND F >= 6e2", true},
    {u"SELECT * FROM X WHERE NOT (A = 1 OR (B LIKE 'x%' AND C IS NOT NULL))", true},
    {u"SELECT * FROM X WHERE A IS NULL", true},
    {u"SELECT * FROM X WHERE A NOT LIKE '_[a-c]%'", true},
    {u"SELECT * FROM X WHERE 5 < A", true},
    {u"SELECT * FROM X WHERE A = TRUE OR B = false", true},
    {u"SELECT * FROM X WHERE A = NULL", true},
    {u"SELECT * FROM X WHERE Name = 'Müller'", true}, // non-ASCII inside a string is text
    {u"", false},
    {u"SELECT", false},
    {u"SELECT * Win32_Process", false},
    {u"SELECT FROM Win32_Process", false},
    {u"SELECT *, Name FROM X", false},
    {u"SELECT Name, FROM X", false},
    {u"SELECT * FROM", false},
    {u"SELECT * FROM X WHERE", false},
    {u"SELECT * FROM X WHERE A", false},
    {u"SELECT * FROM X WHERE A = ", false},
    {u"SELECT * FROM X WHERE A = 'open", false},
    {u"SELECT * FROM X WHERE A = \"open\\", false},
    {u"SELECT * FROM X WHERE (A = 1", false},
    {u"SELECT * FROM X WHERE A = 1)", false},
    {u"SELECT * FROM X WHERE A = B", false},
    {u"SELECT * FROM X WHERE A LIKE 3", false},
    {u"SELECT * FROM X WHERE A < NULL", false},
    {u"SELECT * FROM X WHERE A = 99999999999999999999999", false},
    {u"SELECT * FROM X WHERE A = 12abc", false},
    {u"SELECT * FROM X trailing", false},
    {u"SELECT * FROM X WHERE A = 1 AND", false},
    {u"SELECT * FROM Wïn32_Process", false},
    {u"SELECT * FROM X WHERE A = 1 ;", false},
    {u"SELECT * FROM SELECT", false},
    {u"ASSOCIATORS OF {Win32_Process.Handle=1}", false},
};

TEST(Wql, ParsesOrRefuses) {
    for (const auto& c : ParseCases) {
        SCOPED_TRACE(ToUtf8(c.Text));
        TWqlQuery q;
        EXPECT_EQ(ParseWql(c.Text, q), c.Valid ? com::S_OK : WBEM_E_INVALID_QUERY);
    }
}

TEST(Wql, KeepsSelectListAndClass) {
    TWqlQuery q;
    ASSERT_EQ(ParseWql(u"SELECT Name, handle, NAME FROM Win32_Process WHERE Handle = 1", q), com::S_OK);
    EXPECT_FALSE(q.AllProperties);
    EXPECT_EQ(q.Properties, (std::vector<WideString>{u"Name", u"handle"}));
    EXPECT_EQ(q.ClassName, u"Win32_Process");
    ASSERT_TRUE(q.Where);
    EXPECT_EQ(q.Where->Property, u"Handle");
}

WideString Repeat(WideStringView piece, std::size_t n) {
    WideString s;
    s.reserve(piece.size() * n);
    for (std::size_t i = 0; i < n; ++i)
        s += piece;
    return s;
}

TEST(Wql, HostileTextIsRefusedWithoutCrash) {
    const WideString hostile[] = {
        u"SELECT * FROM X WHERE " + Repeat(u"(", 10000) + u"A = 1" + Repeat(u")", 10000),
        u"SELECT * FROM X WHERE " + Repeat(u"NOT ", 10000) + u"A = 1",
        u"SELECT * FROM X WHERE A = '" + Repeat(u"x", 100000),
        u"SELECT * FROM " + Repeat(u"A", 100000) + u" WHERE",
        WideString(u"SELECT * FROM X\0 WHERE A = 1", 29),
        WideString(u"SELECT * FROM X WHERE A = 'a\0b'", 32),
        u"SELECT * FROM X WHERE A = 1 \u00A0",
        u"SELECT * FROM X WHERE A = 1 \x01",
        u"SELECT * FROM X WHERE A = \xD800",
        Repeat(u"\xFFFF", 1000),
    };
    for (const auto& text : hostile) {
        SCOPED_TRACE(ToUtf8(text.substr(0, 40)));
        TWqlQuery q;
        EXPECT_EQ(ParseWql(text, q), WBEM_E_INVALID_QUERY);
    }
    // Deep but within bounds, and very long flat conditions, still parse.
    TWqlQuery q;
    EXPECT_EQ(ParseWql(u"SELECT * FROM X WHERE " + Repeat(u"(", 50) + u"A = 1" + Repeat(u")", 50), q),
              com::S_OK);
    EXPECT_EQ(ParseWql(u"SELECT * FROM X WHERE A = 1" + Repeat(u" AND A = 1", 10000), q), com::S_OK);
}

struct TLikeCase {
    const char16_t* Value;
    const char16_t* Pattern;
    bool Match;
};

const TLikeCase LikeCases[] = {
    {u"notepad.exe", u"note%", true},
    {u"notepad.exe", u"NOTE%", true},
    {u"notepad.exe", u"%.exe", true},
    {u"notepad.exe", u"%pad%", true},
    {u"notepad.exe", u"note", false},
    {u"abc", u"a_c", true},
    {u"ac", u"a_c", false},
    {u"abc", u"[a-c]bc", true},
    {u"dbc", u"[a-c]bc", false},
    {u"dbc", u"[^a-c]bc", true},
    {u"xbc", u"[xyz]bc", true},
    {u"", u"%", true},
    {u"", u"_", false},
    {u"abc", u"%%%c", true},
    {u"abc", u"[a-c", false},
    {u"a%c", u"a[%]c", true},
    {u"aaaaaaaaaaaaaaaaaaaaaaaab", u"%a%a%a%a%a%a%c", false},
};

TEST(Wql, LikePatterns) {
    for (const auto& c : LikeCases) {
        SCOPED_TRACE(ToUtf8(c.Value) + " LIKE " + ToUtf8(c.Pattern));
        EXPECT_EQ(WqlLike(c.Value, c.Pattern), c.Match);
    }
}

// One row of known values, delivered as the scripting objects deliver them.
struct TRowValue {
    const char16_t* Name;
    wmi::WbemCimtypeEnum Type;
    TVariant Value;
};

std::vector<TRowValue> Row() {
    using namespace wmi;
    return {
        {u"Name", wbemCimtypeString, TVariant(WideString(u"Notepad.exe"))},
        {u"Count", wbemCimtypeUint32, DeliverUnsigned(wbemCimtypeUint32, 4294967295u)},
        {u"Big", wbemCimtypeUint64, DeliverUnsigned(wbemCimtypeUint64, 18446744073709551615u)},
        {u"Signed", wbemCimtypeSint64, DeliverInteger(wbemCimtypeSint64, -42)},
        {u"Small", wbemCimtypeSint16, DeliverInteger(wbemCimtypeSint16, -5)},
        {u"Byte", wbemCimtypeUint8, DeliverInteger(wbemCimtypeUint8, 200)},
        {u"Ratio", wbemCimtypeReal64, TVariant(2.5)},
        {u"Flag", wbemCimtypeBoolean, TVariant(true)},
        {u"Nothing", wbemCimtypeString, TVariant::Null()},
        {u"List", wbemCimtypeString, TVariant::Array(com::VT_VARIANT, {TVariant(WideString(u"a"))})},
        {u"When", wbemCimtypeDatetime, TVariant(WideString(u"20240305070809.000000+060"))},
    };
}

struct TEvalCase {
    const char16_t* Condition;
    bool Expected;
};

const TEvalCase EvalCases[] = {
    {u"Name = 'notepad.exe'", true},
    {u"Name <> 'notepad.exe'", false},
    {u"Name > 'M'", true},
    {u"Name LIKE 'note%'", true},
    {u"Name NOT LIKE 'note%'", false},
    {u"Count = 4294967295", true},
    {u"Count = -1", false},
    {u"Count > 4000000000", true},
    {u"Count = '4294967295'", true},
    {u"Big = 18446744073709551615", true},
    {u"Big > 1", true},
    {u"Signed = -42", true},
    {u"Signed < -41", true},
    {u"Small = -5", true},
    {u"Small >= -5.0", true},
    {u"Byte = 200", true},
    {u"Ratio > 2", true},
    {u"Ratio = 2.5", true},
    {u"Flag = TRUE", true},
    {u"Flag = FALSE", false},
    {u"Flag = 1", true},
    {u"Nothing IS NULL", true},
    {u"Nothing IS NOT NULL", false},
    {u"Nothing = 'x'", false},
    {u"Nothing <> 'x'", false},
    {u"NOT Nothing = 'x'", true},
    {u"Nothing = NULL", true},
    {u"Name IS NULL", false},
    {u"List = 'a'", false},
    {u"List IS NOT NULL", true},
    {u"Count = 'abc'", false},
    {u"When > '2024'", true},
    {u"Name = 'x' OR Count = 4294967295", true},
    {u"Name = 'x' OR (Flag = TRUE AND NOT Small = 3)", true},
    {u"Name = 'x' AND Flag = TRUE", false},
    {u"4294967295 = Count", true},
    {u"3 > Small", true},
};

TEST(Wql, EvaluatesTypedComparisons) {
    auto row = Row();
    TWqlLookup lookup = [&](WideStringView name, TVariant& value, wmi::WbemCimtypeEnum& type) {
        for (const auto& r : row)
            if (SameText(r.Name, name)) {
                value = r.Value;
                type = r.Type;
                return true;
            }
        return false;
    };
    for (const auto& c : EvalCases) {
        SCOPED_TRACE(ToUtf8(c.Condition));
        TWqlQuery q;
        ASSERT_EQ(ParseWql(u"SELECT * FROM X WHERE " + WideString(c.Condition), q), com::S_OK);
        EXPECT_EQ(EvaluateCondition(*q.Where, lookup), c.Expected);
    }
}

TEST(Wql, ValidationNamesTheUnknownProperty) {
    TWqlQuery q;
    ASSERT_EQ(ParseWql(u"SELECT * FROM X WHERE Name = 'a' OR (NOT Missing = 1)", q), com::S_OK);
    EXPECT_EQ(ValidateCondition(*q.Where, [](WideStringView n) { return SameText(n, u"Name"); }),
              WBEM_E_INVALID_QUERY);
    EXPECT_EQ(ValidateCondition(*q.Where, [](WideStringView) { return true; }), com::S_OK);
}

} // namespace
} // namespace tarnwick::localwmi
