#pragma once
// Values as the Windows scripting objects deliver them, by CIM type:
//   sint8, sint16, char16     VT_I2
//   uint8                     VT_UI1
//   uint16, sint32, uint32    VT_I4 (a uint32 keeps its bits: 4294967295 is -1)
//   sint64, uint64            VT_BSTR with the decimal text
//   real32 / real64           VT_R4 / VT_R8
//   boolean                   VT_BOOL
//   string, reference         VT_BSTR
//   datetime                  VT_BSTR, DMTF "yyyymmddHHMMSS.mmmmmm+UUU" with the offset of
//                             this machine at that moment
//   arrays                    VT_ARRAY|VT_VARIANT, one dimension, lower bound 0
//   no value                  VT_NULL
// TInstanceBuilder turns native values into these; a property that Linux cannot
// answer is simply not set and stays null.

#include "platform/localwmi/Schema.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::localwmi {

// The delivered form of an integer for a property of that CIM type.
TVariant DeliverInteger(WbemCimtypeEnum type, std::int64_t value);
TVariant DeliverUnsigned(WbemCimtypeEnum type, std::uint64_t value);
TVariant DeliverReal(WbemCimtypeEnum type, double value);

// DMTF text of a moment in local time with its offset east of UTC in minutes.
WideString UnixTimeToDmtf(std::int64_t unixSeconds, std::int64_t microseconds = 0);
// A DMTF interval "ddddddddHHMMSS.mmmmmm:000".
WideString SecondsToDmtfInterval(std::uint64_t seconds);

class TInstanceBuilder {
public:
    explicit TInstanceBuilder(const TClassDef& cls);

    // The property must exist in the class: a wrong name is a programming fault
    // and throws std::logic_error.
    TInstanceBuilder& Set(WideStringView name, TVariant delivered);
    TInstanceBuilder& Text(WideStringView name, WideString value);
    TInstanceBuilder& Utf8(WideStringView name, std::string_view value);
    TInstanceBuilder& Int(WideStringView name, std::int64_t value);
    TInstanceBuilder& UInt(WideStringView name, std::uint64_t value);
    TInstanceBuilder& Real(WideStringView name, double value);
    TInstanceBuilder& Bool(WideStringView name, bool value);
    TInstanceBuilder& Time(WideStringView name, std::int64_t unixSeconds, std::int64_t microseconds = 0);
    TInstanceBuilder& TextArray(WideStringView name, const std::vector<WideString>& values);
    TInstanceBuilder& IntArray(WideStringView name, const std::vector<std::int64_t>& values);
    // Sets the property only when the value is known.
    TInstanceBuilder& OptUInt(WideStringView name, std::optional<std::uint64_t> value);
    TInstanceBuilder& OptText(WideStringView name, const std::optional<std::string>& value);

    TInstance Take() { return std::move(FInstance); }

private:
    std::size_t Index(WideStringView name) const;
    TInstance FInstance;
};

} // namespace tarnwick::localwmi
