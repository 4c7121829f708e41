// The dataset framework on a small in-memory dataset: cursor, events, bookmarks
// and the edit states.

#include "unit/db/MemoryDataSet.h"

#include <gtest/gtest.h>

namespace tarnwick::db::testing {
namespace {

using com::TVariant;

std::unique_ptr<TMemoryDataSet> ThreeRows() {
    return std::make_unique<TMemoryDataSet>(
        std::vector<TColumn>{{u"Id", ftInteger}, {u"Name", ftWideString, 40}},
        std::vector<std::vector<TVariant>>{{TVariant(std::int32_t(1)), TVariant(u"one")},
                                           {TVariant(std::int32_t(2)), TVariant(u"two")},
                                           {TVariant(std::int32_t(3)), TVariant(u"three")}});
}

std::vector<int> Walk(TDataSet& ds) {
    std::vector<int> ids;
    for (ds.First(); !ds.Eof(); ds.Next())
        ids.push_back(ds.FieldByName(u"id").AsInteger());
    return ids;
}

TEST(DbDataSet, OpenStandsOnFirstRowAndWalksForwardAndBack) {
    auto ds = ThreeRows();
    ds->Open();
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(Walk(*ds), (std::vector<int>{1, 2, 3}));
    // At the end the cursor keeps the last row.
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 3);
    ds->Prior();
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 2);
    ds->Prior();
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 1);
    ds->Last();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_GE(ds->ClearBuffersCalls, 1);
    ds->Close();
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(ds->Fields().Count(), 0u) << "automatic fields go with the close";
}

TEST(DbDataSet, EmptyDataSetIsAtBothEnds) {
    TMemoryDataSet ds({{u"Id", ftInteger}});
    ds.Open();
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.FieldByName(u"Id").IsNull());
    ds.Next();
    ds.Last();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.GetBookmark().empty());
    EXPECT_THROW(ds.Delete(), TDatabaseError);
    EXPECT_THROW(ds.Edit(), TDatabaseError);
}

TEST(DbDataSet, EventsSurroundOpenMovesAndClose) {
    auto ds = ThreeRows();
    std::vector<std::string> log;
    auto record = [&log](const char* name) { return [&log, name](TDataSet&) { log.push_back(name); }; };
    ds->BeforeOpen = record("BeforeOpen");
    ds->AfterOpen = record("AfterOpen");
    ds->BeforeScroll = record("BeforeScroll");
    ds->AfterScroll = record("AfterScroll");
    ds->BeforeClose = record("BeforeClose");
    ds->AfterClose = record("AfterClose");
    ds->Open();
    ds->Next();
    ds->Close();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "AfterScroll", "BeforeScroll",
                                             "AfterScroll", "BeforeClose", "AfterClose"}));
}

TEST(DbDataSet, FailingOpenLeavesTheDataSetClosed) {
    auto ds = ThreeRows();
    ds->AfterOpen = [](TDataSet&) {};
    ds->Fields().Add(CreateStandardField(ftInteger, 0)).SetFieldName(u"Missing");
    try {
        ds->Open();
        FAIL() << "a field without definition must fail the open";
    } catch (const TDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Field 'Missing' not found");
    }
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(ds->Fields().Count(), 1u) << "fields defined beforehand stay";
}

TEST(DbDataSet, BookmarksReturnToTheirRow) {
    auto ds = ThreeRows();
    ds->Open();
    ds->Next();
    TBookmark mark = ds->GetBookmark();
    EXPECT_EQ(mark.size(), 4u);
    ds->Last();
    ds->GotoBookmark(mark);
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 2);
    EXPECT_FALSE(ds->Eof());
    ds->FreeBookmark(mark);
    EXPECT_TRUE(mark.empty());
}

TEST(DbDataSet, EditPostAndCancel) {
    auto ds = ThreeRows();
    ds->Open();
    TField& name = ds->FieldByName(u"Name");
    try {
        name.SetAsString(u"x");
        FAIL();
    } catch (const TDatabaseError& e) {
        EXPECT_EQ(e.Message(), u"Dataset not in edit or insert mode");
    }
    ds->Edit();
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
    name.SetAsString(u"uno");
    EXPECT_TRUE(ds->Modified());
    ds->Post();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds->Rows[0][1].RawText(), u"uno");

    ds->Edit();
    name.SetAsString(u"discarded");
    ds->Cancel();
    EXPECT_EQ(name.AsString(), u"uno");
    EXPECT_EQ(ds->Rows[0][1].RawText(), u"uno");

    // A move posts a changed edit and cancels an unchanged one.
    ds->Edit();
    name.SetAsString(u"moved");
    ds->Next();
    EXPECT_EQ(ds->Rows[0][1].RawText(), u"moved");
    ds->Edit();
    ds->Next();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_THROW(ds->Post(), TDatabaseError) << "Post outside edit mode";
}

TEST(DbDataSet, ReadOnlyRefusesEditsBeforeAnythingElse) {
    auto ds = ThreeRows();
    ds->Writable = false;
    int events = 0;
    ds->BeforeEdit = ds->BeforeInsert = [&events](TDataSet&) { ++events; };
    for (auto op : {&TDataSet::Edit, &TDataSet::Insert, &TDataSet::Append}) {
        try {
            ((*ds).*op)();
            FAIL();
        } catch (const TDatabaseError& e) {
            EXPECT_EQ(e.Message(), u"Cannot modify a read-only dataset");
        }
    }
    EXPECT_EQ(events, 0);
}

TEST(DbDataSet, InsertAppendAndCancelledInsert) {
    auto ds = ThreeRows();
    ds->Open();
    ds->Next(); // on 2
    ds->Insert();
    EXPECT_EQ(ds->State(), TDataSetState::dsInsert);
    EXPECT_TRUE(ds->FieldByName(u"Id").IsNull());
    ds->FieldByName(u"Id").SetAsInteger(10);
    ds->Post();
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 10);
    EXPECT_EQ(Walk(*ds), (std::vector<int>{1, 10, 2, 3}));

    ds->AppendRecord({TVariant(std::int32_t(20)), TVariant(u"twenty")});
    EXPECT_EQ(Walk(*ds), (std::vector<int>{1, 10, 2, 3, 20}));

    ds->First();
    ds->Insert();
    ds->Cancel();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 1);
    EXPECT_EQ(ds->RecordCount(), 5);
}

TEST(DbDataSet, DeleteMovesToTheNextRowOrEmpties) {
    auto ds = ThreeRows();
    ds->Open();
    ds->Delete();
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 2);
    ds->Last();
    ds->Delete();
    EXPECT_EQ(ds->FieldByName(u"Id").AsInteger(), 2) << "deleting the last row lands on the new last row";
    ds->Delete();
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_TRUE(ds->Eof());
    EXPECT_TRUE(ds->Bof());
}

} // namespace
} // namespace tarnwick::db::testing
