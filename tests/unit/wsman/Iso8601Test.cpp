// The ISO 8601 reader of CIM date-times (platform/time).

#include "platform/time/Iso8601.h"

#include <gtest/gtest.h>

namespace tarnwick::iso8601 {
namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDateTime(TDateTimeParts{y, mo, d, h, mi, s, ms});
}

TEST(Iso8601, ReadsTheFormsWSManagementWrites) {
    struct {
        const char16_t* Text;
        TDateTime Expected;
    } cases[] = {
        {u"2013-03-09T02:57:32Z", At(2013, 3, 9, 2, 57, 32)},
        {u"2013-03-09T02:57:32", At(2013, 3, 9, 2, 57, 32)},
        {u"2013-03-09T02:57:32+00:00", At(2013, 3, 9, 2, 57, 32)},
        {u"2013-03-09T02:57:32+02:00", At(2013, 3, 9, 0, 57, 32)},
        {u"2013-03-09T02:57:32-07:00", At(2013, 3, 9, 9, 57, 32)},
        {u"2013-03-09T02:57:32+0530", At(2013, 3, 8, 21, 27, 32)},
        {u"2013-03-09T02:57:32+01", At(2013, 3, 9, 1, 57, 32)},
        {u"2013-03-09T00:30:00+01:00", At(2013, 3, 8, 23, 30, 0)}, // across midnight
        {u"2013-04-15T16:31:13.580621Z", At(2013, 4, 15, 16, 31, 13, 581)},
        {u"2013-04-15T16:31:13,5Z", At(2013, 4, 15, 16, 31, 13, 500)},
        {u"2013-04-15T16:31:13.9996Z", At(2013, 4, 15, 16, 31, 14)}, // rounds into the next second
        {u"2013-04-15T16:31:13.1234567-07:00", At(2013, 4, 15, 23, 31, 13, 123)},
        {u"2013-04-15T16:31Z", At(2013, 4, 15, 16, 31, 0)},
        {u"2013-04-15", At(2013, 4, 15)},
        {u"1899-12-29T06:00:00Z", -1.25},
        {u"1601-01-01T00:00:00Z", At(1601, 1, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Text));
        EXPECT_NEAR(ISO8601ToDate(c.Text), c.Expected, 1e-9);
    }
}

TEST(Iso8601, NamesTheTextThatIsNoDateTime) {
    struct {
        const char16_t* Text;
        const char16_t* Message;
    } cases[] = {
        {u"", u"Invalid date string: "},
        {u"yesterday", u"Invalid date string: yesterday"},
        {u"2013-02-30T00:00:00Z", u"Invalid date string: 2013-02-30T00:00:00Z"},
        {u"2013-3-9", u"Invalid date string: 2013-3-9"},
        {u"2013-03-09 02:57:32", u"Invalid date string: 2013-03-09 02:57:32"},
        {u"2013-03-09T25:00:00Z", u"Invalid time string: 2013-03-09T25:00:00Z"},
        {u"2013-03-09T02:57:32.Z", u"Invalid time string: 2013-03-09T02:57:32.Z"},
        {u"2013-03-09T", u"Invalid time string: 2013-03-09T"},
        {u"2013-03-09T02:57:32 Z", u"Invalid time string: 2013-03-09T02:57:32 Z"},
        {u"2013-03-09T02:57:32+2", u"Invalid time Offset string: 2013-03-09T02:57:32+2"},
        {u"2013-03-09T02:57:32Zulu", u"Invalid time Offset string: 2013-03-09T02:57:32Zulu"},
        {u"2013-03-09T02:57:32+01:60", u"Invalid time Offset string: 2013-03-09T02:57:32+01:60"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Text));
        try {
            ISO8601ToDate(c.Text);
            ADD_FAILURE() << "no exception";
        } catch (const TIso8601Error& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
}

} // namespace
} // namespace tarnwick::iso8601
