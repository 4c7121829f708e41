#pragma once
// The result check applied to every WMI call, the message of each WMI result code
// and the exception of the WMI layer.

#include "platform/com/ComTypes.h"
#include "platform/com/Exception.h"

#include <span>

namespace tarnwick::errors {

using com::HRESULT;

class TWmiException : public Exception {
public:
    // A failure without a code: ErrorCode stays 0.
    explicit TWmiException(WideString msg);
    TWmiException(HRESULT errorCode, WideString msg);
    HRESULT ErrorCode() const noexcept { return FErrorCode; }

private:
    HRESULT FErrorCode = 0;
};

// True when the code is not negative: 0, S_FALSE and positive method returns pass.
constexpr bool WmiSucceeded(HRESULT code) {
    return code >= 0;
}
// Raises TWmiException for a negative code; nothing otherwise.
void WmiCheck(HRESULT code);
[[noreturn]] void RaiseWmiError(HRESULT code);
// "8 upper-case hex digits: text". The text is the WMI table's row for the code, or
// the system's message with trailing blanks, control characters and full stops cut.
WideString WmiErrorMessage(HRESULT code);

struct TWmiErrorRow {
    std::uint32_t Code;
    const char16_t* Text;
};
// The fixed table of WMI result codes, ordered by code.
std::span<const TWmiErrorRow> WmiErrorTable();

} // namespace tarnwick::errors
