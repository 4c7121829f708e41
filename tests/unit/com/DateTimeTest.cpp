#include "platform/com/DateTime.h"
#include "platform/com/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace tarnwick {
namespace {

constexpr double kMs = 1.0 / 86400000.0;

::testing::AssertionResult PartsAre(const TDateTimeParts& p, int y, int mo, int d, int h = 0, int mi = 0,
                                    int s = 0, int ms = 0) {
    if (p.Year == y && p.Month == mo && p.Day == d && p.Hour == h && p.Minute == mi && p.Second == s &&
        p.Millisecond == ms)
        return ::testing::AssertionSuccess();
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.Year, p.Month, p.Day, p.Hour,
                  p.Minute, p.Second, p.Millisecond);
    return ::testing::AssertionFailure() << "decoded " << buf;
}

TEST(TDateTime, DayNumbersCountFrom18991230) {
    struct Case {
        int Y, M, D;
        double Days;
    };
    const Case cases[] = {
        {1899, 12, 30, 0},      {1899, 12, 29, -1},   {1900, 1, 1, 2},         {1900, 3, 1, 61},
        {2000, 1, 1, 36526},    {2024, 2, 29, 45351}, {1800, 1, 1, -36522},    {1752, 9, 14, -53797},
        {1600, 2, 29, -109512}, {1, 1, 1, -693593},   {9999, 12, 31, 2958465},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Y << "-" << c.M << "-" << c.D);
        EXPECT_EQ(EncodeDate(c.Y, c.M, c.D), c.Days);
        EXPECT_TRUE(PartsAre(DecodeDateTime(c.Days), c.Y, c.M, c.D));
    }
}

TEST(TDateTime, TimeBeforeTheEpochCountsForwardFromMidnight) {
    // 1899-12-29 06:00 is -1.25: day -1, then a quarter day forward.
    EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
    EXPECT_TRUE(PartsAre(DecodeDateTime(-1.25), 1899, 12, 29, 6));
    EXPECT_EQ(EncodeDateTime({1800, 1, 1, 18, 0, 0, 0}), -36522.75);
    EXPECT_TRUE(PartsAre(DecodeDateTime(-36522.75), 1800, 1, 1, 18));
    // Between -1 and 0 the day is 1899-12-30 itself.
    EXPECT_TRUE(PartsAre(DecodeDateTime(-0.25), 1899, 12, 30, 6));
    EXPECT_TRUE(PartsAre(DecodeDateTime(0.25), 1899, 12, 30, 6));
}

TEST(TDateTime, RoundTripsToTheMillisecond) {
    const TDateTimeParts cases[] = {
        {2024, 2, 29, 23, 59, 59, 999},  {1899, 12, 30, 0, 0, 0, 1},     {1899, 12, 29, 23, 59, 59, 999},
        {1899, 12, 29, 0, 0, 0, 1},      {1066, 10, 14, 9, 30, 15, 500}, {1, 1, 1, 12, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59, 999}, {1970, 1, 1, 0, 0, 0, 0},
    };
    for (const auto& p : cases) {
        SCOPED_TRACE(testing::Message()
                     << p.Year << "-" << p.Month << "-" << p.Day << " ms " << p.Millisecond);
        TDateTime t;
        ASSERT_TRUE(TryEncodeDateTime(p, t));
        EXPECT_TRUE(
            PartsAre(DecodeDateTime(t), p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Millisecond));
    }
}

TEST(TDateTime, DecodeRoundsToTheNearestMillisecond) {
    const TDateTime day = EncodeDate(2024, 1, 1);
    EXPECT_TRUE(PartsAre(DecodeDateTime(day + 0.4 * kMs), 2024, 1, 1, 0, 0, 0, 0));
    EXPECT_TRUE(PartsAre(DecodeDateTime(day + 0.6 * kMs), 2024, 1, 1, 0, 0, 0, 1));
    EXPECT_TRUE(PartsAre(DecodeDateTime(day + 1000.6 * kMs), 2024, 1, 1, 0, 0, 1, 1));
    // Rounding up past the last millisecond of a day lands on the next midnight.
    EXPECT_TRUE(PartsAre(DecodeDateTime(day + 1 - 0.4 * kMs), 2024, 1, 2));
    EXPECT_TRUE(PartsAre(DecodeDateTime(EncodeDate(2023, 12, 31) + 1 - 0.4 * kMs), 2024, 1, 1));
}

TEST(TDateTime, RoundingUpToMidnightBeforeTheEpochGoesToTheNextDay) {
    // 1899-12-29 23:59:59.9996 rounds to 1899-12-30 00:00.
    EXPECT_TRUE(PartsAre(DecodeDateTime(-1 - (1 - 0.4 * kMs)), 1899, 12, 30));
    // 1800-01-01 23:59:59.9996 rounds to 1800-01-02 00:00.
    EXPECT_TRUE(PartsAre(DecodeDateTime(-36522 - (1 - 0.4 * kMs)), 1800, 1, 2));
    // 1899-12-30 23:59:59.9996 written as a negative fraction rounds to 1899-12-31.
    EXPECT_TRUE(PartsAre(DecodeDateTime(-(1 - 0.4 * kMs)), 1899, 12, 31));
}

TEST(TDateTime, InvalidPartsAreRefused) {
    const TDateTimeParts cases[] = {
        {2023, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2024, 13, 1, 0, 0, 0, 0},
        {2024, 0, 1, 0, 0, 0, 0},  {2024, 4, 31, 0, 0, 0, 0}, {2024, 1, 0, 0, 0, 0, 0},
        {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0}, {2024, 1, 1, 24, 0, 0, 0},
        {2024, 1, 1, 0, 60, 0, 0}, {2024, 1, 1, 0, 0, 60, 0}, {2024, 1, 1, 0, 0, 0, 1000},
        {2024, 1, 1, -1, 0, 0, 0},
    };
    for (const auto& p : cases) {
        SCOPED_TRACE(testing::Message() << p.Year << "-" << p.Month << "-" << p.Day << " " << p.Hour << ":"
                                        << p.Minute << ":" << p.Second << "." << p.Millisecond);
        TDateTime t = 123;
        EXPECT_FALSE(TryEncodeDateTime(p, t));
        EXPECT_THROW(EncodeDateTime(p), TConversionError);
    }
    TDateTime t;
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, t));
    EXPECT_THROW(EncodeDate(2023, 2, 29), TConversionError);
}

TEST(TDateTime, NonFiniteValuesDecodeToTheEpoch) {
    EXPECT_TRUE(PartsAre(DecodeDateTime(std::nan("")), 1899, 12, 30));
    EXPECT_TRUE(PartsAre(DecodeDateTime(INFINITY), 1899, 12, 30));
}

TEST(TDateTime, TextForm) {
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 2, 29)), u"2024-02-29");
    EXPECT_EQ(DateTimeToStr(EncodeDateTime({2024, 2, 29, 7, 5, 3, 0})), u"2024-02-29 07:05:03");
    EXPECT_EQ(DateTimeToStr(EncodeDateTime({2024, 2, 29, 7, 5, 3, 42})), u"2024-02-29 07:05:03.042");
    EXPECT_EQ(DateTimeToStr(-1.25), u"1899-12-29 06:00:00");
}

TEST(TDateTime, UnixSeconds) {
    EXPECT_EQ(UnixSecondsToDateTime(0), EncodeDate(1970, 1, 1));
    EXPECT_EQ(UnixSecondsToDateTime(86400 * 1.5), EncodeDate(1970, 1, 2) + 0.5);
    TDateTime now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_EQ(Date(), std::trunc(Date()));
}

TEST(TDateTime, ReadsTheTextForm) {
    struct {
        const char16_t* Text;
        std::optional<TDateTime> Expected;
    } cases[] = {
        {u"2024-03-05", EncodeDate(2024, 3, 5)},
        {u"2024-03-05 07:08", EncodeDateTime({2024, 3, 5, 7, 8, 0, 0})},
        {u"2024-03-05T07:08:09", EncodeDateTime({2024, 3, 5, 7, 8, 9, 0})},
        {u"2024-03-05 07:08:09.5", EncodeDateTime({2024, 3, 5, 7, 8, 9, 500})},
        {u"2024-03-05 07:08:09.123", EncodeDateTime({2024, 3, 5, 7, 8, 9, 123})},
        {u"1899-12-29 06:00:00", -1.25},
        {u"2024-3-5", std::nullopt},
        {u"2024-03-05 7:08:09", std::nullopt},
        {u"2024-03-05 07:08:09.1234", std::nullopt},
        {u"2024-03-05 07:08:09.", std::nullopt},
        {u"2024-03-05 24:00:00", std::nullopt},
        {u"2024-02-30", std::nullopt},
        {u"2024-03-05 07:08:09 pm", std::nullopt},
        {u"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Text));
        TDateTime value = 0;
        EXPECT_EQ(TryStrToDateTime(c.Text, value), c.Expected.has_value());
        if (c.Expected) {
            EXPECT_DOUBLE_EQ(value, *c.Expected);
        }
    }
    TDateTime t = 0;
    EXPECT_TRUE(TryStrToTime(u"12:00", t));
    EXPECT_DOUBLE_EQ(t, 0.5);
    EXPECT_FALSE(TryStrToTime(u"2024-03-05", t));
    // Whatever DateTimeToStr writes reads back.
    for (TDateTime v : {EncodeDate(2024, 2, 29), EncodeDateTime({1999, 12, 31, 23, 59, 59, 999}), -1.25}) {
        TDateTime back = 0;
        EXPECT_TRUE(TryStrToDateTime(DateTimeToStr(v), back));
        EXPECT_DOUBLE_EQ(back, v);
    }
}

} // namespace
} // namespace tarnwick
