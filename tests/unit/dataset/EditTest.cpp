// Locate, writing fields into the row's WMI object, Post, Cancel, Delete and the
// refused Insert and Append.

#include "unit/dataset/DatasetFixture.h"

#include "db/DbError.h"
#include "errors/WmiErr.h"

namespace tarnwick::dataset::testing {
namespace {

using namespace db;

const WideString kPathPrefix = u"\\\\FAKEHOST\\root\\cimv2:";

class EditTest : public TDatasetFixture {
protected:
    EditTest() {
        std::vector<fakes::TFakeObjectSpec> rows;
        const char16_t* names[] = {u"alpha", u"ABCdef", u"abc", u"beta"};
        for (int i = 0; i < 4; ++i) {
            WideString path = u"Win32_Thing.Id=" + IntToStr(i);
            auto row = Obj(u"Win32_Thing",
                           {Prop(u"Id", wbemCimtypeSint32, I4(i), {u"KEY"}),
                            Prop(u"Name", wbemCimtypeString, TVariant(names[i])),
                            Prop(u"Size", wbemCimtypeUint32, I4(10)),
                            Prop(u"Fixed", wbemCimtypeString, TVariant(u"f"), {u"READONLY"}),
                            Prop(u"When", wbemCimtypeDatetime, TVariant(u"20240101000000.000000+000")),
                            Prop(u"Tags", wbemCimtypeString, TVariant::Null(), {}, true)},
                           path);
            Wbem.AddObject(kPathPrefix + path, row);
            rows.push_back(row);
        }
        SetResult(u"SELECT * FROM Win32_Thing", rows);
        Query->Open();
    }
    TField& F(const WideString& name) { return Query->FieldByName(name); }
    int Id() { return F(u"Id").AsInteger(); }
};

struct TLocateCase {
    const char16_t* Key;
    bool Partial, CaseInsensitive;
    int FoundId; // -1: not found
};

TEST_F(EditTest, LocateByOneKeyField) {
    const TLocateCase cases[] = {
        {u"abc", true, false, 1}, {u"abc", false, false, 2},  {u"ABC", false, false, -1},
        {u"ABC", false, true, 2}, {u"beta", false, false, 3}, {u"BE", true, false, 3},
        {u"zzz", true, true, -1},
    };
    for (const TLocateCase& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Key) + (c.Partial ? " partial" : "") + (c.CaseInsensitive ? " nocase" : ""));
        Query->SetRecNo(1);
        TLocateOptions options;
        if (c.Partial) options = options + TLocateOption::loPartialKey;
        if (c.CaseInsensitive) options = options + TLocateOption::loCaseInsensitive;
        bool found = Query->Locate(u"Name", TVariant(c.Key), options);
        EXPECT_EQ(found, c.FoundId >= 0);
        EXPECT_EQ(Id(), c.FoundId >= 0 ? c.FoundId : 0) << "not found: back where it was";
    }
}

TEST_F(EditTest, LocateBySeveralKeyFields) {
    Query->SetRecNo(4);
    EXPECT_TRUE(
        Query->Locate(u" Id ; Name;", TVariant::Array(com::VT_VARIANT, {I4(2), TVariant(u"abc")}), {}));
    EXPECT_EQ(Id(), 2);
    EXPECT_FALSE(Query->Locate(u"Id;Name", TVariant::Array(com::VT_VARIANT, {I4(2), TVariant(u"beta")}), {}));
    EXPECT_EQ(Id(), 2);
    EXPECT_TRUE(Query->Locate(u"Id", TVariant::Array(com::VT_VARIANT, {I4(3)}), {}));
    EXPECT_EQ(Id(), 3);
    EXPECT_EQ(MessageOf([&] { Query->Locate(u"Id;Name", TVariant(u"abc"), {}); }),
              u"Incorrectly formed filter expression");
    EXPECT_EQ(MessageOf([&] { Query->Locate(u"Id;Name", TVariant::Array(com::VT_VARIANT, {I4(1)}), {}); }),
              u"Incorrectly formed filter expression");
    EXPECT_EQ(MessageOf([&] { Query->Locate(u"Missing", I4(1), {}); }), u"Field 'Missing' not found");
    EXPECT_EQ(MessageOf([&] {
                  Query->Locate(u";Id", TVariant::Array(com::VT_VARIANT, {I4(1), I4(1)}), {});
              }),
              u"Field '' not found")
        << "an empty piece before a ';' is kept";
}

TEST_F(EditTest, ReadOnlyRefusesEditButDeleteStillDeletes) {
    EXPECT_EQ(MessageOf([&] { Query->Edit(); }), u"Cannot modify a read-only dataset");
    EXPECT_EQ(MessageOf([&] { F(u"Name").SetAsString(u"x"); }), u"Cannot modify a read-only dataset");
    EXPECT_EQ(Query->RecordCount(), 4);
    Query->SetRecNo(2);
    Query->Delete();
    ASSERT_EQ(Wbem.DeleteCalls.size(), 1u);
    EXPECT_EQ(Query->RecordCount(), 3);
    EXPECT_EQ(Id(), 2) << "the row after the deleted one";
    EXPECT_EQ(Query->RecNo(), 2) << "the rows after it are renumbered";
}

TEST_F(EditTest, WritesGoIntoTheObjectByTheConversionTable) {
    Query->SetReadOnly(false);
    Query->Edit();
    F(u"Name").SetAsString(u"renamed");
    EXPECT_EQ(F(u"Name").AsString(), u"renamed") << "the row's cache was emptied";
    F(u"Size").SetAsString(u"4294967295");
    ASSERT_EQ(Wbem.SetValueCalls.size(), 2u);
    EXPECT_EQ(Wbem.SetValueCalls[1].second.Type(), com::VT_UI4);
    EXPECT_EQ(F(u"Size").AsString(), u"4294967295");
    F(u"Id").SetAsInteger(9);
    EXPECT_EQ(Wbem.SetValueCalls.back().second.Type(), com::VT_I4);
    F(u"When").SetAsDateTime(EncodeDateTime({2024, 3, 5, 7, 8, 9, 123}));
    WideString dmtf = Wbem.SetValueCalls.back().second.RawText();
    EXPECT_EQ(dmtf.substr(0, 21), u"20240305070809.123000");
    EXPECT_EQ(dmtf.size(), 25u);
    F(u"Tags").SetAsString(u"{a, b}");
    TVariant tags = Wbem.SetValueCalls.back().second;
    ASSERT_TRUE(tags.IsArray());
    EXPECT_EQ(F(u"Tags").AsString(), u"{a, b}");
    F(u"Tags").Clear();
    EXPECT_TRUE(Wbem.SetValueCalls.back().second.IsNull());
    EXPECT_TRUE(F(u"Tags").IsNull());
    std::size_t writes = Wbem.SetValueCalls.size();

    EXPECT_EQ(MessageOf([&] { F(u"Fixed").SetAsString(u"x"); }), u"Field 'Fixed' cannot be modified");
    EXPECT_NE(MessageOf([&] { F(u"Name").Clear(); }).find(u"cannot be cleared"), WideString::npos);
    EXPECT_EQ(Wbem.SetValueCalls.size(), writes) << "refused writes reach no object";

    Query->Post();
    ASSERT_EQ(Wbem.PutCalls.size(), 1u);
    const fakes::TFakeObjectSpec* stored = Wbem.StoredObject(u"Win32_Thing.Id=0");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Properties[1].Value.RawText(), u"renamed");
}

TEST_F(EditTest, CancelFetchesTheObjectAgain) {
    Query->SetReadOnly(false);
    Query->SetRecNo(2);
    Query->Edit();
    F(u"Name").SetAsString(u"changed");
    EXPECT_EQ(F(u"Name").AsString(), u"changed");
    Query->Cancel();
    ASSERT_FALSE(Wbem.GetCalls.empty());
    EXPECT_EQ(Wbem.GetCalls.back().Path, kPathPrefix + u"Win32_Thing.Id=1");
    EXPECT_EQ(Wbem.GetCalls.back().Flags, 0);
    EXPECT_EQ(F(u"Name").AsString(), u"ABCdef");
    EXPECT_TRUE(Wbem.PutCalls.empty());
    // The buffer's row holds the fresh object too.
    Query->Next();
    Query->Prior();
    EXPECT_EQ(F(u"Name").AsString(), u"ABCdef");
}

TEST_F(EditTest, MovingPostsAChangedEdit) {
    Query->SetReadOnly(false);
    Query->Edit();
    F(u"Name").SetAsString(u"moved");
    Query->Next();
    EXPECT_EQ(Wbem.PutCalls.size(), 1u);
    Query->Edit();
    Query->Next();
    EXPECT_EQ(Wbem.PutCalls.size(), 1u) << "an unchanged edit is cancelled";
}

TEST_F(EditTest, FailedPostKeepsTheEdit) {
    Query->SetReadOnly(false);
    Query->Edit();
    F(u"Name").SetAsString(u"x");
    Wbem.PutResult = com::Hr(0x80041003);
    EXPECT_THROW(Query->Post(), errors::TWmiException);
    EXPECT_EQ(Query->State(), TDataSetState::dsEdit);
}

TEST_F(EditTest, InsertAndAppendAreRefused) {
    Query->SetReadOnly(false);
    Query->SetRecNo(3);
    const WideString refused = u"Cannot perform this operation on an open dataset";
    EXPECT_EQ(MessageOf([&] { Query->Insert(); }), refused);
    EXPECT_EQ(MessageOf([&] { Query->Append(); }), refused);
    EXPECT_EQ(MessageOf([&] { Query->AppendRecord({I4(1)}); }), refused);
    EXPECT_EQ(Query->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Id(), 2) << "the current row is kept";
    EXPECT_EQ(Wbem.NextCalls, 3) << "refusing fetches nothing";
}

TEST_F(EditTest, DeletingEveryRowEmptiesTheDataSet) {
    for (int i = 0; i < 4; ++i)
        Query->Delete();
    EXPECT_TRUE(Query->IsEmpty());
    EXPECT_TRUE(Query->Eof());
    EXPECT_EQ(Query->RecordCount(), 0);
    EXPECT_EQ(Query->CurrentObject(), nullptr);
    EXPECT_EQ(Wbem.DeleteCalls.size(), 4u);
    EXPECT_THROW(Query->Delete(), TDatabaseError);
}

} // namespace
} // namespace tarnwick::dataset::testing
