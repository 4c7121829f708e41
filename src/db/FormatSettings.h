#pragma once
// The user's forms for numbers and date-times, read from the C library's current
// locale (the program calls setlocale at start). In the "C" or "POSIX" locale the
// forms are the neutral ones: '.' and yyyy-mm-dd hh:nn:ss.

#include "platform/com/DateTime.h"
#include "platform/com/WideString.h"

namespace tarnwick::db {

char16_t DecimalSeparator();
// Up to 15 significant digits with the locale's decimal separator.
WideString FormatFloat(double value);
// Also accepts the locale's decimal separator.
bool TryParseFloat(WideStringView text, double& value);

enum class TDateTimePart { DateAndTime, DateOnly, TimeOnly };
// The locale's date and time forms; a date-time at midnight shows its date alone.
WideString FormatDateTime(TDateTime value, TDateTimePart part = TDateTimePart::DateAndTime);

} // namespace tarnwick::db
