#include "wsman/WSManError.h"

#include "platform/com/ErrorInfo.h"
#include "platform/osmessages/OsMessages.h"

#include <cstdint>

namespace tarnwick::wsman {
TWSManException::TWSManException(com::HRESULT errorCode, WideString msg)
    : Exception(std::move(msg)), FErrorCode(errorCode) {}

WideString WSManErrorMessage(com::HRESULT code) {
    WideString text = osmessages::TrimMessageEnd(com::TakeErrorInfo());
    if (text.empty()) text = osmessages::TrimMessageEnd(osmessages::SystemErrorMessage(code));
    if (text.empty()) text = u"OLE error " + AsciiLowerCase(IntToHex(static_cast<std::uint32_t>(code), 8));
    return text;
}

void RaiseWSManError(com::HRESULT code) {
    throw TWSManException(code, WSManErrorMessage(code));
}

void ClearComponentError() {
    com::ClearErrorInfo();
}

} // namespace tarnwick::wsman
