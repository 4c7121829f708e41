#pragma once
// Free routines around WMI: the DCOM connect, the local connection and the
// prototype of a query, property access by name with the conversions WMI values
// need, DMTF date-times, and values to text and text to arrays. Every checked
// result goes through WmiCheck.

#include "platform/com/ComPtr.h"
#include "platform/com/DateTime.h"
#include "wmi/WbemScripting.h"

#include <cstdint>

namespace tarnwick::wmi {

using com::TComPtr;

// Connects over the platform's scripting locator: EnsureComInitialized, the
// locator, ConnectServer (security flags 128), then impersonation level 3.
TComPtr<ISWbemServices> WmiConnect(const WideString& MachineName, const WideString& NameSpace,
                                   const WideString& UserName, const WideString& Password,
                                   const WideString& Locale, const WideString& Authority,
                                   ISWbemNamedValueSet* context);
// root\cimv2 of the local computer; none when ConnectServer refuses.
TComPtr<ISWbemServices> WmiConnectLocal();
// The class-shaped object describing the query's result properties, taken from the
// local root\cimv2 (flags 18); none when there is none.
TComPtr<ISWbemObject> WmiGetQueryPrototype(const WideString& query);
TComPtr<IEnumVARIANT> WmiExecQueryEnum(ISWbemServices* services, const WideString& query);

TComPtr<ISWbemProperty> WmiGetProperty(ISWbemObject* object, const WideString& name);
void WmiSetPropertyValue(ISWbemObject* object, const WideString& name, const TVariant& value);
// uint32 comes back as VT_UI4 with the same bits (-1 is 4294967295), uint64 as
// VT_UI8 read from its decimal text; both fail with TConversionError for null.
TVariant WmiGetPropertyValue(ISWbemPropertySet* properties, const WideString& name);
// Null gives the empty text.
WideString WmiGetPropertyText(ISWbemPropertySet* properties, const WideString& name);

// yyyymmddHHMMSS.mmm000 and the offset in minutes as +UUU or -UUU.
WideString DateTimeToDmtf(std::int32_t offsetMinutes, TDateTime value);
// With the computer's standard offset (daylight saving not applied).
WideString DateTimeToDmtfLocal(TDateTime value);
// "*" reads as 0; a year, month or day of 0 takes today's. The offset is returned,
// not applied. Raises TWmiException "Invaid date format: <text>" for bad text.
TDateTime DmtfToDateTimeEx(const WideString& text, std::int32_t& offsetMinutes);
TDateTime DmtfToDateTime(const WideString& text);

// Empty gives 0; other text must be a signed 64-bit decimal (TConversionError).
std::int64_t WmiStrToInt64(const WideString& text);
// "{a, b}" gives an array of the texts a and b (bounds 0..1); no token gives null.
TVariant WmiTextToArray(const WideString& text);
// Objects as their object text, arrays as "{1, 2}", null and empty as "".
WideString WmiValueToText(const TVariant& value);
// "major.minor" of the scripting library's type library; empty when unknown.
WideString GetWbemScriptingVersion();

} // namespace tarnwick::wmi
