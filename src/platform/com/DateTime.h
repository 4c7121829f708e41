#pragma once
// TDateTime counts days since 1899-12-30 as a double, as OLE dates do; the
// fraction is the time of day. Before 1899-12-30 the fraction still counts
// forward from midnight (-1.25 is 1899-12-29 06:00).

#include "platform/com/WideString.h"

#include <cstdint>

namespace tarnwick {

using TDateTime = double;

struct TDateTimeParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
bool TryEncodeDateTime(const TDateTimeParts& parts, TDateTime& result);
// Throw TConversionError for a date or time out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeDateTime(const TDateTimeParts& parts);
// Rounds to the nearest millisecond.
TDateTimeParts DecodeDateTime(TDateTime value);

TDateTime Now();  // local time
TDateTime Date(); // local date, midnight
TDateTime UnixSecondsToDateTime(double seconds);

// "yyyy-mm-dd hh:nn:ss" (".zzz" when there are milliseconds; the time is left out at midnight).
WideString DateTimeToStr(TDateTime value);
// Reads what DateTimeToStr writes: yyyy-mm-dd, optionally followed by a blank or "T" and
// hh:nn[:ss[.f]] with one to three digits of a second's fraction (".5" is 500 ms).
// Every other field has its full number of digits; nothing else may follow.
bool TryStrToDateTime(WideStringView text, TDateTime& result);
// The time part alone: hh:nn[:ss[.f]], as a fraction of a day.
bool TryStrToTime(WideStringView text, TDateTime& result);

} // namespace tarnwick
