#pragma once
// ISO 8601 date-times in the form WS-Management writes CIM date-times:
// yyyy-mm-dd, optionally T and hh:mm[:ss[(.|,)fraction]], optionally Z, +hh:mm,
// -hh:mm, +hhmm or +hh. The fraction is rounded to milliseconds.

#include "platform/com/DateTime.h"
#include "platform/com/Exception.h"
#include "platform/com/WideString.h"

namespace tarnwick::iso8601 {

// The text is not such a date-time; the message names the text.
class TIso8601Error : public TConversionError {
public:
    using TConversionError::TConversionError;
};

// The instant in UTC: an explicit offset is removed, Z or no zone leave the clock
// time as written. Throws TIso8601Error: "Invalid date string: %s",
// "Invalid time string: %s" or "Invalid time Offset string: %s".
TDateTime ISO8601ToDate(WideStringView text);

} // namespace tarnwick::iso8601
