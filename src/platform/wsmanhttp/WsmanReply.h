#pragma once
// Reads the SOAP replies of a WinRM service. Elements are matched by namespace URI
// and local name, never by prefix; a document with a DOCTYPE is refused, so no
// entity is ever expanded. Whitespace-only values (a property of spaces) are kept.

#include "platform/com/ComTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::wsmanhttp {

// What a SOAP fault says: the subcode (local name), the innermost WSManFault code and
// message, and the provider's WMI status where the fault carries one.
struct TWsmanFault {
    std::string Subcode;         // "CannotProcessFilter", "TimedOut", ...
    std::string Reason;          // s:Reason/s:Text, trimmed
    std::string Message;         // innermost f:Message text (or MSFT_WmiError Message), trimmed
    std::uint32_t WsmanCode = 0; // innermost WSManFault Code (or MSFT_WmiError error_Code)
    std::uint32_t WmiCode = 0;   // __ExtendedStatus StatusCode, 0 when absent
    std::string Machine;

    // The code the component returns: the WMI status where present, else the WSManFault code.
    com::HRESULT ErrorCode() const;
    // One line for a person: message, then the fault's code and subcode.
    std::string Text() const;
    bool IsTimedOut() const; // w:TimedOut / 2150858793 / wsen TimedOut 2150858780
};

struct TEnumerationReply {
    std::vector<std::string> Items; // each item's XML text, namespaces declared on it
    std::string Context;
    bool HasContext = false;
    bool EndOfSequence = false;
};

// Parsed reply: either a fault or the body's payload.
class TWsmanReply {
public:
    // Throws TWinRmError(BadReply) for text that is not a SOAP envelope.
    static TWsmanReply Parse(std::string_view xml);

    bool IsFault() const { return FFault.has_value(); }
    const TWsmanFault& Fault() const { return *FFault; }
    const std::string& Action() const { return FAction; }
    const std::string& RelatesTo() const { return FRelatesTo; }

    // EnumerateResponse or PullResponse; throws when the body holds neither.
    const TEnumerationReply& Enumeration() const;
    // The first element of the body as XML text (the Invoke output document).
    const std::string& BodyText() const { return FBodyText; }

private:
    std::optional<TWsmanFault> FFault;
    std::optional<TEnumerationReply> FEnumeration;
    std::string FAction;
    std::string FRelatesTo;
    std::string FBodyText;
};

} // namespace tarnwick::wsmanhttp
