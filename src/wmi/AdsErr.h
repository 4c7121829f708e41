#pragma once
// The result check of the directory-service calls and their messages.

#include "platform/com/ComTypes.h"
#include "platform/com/Exception.h"

#include <cstdint>
#include <span>

namespace tarnwick::wmi {

// Every failure of a directory-service call; it carries only its message.
class TAdsException : public Exception {
public:
    using Exception::Exception;
};

// "8 upper-case hex digits: text": the directory service's own table for its codes,
// else the system's message for the code (trailing line break cut), else "Unknown error".
WideString AdsErrorMessage(com::HRESULT code);
// Raises TAdsException with AdsErrorMessage for a negative code; any other passes.
void AdsCheck(com::HRESULT code);

struct TAdsErrorRow {
    std::uint32_t Code;
    const char16_t* Text;
};
// The directory service's own codes, ordered by code.
std::span<const TAdsErrorRow> AdsErrorTable();

} // namespace tarnwick::wmi
