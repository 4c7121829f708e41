// Reading property values through typed fields and through IrregularFieldValues,
// and the wide-string field's size.

#include "unit/dataset/DatasetFixture.h"

#include "db/DbError.h"
#include "errors/WmiErr.h"

namespace tarnwick::dataset::testing {
namespace {

using namespace db;

class FieldValuesTest : public TDatasetFixture {
protected:
    // Opens a one-row result with the given properties.
    void OpenRow(std::vector<fakes::TFakeProperty> properties) {
        SetResult(u"SELECT * FROM Win32_Thing", {Obj(u"Win32_Thing", std::move(properties))});
        Query->Open();
    }
    TField& F(const WideString& name) { return Query->FieldByName(name); }
};

TEST_F(FieldValuesTest, TypedFieldsConvertByTheirDataType) {
    TVariant embedded = TVariant::FromDispatch(nullptr);
    OpenRow(
        {Prop(u"S16", wbemCimtypeSint16, I4(-5)), Prop(u"U8", wbemCimtypeUint8, I4(200)),
         Prop(u"U16", wbemCimtypeUint16, I4(65535)), Prop(u"S32", wbemCimtypeSint32, I4(-70000)),
         Prop(u"U32", wbemCimtypeUint32, I4(-1)), Prop(u"S64", wbemCimtypeSint64, TVariant(u"-9000000000")),
         Prop(u"U64", wbemCimtypeUint64, TVariant(u"18446744073709551615")),
         Prop(u"EmptyU64", wbemCimtypeUint64, TVariant(u"")), Prop(u"R64", wbemCimtypeReal64, TVariant(2.5)),
         Prop(u"Flag", wbemCimtypeBoolean, TVariant(true)),
         Prop(u"When", wbemCimtypeDatetime, TVariant(u"20240305070809.123456+060")),
         Prop(u"Text", wbemCimtypeString, TVariant(u"hello")),
         Prop(u"Nothing", wbemCimtypeString, TVariant::Null()),
         Prop(u"Ref", wbemCimtypeReference, TVariant(u"\\\\H\\root\\cimv2:Win32_X.Id=\"1\""))});
    EXPECT_EQ(F(u"S16").AsString(), u"-5");
    EXPECT_EQ(F(u"U8").AsString(), u"200");
    EXPECT_EQ(F(u"U16").AsInteger(), 65535);
    EXPECT_EQ(F(u"S32").AsInteger(), -70000);
    EXPECT_EQ(F(u"U32").AsString(), u"4294967295") << "a uint32 delivered as -1";
    EXPECT_EQ(F(u"U32").AsLargeInt(), 4294967295LL);
    EXPECT_EQ(F(u"S64").AsLargeInt(), -9000000000LL);
    EXPECT_EQ(F(u"EmptyU64").AsLargeInt(), 0);
    EXPECT_THROW((void)F(u"U64").AsString(), TConversionError) << "above the signed range in the typed field";
    EXPECT_EQ(F(u"R64").AsFloat(), 2.5);
    EXPECT_EQ(F(u"Flag").AsString(), u"True");
    EXPECT_EQ(F(u"When").AsString(), u"2024-03-05 07:08:09.123");
    EXPECT_EQ(F(u"Text").AsString(), u"hello");
    EXPECT_TRUE(F(u"Nothing").IsNull());
    EXPECT_EQ(F(u"Nothing").AsString(), u"");
    EXPECT_EQ(F(u"Ref").AsString(), u"\\\\H\\root\\cimv2:Win32_X.Id=\"1\"");
}

TEST_F(FieldValuesTest, IrregularFieldValuesReadsRawValuesUnsigned) {
    OpenRow({Prop(u"U32", wbemCimtypeUint32, I4(-1)),
             Prop(u"U64", wbemCimtypeUint64, TVariant(u"18446744073709551615")),
             Prop(u"When", wbemCimtypeDatetime, TVariant(u"20240305070809.123456+060")),
             Prop(u"Count", wbemCimtypeSint32, I4(7))});
    TVariant u32 = Query->IrregularFieldValues(u"U32");
    EXPECT_EQ(u32.Type(), com::VT_UI4);
    EXPECT_EQ(u32.AsText(), u"4294967295");
    TVariant u64 = Query->IrregularFieldValues(u"U64");
    EXPECT_EQ(u64.Type(), com::VT_UI8);
    EXPECT_EQ(u64.AsText(), u"18446744073709551615");
    EXPECT_EQ(Query->IrregularFieldValues(u"When").AsText(), u"20240305070809.123456+060");
    // Read from WMI each time, not from the row cache.
    EXPECT_EQ(F(u"Count").AsInteger(), 7);
    WmiSetPropertyValue(Query->CurrentObject().Get(), u"Count", I4(8));
    EXPECT_EQ(Query->IrregularFieldValues(u"Count").AsInteger(), 8);
    EXPECT_EQ(F(u"Count").AsInteger(), 7) << "the field reads the row's cache";
    int refreshes = 0;
    Query->AfterRefresh = [&refreshes](db::TDataSet&) { ++refreshes; };
    Query->Refresh();
    EXPECT_EQ(F(u"Count").AsInteger(), 8) << "refilling the record reads WMI again";
    EXPECT_EQ(refreshes, 1);
    EXPECT_THROW(Query->IrregularFieldValues(u"Missing"), errors::TWmiException);
}

TEST_F(FieldValuesTest, VariantFieldsShowArraysAndObjects) {
    OpenRow({Prop(u"Numbers", wbemCimtypeSint32, TVariant::Array(com::VT_VARIANT, {I4(1), I4(2), I4(3)}), {},
                  true),
             Prop(u"Texts", wbemCimtypeString,
                  TVariant::Array(com::VT_VARIANT, {TVariant(u"a"), TVariant(u"b")}), {}, true),
             Prop(u"None", wbemCimtypeString, TVariant::Array(com::VT_VARIANT, {}), {}, true),
             Prop(u"Nested", wbemCimtypeSint32,
                  TVariant::Array(com::VT_VARIANT, {TVariant::Array(com::VT_VARIANT, {I4(1)}), I4(2)}), {},
                  true)});
    EXPECT_EQ(F(u"Numbers").AsString(), u"{1, 2, 3}");
    EXPECT_EQ(F(u"Texts").AsString(), u"{a, b}");
    EXPECT_EQ(F(u"None").AsString(), u"{}");
    EXPECT_EQ(F(u"Nested").AsString(), u"{{1}, 2}");
    EXPECT_TRUE(F(u"Numbers").Value().IsArray());
}

TEST_F(FieldValuesTest, EmbeddedObjectsReadAsTextInArraysAndFailInTheirOwnField) {
    // An embedded object is a row object of another query.
    Wbem.AddQueryResult(u"SELECT * FROM Inner", {Obj(u"Inner", {Prop(u"X", wbemCimtypeSint32, I4(1))})});
    TComPtr<ISWbemServices> services = WmiConnectLocal();
    TComPtr<IEnumVARIANT> e = WmiExecQueryEnum(services.Get(), u"SELECT * FROM Inner");
    TVariant object;
    com::ULONG fetched = 0;
    ASSERT_EQ(e->Next(1, &object, &fetched), 0);
    OpenRow({Prop(u"Embedded", wbemCimtypeObject, object),
             Prop(u"Objects", wbemCimtypeObject, TVariant::Array(com::VT_VARIANT, {object}), {}, true)});
    EXPECT_EQ(MessageOf([&] { (void)F(u"Embedded").AsString(); }), u"Unknown data type in field Embedded");
    EXPECT_FALSE(F(u"Embedded").IsNull()) << "the null check converts nothing";
    WideString text = F(u"Objects").AsString();
    EXPECT_EQ(text.front(), u'{');
    EXPECT_NE(text.find(u"instance of Inner"), WideString::npos);
}

TEST_F(FieldValuesTest, WideStringFieldNeverCutsOrOverrunsOnRead) {
    WideString longText(100000, u'x');
    longText.back() = u'!';
    OpenRow({Prop(u"Long", wbemCimtypeString, TVariant(longText)),
             Prop(u"Letter", wbemCimtypeChar16, TVariant(u"abc"))});
    EXPECT_EQ(F(u"Long").AsString(), longText);
    EXPECT_EQ(F(u"Letter").DataSize(), 4);
    EXPECT_EQ(F(u"Letter").AsString(), u"abc") << "a text longer than the field's buffer reads whole";
}

TEST_F(FieldValuesTest, WideStringAssignmentKeepsSizeCharacters) {
    OpenRow({Prop(u"Long", wbemCimtypeString, TVariant(u"")),
             Prop(u"Letter", wbemCimtypeChar16, TVariant(u"a"))});
    Query->SetReadOnly(false);
    Query->Edit();
    F(u"Long").SetAsString(WideString(70000, u'y'));
    EXPECT_EQ(F(u"Long").AsString().size(), 65535u);
    F(u"Letter").SetAsString(u"xyz");
    EXPECT_EQ(F(u"Letter").AsString(), u"xy");
    ASSERT_FALSE(Wbem.SetValueCalls.empty());
    EXPECT_EQ(Wbem.SetValueCalls.back().second.RawText(), u"xy");
}

} // namespace
} // namespace tarnwick::dataset::testing
