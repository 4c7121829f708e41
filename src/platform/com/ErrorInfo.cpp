#include "platform/com/ErrorInfo.h"

namespace tarnwick::com {
namespace {
thread_local WideString tErrorInfo;
}

void SetErrorInfo(WideString description) {
    tErrorInfo = std::move(description);
}

WideString TakeErrorInfo() {
    WideString out = std::move(tErrorInfo);
    tErrorInfo.clear();
    return out;
}

void ClearErrorInfo() {
    tErrorInfo.clear();
}

} // namespace tarnwick::com
