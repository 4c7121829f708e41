#include "errors/WmiErr.h"

#include "platform/osmessages/OsMessages.h"

#include <algorithm>

namespace tarnwick::errors {

TWmiException::TWmiException(WideString msg) : Exception(std::move(msg)) {}

TWmiException::TWmiException(HRESULT errorCode, WideString msg)
    : Exception(std::move(msg)), FErrorCode(errorCode) {}

void WmiCheck(HRESULT code) {
    if (!WmiSucceeded(code)) RaiseWmiError(code);
}

void RaiseWmiError(HRESULT code) {
    throw TWmiException(code, WmiErrorMessage(code));
}

WideString WmiErrorMessage(HRESULT code) {
    auto bits = static_cast<std::uint32_t>(code);
    auto table = WmiErrorTable();
    auto it = std::lower_bound(table.begin(), table.end(), bits,
                               [](const TWmiErrorRow& r, std::uint32_t c) { return r.Code < c; });
    WideString text = it != table.end() && it->Code == bits
                          ? WideString(it->Text)
                          : osmessages::TrimMessageEnd(osmessages::SystemErrorMessage(code));
    return IntToHex(bits, 8) + u": " + text;
}

} // namespace tarnwick::errors
