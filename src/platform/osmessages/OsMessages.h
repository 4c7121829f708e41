#pragma once
// The operating system's message table for result codes: the text of a code in the
// default language, with inserts left unexpanded and the line ending the system
// gives it. Empty when the system has no message for the code.
//
// Windows reads its system message table; elsewhere a small table of our own holds
// the codes a user of this tool meets.

#include "platform/com/ComTypes.h"
#include "platform/com/WideString.h"

namespace tarnwick::osmessages {

WideString SystemErrorMessage(com::HRESULT code);

// A message as the system's texts are shown: white space, control characters (code 32
// and below) and full stops cut from its end.
WideString TrimMessageEnd(WideString text);

} // namespace tarnwick::osmessages
