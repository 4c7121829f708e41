#include "wsman/WSManError.h"

#include "platform/com/ErrorInfo.h"
#include "platform/osmessages/OsMessages.h"

#include <cstdint>

namespace tarnwick::wsman {
namespace {

WideString TrimEnd(WideString text) {
    while (!text.empty() && (text.back() <= u' ' || text.back() == u'.'))
        text.pop_back();
    return text;
}

} // namespace

TWSManException::TWSManException(com::HRESULT errorCode, WideString msg)
    : Exception(std::move(msg)), FErrorCode(errorCode) {}

WideString WSManErrorMessage(com::HRESULT code) {
    WideString text = TrimEnd(com::TakeErrorInfo());
    if (text.empty()) text = TrimEnd(osmessages::SystemErrorMessage(code));
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
