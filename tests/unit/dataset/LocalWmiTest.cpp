// The query dataset on this computer's local WMI source, read as the test run
// reads it: every field of every row, raw value first, the typed text as fallback.

#include "platform/localwmi/LocalWmi.h"
#include "dataset/WmiDataSet.h"
#include "wmi/WmiUtil.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tarnwick::dataset::testing {
namespace {

class LocalWmiDataSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { localwmi::RegisterLocalWmi(); }

    void Open(const WideString& wql) {
        Connection = std::make_unique<wmi::TWmiConnection>();
        Query = std::make_unique<TWmiQuery>();
        Query->SetConnection(Connection.get());
        Query->SetWQLText(wql);
        Query->Open();
    }

    // Reads every cell of every row in both modes; returns the number of rows.
    int ReadAll() {
        int rows = 0;
        while (!Query->Eof()) {
            for (std::size_t q = 0; q < Query->Fields().Count(); ++q) {
                db::TField& field = Query->FieldByName(Query->Fields()[q].FieldName());
                if (field.IsNull()) continue;
                WideString text;
                try {
                    text = wmi::WmiValueToText(Query->IrregularFieldValues(field.FieldName()));
                } catch (const Exception&) {
                    text = field.AsString(); // the fallback of the default mode
                }
                try {
                    (void)field.AsString();
                } catch (const TConversionError&) {
                    // a uint64 above the signed range: the typed view cannot show it
                    EXPECT_EQ(field.DataType(), db::ftLargeint) << ToUtf8(field.FieldName());
                }
            }
            Query->Next();
            ++rows;
        }
        return rows;
    }

    std::unique_ptr<wmi::TWmiConnection> Connection;
    std::unique_ptr<TWmiQuery> Query;
};

TEST_F(LocalWmiDataSetTest, OperatingSystemHasOneRowOfReadableFields) {
    Open(u"SELECT * FROM Win32_OperatingSystem");
    EXPECT_GT(Query->Fields().Count(), 10u);
    ASSERT_NE(Query->FindField(u"Caption"), nullptr);
    EXPECT_FALSE(Query->FieldByName(u"Caption").AsString().empty());
    EXPECT_EQ(ReadAll(), 1);
    EXPECT_EQ(Query->RecordCount(), 1);
}

TEST_F(LocalWmiDataSetTest, ProcessesIncludeThisOne) {
    Open(u"SELECT * FROM Win32_Process");
    ASSERT_NE(Query->FindField(u"ProcessId"), nullptr);
    EXPECT_EQ(Query->FieldByName(u"ProcessId").DataType(), db::ftLongWord);
    EXPECT_GT(ReadAll(), 1);
    EXPECT_TRUE(Query->Locate(u"ProcessId", TVariant(std::int32_t(getpid())), {}));
    EXPECT_EQ(Query->FieldByName(u"ProcessId").AsLargeInt(), getpid());
    EXPECT_FALSE(Query->FieldByName(u"Name").AsString().empty());
}

TEST_F(LocalWmiDataSetTest, UnknownClassFailsTheOpenWithItsStage) {
    try {
        Open(u"SELECT * FROM Win32_NoSuchClass");
        FAIL();
    } catch (const Exception& e) {
        WideString m = e.Message();
        EXPECT_EQ(m.substr(0, 8), u"80041010");
        EXPECT_EQ(m.substr(m.size() - 26), u" (WmiDataSet.InternalOpen)");
    }
    EXPECT_FALSE(Query->Active());
}

} // namespace
} // namespace tarnwick::dataset::testing
