#pragma once
// The exception of the WS-Management component: a failed operation's code and a
// message a person can act on.

#include "platform/com/ComTypes.h"
#include "platform/com/Exception.h"

namespace tarnwick::wsman {

class TWSManException : public Exception {
public:
    TWSManException(com::HRESULT errorCode, WideString msg);
    com::HRESULT ErrorCode() const noexcept { return FErrorCode; }

private:
    com::HRESULT FErrorCode;
};

// The message for a failed code: the component's description (the thread's error
// information, which this takes), else the system's message for the code, both
// without trailing blanks, control characters and full stops; else "OLE error %.8x".
WideString WSManErrorMessage(com::HRESULT code);
[[noreturn]] void RaiseWSManError(com::HRESULT code);
// Nothing for a code that is not negative; TWSManException otherwise.
inline void WSManCheck(com::HRESULT code) {
    if (code < 0) RaiseWSManError(code);
}

void ClearComponentError();

// Calls a component operation with the thread's error information cleared first,
// so that a stale description is never reported for this failure.
template <class F> com::HRESULT WSManCall(F&& operation) {
    ClearComponentError();
    com::HRESULT hr = operation();
    WSManCheck(hr);
    return hr;
}

} // namespace tarnwick::wsman
