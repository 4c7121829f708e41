#include "platform/com/Variant.h"
#include "unit/com/TestObjects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>

namespace tarnwick::com::testing {
namespace {

TEST(TVariant, KindsOfTheConstructors) {
    struct Case {
        TVariant Value;
        VARTYPE Type;
    };
    const Case cases[] = {
        {TVariant(), VT_EMPTY},
        {TVariant::Null(), VT_NULL},
        {TVariant(std::int32_t{-7}), VT_I4},
        {TVariant(std::uint32_t{7}), VT_UI4},
        {TVariant(std::int64_t{-7}), VT_I8},
        {TVariant(std::uint64_t{7}), VT_UI8},
        {TVariant(2.5), VT_R8},
        {TVariant(true), VT_BOOL},
        {TVariant(WideString(u"x")), VT_BSTR},
        {TVariant(u"x"), VT_BSTR},
        {TVariant(static_cast<const char16_t*>(nullptr)), VT_BSTR},
        {TVariant::FromI1(-1), VT_I1},
        {TVariant::FromUI1(255), VT_UI1},
        {TVariant::FromI2(-300), VT_I2},
        {TVariant::FromUI2(60000), VT_UI2},
        {TVariant::FromR4(1.5f), VT_R4},
        {TVariant::FromDate(45351.5), VT_DATE},
        {TVariant::FromError(E_FAIL), VT_ERROR},
        {TVariant::FromUnknown(nullptr), VT_UNKNOWN},
        {TVariant::FromDispatch(nullptr), VT_DISPATCH},
        {TVariant::Array(VT_I4, {}), VT_ARRAY | VT_I4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(VarTypeName(c.Type)));
        EXPECT_EQ(c.Value.Type(), c.Type);
    }
    EXPECT_TRUE(TVariant().IsEmpty());
    EXPECT_FALSE(TVariant().IsNull());
    EXPECT_TRUE(TVariant::Null().IsNull());
    EXPECT_FALSE(TVariant::Null().IsEmpty());
    EXPECT_FALSE(TVariant() == TVariant::Null()) << "empty and null are different values";
    EXPECT_EQ(TVariant(static_cast<const char16_t*>(nullptr)).RawText(), u"");
    EXPECT_EQ(TVariant::FromI1(-1).AsInteger(), -1) << "signed small kinds keep their sign";
    EXPECT_EQ(TVariant::FromUI1(255).AsInteger(), 255);
}

TEST(TVariant, ClearMakesItEmpty) {
    TVariant v(u"text");
    v.Clear();
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(v.RawText(), u"");
}

TEST(TVariant, VarTypeNames) {
    EXPECT_EQ(VarTypeName(VT_NULL), u"Null");
    EXPECT_EQ(VarTypeName(VT_BSTR), u"OleStr");
    EXPECT_EQ(VarTypeName(VT_I4), u"Integer");
    EXPECT_EQ(VarTypeName(VT_ARRAY | VT_VARIANT), u"Array of Variant");
}

// Arrays ----------------------------------------------------------------------

TVariant Numbers(std::int32_t lowBound) {
    return TVariant::Array(VT_VARIANT, {TVariant(10), TVariant(11), TVariant(12)}, lowBound);
}

TEST(TVariant, ArrayBoundsAndElements) {
    for (std::int32_t low : {0, 1, 5, -3}) {
        SCOPED_TRACE(low);
        TVariant a = Numbers(low);
        EXPECT_TRUE(a.IsArray());
        EXPECT_EQ(a.ElementType(), VT_VARIANT);
        EXPECT_EQ(a.LowBound(), low);
        EXPECT_EQ(a.HighBound(), low + 2);
        EXPECT_EQ(a.ElementCount(), 3u);
        EXPECT_EQ(a.Element(low).AsInteger(), 10);
        EXPECT_EQ(a.Element(low + 2).AsInteger(), 12);
        EXPECT_THROW(a.Element(low - 1), TConversionError);
        EXPECT_THROW(a.Element(low + 3), TConversionError);
        EXPECT_THROW(a.SetElement(low + 3, TVariant(1)), TConversionError);
        a.SetElement(low + 1, TVariant(u"eleven"));
        EXPECT_EQ(a.Element(low + 1).AsText(), u"eleven");
    }
}

TEST(TVariant, EmptyArrayHasHighBoundBelowLowBound) {
    TVariant a = TVariant::Array(VT_BSTR, {}, 1);
    EXPECT_EQ(a.ElementCount(), 0u);
    EXPECT_EQ(a.LowBound(), 1);
    EXPECT_EQ(a.HighBound(), 0);
    EXPECT_THROW(a.Element(1), TConversionError);
    EXPECT_THROW(TVariant(5).Element(0), TConversionError) << "a scalar has no elements";
}

TEST(TVariant, CopiesOfArraysAreDeep) {
    TVariant nested = TVariant::Array(VT_VARIANT, {Numbers(0), TVariant(u"x")}, 1);
    TVariant copy = nested;
    EXPECT_EQ(copy, nested);
    EXPECT_EQ(copy.LowBound(), 1);
    TVariant inner = copy.Element(1);
    inner.SetElement(0, TVariant(99));
    copy.SetElement(1, inner);
    copy.SetElement(2, TVariant(u"y"));
    EXPECT_EQ(nested.Element(1).Element(0).AsInteger(), 10) << "the original's nested array is untouched";
    EXPECT_EQ(nested.Element(2).AsText(), u"x");
    EXPECT_FALSE(copy == nested);

    TVariant assigned;
    assigned = nested;
    assigned.SetElement(2, TVariant(u"z"));
    EXPECT_EQ(nested.Element(2).AsText(), u"x");

    TVariant moved = std::move(assigned);
    EXPECT_EQ(moved.Element(2).AsText(), u"z");
}

TEST(TVariant, EqualityComparesTypeBoundsAndValues) {
    EXPECT_EQ(TVariant(1), TVariant(1));
    EXPECT_FALSE(TVariant(1) == TVariant(std::int64_t{1})) << "same number, other type";
    EXPECT_FALSE(Numbers(0) == Numbers(1)) << "other bounds";
    EXPECT_EQ(TVariant(u"a"), TVariant(WideString(u"a")));
    EXPECT_FALSE(TVariant(u"a") == TVariant(u"A"));
}

TEST(TVariant, InterfacesAreCountedReferences) {
    bool destroyed = false;
    TComPtr<TSquare> square = MakeCom<TSquare>(&destroyed);
    {
        TVariant v = TVariant::FromUnknown(static_cast<IPolygon*>(square.Get()));
        EXPECT_EQ(square->RefCount(), 2u);
        TVariant copy = v;
        EXPECT_EQ(square->RefCount(), 3u);
        EXPECT_EQ(copy, v) << "interfaces compare by identity";
        EXPECT_TRUE(copy.IsInterface());
        EXPECT_NE(copy.Unknown(), nullptr);
        EXPECT_EQ(copy.Dispatch(), nullptr) << "not a dispatch value";
        EXPECT_THROW(copy.AsText(), TConversionError);
        EXPECT_THROW(copy.AsInteger(), TConversionError);
        TVariant inArray = TVariant::Array(VT_UNKNOWN, {v});
        EXPECT_EQ(square->RefCount(), 4u);
    }
    EXPECT_EQ(square->RefCount(), 1u);
    square.Reset();
    EXPECT_TRUE(destroyed);
}

// Conversions -----------------------------------------------------------------

// One conversion case: the value, and the expected result or nothing when the
// conversion must fail with TConversionError.
template <class T> struct Conv {
    const char* Name;
    TVariant Value;
    std::optional<T> Expected;
};

template <class T, class F> void CheckConversions(std::initializer_list<Conv<T>> cases, F convert) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Expected) {
            try {
                EXPECT_EQ(convert(c.Value), *c.Expected);
            } catch (const TConversionError& e) {
                ADD_FAILURE() << "unexpected conversion error: " << e.what();
            }
        } else {
            EXPECT_THROW(convert(c.Value), TConversionError);
        }
    }
}

const TVariant kArray = TVariant::Array(VT_I4, {TVariant(1)});

TEST(TVariantConversion, ToText) {
    CheckConversions<WideString>(
        {
            {"empty", TVariant(), u""},
            {"null", TVariant::Null(), std::nullopt},
            {"text", TVariant(u" as is "), u" as is "},
            {"true", TVariant(true), u"True"},
            {"false", TVariant(false), u"False"},
            {"negative", TVariant(-42), u"-42"},
            {"int64 min", TVariant(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808"},
            {"uint64 max", TVariant(std::numeric_limits<std::uint64_t>::max()), u"18446744073709551615"},
            {"byte", TVariant::FromUI1(200), u"200"},
            {"double", TVariant(2.5), u"2.5"},
            {"tenth", TVariant(0.1), u"0.1"},
            {"sum of tenths", TVariant(0.1 + 0.2), u"0.3"},
            {"single", TVariant::FromR4(0.5f), u"0.5"},
            {"single tenth", TVariant::FromR4(0.1f), u"0.1"},
            {"date", TVariant::FromDate(45351.0), u"2024-02-29"},
            {"date-time", TVariant::FromDate(45351.5), u"2024-02-29 12:00:00"},
            {"array", kArray, std::nullopt},
            {"error", TVariant::FromError(E_FAIL), std::nullopt},
        },
        [](const TVariant& v) { return v.AsText(); });
    EXPECT_EQ(VarToWideStr(TVariant::Null()), u"");
    EXPECT_EQ(VarToWideStr(TVariant()), u"");
    EXPECT_EQ(VarToWideStr(TVariant(7)), u"7");
}

TEST(TVariantConversion, ToInteger) {
    CheckConversions<std::int32_t>(
        {
            {"empty", TVariant(), 0},
            {"null", TVariant::Null(), std::nullopt},
            {"text", TVariant(u"42"), 42},
            {"text with blanks", TVariant(u" 42 "), 42},
            {"signed text", TVariant(u"-2147483648"), std::numeric_limits<std::int32_t>::min()},
            {"text overflow", TVariant(u"2147483648"), std::nullopt},
            {"decimal text rounds half even", TVariant(u"2.5"), 2},
            {"decimal text rounds half even up", TVariant(u"3.5"), 4},
            {"true text", TVariant(u"True"), -1},
            {"false text", TVariant(u"false"), 0},
            {"not a number", TVariant(u"12abc"), std::nullopt},
            {"empty text", TVariant(u""), std::nullopt},
            {"true", TVariant(true), -1},
            {"false", TVariant(false), 0},
            {"double 2.5", TVariant(2.5), 2},
            {"double -2.5", TVariant(-2.5), -2},
            {"double 0.5", TVariant(0.5), 0},
            {"double 1.5", TVariant(1.5), 2},
            {"double 2.6", TVariant(2.6), 3},
            {"double overflow", TVariant(3e9), std::nullopt},
            {"nan", TVariant(std::nan("")), std::nullopt},
            {"int64 overflow", TVariant(std::int64_t{5000000000}), std::nullopt},
            {"uint32 overflow", TVariant(std::uint32_t{0xFFFFFFFF}), std::nullopt},
            {"date", TVariant::FromDate(45351.75), 45352},
            {"array", kArray, std::nullopt},
        },
        [](const TVariant& v) { return v.AsInteger(); });
}

TEST(TVariantConversion, ToInt64AndUInt64) {
    CheckConversions<std::int64_t>(
        {
            {"max text", TVariant(u"9223372036854775807"), std::numeric_limits<std::int64_t>::max()},
            {"text overflow", TVariant(u"9223372036854775808"), std::nullopt},
            {"uint64 overflow", TVariant(std::numeric_limits<std::uint64_t>::max()), std::nullopt},
            {"uint64 fits", TVariant(std::uint64_t{1} << 62), std::int64_t{1} << 62},
            {"double overflow", TVariant(1e19), std::nullopt},
            {"infinity", TVariant(std::numeric_limits<double>::infinity()), std::nullopt},
            {"null", TVariant::Null(), std::nullopt},
        },
        [](const TVariant& v) { return v.AsInt64(); });
    CheckConversions<std::uint64_t>(
        {
            {"max text", TVariant(u"18446744073709551615"), std::numeric_limits<std::uint64_t>::max()},
            {"text overflow", TVariant(u"18446744073709551616"), std::nullopt},
            {"negative text", TVariant(u"-1"), std::nullopt},
            {"negative", TVariant(-1), std::nullopt},
            {"uint64", TVariant(std::numeric_limits<std::uint64_t>::max()),
             std::numeric_limits<std::uint64_t>::max()},
            {"positive int", TVariant(5), 5u},
            {"null", TVariant::Null(), std::nullopt},
        },
        [](const TVariant& v) { return v.AsUInt64(); });
}

TEST(TVariantConversion, ToDouble) {
    CheckConversions<double>(
        {
            {"empty", TVariant(), 0.0},
            {"null", TVariant::Null(), std::nullopt},
            {"text", TVariant(u"2.5"), 2.5},
            {"exponent", TVariant(u"-1.5E3"), -1500.0},
            {"comma is no separator", TVariant(u"1,5"), std::nullopt},
            {"not a number", TVariant(u"abc"), std::nullopt},
            {"nan text", TVariant(u"nan"), std::nullopt},
            {"true", TVariant(true), -1.0},
            {"int", TVariant(7), 7.0},
            {"uint64", TVariant(std::uint64_t{1} << 63), 9223372036854775808.0},
            {"date", TVariant::FromDate(1.25), 1.25},
            {"array", kArray, std::nullopt},
        },
        [](const TVariant& v) { return v.AsDouble(); });
}

TEST(TVariantConversion, ToBoolean) {
    CheckConversions<bool>(
        {
            {"empty", TVariant(), false},
            {"null", TVariant::Null(), std::nullopt},
            {"True", TVariant(u"True"), true},
            {"upper case", TVariant(u"TRUE"), true},
            {"False", TVariant(u"False"), false},
            {"zero text", TVariant(u"0"), false},
            {"number text", TVariant(u"-2"), true},
            {"yes", TVariant(u"yes"), std::nullopt},
            {"zero", TVariant(0), false},
            {"nonzero", TVariant(std::uint64_t{1} << 40), true},
            {"double", TVariant(0.25), true},
            {"array", kArray, std::nullopt},
        },
        [](const TVariant& v) { return v.AsBoolean(); });
}

TEST(TVariantConversion, ToDateTime) {
    const TDateTime leapNoon = EncodeDate(2024, 2, 29) + 0.5;
    CheckConversions<TDateTime>(
        {
            {"date kind", TVariant::FromDate(leapNoon), leapNoon},
            {"date text", TVariant(u"2024-02-29"), EncodeDate(2024, 2, 29)},
            {"date-time text", TVariant(u"2024-02-29 12:00:00"), leapNoon},
            {"milliseconds", TVariant(u"2024-02-29 12:00:00.250"),
             EncodeDateTime({2024, 2, 29, 12, 0, 0, 250})},
            {"tenths of a second", TVariant(u"2024-02-29 12:00:00.5"),
             EncodeDateTime({2024, 2, 29, 12, 0, 0, 500})},
            {"hundredths of a second", TVariant(u"2024-02-29 12:00:00.25"),
             EncodeDateTime({2024, 2, 29, 12, 0, 0, 250})},
            {"blank after the stop", TVariant(u"2024-02-29 12:00:00. 5"), std::nullopt},
            {"signed milliseconds", TVariant(u"2024-02-29 12:00:00.-5"), std::nullopt},
            {"stop without digits", TVariant(u"2024-02-29 12:00:00."), std::nullopt},
            {"before 1899-12-30", TVariant(u"1899-12-29 06:00:00"), -1.25},
            {"no such day", TVariant(u"2023-02-29"), std::nullopt},
            {"hour 24", TVariant(u"2024-02-29 24:00:00"), std::nullopt},
            {"trailing junk", TVariant(u"2024-02-29 12:00:00 pm"), std::nullopt},
            {"not a date", TVariant(u"yesterday"), std::nullopt},
            {"double", TVariant(1.5), 1.5},
            {"null", TVariant::Null(), std::nullopt},
            {"array", kArray, std::nullopt},
        },
        [](const TVariant& v) { return v.AsDateTime(); });
    // A date-time survives the trip through its text.
    TDateTime t = EncodeDateTime({1999, 12, 31, 23, 59, 59, 999});
    EXPECT_EQ(TVariant(TVariant::FromDate(t).AsText()).AsDateTime(), t);
}

TEST(TVariantConversion, ChangeType) {
    EXPECT_EQ(TVariant(u"12").ChangeType(VT_I4), TVariant(12));
    EXPECT_EQ(TVariant(true).ChangeType(VT_BSTR), TVariant(u"True"));
    EXPECT_EQ(TVariant(255).ChangeType(VT_UI1).Type(), VT_UI1);
    EXPECT_EQ(TVariant(u"x").ChangeType(VT_NULL).Type(), VT_NULL);
    EXPECT_EQ(TVariant(2.5).ChangeType(VT_I8), TVariant(std::int64_t{2}));
    EXPECT_EQ(TVariant(-32768).ChangeType(VT_I2).AsInteger(), -32768);
    EXPECT_THROW(TVariant(256).ChangeType(VT_UI1), TConversionError);
    EXPECT_THROW(TVariant(-1).ChangeType(VT_UI2), TConversionError);
    EXPECT_THROW(TVariant(40000).ChangeType(VT_I2), TConversionError);
    EXPECT_THROW(TVariant(128).ChangeType(VT_I1), TConversionError);
    EXPECT_THROW(TVariant::Null().ChangeType(VT_I4), TConversionError);
    EXPECT_THROW(TVariant(1).ChangeType(VT_ARRAY | VT_I4), TConversionError);
}

TEST(TVariantConversion, ErrorMessagesNameBothTypes) {
    try {
        TVariant::Null().AsInteger();
        FAIL() << "null converted to a number";
    } catch (const TConversionError& e) {
        EXPECT_NE(e.Message().find(u"(Null)"), WideString::npos) << e.what();
    }
}

} // namespace
} // namespace tarnwick::com::testing
