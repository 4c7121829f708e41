#include "platform/com/Exception.h"

namespace tarnwick {

Exception::Exception(WideString message) : FMessage(std::move(message)), FUtf8(ToUtf8(FMessage)) {}

void Exception::SetMessage(WideString message) {
    FMessage = std::move(message);
    FUtf8 = ToUtf8(FMessage);
}

} // namespace tarnwick
