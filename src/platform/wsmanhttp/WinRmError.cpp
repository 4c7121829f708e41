#include "platform/wsmanhttp/WinRmError.h"

namespace tarnwick::wsmanhttp {

TWinRmError::TWinRmError(HRESULT code, const std::string& utf8Message)
    : Exception(FromUtf8(utf8Message)), FErrorCode(code) {}

void RaiseWinRm(HRESULT code, const std::string& utf8Message) {
    throw TWinRmError(code, utf8Message);
}

} // namespace tarnwick::wsmanhttp
