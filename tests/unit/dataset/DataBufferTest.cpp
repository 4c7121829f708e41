// The row buffer and its per-row cache over the fake enumerator.

#include "dataset/WmiDataBuffer.h"
#include "db/DbError.h"
#include "errors/WmiErr.h"
#include "fakes/FakeWbem.h"
#include "wmi/WmiUtil.h"

#include <gtest/gtest.h>

namespace tarnwick::dataset::testing {
namespace {

using fakes::Obj;
using fakes::Prop;
using namespace wmi;

class DataBufferTest : public ::testing::Test {
protected:
    // A buffer over `count` rows of Win32_Thing with the property Id = row number.
    std::unique_ptr<TWmiDataBuffer> Buffer(int count) {
        std::vector<fakes::TFakeObjectSpec> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back(Obj(u"Win32_Thing", {Prop(u"Id", wbemCimtypeSint32, TVariant(std::int32_t(i)))}));
        Wbem.AddQueryResult(u"SELECT * FROM Win32_Thing", rows);
        TComPtr<ISWbemServices> services = WmiConnectLocal();
        TComPtr<IEnumVARIANT> enumerator = WmiExecQueryEnum(services.Get(), u"SELECT * FROM Win32_Thing");
        return std::make_unique<TWmiDataBuffer>(enumerator.Get());
    }
    static int CurrentId(const TWmiDataBuffer& buffer) {
        return buffer.Record()->GetPropertyValueByName(u"Id").AsInteger();
    }
    fakes::TFakeWbem Wbem;
};

TEST_F(DataBufferTest, EmptyResultIsAtItsEndFromTheStart) {
    auto buffer = Buffer(0);
    EXPECT_EQ(buffer->Record(), nullptr);
    EXPECT_TRUE(buffer->Eof());
    EXPECT_TRUE(buffer->Bof());
    EXPECT_TRUE(buffer->AllRetrieved());
    EXPECT_EQ(buffer->Count(), 0);
    EXPECT_EQ(buffer->RecordCount(), 0);
    EXPECT_THROW(buffer->GoToIndex(0), db::TListError);
}

TEST_F(DataBufferTest, OneRowFirstNextStaysSecondFindsTheEnd) {
    auto buffer = Buffer(1);
    ASSERT_NE(buffer->Record(), nullptr);
    EXPECT_EQ(buffer->Record()->Index(), 0);
    EXPECT_TRUE(buffer->BeforeFirstRecord());
    EXPECT_FALSE(buffer->Eof());
    EXPECT_TRUE(buffer->Bof());
    EXPECT_EQ(Wbem.NextCalls, 1) << "creating the buffer fetches the first object only";
    buffer->Next();
    EXPECT_EQ(buffer->BufferIndex(), 0);
    ASSERT_NE(buffer->Record(), nullptr);
    buffer->Next();
    EXPECT_EQ(buffer->Record(), nullptr);
    EXPECT_TRUE(buffer->Eof());
    EXPECT_TRUE(buffer->AllRetrieved());
    int calls = Wbem.NextCalls;
    buffer->Next();
    EXPECT_EQ(Wbem.NextCalls, calls) << "the enumerator is not asked again after its end";
    EXPECT_TRUE(buffer->Eof());
}

TEST_F(DataBufferTest, PrevOnRowZeroLeavesNoCurrentRow) {
    auto buffer = Buffer(2);
    buffer->Next(); // steps onto row 0
    buffer->Prev();
    EXPECT_EQ(buffer->Record(), nullptr);
    EXPECT_TRUE(buffer->Bof());
}

TEST_F(DataBufferTest, RecordCountInTheMiddleFetchesTheRestAndReturns) {
    auto buffer = Buffer(50);
    buffer->Next();
    for (int i = 0; i < 9; ++i)
        buffer->Next();
    EXPECT_EQ(CurrentId(*buffer), 9);
    EXPECT_EQ(Wbem.NextCalls, 10);
    EXPECT_EQ(buffer->RecordCount(), 50);
    EXPECT_EQ(Wbem.NextCalls, 51);
    EXPECT_EQ(CurrentId(*buffer), 9);
    EXPECT_EQ(buffer->RecordCount(), 50);
    EXPECT_EQ(Wbem.NextCalls, 51) << "nothing is fetched twice";
}

TEST_F(DataBufferTest, GoToIndexFetchesAsNeededAndStopsAtTheLastRow) {
    auto buffer = Buffer(5);
    buffer->GoToIndex(3);
    EXPECT_EQ(buffer->Count(), 4);
    EXPECT_EQ(CurrentId(*buffer), 3);
    EXPECT_FALSE(buffer->Eof());
    buffer->GoToIndex(10);
    EXPECT_EQ(CurrentId(*buffer), 4);
    EXPECT_TRUE(buffer->Eof());
    buffer->GoToIndex(0);
    EXPECT_TRUE(buffer->Bof());
    EXPECT_THROW(buffer->GoToIndex(-1), db::TListError);
}

TEST_F(DataBufferTest, FailedFetchKeepsEarlierRowsAndNamesTheStage) {
    Wbem.FailNextAtRow = 2;
    Wbem.NextFailure = com::Hr(0x80041001);
    auto buffer = Buffer(4);
    buffer->Next();
    buffer->Next();
    try {
        buffer->Next();
        FAIL();
    } catch (const errors::TWmiException& e) {
        EXPECT_EQ(e.ErrorCode(), com::Hr(0x80041001));
        WideString suffix = u" (TWmiDataBuffer.Next)";
        EXPECT_EQ(e.Message().substr(0, 9), u"80041001:");
        EXPECT_EQ(e.Message().substr(e.Message().size() - suffix.size()), suffix);
    }
    EXPECT_EQ(buffer->Record(), nullptr);
    EXPECT_TRUE(buffer->Eof());
    EXPECT_TRUE(buffer->AllRetrieved());
    EXPECT_EQ(buffer->RecordCount(), 2);
    buffer->GoToIndex(1);
    EXPECT_EQ(CurrentId(*buffer), 1);
}

TEST_F(DataBufferTest, DeleteRecordRenumbersAndKeepsACurrentRow) {
    auto buffer = Buffer(3);
    buffer->Last();
    EXPECT_EQ(CurrentId(*buffer), 2);
    buffer->DeleteRecord(2);
    EXPECT_EQ(CurrentId(*buffer), 1) << "deleting the current last row makes the new last row current";
    EXPECT_TRUE(buffer->Eof());
    buffer->DeleteRecord(0);
    EXPECT_EQ(buffer->Count(), 1);
    EXPECT_EQ(buffer->Row(0).Index(), 0);
    EXPECT_EQ(CurrentId(*buffer), 1);
    buffer->DeleteRecord(7); // beyond the rows: nothing
    buffer->DeleteRecord(0);
    EXPECT_EQ(buffer->Count(), 0);
    EXPECT_EQ(buffer->Record(), nullptr);
    EXPECT_TRUE(buffer->Bof());
    EXPECT_TRUE(buffer->Eof());
}

TEST_F(DataBufferTest, DeleteBeforeTheEndStillLetsRecordCountFetchTheRest) {
    auto buffer = Buffer(6);
    buffer->GoToIndex(2);
    buffer->DeleteRecord(2); // the current last fetched row: sets Eof early
    EXPECT_EQ(buffer->RecordCount(), 5);
    buffer->Last();
    EXPECT_EQ(CurrentId(*buffer), 5);
}

TEST_F(DataBufferTest, HolderCachesByNameWithoutLetterCase) {
    auto buffer = Buffer(1);
    TInterfaceHolder& row = *buffer->Record();
    EXPECT_EQ(row.GetPropertyValueByName(u"Id").AsInteger(), 0);
    // Change the value behind the holder's back: the cache still answers.
    WmiSetPropertyValue(row.WbemObject(), u"Id", TVariant(std::int32_t(99)));
    EXPECT_EQ(row.GetPropertyValueByName(u"ID").AsInteger(), 0);
    EXPECT_EQ(row.GetPropertyValueByName(u"id").AsInteger(), 0);
    EXPECT_EQ(row.CacheCount(), 1u);
    row.ClearCache();
    EXPECT_EQ(row.GetPropertyValueByName(u"Id").AsInteger(), 99);

    EXPECT_THROW(row.GetPropertyValueByName(u"Missing"), errors::TWmiException);
    EXPECT_EQ(row.CacheCount(), 1u) << "a failed lookup caches nothing";
    TInterfaceHolder empty(nullptr, 0);
    EXPECT_TRUE(empty.GetPropertyValueByName(u"Id").IsNull());
}

TEST_F(DataBufferTest, ManyNamesStaySortedForTheSearch) {
    std::vector<fakes::TFakeProperty> props;
    for (int i = 0; i < 30; ++i)
        props.push_back(
            Prop(u"P" + IntToStr((i * 7) % 30), wbemCimtypeSint32, TVariant(std::int32_t((i * 7) % 30))));
    // Underscores sort between upper and lower case letters: the order must fold case.
    const char16_t* mixed[] = {u"a_b", u"A_C", u"aB", u"_x", u"Zed", u"z_"};
    for (int i = 0; i < 6; ++i)
        props.push_back(Prop(mixed[i], wbemCimtypeSint32, TVariant(std::int32_t(100 + i))));
    Wbem.AddQueryResult(u"SELECT * FROM Wide", {Obj(u"Wide", props)});
    TComPtr<ISWbemServices> services = WmiConnectLocal();
    TWmiDataBuffer buffer(WmiExecQueryEnum(services.Get(), u"SELECT * FROM Wide").Get());
    TInterfaceHolder& row = *buffer.Record();
    for (int round = 0; round < 2; ++round) {
        for (int i = 29; i >= 0; --i)
            EXPECT_EQ(row.GetPropertyValueByName(u"p" + IntToStr(i)).AsInteger(), i);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(row.GetPropertyValueByName(AsciiUpperCase(mixed[i])).AsInteger(), 100 + i)
                << ToUtf8(mixed[i]);
    }
    EXPECT_EQ(row.CacheCount(), 36u);
}

} // namespace
} // namespace tarnwick::dataset::testing
