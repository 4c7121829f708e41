#include "errors/WmiErr.h"
#include "fakes/FakeWbem.h"
#include "wmi/NTStringTokenizer.h"
#include "wmi/WmiUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace tarnwick;
using namespace tarnwick::wmi;
using com::TVariant;

namespace {

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms) {
    return EncodeDateTime(TDateTimeParts{y, mo, d, h, mi, s, ms});
}

TEST(Dmtf, WritesDateTimeAndOffset) {
    struct Case {
        std::int32_t Offset;
        const char16_t* Expected;
    } cases[] = {
        {-300, u"20240305070809.123000-300"},   {0, u"20240305070809.123000+000"},
        {60, u"20240305070809.123000+060"},     {-60, u"20240305070809.123000-060"},
        {-1000, u"20240305070809.123000-1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Offset);
        EXPECT_EQ(DateTimeToDmtf(c.Offset, At(2024, 3, 5, 7, 8, 9, 123)), c.Expected);
    }
}

TEST(Dmtf, LocalUsesTheStandardOffsetWithoutDaylightSaving) {
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "EST5EDT", 1);
    tzset();
    EXPECT_EQ(DateTimeToDmtfLocal(At(2024, 7, 1, 12, 0, 0, 0)), u"20240701120000.000000-300");
    setenv("TZ", "CET-1CEST", 1);
    tzset();
    EXPECT_EQ(DateTimeToDmtfLocal(At(2024, 1, 1, 0, 0, 0, 0)), u"20240101000000.000000+060");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(Dmtf, ReadsDateTimeAndOffset) {
    std::int32_t offset = 0;
    TDateTime value = DmtfToDateTimeEx(u"20240305070809.123456+060", offset);
    EXPECT_EQ(offset, 60);
    TDateTimeParts p = DecodeDateTime(value);
    EXPECT_EQ(p.Year, 2024);
    EXPECT_EQ(p.Month, 3);
    EXPECT_EQ(p.Day, 5);
    EXPECT_EQ(p.Hour, 7);
    EXPECT_EQ(p.Minute, 8);
    EXPECT_EQ(p.Second, 9);
    EXPECT_EQ(p.Millisecond, 123); // truncated, not rounded

    DmtfToDateTimeEx(u"20240305070809.123456-300", offset);
    EXPECT_EQ(offset, -300);
    DmtfToDateTimeEx(u"20240305070809.123456", offset); // no offset piece
    EXPECT_EQ(offset, 0);
    DmtfToDateTimeEx(u"20240305070809.123456+***", offset); // asterisks read as zeros
    EXPECT_EQ(offset, 0);

    EXPECT_EQ(DmtfToDateTimeEx(u"", offset), 0);
    EXPECT_EQ(offset, 0);
}

TEST(Dmtf, AsterisksInTheDateTakeToday) {
    TDateTimeParts today = DecodeDateTime(Date());
    TDateTimeParts p = DecodeDateTime(DmtfToDateTime(u"********070809.000000+000"));
    EXPECT_EQ(p.Year, today.Year);
    EXPECT_EQ(p.Month, today.Month);
    EXPECT_EQ(p.Day, today.Day);
    EXPECT_EQ(p.Hour, 7);
    EXPECT_EQ(p.Second, 9);
}

TEST(Dmtf, BadTextFailsWithTheOneMessage) {
    for (const char16_t* text :
         {u"2024030507", u"2024030507080", u"abcd0305070809.123456+000", u"20241305070809.123456+000",
          u"20240230070809.123456+000", u"20240305250809.123456+000", u"20240305070809.12x456+000"}) {
        SCOPED_TRACE(ToUtf8(text));
        try {
            DmtfToDateTime(text);
            FAIL() << "no exception";
        } catch (const errors::TWmiException& e) {
            EXPECT_EQ(e.Message(), WideString(u"Invaid date format: ") + text);
            EXPECT_EQ(e.ErrorCode(), 0);
        }
    }
}

TEST(Dmtf, RoundTripsThroughText) {
    TDateTime value = At(1999, 12, 31, 23, 59, 58, 7);
    std::int32_t offset = 0;
    TDateTime back = DmtfToDateTimeEx(DateTimeToDmtf(120, value), offset);
    EXPECT_EQ(offset, 120);
    EXPECT_EQ(DateTimeToDmtf(0, back), DateTimeToDmtf(0, value));
}

TEST(Tokenizer, YieldsEmptyTokensBetweenDelimiters) {
    TNTStringTokenizer t(u"{a, b}", u",{} ");
    std::vector<WideString> tokens;
    while (!t.EndOfString())
        tokens.push_back(t.NextToken());
    EXPECT_EQ(tokens, (std::vector<WideString>{u"", u"a", u"", u"b"}));

    TNTStringTokenizer empty(u"", u",");
    EXPECT_TRUE(empty.EndOfString());
    EXPECT_EQ(empty.NextToken(), u"");

    TNTStringTokenizer single(u"abc", u",");
    EXPECT_FALSE(single.EndOfString());
    EXPECT_EQ(single.NextToken(), u"abc");
    EXPECT_TRUE(single.EndOfString());
    EXPECT_EQ(single.NextToken(), u""); // beyond the end: empty, and it stays there
    EXPECT_TRUE(single.EndOfString());
}

TEST(TextToArray, SplitsOnCommasBracesAndBlanks) {
    TVariant a = WmiTextToArray(u"{a, b}");
    ASSERT_TRUE(a.IsArray());
    EXPECT_EQ(a.LowBound(), 0);
    EXPECT_EQ(a.HighBound(), 1);
    EXPECT_EQ(a.Element(0), TVariant(u"a"));
    EXPECT_EQ(a.Element(1), TVariant(u"b"));
    EXPECT_EQ(WmiTextToArray(u"x,,\"y z\"").ElementCount(), 3u); // quotes get no special treatment
    EXPECT_TRUE(WmiTextToArray(u"{}").IsNull());
    EXPECT_TRUE(WmiTextToArray(u"   ").IsNull());
    EXPECT_TRUE(WmiTextToArray(u"").IsNull());
}

TEST(ValueToText, FormsArraysObjectsAndScalars) {
    fakes::TFakeWbem wbem;
    EXPECT_EQ(WmiValueToText(TVariant::Array(com::VT_VARIANT, {TVariant(1), TVariant(2)})), u"{1, 2}");
    EXPECT_EQ(WmiValueToText(TVariant::Array(com::VT_VARIANT, {})), u"{}");
    EXPECT_EQ(
        WmiValueToText(TVariant::Array(
            com::VT_VARIANT, {TVariant::Array(com::VT_VARIANT, {TVariant(u"a")}), TVariant::Null()}, 3)),
        u"{{a}, }");
    EXPECT_EQ(WmiValueToText(TVariant::Null()), u"");
    EXPECT_EQ(WmiValueToText(TVariant()), u"");
    EXPECT_EQ(WmiValueToText(TVariant(true)), u"True");
    EXPECT_EQ(WmiValueToText(TVariant(std::int64_t(-5))), u"-5");

    wbem.AddObject(u"X=1", fakes::Obj(u"X", {fakes::Prop(u"Name", wbemCimtypeString, TVariant(u"n"))}));
    auto services = WmiConnectLocal();
    com::TComPtr<ISWbemObject> object;
    ASSERT_EQ(services->Get(u"X=1", 0, nullptr, object.Put()), com::S_OK);
    EXPECT_EQ(WmiValueToText(TVariant::FromDispatch(object.Get())),
              u"\ninstance of X\n{\n\tName = \"n\";\n};\n");

    com::TComPtr<ISWbemNamedValueSet> set; // a dispatch object that is no WMI object
    ASSERT_EQ(com::CoCreateInstance(CLSID_SWbemNamedValueSet, com::CLSCTX_ALL, set), com::S_OK);
    EXPECT_EQ(WmiValueToText(TVariant::FromDispatch(set.Get())), u"IDispatch");
}

class PropertyValueTest : public ::testing::Test {
protected:
    fakes::TFakeWbem wbem;
    com::TComPtr<ISWbemPropertySet> props;

    void SetUp() override {
        wbem.AddObject(
            u"P=1",
            fakes::Obj(u"P", {
                                 fakes::Prop(u"U32", wbemCimtypeUint32, TVariant(-1)),
                                 fakes::Prop(u"U64", wbemCimtypeUint64, TVariant(u"18446744073709551615")),
                                 fakes::Prop(u"S64", wbemCimtypeSint64, TVariant(u"-9")),
                                 fakes::Prop(u"NullU32", wbemCimtypeUint32, TVariant::Null()),
                                 fakes::Prop(u"NullU64", wbemCimtypeUint64, TVariant::Null()),
                                 fakes::Prop(u"BadU64", wbemCimtypeUint64, TVariant(u"12a")),
                                 fakes::Prop(u"Str", wbemCimtypeString, TVariant::Null()),
                             }));
        com::TComPtr<ISWbemObject> object;
        ASSERT_EQ(WmiConnectLocal()->Get(u"P=1", 0, nullptr, object.Put()), com::S_OK);
        ASSERT_EQ(object->Get_Properties_(props.Put()), com::S_OK);
    }
};

TEST_F(PropertyValueTest, UnsignedValuesAreMadeUnsigned) {
    TVariant u32 = WmiGetPropertyValue(props.Get(), u"u32"); // names are looked up without case
    EXPECT_EQ(u32.Type(), com::VT_UI4);
    EXPECT_EQ(u32.AsUInt64(), 4294967295u);
    TVariant u64 = WmiGetPropertyValue(props.Get(), u"U64");
    EXPECT_EQ(u64.Type(), com::VT_UI8);
    EXPECT_EQ(u64.AsUInt64(), 18446744073709551615u);
    EXPECT_EQ(WmiGetPropertyValue(props.Get(), u"S64"), TVariant(u"-9")); // other types as delivered
    EXPECT_EQ(WmiGetPropertyText(props.Get(), u"U32"), u"4294967295");
    EXPECT_EQ(WmiGetPropertyText(props.Get(), u"Str"), u"");
}

TEST_F(PropertyValueTest, NullOrBadUnsignedValuesFailWithAConversionError) {
    EXPECT_THROW(WmiGetPropertyValue(props.Get(), u"NullU32"), TConversionError);
    EXPECT_THROW(WmiGetPropertyValue(props.Get(), u"NullU64"), TConversionError);
    EXPECT_THROW(WmiGetPropertyValue(props.Get(), u"BadU64"), TConversionError);
    try {
        WmiGetPropertyValue(props.Get(), u"Missing");
        FAIL();
    } catch (const errors::TWmiException& e) {
        EXPECT_EQ(e.ErrorCode(), com::Hr(0x80041002));
    }
}

TEST(StrToInt64, ReadsSignedDecimals) {
    EXPECT_EQ(WmiStrToInt64(u""), 0);
    EXPECT_EQ(WmiStrToInt64(u"-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(WmiStrToInt64(u"42"), 42);
    EXPECT_THROW(WmiStrToInt64(u"9223372036854775808"), TConversionError);
    EXPECT_THROW(WmiStrToInt64(u"4 2"), TConversionError);
}

TEST(LocalConnection, RefusedConnectGivesNone) {
    fakes::TFakeWbem wbem;
    wbem.ConnectResult = com::Hr(0x80041003);
    EXPECT_FALSE(WmiConnectLocal());
    ASSERT_EQ(wbem.ConnectCalls.size(), 1u);
    EXPECT_EQ(wbem.ConnectCalls[0].NameSpace, u"root\\cimv2");
    EXPECT_EQ(wbem.ConnectCalls[0].SecurityFlags, 128);
    EXPECT_FALSE(WmiGetQueryPrototype(u"SELECT * FROM X"));
    wbem.ConnectResult = com::S_FALSE; // anything but 0 counts as refused
    EXPECT_FALSE(WmiConnectLocal());
}

TEST(QueryPrototype, TakesOneObjectWithFlags18) {
    fakes::TFakeWbem wbem;
    wbem.AddQueryResult(u"SELECT Name FROM X",
                        {fakes::Obj(u"X", {fakes::Prop(u"Name", wbemCimtypeString, u"a")})});
    auto proto = WmiGetQueryPrototype(u"SELECT Name FROM X");
    ASSERT_TRUE(proto);
    ASSERT_EQ(wbem.QueryCalls.size(), 1u);
    EXPECT_EQ(wbem.QueryCalls[0].Flags, 18);
    EXPECT_EQ(wbem.QueryCalls[0].Language, u"WQL");
    EXPECT_THROW(WmiGetQueryPrototype(u"SELECT * FROM Unknown"), errors::TWmiException);
}

TEST(QueryEnum, EnumeratesWithFlags16) {
    fakes::TFakeWbem wbem;
    wbem.AddQueryResult(u"Q", {fakes::Obj(u"X", {}), fakes::Obj(u"X", {})});
    auto e = WmiExecQueryEnum(WmiConnectLocal().Get(), u"Q");
    TVariant v;
    com::ULONG fetched = 0;
    int rows = 0;
    while (e->Next(1, &v, &fetched) == com::S_OK && fetched == 1)
        ++rows;
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(wbem.QueryCalls.back().Flags, 16);
}

TEST(SetPropertyValue, WritesThroughTheProperty) {
    fakes::TFakeWbem wbem;
    wbem.AddObject(u"X=1", fakes::Obj(u"X", {fakes::Prop(u"Name", wbemCimtypeString, u"a")}));
    com::TComPtr<ISWbemObject> object;
    ASSERT_EQ(WmiConnectLocal()->Get(u"X=1", 0, nullptr, object.Put()), com::S_OK);
    WmiSetPropertyValue(object.Get(), u"Name", TVariant(u"b"));
    com::TVariant value;
    WmiGetProperty(object.Get(), u"Name")->Get_Value(&value);
    EXPECT_EQ(value, TVariant(u"b"));
    wbem.SetValueResult = com::Hr(0x80041005);
    EXPECT_THROW(WmiSetPropertyValue(object.Get(), u"Name", TVariant(1)), errors::TWmiException);
}

TEST(ScriptingVersion, ReadsTheTypeLibraryOrGivesEmpty) {
    {
        fakes::TFakeWbem wbem;
        EXPECT_EQ(GetWbemScriptingVersion(), u"1.2");
        wbem.ScriptingVersion.clear();
        EXPECT_EQ(GetWbemScriptingVersion(), u"");
    }
    com::TScopedClassRegistration none(CLSID_SWbemLocator, nullptr);
    EXPECT_EQ(GetWbemScriptingVersion(), u"");
}

} // namespace

namespace {
TEST(FakeWbem, FullPathFindsWhatPutStored) {
    fakes::TFakeWbem wbem;
    wbem.AddObject(u"X.Id=1", fakes::Obj(u"X", {fakes::Prop(u"Name", wbemCimtypeString, u"a")}, u"X.Id=1"));
    auto services = WmiConnectLocal();
    com::TComPtr<ISWbemObject> object;
    ASSERT_EQ(services->Get(u"X.Id=1", 0, nullptr, object.Put()), com::S_OK);
    WmiSetPropertyValue(object.Get(), u"Name", TVariant(u"b"));
    ASSERT_EQ(object->Put_(0, nullptr, nullptr), com::S_OK);
    com::TComPtr<ISWbemObjectPath> path;
    WideString text;
    object->Get_Path_(path.Put());
    path->Get_Path(&text);
    com::TComPtr<ISWbemObject> again;
    ASSERT_EQ(services->Get(text, 0, nullptr, again.Put()), com::S_OK);
    TVariant value;
    WmiGetProperty(again.Get(), u"Name")->Get_Value(&value);
    EXPECT_EQ(value, TVariant(u"b"));
}
} // namespace
