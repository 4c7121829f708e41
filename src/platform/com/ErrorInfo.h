#pragma once
// The calling thread's error information: a component that fails an operation may
// leave a description here before returning its code; the caller that turns the
// code into an exception takes it (and so clears it).

#include "platform/com/WideString.h"

namespace tarnwick::com {

void SetErrorInfo(WideString description);
WideString TakeErrorInfo();
void ClearErrorInfo();

} // namespace tarnwick::com
