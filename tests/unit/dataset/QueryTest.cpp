// Opening the query dataset: field definitions from the first object, the
// failures of the open, the query flags, the cursor over the row buffer, the
// irregular view and the dataset's life beside its connection.

#include "unit/dataset/DatasetFixture.h"

#include "db/DbError.h"
#include "errors/WmiErr.h"

namespace tarnwick::dataset::testing {
namespace {

using namespace db;

struct TCimCase {
    std::int32_t CimType;
    bool IsArray;
    TFieldType Type;
    std::int32_t Size;
};

TEST(CimTypes, MapToFieldTypesAndSizes) {
    const TCimCase cases[] = {
        {2, false, ftSmallint, 0},     {16, false, ftSmallint, 0},  {3, false, ftInteger, 0},
        {4, false, ftFloat, 0},        {5, false, ftFloat, 0},      {8, false, ftWideString, 65535},
        {11, false, ftBoolean, 0},     {13, false, ftInterface, 0}, {17, false, ftWord, 0},
        {18, false, ftWord, 0},        {19, false, ftLongWord, 0},  {20, false, ftLargeint, 0},
        {21, false, ftLargeint, 0},    {101, false, ftDateTime, 0}, {102, false, ftVariant, 0},
        {103, false, ftWideString, 2}, {8, true, ftVariant, 0},     {13, true, ftVariant, 0},
        {99, true, ftVariant, 0},
    };
    for (const TCimCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.CimType) + (c.IsArray ? " array" : ""));
        TFieldType type = ftUnknown;
        std::int32_t size = -1;
        CimTypeToFieldType(c.CimType, c.IsArray, type, size);
        EXPECT_EQ(type, c.Type);
        EXPECT_EQ(size, c.Size);
    }
    TFieldType type;
    std::int32_t size;
    try {
        CimTypeToFieldType(99, false, type, size);
        FAIL();
    } catch (const errors::TWmiException& e) {
        EXPECT_EQ(e.Message(), u"Unsupported CIM data type: 99");
    }
}

class QueryTest : public TDatasetFixture {};

TEST_F(QueryTest, OpenDerivesDefinitionsFieldsAndQualifiersFromTheFirstObject) {
    auto key = Prop(u"Name", wbemCimtypeString, TVariant(u"a"));
    key.Qualifiers = {{u"key", TVariant(true)}, {u"ReadOnly", TVariant(false)}};
    auto fixed = Prop(u"Version", wbemCimtypeString, TVariant(u"1"), {u"READONLY"});
    SetResult(u"SELECT * FROM Win32_Thing",
              {Obj(u"Win32_Thing", {key, fixed, Prop(u"Letter", wbemCimtypeChar16, TVariant(u"x")),
                                    Prop(u"List", wbemCimtypeUint32, TVariant::Null(), {}, true),
                                    Prop(u"Ref", wbemCimtypeReference, TVariant(u"Win32_X.Id=1")),
                                    Prop(u"Count", wbemCimtypeUint32, I4(1))})});
    Query->Open();
    TFieldDefs& defs = Query->FieldDefs();
    ASSERT_EQ(defs.Count(), 6u);
    EXPECT_TRUE(defs.Items(0).Required()) << "KEY in any letter case";
    EXPECT_FALSE(defs.Items(0).Attributes().Contains(TFieldAttribute::faReadonly)) << "READONLY false";
    EXPECT_TRUE(defs.Items(1).Attributes().Contains(TFieldAttribute::faReadonly));
    EXPECT_FALSE(defs.Items(1).Required());
    EXPECT_EQ(defs.Items(2).Size(), 2);
    auto* list = dynamic_cast<TWmiFieldDef*>(&defs.Items(3));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->IsArray());
    EXPECT_EQ(list->DataType(), ftVariant);
    for (std::size_t i = 0; i < defs.Count(); ++i)
        EXPECT_EQ(defs.Items(i).FieldNo(), static_cast<int>(i + 1));

    ASSERT_EQ(Query->Fields().Count(), 6u);
    EXPECT_NE(dynamic_cast<TWmiWideStringField*>(&Query->Fields()[0]), nullptr);
    EXPECT_NE(dynamic_cast<TWmiVariantField*>(&Query->Fields()[3]), nullptr);
    EXPECT_NE(dynamic_cast<TWmiVariantField*>(&Query->Fields()[4]), nullptr);
    EXPECT_NE(dynamic_cast<TLongWordField*>(&Query->Fields()[5]), nullptr);
    EXPECT_EQ(Query->Fields()[0].DisplayWidth(), 1);
    EXPECT_EQ(Query->Fields()[0].DataSize(), 65537);
    EXPECT_TRUE(Query->Fields()[0].Required());
    EXPECT_TRUE(Query->Fields()[1].ReadOnly());
    EXPECT_EQ(Query->Fields()[5].DisplayName(), u"Count");
}

TEST_F(QueryTest, EmptyResultOpensWithoutFields) {
    SetResult(u"SELECT * FROM Win32_None", {});
    Query->Open();
    EXPECT_TRUE(Query->Active());
    EXPECT_EQ(Query->FieldDefs().Count(), 0u);
    EXPECT_EQ(Query->Fields().Count(), 0u);
    EXPECT_TRUE(Query->Eof());
    EXPECT_TRUE(Query->Bof());
    EXPECT_EQ(Query->RecordCount(), 0);
    EXPECT_EQ(Query->RecNo(), 0);
    EXPECT_EQ(Query->CurrentObject(), nullptr);
    EXPECT_THROW(Query->IrregularFieldValues(u"X"), TDatabaseError);
}

TEST_F(QueryTest, OpenFailuresCarryTheStageAndLeaveTheDataSetClosed) {
    Query->SetWQLText(u"  \r\n\t\r\n");
    EXPECT_EQ(MessageOf([&] { Query->Open(); }), u"WQL is not defined (WmiDataSet.InternalOpen)");
    EXPECT_FALSE(Query->Active());

    Query->SetWQLText(u"SELECT * FROM Win32_Unknown");
    WideString unknown = MessageOf([&] { Query->Open(); });
    EXPECT_EQ(unknown.substr(0, 9), u"80041010:");
    EXPECT_EQ(unknown.substr(unknown.size() - 26), u" (WmiDataSet.InternalOpen)");
    EXPECT_FALSE(Query->Active());

    Wbem.ConnectResult = com::Hr(0x80070005);
    Connection->Close();
    WideString refused = MessageOf([&] { Query->Open(); });
    EXPECT_EQ(refused.substr(0, 9), u"80070005:");
    EXPECT_FALSE(Query->Active());

    Query->SetConnection(nullptr);
    EXPECT_EQ(MessageOf([&] { Query->Open(); }), u"Connection is not defined (WmiDataSet.InternalOpen)");
    EXPECT_EQ(Query->GetWmiServices(), nullptr);
}

TEST_F(QueryTest, QueryTextAndFlagsAreSentAsTheyStand) {
    Wbem.AddQueryResult(u"SELECT * FROM Win32_Thing\r\n\r\n", {});
    Query->SetWQLText(u"SELECT * FROM Win32_Thing\r\n\r\n");
    Query->Open();
    ASSERT_EQ(Wbem.QueryCalls.size(), 1u);
    EXPECT_EQ(Wbem.QueryCalls[0].Query, u"SELECT * FROM Win32_Thing\r\n\r\n");
    EXPECT_EQ(Wbem.QueryCalls[0].Language, u"WQL");
    EXPECT_EQ(Wbem.QueryCalls[0].Flags, 16);
    EXPECT_FALSE(Wbem.QueryCalls[0].HasContext);
    Query->SetAsynchronous(false);
    EXPECT_FALSE(Query->Active()) << "changing Asynchronous closes";
    Query->Open();
    EXPECT_EQ(Wbem.QueryCalls.back().Flags, 0);
}

TEST_F(QueryTest, WqlSetterClosesOnlyOnAChangedText) {
    SetResult(u"SELECT * FROM Win32_None", {});
    Query->Open();
    Query->SetWQL({u"SELECT * FROM Win32_None"});
    EXPECT_TRUE(Query->Active());
    Query->WQL().push_back(u"WHERE 1");
    EXPECT_TRUE(Query->Active()) << "writing the lines directly does not close";
    Query->SetWQL({u"SELECT * FROM Win32_Other"});
    EXPECT_FALSE(Query->Active());
    EXPECT_EQ(Query->WQLText(), u"SELECT * FROM Win32_Other\r\n");
}

std::vector<fakes::TFakeObjectSpec> Numbered(int count) {
    std::vector<fakes::TFakeObjectSpec> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Obj(u"Win32_Thing", {Prop(u"Id", wbemCimtypeSint32, I4(i))}));
    return rows;
}

TEST_F(QueryTest, CursorFetchesLazilyAndCountsInTheMiddle) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(1000));
    Query->Open();
    EXPECT_EQ(Wbem.NextCalls, 1);
    Query->Next();
    Query->Next();
    EXPECT_EQ(Query->RecNo(), 3);
    EXPECT_EQ(Wbem.NextCalls, 3);
    EXPECT_EQ(Query->RecordCount(), 1000);
    EXPECT_EQ(Wbem.NextCalls, 1001);
    EXPECT_EQ(Query->RecNo(), 3);
    EXPECT_EQ(Query->FieldByName(u"Id").AsInteger(), 2);
    Query->Next();
    EXPECT_EQ(Query->FieldByName(u"Id").AsInteger(), 3);
    Query->Prior();
    Query->Prior();
    EXPECT_EQ(Query->FieldByName(u"Id").AsInteger(), 1);
    Query->Last();
    EXPECT_EQ(Query->RecNo(), 1000);
    Query->First();
    EXPECT_EQ(Query->RecNo(), 1);
    EXPECT_EQ(Wbem.QueryCalls.size(), 1u) << "First does not run the query again";
    Query->Prior();
    EXPECT_TRUE(Query->Bof());
    EXPECT_EQ(Query->RecNo(), 1);
}

TEST_F(QueryTest, OneRowResultMovesToBothEndsAndBack) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(1));
    Query->Open();
    Query->Last();
    EXPECT_TRUE(Query->Eof());
    Query->Prior();
    EXPECT_TRUE(Query->Bof());
    EXPECT_EQ(Query->RecNo(), 1);
    Query->SetRecNo(1);
    Query->Next();
    EXPECT_TRUE(Query->Eof());
    EXPECT_EQ(Query->FieldByName(u"Id").AsInteger(), 0);
    Query->First();
    EXPECT_FALSE(Query->Eof());
    EXPECT_EQ(Query->RecordCount(), 1);
}

TEST_F(QueryTest, WalkOfATestRunReadsEveryRowOnce) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(5));
    Query->Open();
    std::vector<int> ids;
    while (!Query->Eof()) {
        ids.push_back(Query->FieldByName(u"Id").AsInteger());
        Query->Next();
    }
    EXPECT_EQ(ids, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Wbem.NextCalls, 6);
}

TEST_F(QueryTest, FetchErrorOnTheThirdRowKeepsTheRowsBefore) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(5));
    Wbem.FailNextAtRow = 2;
    Query->Open();
    Query->Next();
    WideString message = MessageOf([&] { Query->Next(); });
    EXPECT_EQ(message.substr(message.size() - 22), u" (TWmiDataBuffer.Next)");
    EXPECT_TRUE(Query->Active());
    EXPECT_EQ(Query->RecordCount(), 2);
    std::vector<int> ids;
    for (Query->First(); !Query->Eof(); Query->Next())
        ids.push_back(Query->FieldByName(u"Id").AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{0, 1}));
}

TEST_F(QueryTest, RecNoAndBookmarks) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(6));
    Query->Open();
    int scrolls = 0;
    Query->AfterScroll = [&scrolls](TDataSet&) { ++scrolls; };
    Query->SetRecNo(4);
    EXPECT_EQ(Query->FieldByName(u"Id").AsInteger(), 3);
    EXPECT_EQ(scrolls, 1);
    TBookmark mark = Query->GetBookmark();
    ASSERT_EQ(mark.size(), 4u);
    EXPECT_EQ(mark[0], 3);
    Query->SetRecNo(100);
    EXPECT_EQ(Query->RecNo(), 6) << "fewer rows: the last";
    Query->GotoBookmark(mark);
    EXPECT_EQ(Query->RecNo(), 4);
    Query->GotoBookmark({9, 0, 0, 0});
    EXPECT_EQ(Query->RecNo(), 4) << "a bookmark beyond the fetched rows leaves the cursor";
    EXPECT_TRUE(Query->BookmarkValid({9, 9, 9, 9}));
    EXPECT_THROW(Query->SetRecNo(0), TListError);
}

TEST_F(QueryTest, RowsOfSeveralClasses) {
    SetResult(u"SELECT * FROM Meta_Class", {Obj(u"A", {Prop(u"Alpha", wbemCimtypeString, TVariant(u"a1"))}),
                                            Obj(u"B", {Prop(u"Beta", wbemCimtypeSint32, I4(2)),
                                                       Prop(u"Gamma", wbemCimtypeString, TVariant(u"g"))})});
    Query->Open();
    ASSERT_EQ(Query->Fields().Count(), 1u);
    Query->Next();
    WideString missing = MessageOf([&] { (void)Query->FieldByName(u"Alpha").AsString(); });
    EXPECT_EQ(missing.substr(0, 9), u"80041002:") << "the property lookup's WMI error";
    Query->Close();

    Query->SetIrregularView(true);
    Query->Open();
    ASSERT_EQ(Query->Fields().Count(), 1u);
    EXPECT_EQ(Query->Fields()[0].FieldName(), u"Object");
    EXPECT_NE(dynamic_cast<TWmiVariantField*>(&Query->Fields()[0]), nullptr);
    ASSERT_EQ(Query->IrregularFieldDefs().Count(), 1u);
    EXPECT_EQ(Query->IrregularFieldDefs().Items(0).Name(), u"Alpha");
    EXPECT_NE(Query->FieldByName(u"Object").AsString().find(u"instance of A"), WideString::npos);
    Query->Next();
    ASSERT_EQ(Query->IrregularFieldDefs().Count(), 2u);
    EXPECT_EQ(Query->IrregularFieldDefs().Items(1).Name(), u"Gamma");
    EXPECT_EQ(Query->IrregularFieldValues(u"Beta").AsInteger(), 2);
    EXPECT_FALSE(Query->FieldByName(u"Object").IsNull());
    Query->Next(); // the end: the cursor keeps row B and its definitions
    EXPECT_TRUE(Query->Eof());
    EXPECT_EQ(Query->IrregularFieldDefs().Count(), 2u);
    Query->SetIrregularView(false);
    EXPECT_FALSE(Query->Active());
    EXPECT_EQ(Query->IrregularFieldDefs().Count(), 0u);
}

TEST_F(QueryTest, ClosedDataSetTakesDefinitionsFromThePrototype) {
    Wbem.SetPrototype(u"SELECT * FROM Win32_Thing\r\n",
                      Obj(u"Win32_Thing", {Prop(u"Id", wbemCimtypeSint32, TVariant::Null(), {u"KEY"}),
                                           Prop(u"Size", wbemCimtypeUint64, TVariant::Null())}));
    Wbem.AddQueryResult(u"SELECT * FROM Win32_Thing\r\n", {});
    Query->SetWQLText(u"SELECT * FROM Win32_Thing");
    Query->UpdateFieldDefs();
    ASSERT_EQ(Query->FieldDefs().Count(), 2u);
    EXPECT_EQ(Query->FieldDefs().Items(1).DataType(), ftLargeint);
    EXPECT_EQ(Wbem.QueryCalls.back().Flags, 18);
    ASSERT_FALSE(Wbem.ConnectCalls.empty());
    EXPECT_EQ(Wbem.ConnectCalls.back().NameSpace, u"root\\cimv2");

    Query->SetIrregularView(true);
    Query->UpdateFieldDefs();
    ASSERT_EQ(Query->FieldDefs().Count(), 1u);
    EXPECT_EQ(Query->FieldDefs().Items(0).Name(), u"Object");

    Query->SetWQLText(u" ");
    Query->UpdateFieldDefs();
    EXPECT_EQ(Query->FieldDefs().Count(), 0u);
}

TEST_F(QueryTest, FieldsDefinedBeforehandAreBoundAndKept) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(2));
    Query->Fields().Add(std::make_unique<TIntegerField>()).SetFieldName(u"ID");
    Query->Open();
    EXPECT_FALSE(Query->DefaultFields());
    ASSERT_EQ(Query->Fields().Count(), 1u);
    EXPECT_EQ(Query->Fields()[0].FieldNo(), 1);
    Query->Next();
    EXPECT_EQ(Query->FieldByName(u"Id").AsInteger(), 1);
    Query->Close();
    EXPECT_EQ(Query->Fields().Count(), 1u);

    // An empty result has nothing to bind to and still opens.
    SetResult(u"SELECT * FROM Win32_None", {});
    Query->Open();
    EXPECT_TRUE(Query->IsEmpty());
    EXPECT_TRUE(Query->FieldByName(u"Id").IsNull());
}

TEST_F(QueryTest, AfterOpenErrorIsMarkedAndTheDataSetStaysOpen) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(1));
    Query->AfterOpen = [](TDataSet&) { DatabaseError(u"boom"); };
    EXPECT_EQ(MessageOf([&] { Query->Open(); }), u"boom(WmiDataSet.DoAfterOpen)");
    EXPECT_TRUE(Query->Active());
}

TEST_F(QueryTest, ObjectSourceAndConnectionLifetime) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(2));
    EXPECT_EQ(Query->GetWmiObject(), nullptr);
    Query->Open();
    wmi::IWmiObjectSource& source = *Query;
    EXPECT_EQ(source.GetImplementingComponent(), Query.get());
    EXPECT_EQ(source.GetWmiObject(), Query->CurrentObject());
    EXPECT_NE(source.GetWmiObject(), nullptr);
    EXPECT_EQ(source.GetWmiServices(), Connection->WMIServices());
    int closes = 0;
    Query->AfterClose = [&closes](TDataSet&) { ++closes; };
    Connection.reset();
    EXPECT_FALSE(Query->Active());
    EXPECT_EQ(Query->Connection(), nullptr);
    EXPECT_EQ(closes, 1);
}

TEST_F(QueryTest, DataSetOwnedByAComponentGoesWithIt) {
    SetResult(u"SELECT * FROM Win32_Thing", Numbered(2));
    auto owner = std::make_unique<db::TComponent>();
    auto* owned = new TWmiQuery(owner.get()); // owned from this line on
    owned->SetConnection(Connection.get());
    owned->SetWQLText(u"SELECT * FROM Win32_Thing");
    owned->Open();
    int before = fakes::TFakeWbem::LiveObjects();
    owner.reset();
    EXPECT_LT(fakes::TFakeWbem::LiveObjects(), before) << "closing released the fetched objects";
    Connection.reset(); // no dangling link back to the freed dataset
}

} // namespace
} // namespace tarnwick::dataset::testing
