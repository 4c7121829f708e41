// Field kinds, their texts and conversions, field definitions and lookups.

#include "unit/db/MemoryDataSet.h"

#include <gtest/gtest.h>

namespace tarnwick::db::testing {
namespace {

using com::TVariant;

struct TTextCase {
    TFieldType Type;
    TVariant Native;
    const char16_t* Text;
};

TEST(DbFields, StandardKindsGiveTheirTexts) {
    TDateTime when = EncodeDateTime({2024, 3, 5, 7, 8, 9, 0});
    const TTextCase cases[] = {
        {ftInteger, TVariant(std::int32_t(-42)), u"-42"},
        {ftSmallint, TVariant::FromI2(-7), u"-7"},
        {ftWord, TVariant::FromUI2(65535), u"65535"},
        {ftLongWord, TVariant(std::uint32_t(4294967295u)), u"4294967295"},
        {ftLargeint, TVariant(std::int64_t(-9223372036854775807LL)), u"-9223372036854775807"},
        {ftBoolean, TVariant(true), u"True"},
        {ftBoolean, TVariant(false), u"False"},
        {ftFloat, TVariant(1.5), u"1.5"},
        {ftDateTime, TVariant::FromDate(when), u"2024-03-05 07:08:09"},
        {ftDate, TVariant::FromDate(when), u"2024-03-05"},
        {ftTime, TVariant::FromDate(when), u"07:08:09"},
        {ftWideString, TVariant(u"text"), u"text"},
        {ftVariant, TVariant(std::int32_t(5)), u"5"},
        {ftInteger, TVariant::Null(), u""},
    };
    for (const TTextCase& c : cases) {
        SCOPED_TRACE(ToUtf8(FieldTypeName(c.Type)) + " " + ToUtf8(c.Text));
        TMemoryDataSet ds({{u"F", c.Type, 10}}, {{c.Native}});
        ds.Open();
        TField& field = ds.FieldByName(u"f");
        EXPECT_EQ(field.AsString(), c.Text);
        EXPECT_EQ(field.IsNull(), c.Native.IsNull());
        EXPECT_EQ(field.Value().IsNull(), c.Native.IsNull());
    }
}

TEST(DbFields, WritesAreParsedAndRangeChecked) {
    TMemoryDataSet ds(
        {{u"S", ftSmallint}, {u"B", ftBoolean}, {u"D", ftDateTime}, {u"L", ftLongWord}},
        {{TVariant::FromI2(1), TVariant(true), TVariant::FromDate(0), TVariant(std::uint32_t(0))}});
    ds.Open();
    ds.Edit();
    TField& s = ds.FieldByName(u"S");
    s.SetAsString(u"-32768");
    EXPECT_EQ(s.AsInteger(), -32768);
    EXPECT_EQ(ds.Rows.empty(), false);
    EXPECT_THROW(s.SetAsInteger(40000), TDatabaseError);
    EXPECT_THROW(s.SetAsString(u"abc"), TDatabaseError);
    EXPECT_EQ(s.AsInteger(), -32768) << "a refused write changes nothing";
    ds.FieldByName(u"B").SetAsString(u"false");
    EXPECT_EQ(ds.FieldByName(u"B").AsString(), u"False");
    ds.FieldByName(u"D").SetAsString(u"2024-03-05 07:08:09.123");
    EXPECT_EQ(ds.FieldByName(u"D").AsString(), u"2024-03-05 07:08:09.123");
    EXPECT_THROW(ds.FieldByName(u"D").SetAsString(u"2024-13-05"), TDatabaseError);
    ds.FieldByName(u"L").SetAsString(u"4294967295");
    EXPECT_EQ(ds.FieldByName(u"L").AsLargeInt(), 4294967295LL);
    EXPECT_THROW(ds.FieldByName(u"L").SetAsString(u"4294967296"), TDatabaseError);
    EXPECT_THROW(ds.FieldByName(u"L").SetAsInteger(-1), TDatabaseError);
    s.Clear();
    EXPECT_TRUE(s.IsNull());
    ds.Post();
    EXPECT_TRUE(ds.Rows[0][0].IsNull());
}

TEST(DbFields, ReadOnlyFieldRefusesWrites) {
    TMemoryDataSet ds({{u"Id", ftInteger}}, {{TVariant(std::int32_t(1))}});
    ds.Open();
    ds.FieldByName(u"Id").SetReadOnly(true);
    ds.Edit();
    try {
        ds.FieldByName(u"Id").SetAsInteger(2);
        FAIL();
    } catch (const TDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Field 'Id' cannot be modified");
    }
}

TEST(DbFields, LookupIgnoresCaseAndNamesTheMissingField) {
    TMemoryDataSet ds({{u"Name", ftWideString, 5},
                       {u"Caption", ftString, 5},
                       {u"a_b", ftInteger},
                       {u"AB", ftInteger},
                       {u"_z", ftInteger}});
    ds.Open();
    for (const char16_t* name : {u"A_B", u"ab", u"_Z", u"a_b"})
        EXPECT_NE(ds.FindField(name), nullptr) << ToUtf8(name);
    EXPECT_EQ(&ds.FieldByName(u"NAME"), &ds.Fields()[0]);
    EXPECT_EQ(ds.FindField(u"caption"), &ds.Fields()[1]);
    EXPECT_EQ(ds.FindField(u"other"), nullptr);
    EXPECT_EQ(ds.Fields()[1].Index(), 1);
    try {
        ds.FieldByName(u"Other");
        FAIL();
    } catch (const TDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Field 'Other' not found");
    }
    TField& name = ds.FieldByName(u"Name");
    EXPECT_EQ(name.DisplayName(), u"Name");
    name.SetDisplayLabel(u"Shown");
    EXPECT_EQ(name.DisplayName(), u"Shown");
    name.SetFieldName(u"Renamed");
    EXPECT_EQ(ds.FindField(u"renamed"), &name);
    EXPECT_EQ(ds.FindField(u"Name"), nullptr);
}

TEST(DbFields, DefinitionsKeepRequiredAndAttributesInStep) {
    TFieldDefs defs;
    TFieldDef& def = defs.Add(u"Key", ftWideString, 10, true);
    EXPECT_EQ(def.FieldNo(), 1);
    EXPECT_TRUE(def.Attributes().Contains(TFieldAttribute::faRequired));
    def.SetAttributes(TFieldAttribute::faReadonly);
    EXPECT_FALSE(def.Required());
    EXPECT_EQ(defs.Find(u"KEY"), &def);
    EXPECT_EQ(defs.IndexOf(u"none"), -1);
}

TEST(DbFieldTypes, OrderPlacesTheLateTypesAfterFmtBcd) {
    for (TFieldType t :
         {ftFixedWideChar, ftWideMemo, ftOraTimeStamp, ftOraInterval, ftLongWord, ftShortint, ftByte,
          ftExtended, ftConnection, ftParams, ftStream, ftTimeStampOffset, ftObject, ftSingle})
        EXPECT_GT(t, ftFMTBcd) << ToUtf8(FieldTypeName(t));
    for (TFieldType t :
         {ftString, ftWideString, ftLargeint, ftVariant, ftInterface, ftTimeStamp, ftGuid, ftBCD})
        EXPECT_LE(t, ftFMTBcd) << ToUtf8(FieldTypeName(t));
    EXPECT_EQ(ftWideString, 24);
    EXPECT_EQ(ftLongWord, 42);
    EXPECT_EQ(FieldTypeName(ftLargeint), u"Largeint");
    EXPECT_EQ(FieldTypeName(ftSingle), u"Single");
}

} // namespace
} // namespace tarnwick::db::testing
