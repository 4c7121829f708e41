#include "platform/com/DateTime.h"

#include "platform/com/Exception.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace tarnwick {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Days from 0000-03-01 based civil calendar (proleptic Gregorian) to 1899-12-30.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const std::int64_t kEpoch = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    int limit = days[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
    if (day > limit) return false;
    result = static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return false;
    result = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
    return true;
}

bool TryEncodeDateTime(const TDateTimeParts& p, TDateTime& result) {
    TDateTime date, time;
    if (!TryEncodeDate(p.Year, p.Month, p.Day, date) ||
        !TryEncodeTime(p.Hour, p.Minute, p.Second, p.Millisecond, time))
        return false;
    result = date < 0 ? date - time : date + time;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r)) throw TConversionError(u"Invalid argument to date encode");
    return r;
}

TDateTime EncodeDateTime(const TDateTimeParts& parts) {
    TDateTime r;
    if (!TryEncodeDateTime(parts, r)) throw TConversionError(u"Invalid argument to date encode");
    return r;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
    TDateTimeParts p;
    if (!std::isfinite(value)) return p;
    double whole = std::trunc(value);
    std::int64_t days = static_cast<std::int64_t>(whole);
    std::int64_t ms = std::llround(std::fabs(value - whole) * kMsPerDay);
    if (ms >= kMsPerDay) { // rounded up to the next midnight: the next day, before the epoch too
        ms -= kMsPerDay;
        days += 1;
    }
    CivilFromDays(days + kEpoch, p.Year, p.Month, p.Day);
    p.Hour = static_cast<int>(ms / 3600000);
    p.Minute = static_cast<int>(ms / 60000 % 60);
    p.Second = static_cast<int>(ms / 1000 % 60);
    p.Millisecond = static_cast<int>(ms % 1000);
    return p;
}

TDateTime UnixSecondsToDateTime(double seconds) {
    return 25569.0 + seconds / 86400.0;
}

TDateTime Now() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    TDateTimeParts p{local.tm_year + 1900,
                     local.tm_mon + 1,
                     local.tm_mday,
                     local.tm_hour,
                     local.tm_min,
                     local.tm_sec > 59 ? 59 : local.tm_sec,
                     ms};
    TDateTime r = 0;
    TryEncodeDateTime(p, r);
    return r;
}

TDateTime Date() {
    return std::trunc(Now());
}

WideString DateTimeToStr(TDateTime value) {
    TDateTimeParts p = DecodeDateTime(value);
    char buf[48];
    if (p.Hour == 0 && p.Minute == 0 && p.Second == 0 && p.Millisecond == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.Year, p.Month, p.Day);
    else if (p.Millisecond == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour,
                      p.Minute, p.Second);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.Year, p.Month, p.Day, p.Hour,
                      p.Minute, p.Second, p.Millisecond);
    return FromUtf8(buf);
}

namespace {

bool ReadDigits(WideStringView text, std::size_t& pos, std::size_t count, int& value) {
    if (pos + count > text.size()) return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char16_t c = text[pos + i];
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
    }
    pos += count;
    return true;
}

bool Skip(WideStringView text, std::size_t& pos, char16_t c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

// hh:nn[:ss[.f]] from pos to the end of the text.
bool ReadTime(WideStringView text, std::size_t pos, TDateTimeParts& p) {
    if (!ReadDigits(text, pos, 2, p.Hour) || !Skip(text, pos, u':') || !ReadDigits(text, pos, 2, p.Minute))
        return false;
    if (Skip(text, pos, u':')) {
        if (!ReadDigits(text, pos, 2, p.Second)) return false;
        if (Skip(text, pos, u'.')) {
            std::size_t digits = 0;
            p.Millisecond = 0;
            while (pos < text.size() && digits < 3 && text[pos] >= u'0' && text[pos] <= u'9') {
                p.Millisecond = p.Millisecond * 10 + (text[pos++] - u'0');
                ++digits;
            }
            if (digits == 0) return false;
            for (; digits < 3; ++digits)
                p.Millisecond *= 10;
        }
    }
    return pos == text.size();
}

} // namespace

bool TryStrToDateTime(WideStringView text, TDateTime& result) {
    TDateTimeParts p;
    std::size_t pos = 0;
    if (!ReadDigits(text, pos, 4, p.Year) || !Skip(text, pos, u'-') || !ReadDigits(text, pos, 2, p.Month) ||
        !Skip(text, pos, u'-') || !ReadDigits(text, pos, 2, p.Day))
        return false;
    p.Hour = p.Minute = p.Second = p.Millisecond = 0;
    if (pos < text.size() && (!(Skip(text, pos, u' ') || Skip(text, pos, u'T')) || !ReadTime(text, pos, p)))
        return false;
    return TryEncodeDateTime(p, result);
}

bool TryStrToTime(WideStringView text, TDateTime& result) {
    TDateTimeParts p;
    p.Hour = p.Minute = p.Second = p.Millisecond = 0;
    return ReadTime(text, 0, p) && TryEncodeTime(p.Hour, p.Minute, p.Second, p.Millisecond, result);
}

} // namespace tarnwick
